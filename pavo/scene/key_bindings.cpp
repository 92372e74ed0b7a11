#include "scene/key_bindings.h"

#include <QQuaternion>
#include <Qt>
#include <algorithm>

namespace pavo {

namespace {

using R = PavKeyRequest;
using T = PavKeyTarget;

void request(T &t, R r) { t.effect.request = r; }
void change(T &t, PavChanges c) { t.effect.changes |= c; }

bool hasSolution(const T &t) {
  return t.facts.solutionAttached || t.facts.vertexSolutions || t.facts.elementSolutions;
}

// The SOL definition is derived from the field state; when it is off the programs must be rebuilt
// before a solution can show.
void needSolDefinition(T &t) {
  if (!t.facts.solDefinition) change(t, PavChange::Programs);
}

// m and o only switch uniforms once a solution is attached; without one of the chosen kind the
// fields are built.
void needSolution(T &t) {
  if (t.view.fieldMode != 0 && !t.facts.solutionAttached) change(t, PavChange::Fields);
}

void stepSolution(T &t, R r) {
  if (t.facts.solutionAttached) needSolDefinition(t);
  request(t, r);
}

void cycleSolOn(T &t) {
  if (!hasSolution(t)) return;
  needSolDefinition(t);
  t.view.options.SolOn = (t.view.options.SolOn + 1) % 3;
  if (t.view.fieldMode == 0 && (t.facts.vertexSolutions || t.facts.elementSolutions))
    t.view.fieldMode = t.facts.vertexSolutions ? 1 : 2;
  needSolution(t);
}

void cycleIsoOn(T &t) {
  if (!hasSolution(t)) return;
  needSolDefinition(t);
  t.view.options.IsoOn = (t.view.options.IsoOn + 1) % 3;
  needSolution(t);
}

void switchSolutionKind(T &t) {
  if (t.view.fieldMode != 2 && t.facts.elementSolutions)
    t.view.fieldMode = 2;
  else if (t.view.fieldMode == 2 && t.facts.vertexSolutions)
    t.view.fieldMode = 1;
  else
    return;
  change(t, PavChange::Fields);
}

void toggleJacobian(T &t, R compute) {
  t.view.options.JacOn = !t.view.options.JacOn;
  change(t, PavChange::Programs);
  if (t.view.options.JacOn) request(t, compute);
}

void translate(T &t, float dx, float dy) {
  const float d = (float)(0.001 * t.view.fovy);
  t.view.trackball.translation += QVector3D(dx * d, dy * d, 0);
  change(t, PavChange::Camera);
}

void lineWidth(T &t, float sign) {
  PavRenderOption &o = t.view.options;
  o.lineWidth = std::max(0.0f, o.lineWidth + sign * kLineWidthStep);
  o.edgeThickness = std::max(0.0f, o.edgeThickness + sign * kEdgeThicknessStep);
}

void tessellation(T &t, int step) {
  const int level = std::clamp(t.view.options.tessLevel + step, kMinTessLevel, kMaxTessLevel);
  t.view.options.tessLevel = (int8_t)level;
}

void zoom(T &t, double factor) {
  t.view.fovy = std::clamp(t.view.fovy * factor, kMinFovy, kMaxFovy);
  change(t, PavChange::Camera);
}

void defaultPlane(T &t) {
  t.view.hasCutPlane = true;
  t.view.cutPlane[0] = 1;
  t.view.cutPlane[1] = t.view.cutPlane[2] = 0;
  t.view.cutPlane[3] = -t.facts.boxCentre[0];
  change(t, PavChange::Cut);
}

void initialView(T &t) {
  setInitialView(t.view, t.switches.dimension,
                 QVector3D((float)t.facts.boxCentre[0], (float)t.facts.boxCentre[1],
                           (float)t.facts.boxCentre[2]));
  change(t, PavChange::Camera | PavChange::Centre);
}

void toggleCut(T &t) {
  if (t.switches.dimension != 3) return;
  PavRenderOption &o = t.view.options;
  o.CutOn = !o.CutOn;
  if (o.CutOn && !t.view.hasCutPlane) defaultPlane(t);
  change(t, PavChange::Cut);
}

// F2 and F4: enter the cut-plane mode, or leave it with capping off (F2) or on (F4).
void cutPlaneMode(T &t, bool cappingOnLeave) {
  if (t.switches.dimension != 3 || !t.view.cutActive()) return;
  if (t.switches.cutPlaneMode) {
    t.switches.cutPlaneMode = false;
    t.view.capping = cappingOnLeave;
    change(t, PavChange::Cut);
  } else {
    t.switches.cutPlaneMode = true;
  }
}

void toggleCapping(T &t) {
  if (t.switches.dimension != 3 || !t.view.cutActive() || t.switches.cutPlaneMode) return;
  t.view.capping = !t.view.capping;
  change(t, PavChange::Cut);
}

void shrink(T &t, float value) {
  // A uniform of every face program; the clipped faces follow it in the redraw.
  t.view.options.shrink = std::clamp(value, kMinShrink, kMaxShrink);
}

void toggleShrink(T &t) { shrink(t, t.view.options.shrink < 1.0f ? 1.0f : kShrunk); }

void cycleColormap(T &t) {
  if (t.facts.colormapCount < 1) return;
  // The fields' own map (-1) is the first one (rainbow): K goes on to the second.
  const int next = std::max(t.view.colormap, 0) + 1;
  t.view.colormap = next >= t.facts.colormapCount ? 0 : next;
  change(t, PavChange::Colours | PavChange::Fields);
}

#define ACT(body) +[](T &t) { body; }

const std::vector<PavKeyBinding> kTable = {
    {Qt::Key_Left, 0, "Arrows: translate view ", ACT(translate(t, 1, 0)), "", ""},
    {Qt::Key_Right, 0, "", ACT(translate(t, -1, 0)), "", ""},
    {Qt::Key_Down, 0, "", ACT(translate(t, 0, 1)), "", ""},
    {Qt::Key_Up, 0, "", ACT(translate(t, 0, -1)), "", ""},
    {Qt::Key_Space, 0, "Space: screenshot current view ", ACT(request(t, R::Screenshot)), "", ""},
    {0, '+', "+/-: inscrease/decrease lines width ", ACT(lineWidth(t, 1)), "", ""},
    {0, '-', "", ACT(lineWidth(t, -1)), "", ""},
    {0, '<', "</>: display previous/next solution ", ACT(stepSolution(t, R::PreviousSolution)), "",
     ""},
    {0, '>', "", ACT(stepSolution(t, R::NextSolution)), "", ""},
    {0, 'A', "A: show FPS ",
     ACT(t.switches.animation = !t.switches.animation; request(t, R::Animation)), "", ""},
    {0, 'b', "b: show background ",
     ACT(t.view.whiteBackground = !t.view.whiteBackground; change(t, PavChange::Colours)), "", ""},
    {0, 'B', "B: show box ", ACT(t.switches.showBox = !t.switches.showBox), "", ""},
    {0, 'c', "c: show scene center ",
     ACT(t.switches.showSceneCentre = !t.switches.showSceneCentre; request(t, R::ShowSceneCentre)),
     "", ""},
    {0, 'C', "C: enable/disable capping ", ACT(toggleCapping(t)), "", ""},
    {0, 'd', "d: discard everything other than picked item ",
     ACT(t.view.options.DiscardUnPicked = !t.view.options.DiscardUnPicked), "&Discard Unpicked",
     ""},
    {0, 'D', "D: show points number ",
     ACT(t.switches.showPointNumbers = !t.switches.showPointNumbers; change(t, PavChange::Numbers)),
     "&Show Vertices numbers", ""},
    {0, 'e', "e: (de)activate transparency ",
     ACT(t.view.options.TransOn = !t.view.options.TransOn; change(t, PavChange::Colours)), "", ""},
    {0, 'E', "E: show edges ", ACT(t.view.options.EdgeOn = !t.view.options.EdgeOn), "", ""},
    {0, 'f', "f: change rendering  ",
     ACT(t.view.options.setRenderMode(t.view.options.renderMode() + 1);
         change(t, PavChange::Colours)),
     "", ""},
    {0, 'g', "g: show corners ",
     ACT(t.switches.showCorners = !t.switches.showCorners; change(t, PavChange::Corners)), "", ""},
    {0, 'i', "i: initial view ", ACT(initialView(t)), "", ""},
    {0, 'j', "j: show jacobian ", ACT(toggleJacobian(t, R::ComputeJacobian)), "", ""},
    {0, 'J', "J: jacobian isolines ", ACT(toggleJacobian(t, R::ComputeJacobianMinimal)), "", ""},
    {0, 'k', "k: change dimension (2/3) ",
     ACT(t.switches.dimension = t.switches.dimension == 2 ? 3 : 2), "", ""},
    {0, 'l', "l: show mesh edges ",
     ACT(if (!t.view.options.TessOn) t.view.options.LineOn = !t.view.options.LineOn), "", ""},
    {0, 'L', "L: show high-order tessellation ",
     ACT(t.view.options.TessOn = !t.view.options.TessOn), "", ""},
    {0, 'm', "m: show solution ", ACT(cycleSolOn(t)), "", ""},
    {0, 'M', "M: show metrix solution ",
     ACT(t.switches.showMetric = !t.switches.showMetric; change(t, PavChange::Metric)), "", ""},
    {0, 'n', "n: change type of solution (vertices/elements) ", ACT(switchSolutionKind(t)), "", ""},
    {0, 'N', "N: show in/out orientation ",
     ACT(t.view.options.CheckInOut = !t.view.options.CheckInOut), "", ""},
    {0, 'o', "o: show isolines ", ACT(cycleIsoOn(t)), "", ""},
    {0, 'p', "p: show palette ", ACT(t.view.options.PalOn = !t.view.options.PalOn), "", ""},
    {Qt::Key_Q, 0, "q: quit Pavo ", ACT(request(t, R::Quit)), "", ""},
    {0, 'r', "r: change shading rendering ",
     ACT(t.view.options.UsePhong = (uint8_t)((t.view.options.UsePhong + 1) % 4)), "", ""},
    {0, 's', "s/S: suppres/unsuppress surfaces ",
     ACT(request(t, R::SuppressPicked); change(t, PavChange::Colours)), "", ""},
    {0, 'S', "", ACT(request(t, R::RestoreSuppressed); change(t, PavChange::Colours)), "", ""},
    {0, 't', "t/T: increase/decrease tessellation  ", ACT(tessellation(t, 1)), "", ""},
    {0, 'T', "", ACT(tessellation(t, -1)), "", ""},
    {0, 'u', "u: show text ", ACT(t.view.options.TextOn = !t.view.options.TextOn), "", ""},
    {0, 'U', "U: show cut plane ", ACT(t.switches.showCutPlane = !t.switches.showCutPlane), "", ""},
    {0, 'v', "v: hide / show volume elements ",
     ACT(t.view.options.HideVolOn = !t.view.options.HideVolOn), "", ""},
    {0, 'V', "V: center scene to picked element ",
     ACT(request(t, R::CentreOnPicked); change(t, PavChange::Camera | PavChange::Centre)), "", ""},
    {0, 'w', "w: save data configuration  ", ACT(request(t, R::SaveView)), "&Write Data file", ""},
    {0, 'Y', "Y: show mesh edges in surfaces ",
     ACT(t.view.options.LineSurfOn = !t.view.options.LineSurfOn), "", ""},
    {0, 'z', "z/Z: zoom in/out  ", ACT(zoom(t, 0.9)), "", ""},
    {0, 'Z', "", ACT(zoom(t, 1.1)), "", ""},
    {Qt::Key_F1, 0, "F1: (de)activate plane cut ", ACT(toggleCut(t)), "", ""},
    {Qt::Key_F2, 0, "F2: clipping ", ACT(cutPlaneMode(t, false)), "", ""},
    {Qt::Key_F3, 0, "F3: reset cut plane ", ACT(defaultPlane(t)), "", ""},
    {Qt::Key_F4, 0, "F4: capping ", ACT(cutPlaneMode(t, true)), "", ""},
    {Qt::Key_F5, 0, "F5: (de)activate shrink ", ACT(toggleShrink(t)), "", ""},
    {Qt::Key_F6, 0, "F6/F7: Increase/decrease shrinking value",
     ACT(shrink(t, t.view.options.shrink - kShrinkStep)), "", ""},
    {Qt::Key_F7, 0, "", ACT(shrink(t, t.view.options.shrink + kShrinkStep)), "", ""},
    // Keys the list does not show.
    {Qt::Key_Escape, 0, "", ACT(request(t, R::Quit)), "", ""},
    {Qt::Key_Return, 0, "", ACT(if (t.facts.multiPickingActive) request(t, R::FinishMultiPicking)),
     "", ""},
    {Qt::Key_Enter, 0, "", ACT(if (t.facts.multiPickingActive) request(t, R::FinishMultiPicking)),
     "", ""},
    {Qt::Key_F12, 0, "", ACT(toggleShrink(t)), "", ""},
    // a: orientation axes; P: hide the surfaces (volumes and edges stay).
    {0, 'a', "", ACT(t.view.options.AxisOn = !t.view.options.AxisOn), "", "Axis Pref"},
    {0, 'P', "", ACT(t.view.options.HideSurfOn = !t.view.options.HideSurfOn), "", ""},
    // F: centre the scene on its bounding box again, keeping rotation and zoom.
    {0, 'F', "",
     ACT(t.view.trackball.translation = QVector3D();
         t.view.sceneCentre = QVector3D((float)t.facts.boxCentre[0], (float)t.facts.boxCentre[1],
                                        (float)t.facts.boxCentre[2]);
         change(t, PavChange::Camera | PavChange::Centre)),
     "", ""},
    // G: the shown part of vector fields: length, then x, y and z components.
    {0, 'G', "", ACT(t.view.vectorMode = (t.view.vectorMode + 1) % 4; change(t, PavChange::Fields)),
     "", ""},
    // K: next colour map for every field (after the last: each field's own).
    {0, 'K', "", ACT(cycleColormap(t)), "", ""},
};

#undef ACT

} // namespace

const std::vector<PavKeyBinding> &keyBindings() { return kTable; }

void setInitialView(PavViewState &view, int dimension, const QVector3D &centre) {
  view.trackball.rotation =
      dimension == 2 ? QQuaternion() : QQuaternion::fromEulerAngles(-60.0f, 0.0f, -120.0f);
  view.trackball.translation = QVector3D();
  view.sceneCentre = centre;
  view.fovy = kInitialFovy;
  view.light = kDefaultLight;
}

const PavKeyBinding *findKeyBinding(int qtKey, const std::string &text) {
  if (qtKey != 0)
    for (const PavKeyBinding &b : kTable)
      if (b.qtKey == qtKey) return &b;
  if (text.size() == 1)
    for (const PavKeyBinding &b : kTable)
      if (b.text != 0 && b.text == text[0]) return &b;
  return nullptr;
}

PavKeyEffect applyKey(int qtKey, const std::string &text, PavViewState &view,
                      PavSceneSwitches &switches, const PavKeyFacts &facts) {
  PavKeyEffect effect;
  const PavKeyBinding *b = findKeyBinding(qtKey, text);
  if (!b) return effect;
  PavKeyTarget target{view, switches, facts, effect};
  b->action(target);
  effect.handled = true;
  return effect;
}

std::string shortcutListText() {
  // The descriptions are plain text inside HTML: "</>" must show as written, not as markup.
  auto escaped = [](const char *text) {
    std::string s;
    for (const char *c = text; *c; c++)
      s += *c == '<' ? "&lt;" : *c == '>' ? "&gt;" : *c == '&' ? "&amp;" : std::string(1, *c);
    return s;
  };
  std::string out = "<ul>";
  for (const PavKeyBinding &b : kTable)
    if (b.description[0]) out += "<li>" + escaped(b.description) + "</li>";
  return out + "</ul>";
}

} // namespace pavo
