#include "render/scene_renderer.h"

#include "app_messages.h"
#include "render/glsl_catalogue.h"
#include "render/opengl_window.h"
#include "render/scene_marks.h"

#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pavo {

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

double frameRate(const std::deque<qint64> &starts) {
  if (starts.size() < 2) return 0.0;
  const qint64 span = starts.back() - starts.front();
  return span > 0 ? 1000.0 * (double)(starts.size() - 1) / (double)span : 0.0;
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

const char *programNameForType(uint32_t type) {
  static const char *const tri[4] = {"TriSha", "P2TriSha", "P3TriSha", "P4TriSha"};
  static const char *const triCustom[4] = {"TriCustomSha", "P2TriCustomSha", "P3TriCustomSha",
                                           "P4TriCustomSha"};
  static const char *const qua[4] = {"QuaSha", "Q2QuaSha", "Q3QuaSha", "Q4QuaSha"};
  static const char *const quaCustom[4] = {"QuaCustomSha", "Q2QuaCustomSha", "Q3QuaCustomSha",
                                           "Q4QuaCustomSha"};
  static const char *const edg[4] = {"EdgSha", "P2EdgSha", "P3EdgSha", "P4EdgSha"};
  int d = pavDrawTypeDegree(type) - 1;
  bool custom = type >= DrawCustomTriangle && type < DrawCustomTriangle + 8;
  switch (pavDrawFamily(type)) {
  case PavDrawFamily::Point:
    return type == DrawCorner ? "CrnSha" : "PntSha";
  case PavDrawFamily::Edge:
    return edg[d];
  case PavDrawFamily::Triangle:
    if (type == DrawVecTriangle) return "VecTriSha";
    return custom ? triCustom[d] : tri[d];
  case PavDrawFamily::Quadrilateral:
    return custom ? quaCustom[d] : qua[d];
  case PavDrawFamily::Polygon:
    return type == DrawPolyhedra ? "PolyhedraSha" : "PolygonSha";
  case PavDrawFamily::CutPlane:
    return "ClipSha";
  case PavDrawFamily::Palette:
    return "PalSha";
  case PavDrawFamily::Patch:
    return "PatSha";
  default:
    return nullptr;
  }
}

const char *flatProgramNameForType(uint32_t type) {
  static const char *const tri[3] = {"P2TriFlatSha", "P3TriFlatSha", "P4TriFlatSha"};
  static const char *const qua[3] = {"Q2QuaFlatSha", "Q3QuaFlatSha", "Q4QuaFlatSha"};
  const int d = pavDrawTypeDegree(type);
  const PavDrawFamily family = pavDrawFamily(type);
  if (d < 2 || d > 4 || type == DrawVecTriangle) return nullptr;
  if (family == PavDrawFamily::Triangle) return tri[d - 2];
  return family == PavDrawFamily::Quadrilateral ? qua[d - 2] : nullptr;
}

float flatTolerance(const QMatrix4x4 &mvp, float halfWidth, float halfHeight, int level) {
  // A pixel position is S r.xy(q) / r.w(q) for the rows r of mvp and S the half frame; its
  // derivative is the 2 x 3 matrix J = S (r.xy - ndc r.w) / r.w. Its largest singular value is
  // convex in ndc, so on the screen (|ndc| <= 1 per axis) it is largest at a corner; over the
  // sphere it is bounded by that over the smallest w of the sphere. (Row norms summed would
  // overestimate it by up to sqrt(2) plus the whole perspective term.)
  auto xyz = [](const QVector4D &r) { return QVector3D(r.x(), r.y(), r.z()); };
  const QVector3D rx = xyz(mvp.row(0)), ry = xyz(mvp.row(1)), rw = xyz(mvp.row(3));
  const float wMin = mvp.row(3).w() - rw.length();
  double widest = 0;
  for (int corner = 0; corner < 4; ++corner) {
    const QVector3D a = halfWidth * (rx - (corner & 1 ? 1.0f : -1.0f) * rw),
                    b = halfHeight * (ry - (corner & 2 ? 1.0f : -1.0f) * rw);
    const double aa = QVector3D::dotProduct(a, a), bb = QVector3D::dotProduct(b, b),
                 ab = QVector3D::dotProduct(a, b);
    widest = std::max(widest, 0.5 * (aa + bb) + std::hypot(0.5 * (aa - bb), ab));
  }
  const double mag = std::sqrt(widest) / wMin;
  if (!(wMin > 1e-3f) || !(mag > 0) || !std::isfinite(mag)) return -1;
  return (float)(1.5 / std::max(level, 1) / mag);
}

void paletteBarRect(int width, int height, double ratio, int rect[4]) {
  int margin = (int)std::lround(16 * ratio), thick = (int)std::lround(20 * ratio);
  int tall = height / 2;
  rect[2] = width - margin;
  rect[0] = rect[2] - thick;
  rect[1] = (height - tall) / 2;
  rect[3] = rect[1] + tall;
}

PavSceneRenderer::PavSceneRenderer(PavSceneSource s)
    : model(s.model), view(s.view), switches(s.switches), referenceColours(s.referenceColours),
      labels(s.labels), cornerPoints(s.cornerPoints), textHeight(s.textHeight),
      makeCurrent(std::move(s.makeCurrent)), deviceWidth(std::move(s.deviceWidth)),
      deviceHeight(std::move(s.deviceHeight)), devicePixelRatio(std::move(s.devicePixelRatio)),
      boundingBox(std::move(s.boundingBox)), fieldTitle(std::move(s.fieldTitle)),
      closedSideOf(std::move(s.closedSideOf)) {
  frameClock.start();
}

PavSceneRenderer::~PavSceneRenderer() { release(); }

void PavSceneRenderer::initialize(QOpenGLFunctions_4_0_Core *functions) {
  gl = functions;
  if (!gl) return;
  GLint viewport[2] = {0, 0}, renderbuffer = 0, texture = 0;
  gl->glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
  gl->glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
  gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
  largestSide = std::max(0, std::min({viewport[0], viewport[1], renderbuffer, texture}));
  setFixedGLState(gl);
  textProgram.setGLFunctions(gl);
  textReady = text.init(gl, 48);
}

void PavSceneRenderer::release() {
  clearBuffers();
  paletteBar.reset();
  axes.reset();
  marks.reset();
  markPoints.reset();
  marksShown.clear();
  markPointsShown.clear();
  resetShaders();
  if (gl && makeCurrent()) pickingFb.release(gl);
  pendingUploads.clear();
}

// ---- Buffers ----

void PavSceneRenderer::BufferRelease::operator()(PavBufferObject *b) const {
  if (!b) return;
  if (owner) {
    owner->dropUploads(b);
    if (owner->gl && owner->makeCurrent()) b->release(owner->gl);
  }
  delete b;
}

PavBufferObject *PavSceneRenderer::bufferOf(const PavDrawObject *object) const {
  auto it = buffers.find(object);
  return it == buffers.end() ? nullptr : it->second.get();
}

void PavSceneRenderer::addBuffer(const PavDrawObject *object) {
  if (PavBufferObject *b = createBufferObject(object)) buffers.emplace(object, makeBuffer(b));
}

void PavSceneRenderer::removeBuffer(const PavDrawObject *object) { buffers.erase(object); }

void PavSceneRenderer::clearBuffers() {
  buffers.clear();
  for (BufferHandle &g : glyphs) g.reset();
}

// ---- Uploads ----

void PavSceneRenderer::recordUpload(const PavBufferObject *b, UploadSlot slot,
                                    std::function<void()> upload) {
  pendingUploads[{b, int(slot)}] = std::move(upload);
}

void PavSceneRenderer::dropUploads(const PavBufferObject *b) {
  auto it = pendingUploads.lower_bound({b, 0});
  while (it != pendingUploads.end() && it->first.first == b) it = pendingUploads.erase(it);
}

bool PavSceneRenderer::flushUploads() {
  if (pendingUploads.empty()) return true;
  if (!gl || !makeCurrent()) return false;
  // Taken out first: an upload may record nothing new, but the map must not change under the walk.
  std::map<std::pair<const PavBufferObject *, int>, std::function<void()>> due;
  due.swap(pendingUploads);
  for (auto &u : due) u.second();
  return true;
}

void PavSceneRenderer::recordGeometry(const PavDrawObject *object, const PavSceneEntry *entry,
                                      int nbrVer, const float *xyz, int nbrElt) {
  PavBufferObject *b = bufferOf(object);
  if (!b || !entry) return;
  // The connectivity is the model's; the positions are kept only until they are uploaded.
  recordUpload(
      b, UploadSlot::Geometry,
      [this, b, entry, nbrVer, nbrElt, pos = std::vector<float>(xyz, xyz + 3 * int64_t(nbrVer))] {
        b->updateVao(gl, nbrVer, pos.data(), nbrElt,
                     entry->elt.empty() ? nullptr : entry->elt.data());
      });
}

void PavSceneRenderer::recordPolygons(const PavDrawObject *object, int nbrVer, const float *data,
                                      const unsigned *edgeTags, const float *normals) {
  PavBufferObject *b = bufferOf(object);
  if (!b) return;
  recordUpload(b, UploadSlot::Geometry,
               [this, b, nbrVer, corners = std::vector<float>(data, data + 5 * int64_t(nbrVer)),
                tags = std::vector<unsigned>(edgeTags, edgeTags + nbrVer),
                faces = std::vector<float>(normals, normals + nbrVer)] {
                 b->updateVaoPolygon(gl, nbrVer, corners.data(), tags.data(), faces.data());
               });
}

namespace {
// The fields of an object as the model holds them now go with its buffer: their palettes,
// isolines and degrees decide how it is drawn.
void linkFields(PavBufferObject *b, const PavSceneModel &model, const PavDrawObject *object) {
  const PavDrawField *sol = model.field(PavFieldKind::Solution, object);
  const PavDrawField *jac = model.field(PavFieldKind::Jacobian, object);
  const PavDrawField *val = model.field(PavFieldKind::Value, object);
  b->attachFields(sol, jac, val);
  b->setFieldDegrees(sol ? sol->degree : 0, jac ? jac->degree : 0, val ? val->degree : 0);
}
} // namespace

bool PavSceneRenderer::recordField(const PavDrawObject *object, PavFieldKind kind,
                                   std::vector<float> bezier) {
  PavBufferObject *b = bufferOf(object);
  if (!b) return false;
  linkFields(b, model, object);
  recordUpload(b, fieldSlot(kind), [this, b, kind, bezier = std::move(bezier)] {
    const int64_t n = (int64_t)bezier.size();
    b->updateFieldTextures(gl, kind == PavFieldKind::Solution ? n : 0, bezier.data(),
                           kind == PavFieldKind::Jacobian ? n : 0, bezier.data(),
                           kind == PavFieldKind::Value ? n : 0, bezier.data());
  });
  return true;
}

void PavSceneRenderer::recordFieldRelease(const PavDrawObject *object, PavFieldKind kind) {
  PavBufferObject *b = bufferOf(object);
  if (!b) return;
  linkFields(b, model, object);
  recordUpload(b, fieldSlot(kind), [this, b, kind] {
    if (kind == PavFieldKind::Solution) b->releaseSolution(gl);
    if (kind == PavFieldKind::Jacobian) b->releaseJacobian(gl);
    if (kind == PavFieldKind::Value) b->releaseValue(gl);
  });
}

int64_t PavSceneRenderer::setGlyphs(PavGlyphKind kind, const PavGlyphMesh &mesh) {
  BufferHandle &g = glyphs[(int)kind];
  if (mesh.empty() || mesh.rgb.size() != mesh.xyz.size()) {
    g.reset();
    return 0;
  }
  if (!g) g = makeBuffer(new PavBufferGlyph);
  auto *glyph = static_cast<PavBufferGlyph *>(g.get());
  const int64_t corners = mesh.corners();
  glyph->nbrElt = int(corners / 3);
  recordUpload(glyph, UploadSlot::Geometry, [this, glyph, corners, mesh] {
    glyph->upload(gl, corners, mesh.xyz.data(), mesh.rgb.data());
  });
  return glyph->nbrElt;
}

int64_t PavSceneRenderer::glyphTriangles(PavGlyphKind kind) const {
  const BufferHandle &g = glyphs[(int)kind];
  return g ? g->nbrElt : 0;
}

// ---- Programs ----

void PavSceneRenderer::resetShaders() {
  // The variants are dropped, so their names are released now, with the context current.
  const bool current = gl && makeCurrent();
  for (std::map<uint32_t, GlslProgram> &variants : programs) {
    if (current)
      for (auto &v : variants) v.second.release();
    variants.clear();
  }
}

PavCameraMatrices PavSceneRenderer::matrices() const {
  // The programs scale and move positions into the unit sphere themselves (scaling, trans): the
  // matrices hold the camera only.
  return cameraMatrices(view.trackball, QVector3D(), 1.0f, view.fovy, deviceWidth(),
                        deviceHeight());
}

// ---- Frame ----

void PavSceneRenderer::draw() {
  if (!gl) return;
  flushUploads();
  PavCameraMatrices m = matrices();
  gl->glViewport(0, 0, deviceWidth(), deviceHeight());
  // The picking pass clears to id 0; the frame to the background colour.
  float bg = pickingPass ? 0.0f : (view.whiteBackground ? 1.0f : 0.0f);
  gl->glClearColor(bg, bg, bg, pickingPass ? 0.0f : 1.0f);
  gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (!pickingPass) {
    // The frame rate is that of the frames drawn lately, not the time one frame took.
    frameStarts.push_back(frameClock.elapsed());
    while (frameStarts.size() > kRateFrames) frameStarts.pop_front();
    lastFps = frameRate(frameStarts);
  }
  picks.clear();
  if (cutActive())
    gl->glEnable(GL_CLIP_DISTANCE0);
  else
    gl->glDisable(GL_CLIP_DISTANCE0);
  int counter = 1; // 0 is the background
  frames++;
  frameCulling = closedCulling(m);
  frameFlatTol = flatTolerance(m.mvp, (float)deviceWidth() * 0.5f, (float)deviceHeight() * 0.5f,
                               view.options.tessLevel);
  const QMap<int, QList<PavDrawObject *>> &byType = model.byType();
  for (auto it = byType.constBegin(); it != byType.constEnd(); ++it)
    if (!it->isEmpty()) renderType((uint32_t)it.key(), *it, m, &counter);
  gl->glDisable(GL_CLIP_DISTANCE0);
  if (!pickingPass) renderGlyphs(m);
  if (!pickingPass) renderMarks(m);
  if (!pickingPass) renderPaletteBar(m);
  if (!pickingPass) renderAxes();
  // Point numbers are labels of the scene: they show even with the overlay text off.
  if (!pickingPass && (view.options.TextOn || !labels.empty())) renderOverlay(m);
}

int64_t PavSceneRenderer::renderType(uint32_t type, const QList<PavDrawObject *> &list,
                                     const PavCameraMatrices &m, int *pickCounter) {
  if (type == DrawSolution) return 0;
  GlslProgram *p = nullptr, *flat = nullptr;
  int64_t n = 0;
  // Only the plain flat triangles (drawn by "TriSha") are culled, whatever their objects.
  const char *programName = programNameForType(type);
  const bool cullable =
      frameCulling && closedSideOf && programName && std::strcmp(programName, "TriSha") == 0;
  for (PavDrawObject *o : list) {
    if (pickingPass && !o->pickable) continue;
    PavBufferObject *b = bufferOf(o);
    if (!b || b->nbrElt < 1) {
      appMessage(" warning : no attachData to object of type %s with ref %d\n",
                 pavDrawType2String(o->type), o->id);
      continue;
    }
    if (!p) p = useProgramForType(type, m);
    if (!p) return n;
    o->renderMode = view.options.renderMode();
    sceneColourOf(o);
    // Objects of one program share its uniforms: restore the field switches for each.
    auto perObject = [&](GlslProgram *q) {
      q->setUniform("SolOn", view.options.SolOn);
      q->setUniform("IsoOn", view.options.IsoOn);
      q->setUniform("HideSurfOn", view.options.HideSurfOn);
      // The elements the plane crosses are shown whole: their faces straddle the plane, and
      // clipping every one of them would send the whole draw down the rasteriser's slow path.
      q->setUniform("CutPlane", cutPlaneUniform(!o->wholeInCut));
      if (!pavIsFaceType(o->type))
        q->setUniform("Material.Kd",
                      QVector3D(o->params.color[0], o->params.color[1], o->params.color[2]));
    };
    perObject(p);
    // Curved elements flat on screen take the cheap program (built once per type and frame).
    const PavRenderOption &opt = view.options;
    b->flatField = ((opt.SolOn || opt.IsoOn) && b->texInit()) || (opt.JacOn && b->jacInit());
    b->flatElements = b->flatCount((double)frameFlatTol / (double)view.sceneScale, b->flatField);
    b->flatProgram = nullptr;
    if (b->flatElements > 0) {
      // Uniforms go to the program in use: the flat one is bound before its per-object values
      // are set, else the first object's plane (clipped surfaces) stays on the crossed elements
      // that follow and their flat faces vanish.
      if (!flat)
        flat = useProgramForType(type, m, true);
      else
        flat->use();
      if (flat) perObject(flat);
      b->flatProgram = flat;
      p->use();
    }
    // Closed surfaces seen from outside hide their back faces themselves: not drawing them
    // saves their setup, which bounds large frames.
    const int side = cullable ? closedSideOf(o, m.mvp) : 0;
    if (side != 0) {
      gl->glEnable(GL_CULL_FACE);
      gl->glCullFace(side > 0 ? frameCulling : frameCulling == GL_BACK ? GL_FRONT : GL_BACK);
    }
    n += b->renderList(gl, o, p, &picks, pickCounter);
    if (side != 0) gl->glDisable(GL_CULL_FACE);
    b->flatProgram = nullptr; // the programs may be rebuilt before the next frame
    b->flatElements = 0;
  }
  return n;
}

unsigned PavSceneRenderer::closedCulling(const PavCameraMatrices &m) const {
  // Back faces are hidden by the front of the same surface only where nothing opens it (a cut,
  // shrunk faces, faces dropped by the programs) nor shows through it (transparency), and only
  // from outside (each object's box beyond the near plane, closedSideOf).
  const PavRenderOption &o = view.options;
  if (cutActive() || o.shrink != 1.0f || o.TransOn || !fixedSwitches().noHiding) return 0;
  // Counter-clockwise seen from outside stays so on screen unless the camera mirrors the scene.
  const QMatrix4x4 &v = m.modelView;
  const double det = v(0, 0) * (v(1, 1) * v(2, 2) - v(1, 2) * v(2, 1)) -
                     v(0, 1) * (v(1, 0) * v(2, 2) - v(1, 2) * v(2, 0)) +
                     v(0, 2) * (v(1, 0) * v(2, 1) - v(1, 1) * v(2, 0));
  return det > 0 ? GL_BACK : det < 0 ? GL_FRONT : 0;
}

bool boxBeyondNearPlane(const double box[6], const QMatrix4x4 &mvp, const PavViewState &view) {
  for (int c = 0; c < 8; c++) {
    const QVector3D p((float)box[c & 1], (float)box[2 + ((c >> 1) & 1)], (float)box[4 + (c >> 2)]);
    const QVector4D q = mvp * QVector4D((p - view.sceneCentre) * view.sceneScale, 1.0f);
    if (!(q.w() > 0 && q.z() > -q.w())) return false;
  }
  return true;
}

void PavSceneRenderer::sceneColourOf(PavDrawObject *o) const {
  const bool edge = pavDrawFamily(o->type) == PavDrawFamily::Edge;
  const PavDrawParams plain;
  o->useSceneColor = false;
  if (o->renderMode == 2 && pavIsFaceType(o->type)) {
    referenceColours.colour(o->id, 1.0f, o->sceneColor);
    o->useSceneColor = true;
  } else if (edge && std::equal(o->params.color, o->params.color + 3, plain.color)) {
    // Mesh edges: dark grey on white, light grey on black.
    const float c = view.whiteBackground ? 0.2f : 0.85f;
    o->sceneColor[0] = o->sceneColor[1] = o->sceneColor[2] = c;
    o->useSceneColor = true;
  }
}

GlslProgram *PavSceneRenderer::useProgram(const char *name) {
  if (!name || !gl) return nullptr;
  int count = 0;
  const GlslCatalogueEntry *entries = glslCatalogue(&count);
  const GlslCatalogueEntry *e = findGlslProgram(name);
  if (!e) return nullptr;
  int index = (int)(e - entries);
  if (index < 0 || index >= kSceneProgramCount) return nullptr;
  // Programs follow the fields attached now: a change of definitions rebuilds them all.
  const PavFieldState fields = model.fieldState();
  if (fields != builtState) {
    resetShaders();
    builtState = fields;
  }
  GlslFlags state;
  static_cast<GlslFieldDefinitions &>(state) = fields;
  state.fixed = fixedSwitches();
  const GlslFlags flags = glslBuildFlags(*e, state);
  auto found = programs[index].try_emplace(flags.fixed.key());
  GlslProgram &p = found.first->second;
  if (found.second) {
    p.setGLFunctions(gl);
    p.buildFromResources(flags, e->name, e->vs, e->fs, e->gs, e->tcs, e->tes);
  }
  p.use();
  return &p;
}

GlslSwitches PavSceneRenderer::fixedSwitches() const {
  // Every face object is drawn with the scene's render mode (renderType): its lighting model is
  // the mode's own or the scene's (FaceOff comes with model 3).
  const PavRenderModeUniforms mode = renderModeUniforms(view.options.renderMode(), false, nullptr);
  GlslSwitches s;
  s.lightModel = mode.usePhong >= 0 ? mode.usePhong : std::clamp((int)view.options.UsePhong, 0, 3);
  s.noPicking = !pickingPass;
  s.noWire = !view.options.LineOn && !view.options.TessOn;
  s.noHiding = !view.options.HideSurfOn && !view.options.HideVolOn &&
               !view.options.DiscardUnPicked && mode.faceOff == 0;
  return s;
}

QVector4D PavSceneRenderer::cutPlaneUniform(bool clipped) const {
  // Without a cut every point lies on the kept side of (0, 0, 0, -1) (distance 1): some drivers
  // clip by the distance even with GL_CLIP_DISTANCE0 disabled, so a stale plane must not stay.
  if (!clipped || !cutActive()) return QVector4D(0, 0, 0, -1);
  return QVector4D((float)view.cutPlane[0], (float)view.cutPlane[1], (float)view.cutPlane[2],
                   (float)view.cutPlane[3]);
}

GlslProgram *PavSceneRenderer::useProgramForType(uint32_t type, const PavCameraMatrices &m,
                                                 bool flat) {
  GlslProgram *program = useProgram(flat ? flatProgramNameForType(type) : programNameForType(type));
  if (!program) return nullptr;
  GlslProgram &p = *program;
  // Positions are scaled into the unit sphere in the vertex stage; the matrices hold the camera.
  QVector3D trans = -view.sceneCentre * view.sceneScale;
  p.setUniform("MVP", m.mvp);
  p.setUniform("ModelViewMatrix", m.modelView);
  p.setUniform("NormalMatrix", m.normal);
  p.setUniform("Rotation", QMatrix4x4(view.trackball.rotation.toRotationMatrix()));
  p.setUniform("trans", trans);
  p.setUniform("scaling", view.sceneScale);
  p.setUniform("scenescaling", QVector4D(view.sceneCentre, view.sceneScale));
  p.setUniform("CutPlane", cutPlaneUniform(true));
  p.setUniform("WIN_SCALE", QVector2D((float)deviceWidth() * 0.5f, (float)deviceHeight() * 0.5f));
  // A light at infinity (w = 0) in the view's direction, fixed to the viewer.
  p.setUniform("Light.Position", QVector4D(view.light, 0.0f));
  p.setUniform("Light.Intensity", QVector3D(1, 1, 1));
  p.setUniform("Material.Ka", QVector3D(0.08f, 0.08f, 0.08f));
  p.setUniform("Material.Kd", QVector3D(0.85f, 0.85f, 0.85f));
  p.setUniform("Material.Ks", QVector3D(0.2f, 0.2f, 0.2f));
  p.setUniform("Material.Shininess", 40.0f);
  // Faces shrink towards their own centre by this factor (1: not at all).
  p.setUniform("Shrink", view.options.shrink);
  p.setUniform("Line.Width", view.options.lineWidth);
  float line = view.whiteBackground ? 0.0f : 1.0f;
  p.setUniform("Line.Color", QVector4D(line, line, line, 1));
  p.setUniform("THICKNESS", view.options.edgeThickness);
  p.setUniform("tess_level", (int)view.options.tessLevel);
  p.setUniform("FlatTol", frameFlatTol);
  p.setUniform("LineOn", view.options.LineOn);
  p.setUniform("TransOn", view.options.TransOn);
  p.setUniform("TessOn", view.options.TessOn);
  p.setUniform("JacOn", view.options.JacOn && builtState.jac);
  p.setUniform("DiscardUnPicked", view.options.DiscardUnPicked);
  p.setUniform("UsePhong", (int)view.options.UsePhong);
  p.setUniform("IsoOn", view.options.IsoOn);
  p.setUniform("SolOn", view.options.SolOn);
  p.setUniform("LineSurfOn", view.options.LineSurfOn);
  p.setUniform("HideSurfOn", view.options.HideSurfOn);
  p.setUniform("HideVolOn", view.options.HideVolOn);
  p.setUniform("CheckInOut", view.options.CheckInOut);
  p.setUniform("CutoffBelowOn", view.options.CutoffBelowOn);
  p.setUniform("CutoffAboveOn", view.options.CutoffAboveOn);
  p.setUniform("CutoffBelowVal", view.options.CutoffBelowVal);
  p.setUniform("CutoffAboveVal", view.options.CutoffAboveVal);
  p.setUniform("IsoWidth", view.options.isoWidth);
  p.setUniform("PointSize", 6.0f);
  p.setUniform("Picking", pickingPass);
  return &p;
}

const PavDrawField *PavSceneRenderer::shownField() const {
  const PavDrawField *field = nullptr;
  if (view.options.SolOn) field = model.firstField(PavFieldKind::Solution);
  if (!field) field = model.firstField(PavFieldKind::Value);
  if (!field && view.options.JacOn) field = model.firstField(PavFieldKind::Jacobian);
  return field && field->paletteSet ? field : nullptr;
}

void PavSceneRenderer::renderPaletteBar(const PavCameraMatrices &m) {
  const PavDrawField *field = shownField();
  if (!view.options.PalOn || !field) return;
  int w = deviceWidth(), h = deviceHeight(), r[4];
  paletteBarRect(w, h, devicePixelRatio(), r);
  if (!paletteBar) {
    paletteBar = makeBuffer(createBufferObjectForType(DrawPalette));
    paletteBarObject = std::make_unique<PavDrawPalette>(0);
    if (!paletteBar || !paletteBarObject) return;
  }
  if (std::equal(r, r + 4, paletteBarShape) == false || paletteBar->nbrElt < 1) {
    // The bar's own first coordinate (the palette position) runs up the frame, its second
    // from the right side to the left, where the ticks meet the written values.
    const float x0 = (float)r[0], y0 = (float)r[1], x1 = (float)r[2], y1 = (float)r[3];
    const float xyz[12] = {x1, y0, 0, x1, y1, 0, x0, y0, 0, x0, y1, 0};
    const int corners[4] = {0, 1, 2, 3};
    paletteBar->updateVao(gl, 4, xyz, 1, corners);
    std::copy(r, r + 4, paletteBarShape);
  }
  static_cast<PavBufferPalette *>(paletteBar.get())->setColormap(field->colormap);
  GlslProgram *p = useProgramForType(DrawPalette, m);
  if (!p) return;
  QMatrix4x4 ortho;
  ortho.ortho(0, (float)w, 0, (float)h, -1, 1);
  p->setUniform("MVP", ortho);
  p->setUniform("Line.Width", 1.0f);
  gl->glDisable(GL_DEPTH_TEST);
  paletteBar->render(gl, paletteBarObject.get(), p);
  gl->glEnable(GL_DEPTH_TEST);
}

void PavSceneRenderer::renderGlyphs(const PavCameraMatrices &m) {
  static const char *const names[2] = {"MetSha", "VecArrowSha"};
  for (int k = 0; k < 2; k++) {
    if (!glyphs[k] || glyphs[k]->nbrElt < 1) continue;
    GlslProgram *p = useProgram(names[k]);
    if (!p) continue;
    p->setUniform("MVP", m.mvp);
    p->setUniform("trans", -view.sceneCentre * view.sceneScale);
    p->setUniform("scaling", view.sceneScale);
    p->setUniform("colorArrow", true);
    p->setUniform("toBlack", !view.whiteBackground);
    // A flat mesh and its glyphs share one plane: the glyphs go over it. In 3-D, glyphs lying in
    // a surface (arrows tangent to it) are pulled towards the viewer so that they win the tie.
    if (switches.dimension == 2) gl->glDisable(GL_DEPTH_TEST);
    gl->glDepthFunc(GL_LEQUAL);
    gl->glEnable(GL_POLYGON_OFFSET_FILL);
    gl->glPolygonOffset(-1.0f, -4.0f);
    glyphs[k]->render(gl, nullptr, p);
    gl->glDisable(GL_POLYGON_OFFSET_FILL);
    gl->glDepthFunc(GL_LESS);
    gl->glEnable(GL_DEPTH_TEST);
  }
}

void PavSceneRenderer::renderAxes() {
  if (!view.options.AxisOn) return;
  if (!axes) {
    axes = makeBuffer(createBufferObjectForType(DrawEdge));
    if (!axes) return;
    const float xyz[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int lines[6] = {0, 1, 0, 2, 0, 3};
    axes->updateVao(gl, 4, xyz, 3, lines);
  }
  GlslProgram *p = useProgram("AxisSha");
  if (!p || !axes->vao) return;
  p->setUniform("Rotation", QMatrix4x4(view.trackball.rotation.toRotationMatrix()));
  p->setUniform("length", kAxesLength);
  p->setUniform("u", kAxesOrigin);
  p->setUniform("v", kAxesOrigin);
  p->setUniform("toBlack", !view.whiteBackground);
  gl->glDisable(GL_DEPTH_TEST);
  gl->glBindVertexArray(axes->vao);
  gl->glDrawElements(GL_LINES, 6, GL_UNSIGNED_INT, nullptr);
  gl->glBindVertexArray(0);
  gl->glEnable(GL_DEPTH_TEST);
}

PavOverlayTexts PavSceneRenderer::overlayTexts() const {
  PavOverlayTexts t;
  char buf[64];
  snprintf(buf, sizeof buf, "FPS: %2.2f", lastFps);
  t.fps = buf;
  // The shown field names the palette: solution, then value, then Jacobian.
  const PavDrawField *field = shownField();
  if (field) {
    t.title = fieldTitle(*field);
    for (float v : field->palette) {
      snprintf(buf, sizeof buf, "%1.5lg", (double)v);
      t.values.push_back(buf);
    }
  }
  if (view.cutActive()) t.plane = planeEquationText(view.cutPlane);
  return t;
}

void PavSceneRenderer::renderOverlay(const PavCameraMatrices &m) {
  if (!textReady) return;
  if (!textProgramBuilt) {
    const GlslCatalogueEntry *e = findGlslProgram("TextSha");
    if (!e) return;
    GlslFlags flags = glslBuildFlags(*e, GlslFlags());
    textProgram.buildFromResources(flags, e->name, e->vs, e->fs, e->gs, e->tcs, e->tes);
    textProgramBuilt = true;
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
  float grey = view.whiteBackground ? 0.05f : 0.95f;
  const float colour[3] = {grey, grey, grey};
  float scale = (float)devicePixelRatio() * (float)textHeight / 48.0f;
  float line = 48 * scale * 1.3f, x = 12 * scale, y = (float)h - line;
  PavOverlayTexts t;
  if (view.options.TextOn) t = overlayTexts();
  if (!t.fps.empty()) text.renderText(PavFont::Regular, t.fps.c_str(), x, y, scale, colour);
  if (!t.title.empty()) {
    y -= line;
    text.renderText(PavFont::SemiBold, t.title.c_str(), x, y, scale, colour);
    if (view.options.PalOn) {
      // Each value right-aligned beside its tick on the bar, centred on it.
      int r[4];
      paletteBarRect(w, h, devicePixelRatio(), r);
      std::vector<float> quads;
      const float capHeight = 0.7f * (float)text.pixelSize() * scale;
      for (size_t i = 0; i < t.values.size(); i++) {
        const char *v = t.values[i].c_str();
        float width = layoutText(text.atlas(PavFont::Regular), v, 0, 0, scale, quads);
        float ty = (float)r[1] + (float)(r[3] - r[1]) * (float)i / 4.0f - 0.5f * capHeight;
        text.renderText(PavFont::Regular, v, (float)r[0] - 6.0f * (float)devicePixelRatio() - width,
                        ty, scale, colour);
      }
    } // the values belong to the bar: hidden with it
  }
  // Labels of points hidden behind the faces drawn are left out: the depth of the frame, read
  // once, against the eye distance of each point.
  std::vector<float> depth;
  if (!labels.empty() && w > 0 && h > 0) {
    depth.resize((size_t)w * (size_t)h);
    gl->glReadPixels(0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  }
  const auto eyeDistance = [](float d) {
    return 2 * kNearPlane * kFarPlane /
           (kFarPlane + kNearPlane - (2 * d - 1) * (kFarPlane - kNearPlane));
  };
  for (const PavSceneLabel &l : labels) {
    QVector3D q = (l.at - view.sceneCentre) * view.sceneScale;
    const QVector4D c = m.mvp * QVector4D(q, 1);
    if (!(c.w() > 0)) continue;
    const int px = (int)std::floor((c.x() / c.w() * 0.5f + 0.5f) * (float)w),
              py = (int)std::floor((c.y() / c.w() * 0.5f + 0.5f) * (float)h);
    if (px < 0 || py < 0 || px >= w || py >= h) continue;
    float farthest = 0; // of the pixels around the point: lines and faces meet there
    for (int y = std::max(py - 1, 0); y <= std::min(py + 1, h - 1); y++)
      for (int x = std::max(px - 1, 0); x <= std::min(px + 1, w - 1); x++)
        farthest = std::max(farthest, depth[(size_t)y * (size_t)w + (size_t)x]);
    if (eyeDistance(farthest) < eyeDistance(c.z() / c.w() * 0.5f + 0.5f) - 0.02f) continue;
    const float p[3] = {q.x(), q.y(), q.z()};
    text.renderText3D(m.mvp.constData(), w, h, PavFont::SemiBold, l.text.c_str(), p, scale, colour);
  }
  if (!t.plane.empty())
    text.renderText(PavFont::Regular, t.plane.c_str(), x, 12 * scale, scale, colour);
  gl->glEnable(GL_DEPTH_TEST);
}

uint32_t PavSceneRenderer::pick(int px, int py, unsigned previous) {
  if (!gl || !pickingFb.create(gl, deviceWidth(), deviceHeight(), previous)) return 0;
  py = pickingFb.height - py;
  gl->glBindFramebuffer(GL_FRAMEBUFFER, pickingFb.framebuffer);
  gl->glDisable(GL_BLEND);
  // Only the pixels around the click are cleared and shaded: the id pass costs the vertex stage
  // and a few fragments, not a whole frame of them.
  gl->glScissor(std::max(0, px - 2), std::max(0, py - 2), 5, 5);
  gl->glEnable(GL_SCISSOR_TEST);
  pickingPass = true;
  draw();
  pickingPass = false;
  gl->glDisable(GL_SCISSOR_TEST);
  uint8_t rgba[4] = {0, 0, 0, 0};
  if (px >= 0 && px < pickingFb.width && py >= 0 && py < pickingFb.height)
    gl->glReadPixels(px, py, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, previous);
  gl->glEnable(GL_BLEND);
  gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  return composePickId(rgba);
}

void PavSceneRenderer::renderMarks(const PavCameraMatrices &m) {
  std::vector<float> lines;
  double box[6];
  boundingBox(box);
  if (switches.showBox) appendBoxEdges(box, lines);
  if (switches.showCutPlane && view.cutActive()) {
    const std::vector<QVector3D> outline = cutPlaneOutline(view.cutPlane, box);
    for (size_t i = 0; outline.size() > 1 && i < outline.size(); i++)
      appendSegment(lines, outline[i], outline[(i + 1) % outline.size()]);
  }
  // The centre cross lies inside the scene: it is drawn over the faces, not hidden by them.
  const size_t centreFrom = lines.size() / 3;
  if (switches.showSceneCentre) {
    // Three arms of a tenth of the scene's radius.
    const float arm = 0.1f / (view.sceneScale > 0 ? view.sceneScale : 1.0f);
    for (int k = 0; k < 3; k++) {
      QVector3D e;
      e[k] = arm;
      appendSegment(lines, view.sceneCentre - e, view.sceneCentre + e);
    }
  }
  static const std::vector<float> none;
  const std::vector<float> &points = switches.showCorners ? cornerPoints : none;
  // Uploads only when what is shown changed: a frame that changes uniforms uploads nothing.
  auto upload = [&](BufferHandle &buffer, std::vector<float> &shown, const std::vector<float> &xyz,
                    uint32_t type) {
    if (xyz == shown && (buffer || xyz.empty())) return;
    shown = xyz;
    if (xyz.empty()) {
      buffer.reset();
      return;
    }
    if (!buffer) buffer = makeBuffer(createBufferObjectForType(type));
    if (!buffer) return;
    const int n = (int)(xyz.size() / 3);
    std::vector<int> idx((size_t)n);
    for (int i = 0; i < n; i++) idx[(size_t)i] = i;
    buffer->updateVao(gl, n, xyz.data(), type == DrawEdge ? n / 2 : n, idx.data());
  };
  upload(marks, marksShown, lines, DrawEdge);
  upload(markPoints, markPointsShown, points, DrawCorner);
  // Lines and points in the colour of the wire lines: black on white, white on black. They are
  // drawn where they reach the depth of the faces they lie on.
  const float ink = view.whiteBackground ? 0.0f : 1.0f;
  gl->glDepthFunc(GL_LEQUAL);
  GlslProgram *p = marks && marks->vao ? useProgram("CADBoxSha") : nullptr;
  if (p) {
    p->setUniform("MVP", m.mvp);
    p->setUniform("trans", -view.sceneCentre * view.sceneScale);
    p->setUniform("scaling", view.sceneScale);
    p->setUniform("toBlack", !view.whiteBackground);
    gl->glBindVertexArray(marks->vao);
    const size_t n = marksShown.size() / 3, from = std::min(centreFrom, n);
    if (from > 0) gl->glDrawElements(GL_LINES, (GLsizei)from, GL_UNSIGNED_INT, nullptr);
    if (n > from) {
      gl->glDisable(GL_DEPTH_TEST);
      gl->glDrawElements(GL_LINES, (GLsizei)(n - from), GL_UNSIGNED_INT,
                         (const void *)(from * sizeof(GLuint)));
      gl->glEnable(GL_DEPTH_TEST);
    }
    gl->glBindVertexArray(0);
  }
  p = markPoints && markPoints->vao ? useProgramForType(DrawCorner, m) : nullptr;
  if (p) {
    p->setUniform("Material.Kd", QVector3D(ink, ink, ink));
    p->setUniform("PointSize", 8.0f);
    p->setUniform("HighLightAll", false);
    gl->glBindVertexArray(markPoints->vao);
    gl->glDrawArrays(GL_POINTS, 0, (GLsizei)(markPointsShown.size() / 3));
    gl->glBindVertexArray(0);
  }
  gl->glDepthFunc(GL_LESS);
}

} // namespace pavo
