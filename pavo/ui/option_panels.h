// The option panels of a main window. Each is a small window of controls that act on the view
// state of the window (view_state.h) and, at once, say what changed through a callback, so that
// the window redraws (and rebuilds the cut or the fields when needed). They hold no viewer, so
// they work and are tested without one. Every control has an object name for scripts and tests.
//
// Cut Plane:             "cutOn", "cutA".."cutD" (equation), "pointX/Y/Z" + "normalX/Y/Z" with
//                        "applyPointNormal", "resetPlane", "clipMode" / "capMode", "showPlane".
// Modify View:           "colormap", "autoPalette", "pal0".."pal4" with "applyPalette",
//                        "isolines", "subIsolines", "renderMode", "shading", "tessLevel",
//                        "lineWidth", "background".
// Solution Visualization: "fieldMode", "vertexSolution", "elementSolution", "vectorMode",
//                        "cutoffBelow" + "cutoffBelowValue", "cutoffAbove" + "cutoffAboveValue".
// Other Specific:        "shrinkOn", "shrink", "transparency", "pointNumbers", "corners".
// Filters (Quality, Jacobian, Solution): "compute", "low", "high", "apply", "clear", "count".
#pragma once

#include "render/view_state.h"
#include "scene/key_bindings.h"
#include "scene/view_changes.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;

namespace pavo {

// The view and the callback every panel acts through: it says what changed (view_changes.h), so
// that the window rebuilds what depends on it before it redraws.
struct PavPanelTarget {
  PavViewState &view;
  std::function<void(PavChanges)> changed;
};

// Palette choices of Modify View that the view state does not hold: the window applies them to
// the shown field's palette whenever the panel changes the fields.
struct PavPaletteChoice {
  bool automatic = true;                        // from the field's extrema
  float values[5] = {0, 0.25f, 0.5f, 0.75f, 1}; // break values, non-decreasing
  int isolines = 0;                             // isolines per palette interval, 0..9
  int subIsolines = 0;                          // thinner isolines between two isolines, 0..9
};

class PavCutPlanePanel : public QWidget {
  Q_OBJECT
public:
  PavCutPlanePanel(PavPanelTarget target, PavSceneSwitches &switches, QWidget *parent = nullptr);
  // Centre of the scene's bounding box, used by "resetPlane" (plane x = centre x).
  void setBoxCentre(double x, double y, double z);
  // Shows the view state's values again (after a key or a view-state file changed them).
  void refresh();

private:
  PavPanelTarget t;
  PavSceneSwitches &sw;
  double centre[3] = {0, 0, 0};
};

class PavModifyViewPanel : public QWidget {
  Q_OBJECT
public:
  PavModifyViewPanel(PavPanelTarget target, PavPaletteChoice &palette, QWidget *parent = nullptr);
  void refresh();

private:
  PavPanelTarget t;
  PavPaletteChoice &pal;
  QLabel *message = nullptr;
};

class PavSolutionPanel : public QWidget {
  Q_OBJECT
public:
  PavSolutionPanel(PavPanelTarget target, QWidget *parent = nullptr);
  // Numbers of vertex and element solutions of the mesh (bounds of the index boxes).
  void setSolutionCounts(int vertexCount, int elementCount);
  void refresh();

private:
  PavPanelTarget t;
};

class PavSpecificPanel : public QWidget {
  Q_OBJECT
public:
  PavSpecificPanel(PavPanelTarget target, PavSceneSwitches &switches, QWidget *parent = nullptr);
  void refresh();

private:
  PavPanelTarget t;
  PavSceneSwitches &sw;
};

// What a filter's values cover: their extrema and the number of elements that carry them.
struct PavFilterSpan {
  bool any = false;
  double low = 0, high = 0;
  int64_t total = 0;
};

// A filter (quality, Jacobian or the shown solution): "compute" asks for the values (span),
// "low"/"high" set the range (initially the values' extrema), "apply" hands the range over (the
// window hides the elements outside it and answers how many stay), "clear" shows all again;
// "count" shows "<n> of <total> elements". Nothing is applied before values are computed.
class PavFilterPanel : public QWidget {
  Q_OBJECT
public:
  PavFilterPanel(const QString &title, std::function<PavFilterSpan()> compute,
                 std::function<int64_t(const double *range)> apply, QWidget *parent = nullptr);

private:
  std::function<PavFilterSpan()> computeValues;
  std::function<int64_t(const double *)> applyRange;
  PavFilterSpan span;
};

} // namespace pavo
