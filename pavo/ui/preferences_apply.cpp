#include "ui/preferences_apply.h"

#include "scene/mesh_viewer.h"

namespace pavo {

void applyPreferencesToViewer(const PavPreferences &prefs, PavMeshViewer &viewer) {
  viewer.view.options.AxisOn = prefs.axis;
  const int height = textHeightForIndex(prefs.textSizeIndex);
  if (height > 0) viewer.textHeight = height;
  PavMeshViewer::Preferences &v = viewer.prefs;
  const bool glyphsChange = v.ellipsoidMetric != prefs.ellipsoidMetric;
  v.solutionInfo = prefs.solutionInfo;
  v.angles = prefs.angles;
  v.scrolling = prefs.scrolling;
  v.metric = prefs.metric;
  v.ellipsoidMetric = prefs.ellipsoidMetric;
  v.renumbering = prefs.renumbering;
  v.vertexCoordinates = prefs.vertexCoordinates;
  if (glyphsChange) viewer.refresh(PavChange::Metric, PavRedraw::Later);
}

} // namespace pavo
