#include "scene/scene_window.h"

#include "app_messages.h"
#include "render/field_packing.h"
#include "scene/screenshot.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace pavo {

PavSceneWindow::PavSceneWindow(QWindow *parent)
    : OpenGLWindow(parent),
      renderer(PavSceneSource{
          model, view, switches, referenceColours, labels, cornerPoints, textHeight,
          [this] { return makeContextCurrent(); }, [this] { return deviceWidth(); },
          [this] { return deviceHeight(); }, [this] { return devicePixelRatio(); },
          [this](double box[6]) { boundingBox(box); },
          [this](const PavDrawField &field) { return fieldTitle(field); },
          [this](const PavDrawObject *o, const QMatrix4x4 &mvp) { return closedSideOf(o, mvp); }}) {
  connect(&timer, &QTimer::timeout, this, &PavSceneWindow::animate);
}

PavSceneWindow::~PavSceneWindow() {
  // The context still exists here: every GL name is released with it current.
  renderer.release();
  model.clear();
}

// ---- Registry ----

PavDrawObject *PavSceneWindow::addObject(std::unique_ptr<PavDrawObject> object) {
  if (!object) return nullptr;
  if (model.contains(object.get())) {
    if (object->type != DrawCutPlane)
      appMessage(" warning : addObject: object %p of type %s already in scene \n",
                 (void *)object.get(), pavDrawType2String(object->type));
    (void)object.release(); // the scene owns it already
    return nullptr;
  }
  PavDrawObject *raw = model.add(std::move(object));
  renderer.addBuffer(raw);
  return raw;
}

std::unique_ptr<PavDrawObject> PavSceneWindow::removeObject(const PavDrawObject *object) {
  if (!object || !model.contains(object)) {
    appMessage(" warning : removeObject: object %p of type %s is not present in the scene \n",
               (const void *)object, object ? pavDrawType2String(object->type) : "Unknown ");
    return nullptr;
  }
  renderer.removeBuffer(object);
  return model.take(object);
}

void PavSceneWindow::clearScene() {
  renderer.clearBuffers();
  model.clear();
}

int64_t PavSceneWindow::setGlyphs(PavGlyphKind kind, const PavGlyphMesh &mesh) {
  return renderer.setGlyphs(kind, mesh);
}

int64_t PavSceneWindow::glyphTriangles(PavGlyphKind kind) const {
  return renderer.glyphTriangles(kind);
}

PavDrawField *PavSceneWindow::fieldOf(PavFieldKind kind, const PavDrawObject *target) const {
  return model.field(kind, target);
}

bool PavSceneWindow::attachField(std::unique_ptr<PavDrawField> field, PavDrawObject *object,
                                 const float *data, int64_t nbrEnt, int nbrNod, bool atVertices) {
  if (!field) {
    checkFieldAttach(PavFieldKind::Solution, nullptr, object, nbrEnt, nbrNod);
    return false;
  }
  const PavFieldKind kind = field->fieldKind;
  // A field per vertex is drawn as a first-order field per element over the same geometry.
  std::vector<float> perElement;
  if (atVertices && object) {
    if (!vertexFieldPerElement(object, data, nbrEnt, nbrNod, perElement)) return false;
    data = perElement.data();
    nbrEnt = object->count;
    nbrNod = (int)(perElement.size() / (size_t)object->count);
  }
  int deg = checkFieldAttach(kind, field.get(), object, nbrEnt, nbrNod);
  if (deg < 0) return false;
  // The target must be in the scene before the field becomes part of it.
  if (!model.contains(object)) {
    if (kind == PavFieldKind::Solution)
      appMessage(
          " warning : attachData solution: object %p of type %s is not present in the scene \n",
          (void *)object, pavDrawType2String(object->type));
    else
      appMessage(" warning : attachData: object %p of type %s is not present in the scene \n",
                 (void *)object, pavDrawType2String(object->type));
    return false;
  }
  field->degree = deg;
  field->atVertices = atVertices;
  PavDrawField *attached = model.attach(object, std::move(field));
  // A first solution is shown with its isolines.
  if (kind == PavFieldKind::Solution && view.options.SolOn == 0) {
    view.options.SolOn = 1;
    view.options.IsoOn = 1;
  }
  uploadField(attached, object, data, nbrEnt, nbrNod);
  return true;
}

bool PavSceneWindow::uploadField(PavDrawField *field, PavDrawObject *object, const float *data,
                                 int64_t nbrEnt, int nbrNod) {
  if (!field || !renderer.hasBuffer(object)) return false;
  std::vector<float> bezier;
  if (!packBezierField(object->type, nbrNod, nbrEnt, data, bezier)) return false;
  return renderer.recordField(object, field->fieldKind, std::move(bezier));
}

void PavSceneWindow::detachField(PavFieldKind kind, PavDrawObject *object) {
  if (!model.field(kind, object)) return;
  model.detach(kind, object);
  renderer.recordFieldRelease(object, kind);
}

