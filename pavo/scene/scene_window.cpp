#include "scene/scene_window.h"

#include "scene/screenshot.h"

#include <QDateTime>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions_4_0_Core>
#include <QSet>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace pavo {

namespace {

// The overlay text program: glyph quads in window pixels, coverage from the atlas's red channel.
const char *const kTextVertex = R"(#version 400
layout(location = 0) in vec3 vert;
layout(location = 1) in vec2 textuv;
uniform mat4 ortho;
uniform bool fronttext;
out vec2 uv;
void main() {
  vec3 p = vert;
  if (fronttext) p.z = 0.0;
  gl_Position = ortho * vec4(p, 1.0);
  uv = textuv;
}
)";

const char *const kTextFragment = R"(
in vec2 uv;
uniform sampler2D text;
uniform vec3 writecolor;
uniform bool sampletext;
out vec4 color;
void main() {
  float a = texture(text, uv).r;
  if (sampletext) {
    if (a < 0.3) discard;
    color = vec4(writecolor, 1.0);
  } else {
    color = vec4(writecolor, a);
  }
}
)";

const QList<PavDrawObject *> kNoObjects;

long nowMs() { return (long)QDateTime::currentMSecsSinceEpoch(); }

} // namespace

std::string paletteTitle(PavFieldKind kind, bool atVertices, int index, int count, bool quality,
                         bool minimalJacobian) {
  char buf[128];
  switch (kind) {
  case PavFieldKind::Solution:
    if (count > 1)
      snprintf(buf, sizeof buf, "Solution at %s %d of %d", atVertices ? "Vertices" : "Elements",
               index, count);
    else
      snprintf(buf, sizeof buf, "Solution at %s", atVertices ? "Vertices" : "Elements");
    return buf;
  case PavFieldKind::Value:
    return quality ? "Quality" : "Values";
  case PavFieldKind::Jacobian:
    return minimalJacobian ? "Minimal Jacobian" : "Normalized Jacobian";
  }
  return std::string();
}

std::string planeEquationText(const double eq[4]) {
  // Built term by term as users have always read it: the first coefficient with its sign, the
  // others as " + " or " - " followed by their magnitude.
  char buf[64];
  std::string s = "Eqn: ";
  snprintf(buf, sizeof buf, " %3.2fx ", eq[0]);
  s += buf;
  const char *const terms[3] = {"%3.2fy ", "%3.2fz ", "%3.2f "};
  for (int i = 1; i < 4; i++) {
    s += eq[i] < 0 ? " - " : " + ";
    snprintf(buf, sizeof buf, terms[i - 1], std::fabs(eq[i]));
    s += buf;
  }
  s += " = 0";
  return s;
}

PavSceneWindow::PavSceneWindow(QWindow *parent) : OpenGLWindow(parent) {
  connect(&timer, &QTimer::timeout, this, &PavSceneWindow::animate);
}

PavSceneWindow::~PavSceneWindow() {
  // GL names die with the context; only the CPU side is freed here.
  clearScene();
}

// ---- Registry ----

void PavSceneWindow::addObject(PavDrawObject *object) {
  if (!object) return;
  if (buffers.contains(object)) {
    if (object->type != DrawCutPlane)
      printf(" warning : addObject: object %p of type %s already in scene \n", (void *)object,
             pavDrawType2String(object->type));
    return;
  }
  buffers.insert(object, nullptr);
  objectsByType[(int)object->type].append(object);
}

void PavSceneWindow::removeObject(PavDrawObject *object) {
  if (!object || !buffers.contains(object)) {
    printf(" warning : removeObject: object %p of type %s is not present in the scene \n",
           (void *)object, object ? pavDrawType2String(object->type) : "Unknown ");
    return;
  }
  buffers.remove(object);
  auto it = objectsByType.find((int)object->type);
  if (it != objectsByType.end()) {
    it->removeAll(object);
    if (it->isEmpty()) objectsByType.erase(it);
  }
  solutions.remove(object);
  jacobians.remove(object);
  values.remove(object);
}

void PavSceneWindow::clearScene() {
  QSet<PavDrawObject *> owned;
  for (auto it = buffers.begin(); it != buffers.end(); ++it) owned.insert(it.key());
  for (auto *map : {&solutions, &jacobians, &values})
    for (PavDrawField *f : *map) owned.insert(f);
  buffers.clear();
  objectsByType.clear();
  solutions.clear();
  jacobians.clear();
  values.clear();
  for (PavDrawObject *o : owned) delete o;
  bool hadFields = solOn || jacOn || valOn;
  solOn = hasSolution = jacOn = valOn = false;
  solDeg = jacDeg = 0;
  if (hadFields) resetShaders();
}

