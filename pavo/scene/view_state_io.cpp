#include "scene/view_state_io.h"

#include "scene/mesh_viewer.h"

#include <algorithm>

namespace pavo {

namespace {

void setBool(const std::optional<int32_t> &v, bool &out) {
  if (v) out = *v != 0;
}

void setIsolines(std::optional<int32_t> sub, const std::optional<std::vector<float>> &values,
                 PavPalette &p) {
  if (sub) p.nbrIso = std::clamp(*sub, 0, 9); // the shaders draw at most 9 per interval
  if (!values) return;
  p.nbrUsrIso = (int32_t)std::min<size_t>(values->size(), 9);
  std::copy_n(values->begin(), p.nbrUsrIso, p.usrIso);
}

} // namespace

void applyViewStateData(const PavViewStateData &d, PavViewState &v) {
  PavRenderOption &o = v.options;
  if (d.center)
    v.sceneCentre = QVector3D((float)(*d.center)[0], (float)(*d.center)[1], (float)(*d.center)[2]);
  if (d.rotation) {
    const auto &q = *d.rotation;
    v.trackball.rotation = QQuaternion(q[0], q[1], q[2], q[3]).normalized();
  }
  if (d.translation) {
    const auto &t = *d.translation;
    v.trackball.translation = QVector3D(t[0], t[1], t[2]);
  }
  if (d.fovy) v.fovy = *d.fovy;
  if (d.cutPlaneEquation) std::copy_n(d.cutPlaneEquation->begin(), 4, v.cutPlane);
  setBool(d.useCutPlane, v.hasCutPlane);
  setBool(d.showCut, o.CutOn);
  setBool(d.capping, v.capping);
  setBool(d.lineOn, o.LineOn);
  setBool(d.tessOn, o.TessOn);
  if (d.tessLevel) o.tessLevel = (int8_t)std::clamp(*d.tessLevel, 1, 125);
  setBool(d.edgeOn, o.EdgeOn);
  if (d.solOn) o.SolOn = *d.solOn;
  if (d.isoOn) o.IsoOn = *d.isoOn;
  setBool(d.palOn, o.PalOn);
  if (d.curSol) v.fieldMode = *d.curSol;
  if (d.ithSol && *d.ithSol >= 1) {
    if (v.fieldMode == 1) v.vertexSolution = *d.ithSol;
    if (v.fieldMode == 2) v.elementSolution = *d.ithSol;
  }
  if (d.colormap) v.colormap = *d.colormap;
  setBool(d.textOn, o.TextOn);
  setBool(d.lineSurfOn, o.LineSurfOn);
  setBool(d.hideSurfOn, o.HideSurfOn);
  setBool(d.cutoffBelowOn, o.CutoffBelowOn);
  if (d.cutoffBelowVal) o.CutoffBelowVal = *d.cutoffBelowVal;
  setBool(d.cutoffAboveOn, o.CutoffAboveOn);
  if (d.cutoffAboveVal) o.CutoffAboveVal = *d.cutoffAboveVal;
  setBool(d.transOn, o.TransOn);
  if (d.shaMod) o.UsePhong = (uint8_t)std::clamp(*d.shaMod, 0, 3);
  if (d.renMod) o.setRenderMode(*d.renMod);
  if (d.wireSiz) o.lineWidth = *d.wireSiz;
  if (d.isoSiz) o.isoWidth = *d.isoSiz;
  if (d.hiddenRefs) {
    v.hiddenReferences.clear();
    for (const PavHiddenRef &h : *d.hiddenRefs)
      if (std::find(v.hiddenReferences.begin(), v.hiddenReferences.end(), h) ==
          v.hiddenReferences.end())
        v.hiddenReferences.push_back(h);
  }
}

PavViewStateData viewStateData(const PavViewState &v, PavViewStateData d) {
  const PavRenderOption &o = v.options;
  const QVector3D &c = v.sceneCentre;
  d.center = {{c.x(), c.y(), c.z()}};
  const QQuaternion &q = v.trackball.rotation;
  d.rotation = {{q.scalar(), q.x(), q.y(), q.z()}};
  const QVector3D &t = v.trackball.translation;
  d.translation = {{t.x(), t.y(), t.z()}};
  d.fovy = v.fovy;
  d.cutPlaneEquation = {
      {(float)v.cutPlane[0], (float)v.cutPlane[1], (float)v.cutPlane[2], (float)v.cutPlane[3]}};
  d.useCutPlane = v.hasCutPlane;
  d.showCut = o.CutOn;
  d.capping = v.capping;
  d.lineOn = o.LineOn;
  d.tessOn = o.TessOn;
  d.tessLevel = o.tessLevel;
  d.edgeOn = o.EdgeOn;
  d.solOn = o.SolOn;
  d.isoOn = o.IsoOn;
  d.palOn = o.PalOn;
  d.curSol = v.fieldMode;
  d.ithSol = v.fieldMode == 1 ? v.vertexSolution : v.fieldMode == 2 ? v.elementSolution : 0;
  if (v.colormap >= 0) d.colormap = v.colormap;
  d.textOn = o.TextOn;
  d.lineSurfOn = o.LineSurfOn;
  d.hideSurfOn = o.HideSurfOn;
  d.cutoffBelowOn = o.CutoffBelowOn;
  d.cutoffBelowVal = o.CutoffBelowVal;
  d.cutoffAboveOn = o.CutoffAboveOn;
  d.cutoffAboveVal = o.CutoffAboveVal;
  d.transOn = o.TransOn;
  d.shaMod = o.UsePhong;
  d.renMod = o.renderMode();
  d.wireSiz = o.lineWidth;
  d.isoSiz = o.isoWidth;
  return d;
}

PavViewStateData viewStateOf(const PavMeshViewer *viewer) {
  PavViewStateData window;
  window.windowSize = {{viewer->width(), viewer->height()}};
  const PavPalette &pal = viewer->meshScene.solutionPalette;
  window.usePalette = pal.paletteFixed ? 1 : 0;
  if (pal.paletteFixed) std::copy_n(pal.palette, 5, window.palette.emplace().begin());
  double box[6];
  viewer->boundingBox(box);
  window.useBoundingBox = 1;
  auto &b = window.boundingBox.emplace();
  for (int i = 0; i < 6; i++) b[(size_t)i] = (float)box[i];
  auto &hidden = window.hiddenRefs.emplace();
  for (const auto &set : viewer->builtSets())
    for (const auto &bo : set.objects) {
      if (!bo.object || bo.object->id == -1 || bo.object->visible) continue;
      const PavHiddenRef h{bo.object->type, bo.object->id};
      if (std::find(hidden.begin(), hidden.end(), h) == hidden.end()) hidden.push_back(h);
    }
  return viewStateData(viewer->view, window);
}

void applyViewStatePalette(const PavViewStateData &d, PavPalette &p) {
  if (!d.usePalette) return;
  if (*d.usePalette && d.palette) {
    p.setUserPalette(d.palette->data()); // the reader keeps only non-decreasing palettes
  } else if (!*d.usePalette) {
    p.paletteFixed = false;
  }
}

void applyParameters(const PavParameters &params, PavViewState &v) {
  std::vector<PavPlaneEquation> clip = clippingPlanes(params), cap = cappingPlanes(params);
  const std::vector<PavPlaneEquation> &planes = clip.empty() ? cap : clip;
  if (!planes.empty()) {
    std::copy_n(planes[0].begin(), 4, v.cutPlane);
    v.hasCutPlane = true;
    v.options.CutOn = true;
    v.capping = clip.empty();
  }
  if (params.colormap) v.colormap = *params.colormap;
  if (params.displayField) v.vertexSolution = v.elementSolution = *params.displayField;
}

void applyParameterPalettes(const PavParameters &params, PavPalette &solution,
                            PavPalette &jacobian) {
  if (params.palette) solution.setUserPalette(params.palette->data());
  if (params.jacobianPalette) jacobian.setUserPalette(params.jacobianPalette->data());
  setIsolines(params.numberOfSubIsolines, params.isolines, solution);
  setIsolines(params.numberOfJacobianSubIsolines, params.jacobianIsolines, jacobian);
}

void applyParameterColours(const PavParameters &params, PavReferenceColours &colours) {
  if (params.refColor.empty()) return;
  std::vector<int32_t> rgb;
  rgb.reserve(params.refColor.size() * 3);
  for (const auto &c : params.refColor) rgb.insert(rgb.end(), c.begin(), c.end());
  colours.setUserTable((int)params.refColor.size(), rgb.data());
}

void setViewState(PavMeshViewer *viewer, const PavViewStateData &data) {
  applyViewStatePalette(data, viewer->meshScene.solutionPalette);
  // The box refits centre and scale: the file's own centre is applied after it.
  if (data.useBoundingBox && *data.useBoundingBox == 1 && data.boundingBox) {
    double box[6];
    std::copy(data.boundingBox->begin(), data.boundingBox->end(), box);
    viewer->setBoundingBox(box);
  }
  applyViewStateData(data, viewer->view);
}

void applyViewState(PavMeshViewer *viewer, const PavViewStateData &data) {
  setViewState(viewer, data);
  // The scene building reads the view state: the cut, the field shown and the hidden references.
  // The file's view is this window's own: the linked windows are not told.
  viewer->refresh(PavChange::Cut | PavChange::Fields | PavChange::Hidden | PavChange::Unlinked,
                  PavRedraw::Later);
}

bool applyViewState(PavMeshViewer *viewer, const std::string &name, PavViewStateData *read) {
  PavViewStateData data;
  PavFileMessages messages;
  if (!readViewStateFile(name.c_str(), data, messages)) return false;
  applyViewState(viewer, data);
  if (read) *read = data;
  return true;
}

} // namespace pavo