bool PavSceneWindow::updateFieldValues(PavFieldKind kind, PavDrawObject *object, const float *data,
                                       int64_t nbrEnt, int nbrNod, bool atVertices) {
  PavDrawField *field = model.field(kind, object);
  if (!field) return false;
  std::vector<float> perElement;
  if (atVertices) {
    if (!vertexFieldPerElement(object, data, nbrEnt, nbrNod, perElement)) return false;
    data = perElement.data();
    nbrEnt = object->count;
    nbrNod = (int)(perElement.size() / (size_t)object->count);
  }
  int deg = checkFieldAttach(kind, field, object, nbrEnt, nbrNod);
  if (deg < 0) return false;
  field->degree = deg;
  field->atVertices = atVertices;
  return uploadField(field, object, data, nbrEnt, nbrNod);
}

bool PavSceneWindow::vertexFieldPerElement(const PavDrawObject *object, const float *data,
                                           int64_t nbrEnt, int nbrNod, std::vector<float> &out) {
  const PavSceneEntry *e = model.entry(object);
  if (!e) {
    appMessage(
        " warning : attachData solution: object %p of type %s is not present in the scene \n",
        (const void *)object, pavDrawType2String(object->type));
    return false;
  }
  PavDrawFamily family = pavDrawFamily(object->type);
  int corners = family == PavDrawFamily::Edge            ? 2
                : family == PavDrawFamily::Triangle      ? 3
                : family == PavDrawFamily::Quadrilateral ? 4
                                                         : 0;
  int nodes = corners ? PavDrawTyp2Siz(object->type) : 0;
  if (nodes < 1 || nbrNod != 1 || !data) {
    appMessage(" Invalid number of nodes for solution object\n");
    return false;
  }
  if (nbrEnt != e->nbrVer) {
    appMessage(" Invalid number of entities for solution object %lld != %d\n", (long long)nbrEnt,
               e->nbrVer);
    return false;
  }
  int64_t nbrElt = object->count;
  if (nbrElt < 1 || (int64_t)e->elt.size() != nbrElt * nodes) return false;
  std::vector<uint32_t> elt(e->elt.begin(), e->elt.end());
  return gatherVertexField(elt.data(), nbrElt, nodes, corners, data, nbrEnt, out);
}

bool PavSceneWindow::attachData(std::unique_ptr<PavDrawSolution> solution, PavDrawObject *object,
                                const float *data, int64_t nbrEnt, int nbrNod, bool atVertices) {
  if (!solution) {
    checkFieldAttach(PavFieldKind::Solution, nullptr, object, nbrEnt, nbrNod);
    return false;
  }
  return attachField(std::move(solution), object, data, nbrEnt, nbrNod, atVertices);
}

bool PavSceneWindow::attachData(std::unique_ptr<PavDrawJacobian> jacobian, PavDrawObject *object,
                                const float *data, int64_t nbrEnt, int nbrNod) {
  if (!jacobian) {
    checkFieldAttach(PavFieldKind::Jacobian, nullptr, object, nbrEnt, nbrNod);
    return false;
  }
  return attachField(std::move(jacobian), object, data, nbrEnt, nbrNod, false);
}

bool PavSceneWindow::attachData(std::unique_ptr<PavDrawValue> value, PavDrawObject *object,
                                const float *data, int64_t nbrEnt, int nbrNod) {
  if (!value) {
    checkFieldAttach(PavFieldKind::Value, nullptr, object, nbrEnt, nbrNod);
    return false;
  }
  return attachField(std::move(value), object, data, nbrEnt, nbrNod, false);
}

bool PavSceneWindow::attachData(PavDrawObject *object, int nbrVer, const float *xyz, int nbrElt,
                                const int *elt) {
  PavSceneEntry *e = object ? model.entry(object) : nullptr;
  if (!e) {
    appMessage(" warning : attachData: object %p of type %s is not present in the scene \n",
               (void *)object, object ? pavDrawType2String(object->type) : "Unknown ");
    return false;
  }
  if (nbrVer <= 0 || !xyz || nbrElt < 0 || (nbrElt > 0 && !elt)) return false;
  object->count = nbrElt;
  if (!renderer.hasBuffer(object)) {
    appMessage(" Virtual function updateVao called !!!! ");
    return false;
  }
  int k = PavDrawTyp2Siz(object->type);
  e->nbrVer = nbrVer;
  if (k > 0)
    e->elt.assign(elt, elt + (int64_t)nbrElt * k);
  else
    e->elt.clear();
  renderer.recordGeometry(object, e, nbrVer, xyz, nbrElt);
  return true;
}

bool PavSceneWindow::attachPolygonData(PavDrawObject *object, int nbrVer, const float *data,
                                       const unsigned *edgeTags, const float *normals) {
  if (!object || !model.contains(object)) {
    appMessage(" warning : attachData: object %p of type %s is not present in the scene \n",
               (void *)object, object ? pavDrawType2String(object->type) : "Unknown ");
    return false;
  }
  if (nbrVer <= 0 || nbrVer % 3 != 0 || !data || !edgeTags || !normals) return false;
  object->count = nbrVer / 3;
  if (!renderer.hasBuffer(object)) return false;
  renderer.recordPolygons(object, nbrVer, data, edgeTags, normals);
  return true;
}