bool PavSceneWindow::contains(const PavDrawObject *object) const {
  return buffers.contains(const_cast<PavDrawObject *>(object));
}

const QList<PavDrawObject *> &PavSceneWindow::objectsOfType(uint32_t type) const {
  auto it = objectsByType.find((int)type);
  return it == objectsByType.end() ? kNoObjects : *it;
}

int PavSceneWindow::objectCount() const { return buffers.size(); }

PavDrawField *PavSceneWindow::fieldOf(PavFieldKind kind, const PavDrawObject *target) const {
  const auto &map = kind == PavFieldKind::Solution   ? solutions
                    : kind == PavFieldKind::Jacobian ? jacobians
                                                     : values;
  return map.value(target, nullptr);
}

bool PavSceneWindow::attachField(PavFieldKind kind, PavDrawField *field, PavDrawObject *object,
                                 const float *data, int64_t nbrEnt, int nbrNod, bool atVertices) {
  int deg = checkFieldAttach(kind, field, object, nbrEnt, nbrNod);
  if (deg < 0) return false;
  if (kind == PavFieldKind::Solution && !buffers.contains(object)) {
    printf(" warning : attachData solution: object %p of type %s is not present in the scene \n",
           (void *)object, pavDrawType2String(object->type));
    return false;
  }
  auto &map = kind == PavFieldKind::Solution   ? solutions
              : kind == PavFieldKind::Jacobian ? jacobians
                                               : values;
  map.insert(object, field);
  field->degree = deg;
  field->atVertices = atVertices;
  // The first field of a kind switches its definition on in every program.
  bool &on = kind == PavFieldKind::Solution   ? solOn
             : kind == PavFieldKind::Jacobian ? jacOn
                                              : valOn;
  if (!on) {
    resetShaders();
    on = true;
  }
  if (kind == PavFieldKind::Solution) {
    hasSolution = true;
    if (deg > solDeg) {
      solDeg = deg;
      resetShaders();
    }
  } else if (kind == PavFieldKind::Jacobian && deg > jacDeg) {
    jacDeg = deg;
    resetShaders();
  }
  if (!buffers.contains(object)) {
    printf(" warning : attachData: object %p of type %s is not present in the scene \n",
           (void *)object, pavDrawType2String(object->type));
    return false;
  }
  (void)data;
  return true;
}

bool PavSceneWindow::attachData(PavDrawSolution *solution, PavDrawObject *object, const float *data,
                                int64_t nbrEnt, int nbrNod, bool atVertices) {
  return attachField(PavFieldKind::Solution, solution, object, data, nbrEnt, nbrNod, atVertices);
}

bool PavSceneWindow::attachData(PavDrawJacobian *jacobian, PavDrawObject *object, const float *data,
                                int64_t nbrEnt, int nbrNod) {
  return attachField(PavFieldKind::Jacobian, jacobian, object, data, nbrEnt, nbrNod, false);
}

bool PavSceneWindow::attachData(PavDrawValue *value, PavDrawObject *object, const float *data,
                                int64_t nbrEnt, int nbrNod) {
  return attachField(PavFieldKind::Value, value, object, data, nbrEnt, nbrNod, false);
}

bool PavSceneWindow::attachData(PavDrawObject *object, int nbrVer, const float *xyz, int nbrElt,
                                const int *elt) {
  if (!object || !buffers.contains(object)) {
    printf(" warning : attachData: object %p of type %s is not present in the scene \n",
           (void *)object, object ? pavDrawType2String(object->type) : "Unknown ");
    return false;
  }
  if (nbrVer <= 0 || !xyz || nbrElt < 0 || (nbrElt > 0 && !elt)) return false;
  object->count = nbrElt;
  return true;
}

void PavSceneWindow::resetShaders() {
  bool current = gl && glContext() && QOpenGLContext::currentContext() == glContext();
  for (int i = 0; i < kSceneProgramCount; i++) {
    if (!built[i]) continue;
    if (current) programs[i].release();
    built[i] = false;
  }
}

// ---- Camera ----

void PavSceneWindow::fitBoundingBox(const double b[6]) {
  sceneCentre = QVector3D((float)(0.5 * (b[0] + b[1])), (float)(0.5 * (b[2] + b[3])),
                          (float)(0.5 * (b[4] + b[5])));
  double dx = b[1] - b[0], dy = b[3] - b[2], dz = b[5] - b[4];
  double r = 0.5 * std::sqrt(dx * dx + dy * dy + dz * dz);
  sceneScale = r > 0 && std::isfinite(r) ? (float)(1.0 / r) : 1.0f;
}

int PavSceneWindow::deviceWidth() const { return (int)(width() * devicePixelRatio()); }
int PavSceneWindow::deviceHeight() const { return (int)(height() * devicePixelRatio()); }

PavCameraMatrices PavSceneWindow::matrices() const {
  return cameraMatrices(trackball, sceneCentre, sceneScale, fovy, deviceWidth(), deviceHeight());
}

void PavSceneWindow::wheelEvent(QWheelEvent *event) {
  QPoint d = event->angleDelta();
  if (acceptsInteraction && (d.x() != 0 || d.y() != 0)) {
    fovy = fovyAfterWheel(fovy, d.y());
    renderNow();
  }
  event->accept();
}

void PavSceneWindow::mousePressEvent(QMouseEvent *event) {
  dragMode =
      event->button() == Qt::MiddleButton ? PavTrackball::Translation : PavTrackball::Rotation;
  trackball.push(QPointF(std::round(event->localPos().x()), std::round(event->localPos().y())),
                 width(), height(), nowMs());
  event->accept();
}

void PavSceneWindow::mouseReleaseEvent(QMouseEvent *event) {
  trackball.release();
  event->accept();
}

void PavSceneWindow::mouseMoveEvent(QMouseEvent *event) {
  QPointF p(std::round(event->localPos().x()), std::round(event->localPos().y()));
  bool changed = false;
  if (event->buttons() & Qt::MiddleButton)
    changed = trackball.move(p, width(), height(), nowMs(), PavTrackball::Translation);
  else if (event->buttons() & Qt::LeftButton)
    changed = trackball.move(p, width(), height(), nowMs(), PavTrackball::Rotation);
  if (!changed) return;
  renderNow();
  for (PavSceneWindow *w : linkedRotation) {
    if (!w || w == this) continue;
    w->trackball.rotation = trackball.rotation;
    w->renderNow();
  }
  for (PavSceneWindow *w : linkedTranslation) {
    if (!w || w == this) continue;
    // The translation is in units of this scene's radius; the other scene has its own.
    w->trackball.translation = trackball.translation * (w->sceneScale / sceneScale);
    w->renderNow();
  }
}

void PavSceneWindow::animate() { renderLater(); }

// ---- Context ----

void PavSceneWindow::initialize() {
  OpenGLWindow::initialize();
  gl = glContext() ? glContext()->versionFunctions<QOpenGLFunctions_4_0_Core>() : nullptr;
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
  if (!displayEnabled) return;
  setFixedGLState(gl);
  for (GlslProgram &p : programs) p.setGLFunctions(gl);
  textProgram.setGLFunctions(gl);
  textReady = text.init(gl, 48);
}

void PavSceneWindow::render() {
  if (!displayEnabled || !gl) return;
  PavCameraMatrices m = matrices();
  gl->glViewport(0, 0, deviceWidth(), deviceHeight());
  // The picking pass clears to id 0; the frame to the background colour.
  float bg = pickingPass ? 0.0f : (whiteBackground ? 1.0f : 0.0f);
  gl->glClearColor(bg, bg, bg, pickingPass ? 0.0f : 1.0f);
  gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  long start = nowMs();
  picks.clear();
  int counter = 1; // 0 is the background
  for (auto it = objectsByType.constBegin(); it != objectsByType.constEnd(); ++it)
    if (!it->isEmpty()) renderType((uint32_t)it.key(), *it, m, &counter);
  if (!pickingPass && options.TextOn) renderOverlay(m);
  long dt = nowMs() - start;
  lastFps = dt > 0 ? 1000.0 / (double)dt : lastFps;
}

int64_t PavSceneWindow::renderType(uint32_t type, const QList<PavDrawObject *> &list,
                                   const PavCameraMatrices &, int *pickCounter) {
  int64_t n = 0;
  for (PavDrawObject *o : list) {
    PavBufferObject *b = buffers.value(o, nullptr);
    if (!b) {
      // Objects the scene cannot draw yet still hold their picking ids.
      if (type != DrawSolution) picks.append(PavPickEntry(o, *pickCounter));
      continue;
    }
    n += o->count;
    *pickCounter += o->count;
  }
  return n;
}

PavOverlayTexts PavSceneWindow::overlayTexts() const {
  PavOverlayTexts t;
  char buf[64];
  snprintf(buf, sizeof buf, "FPS: %2.2f", lastFps);
  t.fps = buf;
  // The first field found names the palette: solution, then value, then Jacobian.
  const PavDrawField *field = nullptr;
  for (const auto *map : {&solutions, &values, &jacobians})
    if (!field && !map->isEmpty()) field = map->constBegin().value();
  if (field && field->paletteSet) {
    t.title = paletteTitle(field->fieldKind, field->atVertices, 1, 1);
    for (float v : field->palette) {
      snprintf(buf, sizeof buf, "%1.5lg", (double)v);
      t.values.push_back(buf);
    }
  }
  if (cutPlane && options.CutOn) t.plane = planeEquationText(cutPlane);
  return t;
}