bool PavSceneWindow::makeContextCurrent() {
  if (!renderer.functions() || !glContext()) return false;
  if (QOpenGLContext::currentContext() != glContext()) glContext()->makeCurrent(this);
  return true;
}

// ---- Camera ----

void PavSceneWindow::fitBoundingBox(const double b[6]) {
  view.sceneCentre = QVector3D((float)(0.5 * (b[0] + b[1])), (float)(0.5 * (b[2] + b[3])),
                               (float)(0.5 * (b[4] + b[5])));
  double dx = b[1] - b[0], dy = b[3] - b[2], dz = b[5] - b[4];
  double r = 0.5 * std::sqrt(dx * dx + dy * dy + dz * dz);
  view.sceneScale = r > 0 && std::isfinite(r) ? (float)(1.0 / r) : 1.0f;
}

int PavSceneWindow::deviceWidth() const { return (int)(width() * devicePixelRatio()); }
int PavSceneWindow::deviceHeight() const { return (int)(height() * devicePixelRatio()); }

PavCameraMatrices PavSceneWindow::matrices() const { return renderer.matrices(); }

void PavSceneWindow::animate() { renderLater(); }
void PavSceneWindow::boundingBox(double box[6]) const {
  // The cube around the scene's sphere (radius 1 / sceneScale).
  const double r = view.sceneScale > 0 ? 1.0 / view.sceneScale : 1.0;
  for (int i = 0; i < 3; i++) {
    box[2 * i] = (double)view.sceneCentre[i] - r;
    box[2 * i + 1] = (double)view.sceneCentre[i] + r;
  }
}

// ---- Context ----

void PavSceneWindow::initialize() {
  OpenGLWindow::initialize();
  auto *gl = glContext() ? glContext()->versionFunctions<QOpenGLFunctions_4_0_Core>() : nullptr;
  if (gl && !gl->initializeOpenGLFunctions()) gl = nullptr;
  GLint major = 0, minor = 0;
  if (gl) {
    gl->glGetIntegerv(GL_MAJOR_VERSION, &major);
    gl->glGetIntegerv(GL_MINOR_VERSION, &minor);
  } else {
    QSurfaceFormat f = glContext() ? glContext()->format() : QSurfaceFormat();
    major = f.majorVersion();
    minor = f.minorVersion();
  }
  displayEnabled = checkGLVersion(major, minor, exitOnGLFailure) && gl;
  if (displayEnabled) renderer.initialize(gl);
}

void PavSceneWindow::render() {
  if (!displayEnabled || !renderer.functions()) return;
  renderer.draw();
  emit frameDrawn();
}

std::string PavSceneWindow::fieldTitle(const PavDrawField &field) const {
  return paletteTitle(field.fieldKind, field.atVertices, 1, 1);
}

PavOverlayTexts PavSceneWindow::overlayTexts() const { return renderer.overlayTexts(); }

// ---- Picking, information, screenshots ----

void PavSceneWindow::performPicking(int x, int y, int *id, int mode) {
  if (id) *id = 0;
  if (mode == 2) {
    appMessage("performpicking isoline\n");
    return;
  }
  if (!renderer.functions() || !isExposed() || (mode != 1 && mode != 3)) return;
  updateContext(); // makes the context current
  const double ratio = devicePixelRatio();
  const uint32_t picked = renderer.pick((int)std::floor(x * ratio), (int)std::floor(y * ratio),
                                        glContext()->defaultFramebufferObject());
  if (id) *id = (int)picked;
}

void PavSceneWindow::printGLInfo(bool withExtensions) {
  if (!renderer.functions() || !glContext()) return;
  pavo::printGLInfo(renderer.functions(), glContext()->format().depthBufferSize(),
                    devicePixelRatio(), withExtensions);
}

void PavSceneWindow::checkGLError(const char *file, int line) {
  pavo::checkGLError(renderer.functions(), file, line);
}

std::vector<uint8_t> PavSceneWindow::grabFrame(int *w, int *h) {
  *w = deviceWidth();
  *h = deviceHeight();
  if (!renderer.functions() || !glContext()) return {};
  updateContext();
  return readFramebuffer(renderer.functions(), glContext()->defaultFramebufferObject(), *w, *h);
}

bool PavSceneWindow::screenshot(const char *name) {
  // After a swap the back buffer holds nothing defined: draw the frame again, unswapped.
  if (isExposed() && renderer.functions()) renderNowNoSwap();
  int w = 0, h = 0;
  std::vector<uint8_t> pixels = grabFrame(&w, &h);
  std::string file = screenshotFileName(name, (long)std::time(nullptr));
  if (pixels.empty()) {
    appError("ERROR: no screenshot %s: the window has no frame to read (%dx%d)\n", file.c_str(), w,
             h);
    return false;
  }
  if (!writeScreenshotFile(file, w, h, pixels.data())) return false;
  appMessage("\n  Screen shot done in file : %s \n", file.c_str());
  return true;
}

} // namespace pavo