void PavSceneWindow::renderOverlay(const PavCameraMatrices &) {
  if (!textReady) return;
  if (!textProgramBuilt) {
    GlslFlags none;
    textProgram.compileShaderFromString(none, "TextSha", kTextVertex, GlslVertex);
    textProgram.compileShaderFromString(none, "TextSha", kTextFragment, GlslFragment);
    textProgramBuilt = textProgram.link();
    if (!textProgramBuilt) {
      printf("  ## ERROR: text program: %s\n", textProgram.getLog().c_str());
      textReady = false;
      return;
    }
  }
  int w = deviceWidth(), h = deviceHeight();
  QMatrix4x4 ortho;
  ortho.ortho(0, (float)w, 0, (float)h, -1, 1);
  textProgram.use();
  textProgram.setUniform("ortho", ortho);
  textProgram.setUniform("fronttext", true);
  textProgram.setUniform("sampletext", false);
  gl->glDisable(GL_DEPTH_TEST);
  // Dark text on a light background and the reverse.
  float grey = whiteBackground ? 0.05f : 0.95f;
  const float colour[3] = {grey, grey, grey};
  float scale = (float)devicePixelRatio() * 0.4f;
  float line = 48 * scale * 1.3f, x = 12 * scale, y = (float)h - line;
  PavOverlayTexts t = overlayTexts();
  text.renderText(PavFont::Regular, t.fps.c_str(), x, y, scale, colour);
  if (!t.title.empty()) {
    y -= line;
    text.renderText(PavFont::SemiBold, t.title.c_str(), x, y, scale, colour);
    for (const std::string &v : t.values) {
      y -= line;
      text.renderText(PavFont::Regular, v.c_str(), x, y, scale, colour);
    }
  }
  if (!t.plane.empty())
    text.renderText(PavFont::Regular, t.plane.c_str(), x, 12 * scale, scale, colour);
  gl->glEnable(GL_DEPTH_TEST);
}

// ---- Picking, information, screenshots ----

void PavSceneWindow::performPicking(int x, int y, int *id, int mode) {
  if (id) *id = 0;
  if (mode == 2) {
    printf("performpicking isoline\n");
    return;
  }
  if (!gl || !isExposed()) return;
  updateContext(); // makes the context current
  GLuint previous = glContext()->defaultFramebufferObject();
  if (!pickingFb.create(gl, deviceWidth(), deviceHeight(), previous)) return;
  if (mode != 1 && mode != 3) return;
  gl->glBindFramebuffer(GL_FRAMEBUFFER, pickingFb.framebuffer);
  gl->glDisable(GL_BLEND);
  pickingPass = true;
  render();
  pickingPass = false;
  double ratio = devicePixelRatio();
  int px = (int)std::floor(x * ratio), py = pickingFb.height - (int)std::floor(y * ratio);
  uint8_t rgba[4] = {0, 0, 0, 0};
  if (px >= 0 && px < pickingFb.width && py >= 0 && py < pickingFb.height)
    gl->glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, previous);
  gl->glEnable(GL_BLEND);
  gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  if (id) *id = (int)composePickId(rgba);
}

void PavSceneWindow::printGLInfo(bool withExtensions) {
  if (!gl || !glContext()) return;
  pavo::printGLInfo(gl, glContext()->format().depthBufferSize(), devicePixelRatio(),
                    withExtensions);
}

void PavSceneWindow::checkGLError(const char *file, int line) {
  pavo::checkGLError(gl, file, line);
}

std::vector<uint8_t> PavSceneWindow::grabFrame(int *w, int *h) {
  *w = deviceWidth();
  *h = deviceHeight();
  if (!gl || !glContext()) return {};
  updateContext();
  return readFramebuffer(gl, glContext()->defaultFramebufferObject(), *w, *h);
}

void PavSceneWindow::screenshot(const char *name) {
  int w = 0, h = 0;
  std::vector<uint8_t> pixels = grabFrame(&w, &h);
  std::string file = screenshotFileName(name, (long)std::time(nullptr));
  if (!pixels.empty()) writeScreenshotFile(file, w, h, pixels.data());
  printf("\n  Screen shot done in file : %s \n", file.c_str());
}

} // namespace pavo
