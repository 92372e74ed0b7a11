#include "render/buffer_object.h"

#include "app_messages.h"

#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cstdio>
#include <limits>

#include "render/buffer_packing.h"
#include "render/colormaps.h"
#include "render/glsl_program.h"

namespace pavo {

namespace {

int64_t bufferUploads = 0; // glBufferData calls since the start

// Texture units, in the order the draw hands them out.
enum Unit : int {
  UnitColmap = 0,
  UnitTex,
  UnitTexJac,
  UnitTexVal,
  UnitNormal,
  UnitPolygon,
  UnitTexRef,
  UnitNodePos,
  UnitNodeIdx,
  UnitEltOrder,
  UnitCount
};

void bindBufferTexture(QOpenGLFunctions_4_0_Core *gl, int unit, unsigned texture) {
  gl->glActiveTexture(GL_TEXTURE0 + unit);
  gl->glBindTexture(GL_TEXTURE_BUFFER, texture);
}

const PavDrawField *firstField(const PavDrawField *a, const PavDrawField *b,
                               const PavDrawField *c) {
  return a ? a : b ? b : c;
}

} // namespace

int64_t pavBufferUploadCount() { return bufferUploads; }

void PavGlBufferTexture::upload(QOpenGLFunctions_4_0_Core *gl, unsigned internalFormat,
                                int64_t bytes, const void *data) {
  release(gl);
  gl->glGenBuffers(1, &buffer);
  gl->glBindBuffer(GL_TEXTURE_BUFFER, buffer);
  ++bufferUploads;
  gl->glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
  gl->glGenTextures(1, &texture);
  gl->glBindTexture(GL_TEXTURE_BUFFER, texture);
  gl->glTexBuffer(GL_TEXTURE_BUFFER, internalFormat, buffer);
  gl->glBindTexture(GL_TEXTURE_BUFFER, 0);
  gl->glBindBuffer(GL_TEXTURE_BUFFER, 0);
}

void PavGlBufferTexture::release(QOpenGLFunctions_4_0_Core *gl) {
  if (texture) gl->glDeleteTextures(1, &texture);
  if (buffer) gl->glDeleteBuffers(1, &buffer);
  texture = buffer = 0;
}

void PavGlTextureView::attach(QOpenGLFunctions_4_0_Core *gl, unsigned internalFormat,
                              unsigned buffer) {
  release(gl);
  gl->glGenTextures(1, &texture);
  gl->glBindTexture(GL_TEXTURE_BUFFER, texture);
  gl->glTexBuffer(GL_TEXTURE_BUFFER, internalFormat, buffer);
  gl->glBindTexture(GL_TEXTURE_BUFFER, 0);
}

void PavGlTextureView::release(QOpenGLFunctions_4_0_Core *gl) {
  if (texture) gl->glDeleteTextures(1, &texture);
  texture = 0;
}

int64_t appendPicks(PavDrawObject *object, int64_t nbrElt, QList<PavPickEntry> *picks,
                    int *counter) {
  if (!object) return 0;
  int running = counter ? *counter : 0;
  int64_t drawn = 0;
  const int32_t nParts = object->type == DrawComposite ? object->getNbrParts() : 0;
  PavDrawObject *const *parts = nParts > 0 ? object->getParts() : nullptr;
  if (parts) {
    for (int32_t i = 0; i < nParts; ++i) {
      PavDrawObject *part = parts[i];
      if (!part) continue;
      if (picks) picks->append(PavPickEntry(part, running));
      running += part->count;
      drawn += part->count;
    }
  } else {
    if (picks) picks->append(PavPickEntry(object, running));
    running += static_cast<int>(nbrElt);
    drawn = nbrElt;
  }
  if (counter) *counter = running;
  return drawn;
}

// ---------------------------------------------------------------------------------------------
// Base

PavBufferObject::PavBufferObject() {
  for (int i = 0; i < 3; ++i) {
    bbox[2 * i] = std::numeric_limits<double>::infinity();
    bbox[2 * i + 1] = -std::numeric_limits<double>::infinity();
  }
}

// The GL names need the context: release() is the only path that deletes them.
PavBufferObject::~PavBufferObject() = default;

void PavBufferObject::printType() { appMessage("PavBufferObject\n"); }

void PavBufferObject::updateVao(QOpenGLFunctions_4_0_Core *, int, const float *, int, const int *) {
  appMessage(" Virtual function updateVao called !!!! ");
}

void PavBufferObject::updateVao(QOpenGLFunctions_4_0_Core *, int, const float *, int, const int *,
                                bool) {
  appMessage(" Virtual function updateVao called !!!! ");
}

void PavBufferObject::updateVaoStl(QOpenGLFunctions_4_0_Core *, int, const double *) {
  appMessage(" Virtual function updateVao called !!!! ");
}

void PavBufferObject::updateVaoPolygon(QOpenGLFunctions_4_0_Core *, int, const float *,
                                       const unsigned *, const float *) {
  appMessage(" Virtual function updateVao called !!!! ");
}

int PavBufferObject::render(QOpenGLFunctions_4_0_Core *, PavDrawObject *, GlslProgram *) {
  appMessage(" Virtual function render called !!!! ");
  return 0;
}

int PavBufferObject::renderList(QOpenGLFunctions_4_0_Core *, PavDrawObject *, GlslProgram *,
                                QList<PavPickEntry> *, int *) {
  appMessage(" Virtual function render lst called !!!! ");
  return 0;
}

void PavBufferObject::updateNormals(QOpenGLFunctions_4_0_Core *, PavDrawObject *, const float *) {
  appMessage(" Virtual function updateNormals called !!!! ");
}

void PavBufferObject::attachFields(const PavDrawField *sol, const PavDrawField *jac,
                                   const PavDrawField *val) {
  solution = sol;
  jacobian = jac;
  value = val;
}

void PavBufferObject::setFieldDegrees(int sol, int jac, int val) {
  solDeg = sol;
  jacDeg = jac;
  valDeg = val;
}

void PavBufferObject::releaseGeometry(QOpenGLFunctions_4_0_Core *gl) {
  nodePos.release(gl);
  nodeIdx.release(gl);
  normalTex.release(gl);
  polygonTex.release(gl);
  eltOrder.release(gl);
  flatOrder[0] = flatOrder[1] = FlatOrder();
  drawnSplit = -1;
  norOn = polOn = false;
  if (vao && gl->glIsVertexArray(vao)) gl->glDeleteVertexArrays(1, &vao);
  vao = 0;
  for (unsigned &b : vbo) {
    if (b && gl->glIsBuffer(b)) gl->glDeleteBuffers(1, &b);
    b = 0;
  }
}

int64_t PavBufferObject::flatCount(double tolerance, bool field) const {
  if (!(tolerance >= 0)) return 0;
  const std::vector<float> &sorted = flatOrderFor(field).deviation;
  return std::upper_bound(sorted.begin(), sorted.end(), tolerance) - sorted.begin();
}

void PavBufferObject::releaseSolution(QOpenGLFunctions_4_0_Core *gl) { tex.release(gl); }
void PavBufferObject::releaseJacobian(QOpenGLFunctions_4_0_Core *gl) { texjac.release(gl); }
void PavBufferObject::releaseValue(QOpenGLFunctions_4_0_Core *gl) { texval.release(gl); }

void PavBufferObject::release(QOpenGLFunctions_4_0_Core *gl) {
  if (!gl) return;
  releaseGeometry(gl);
  for (PavGlBufferTexture *t :
       {&tex, &texjac, &texval, &texref, &colmap, &placeholder, &placeholderU})
    t->release(gl);
  lastColors.clear();
}

std::vector<uint32_t> PavBufferObject::readElementIndices(QOpenGLFunctions_4_0_Core *gl) const {
  std::vector<uint32_t> out;
  if (!gl || !vbo[1]) return out;
  // The copy-read target leaves the element binding of whatever vertex array is bound alone.
  gl->glBindBuffer(GL_COPY_READ_BUFFER, vbo[1]);
  GLint bytes = 0;
  gl->glGetBufferParameteriv(GL_COPY_READ_BUFFER, GL_BUFFER_SIZE, &bytes);
  if (bytes > 0) {
    out.resize((size_t)bytes / sizeof(uint32_t));
    gl->glGetBufferSubData(GL_COPY_READ_BUFFER, 0, (GLsizeiptr)(out.size() * sizeof(uint32_t)),
                           out.data());
  }
  gl->glBindBuffer(GL_COPY_READ_BUFFER, 0);
  return out;
}

bool PavBufferObject::uploadStandard(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz,
                                     int ne, const void *indices, int64_t indexCount) {
  if (!gl || nv < 1 || ne < 1 || !xyz || !indices) return false;
  nbrVer = nv;
  nbrElt = ne;
  releaseGeometry(gl);
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(2, vbo);
  if (verbose)
    appMessage(" %s::updateVao vaoHandle %u vbo %u %u\n", className(), vao, vbo[0], vbo[1]);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
  ++bufferUploads;
  gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(int64_t(nv) * 3 * sizeof(float)), xyz,
                   GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vbo[1]);
  ++bufferUploads;
  gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount * sizeof(uint32_t)),
                   indices, GL_STATIC_DRAW);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  for (int i = 0; i < nv; ++i)
    for (int c = 0; c < 3; ++c) {
      const double v = xyz[3 * int64_t(i) + c];
      if (v < bbox[2 * c]) bbox[2 * c] = v;
      if (v > bbox[2 * c + 1]) bbox[2 * c + 1] = v;
    }
  return true;
}

void PavBufferObject::ensurePlaceholders(QOpenGLFunctions_4_0_Core *gl) {
  // Every sampler of a program must see a valid texture of its type, attached field or not.
  if (!placeholder.exists()) {
    const float zero[4] = {0, 0, 0, 0};
    placeholder.upload(gl, GL_R32F, sizeof(zero), zero);
  }
  if (!placeholderU.exists()) {
    const uint32_t zero[4] = {0, 0, 0, 0};
    placeholderU.upload(gl, GL_R32UI, sizeof(zero), zero);
  }
}

void PavBufferObject::updateFieldTextures(QOpenGLFunctions_4_0_Core *gl, int64_t nbrSol,
                                          const float *sol, int64_t nbrJac, const float *jac,
                                          int64_t nbrVal, const float *val) {
  if (!gl) return;
  if (nbrSol > 0 && sol) releaseSolution(gl);
  if (nbrJac > 0 && jac) releaseJacobian(gl);
  if (nbrVal > 0 && val) releaseValue(gl);
  if (!vao || !gl->glIsVertexArray(vao) || nbrElt < 1) return;
  const PavDrawField *field = firstField(solution, jacobian, value);
  const std::vector<float> table = colourTable(field ? field->colormap : -1);
  colmap.upload(gl, GL_R32F, int64_t(table.size() * sizeof(float)), table.data());
  if (verbose) appMessage(" texture colmap id = %u \n", colmap.texture);
  if (nbrSol > 0 && sol) {
    tex.upload(gl, GL_R32F, nbrSol * int64_t(sizeof(float)), sol);
    if (verbose) appMessage(" texture tex id = %u \n", tex.texture);
  }
  if (nbrJac > 0 && jac) {
    texjac.upload(gl, GL_R32F, nbrJac * int64_t(sizeof(float)), jac);
    if (verbose) appMessage(" texture texjac id = %u \n", texjac.texture);
  }
  if (nbrVal > 0 && val) {
    texval.upload(gl, GL_R32F, nbrVal * int64_t(sizeof(float)), val);
    if (verbose) appMessage(" texture texval id = %u \n", texval.texture);
  }
}

void PavBufferObject::updateColors(QOpenGLFunctions_4_0_Core *gl, const PavDrawObject *object) {
  if (!gl || !object || nbrElt < 1) return;
  // Checked every frame without building the table: one colour for all (no colour per element)
  // is compared as that colour, colours per element against the copy of what texref holds.
  const std::vector<float> &own = object->eltColors;
  const bool each = static_cast<int64_t>(own.size()) >= int64_t(nbrElt) * 4;
  const float *fallback = object->ownColor();
  if (texref.exists() && nbrElt == lastColorCount && each == !lastColors.empty() &&
      (each ? std::equal(lastColors.begin(), lastColors.end(), own.begin())
            : std::equal(fallback, fallback + 3, lastUniform)))
    return;
  std::vector<float> colors = packElementColors(nbrElt, own, fallback);
  // One RGBA texel per element: a single fetch in the fragment stage.
  texref.upload(gl, GL_RGBA32F, int64_t(colors.size() * sizeof(float)), colors.data());
  std::copy(fallback, fallback + 3, lastUniform);
  lastColorCount = nbrElt;
  if (each)
    lastColors.swap(colors);
  else
    lastColors.clear();
}

int64_t PavBufferObject::prepareDraw(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                                     GlslProgram *program, QList<PavPickEntry> *picks, int *counter,
                                     bool fields) {
  if (!gl || !program || !object || !object->visible) return 0;
  if (!vao || !gl->glIsVertexArray(vao) || nbrElt < 1) {
    if (verbose) appMessage("  %s::render:   nothing to print \n", className());
    return 0;
  }
  objectId = object->id;
  // Uploads rebind GL_TEXTURE_BUFFER on the active unit: do them all before binding the units.
  ensurePlaceholders(gl);
  updateColors(gl, object);
  const PavDrawField *field = firstField(solution, jacobian, value);
  if (!colmap.exists()) {
    const std::vector<float> table = colourTable(field ? field->colormap : -1);
    colmap.upload(gl, GL_R32F, int64_t(table.size() * sizeof(float)), table.data());
  }
  bindBufferTexture(gl, UnitColmap, colmap.texture);
  program->setUniform("colmap", int(UnitColmap));
  if (field || !fields) {
    program->setUniform("colmapsiz", colormapSize(field ? field->colormap : -1));
  } else {
    program->setUniform("colmapsiz", colormapSize(-1));
  }
  if (fields) {
    if (!jacobian || !texjac.exists()) {
      program->setUniform("JacOn", false);
      program->setUniform("JacIsoOn", false);
    }
    if (!value || !texval.exists()) program->setUniform("ValOn", false);
    if (!solution || !tex.exists()) {
      program->setUniform("SolOn", 0);
      program->setUniform("IsoOn", 0);
    }
    bindBufferTexture(gl, UnitTex, tex.exists() ? tex.texture : placeholder.texture);
    program->setUniform("tex", int(UnitTex));
    if (solution) {
      program->setUniform("Palette", 5, solution->palette);
      program->setUniform("solDeg", solDeg);
      program->setUniform("nbrIso", solution->nbrIso);
      program->setUniform("NbrUsrIso", solution->nbrUsrIso);
      program->setUniform("UsrIso", 9, solution->usrIso);
    }
    bindBufferTexture(gl, UnitTexJac, texjac.exists() ? texjac.texture : placeholder.texture);
    program->setUniform("texjac", int(UnitTexJac));
    if (jacobian) {
      program->setUniform("JacPalette", 5, jacobian->palette);
      program->setUniform("jacDeg", jacDeg);
      program->setUniform("nbrJacIso", jacobian->nbrIso);
      program->setUniform("nbrUsrJacIso", jacobian->nbrUsrIso);
      program->setUniform("UsrJacIso", 9, jacobian->usrIso);
    }
    bindBufferTexture(gl, UnitTexVal, texval.exists() ? texval.texture : placeholder.texture);
    program->setUniform("texval", int(UnitTexVal));
    if (value) {
      program->setUniform("ValPalette", 5, value->palette);
      program->setUniform("valDeg", valDeg);
    }
  }
  if (norOn && !normalTex.exists()) appMessage("care NorInit not defined \n");
  bindBufferTexture(gl, UnitNormal, normalTex.exists() ? normalTex.texture : placeholder.texture);
  program->setUniform("normal", int(UnitNormal));
  if (polOn && !polygonTex.exists()) appMessage("care PolygonInit not defined \n");
  bindBufferTexture(gl, UnitPolygon,
                    polygonTex.exists() ? polygonTex.texture : placeholderU.texture);
  program->setUniform("polygon", int(UnitPolygon));
  gl->glBindVertexArray(vao);
  bindBufferTexture(gl, UnitTexRef, texref.texture);
  program->setUniform("texref", int(UnitTexRef));
  bindBufferTexture(gl, UnitNodePos, nodePos.texture ? nodePos.texture : placeholder.texture);
  program->setUniform("NodePos", int(UnitNodePos));
  bindBufferTexture(gl, UnitNodeIdx, nodeIdx.texture ? nodeIdx.texture : placeholderU.texture);
  program->setUniform("NodeIdx", int(UnitNodeIdx));
  bindBufferTexture(gl, UnitEltOrder, eltOrder.exists() ? eltOrder.texture : placeholderU.texture);
  program->setUniform("EltOrder", int(UnitEltOrder));
  program->setUniform("Ordered", false);
  program->setUniform("EltFirst", 0);

  program->setUniform("BasePicking", counter ? *counter : 0);
  program->setUniform("offset", 0);
  const int64_t drawn = appendPicks(object, nbrElt, picks, counter);

  const PavRenderModeUniforms mode =
      renderModeUniforms(object->renderMode, false, object->sceneColor);
  program->setUniform("FaceOff", mode.faceOff != 0);
  if (mode.usePhong >= 0) program->setUniform("UsePhong", mode.usePhong);
  if (mode.setLine)
    program->setUniform("Line.Color", QVector4D(mode.lineColor[0], mode.lineColor[1],
                                                mode.lineColor[2], mode.lineColor[3]));
  program->setUniform("Material.Kd", mode.kd[0], mode.kd[1], mode.kd[2]);
  program->setUniform("VolSurf", object->volSurf);
  program->setUniform("HighLightAll", object->highlightAll);
  return drawn;
}

void PavBufferObject::finishDraw(QOpenGLFunctions_4_0_Core *gl, int64_t drawn,
                                 PavDrawObject *object) {
  gl->glBindVertexArray(0);
  for (int unit = 0; unit < UnitCount; ++unit) bindBufferTexture(gl, unit, 0);
  gl->glActiveTexture(GL_TEXTURE0);
  if (verbose)
    appMessage("  %s::render:  %10lld elements send to rendered vao %u \n", className(),
               static_cast<long long>(drawn), vao);
  object->count = nbrElt;
}

// ---------------------------------------------------------------------------------------------
// Points

void PavBufferPoint::printType() { appMessage("PavBufferPoint\n"); }

void PavBufferPoint::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int,
                               const int *) {
  if (!gl || nv < 1 || !xyz) return;
  nbrVer = nbrElt = nv;
  releaseGeometry(gl);
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(1, vbo);
  if (verbose) appMessage(" PavBufferPoint::updateVao vaoHandle %u vbo %u\n", vao, vbo[0]);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
  ++bufferUploads;
  gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(int64_t(nv) * 3 * sizeof(float)), xyz,
                   GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
}

int PavBufferPoint::render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                           GlslProgram *program) {
  return renderList(gl, object, program, nullptr, nullptr);
}

int PavBufferPoint::renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                               GlslProgram *program, QList<PavPickEntry> *picks, int *counter) {
  if (!gl || !program || !object || !object->visible || !vao || nbrElt < 1) return 0;
  objectId = object->id;
  program->setUniform("BasePicking", counter ? *counter : 0);
  appendPicks(object, nbrElt, picks, counter);
  program->setUniform("HighLightAll", object->highlightAll);
  program->setUniform("PointSize", object->params.pointSize);
  gl->glBindVertexArray(vao);
  gl->glDrawArrays(GL_POINTS, 0, nbrElt);
  gl->glBindVertexArray(0);
  if (verbose)
    appMessage("  PavBufferPoint::render:  %10d points send to rendered vao %u \n", nbrElt, vao);
  object->count = nbrElt;
  return nbrElt;
}

// ---------------------------------------------------------------------------------------------
// Edges and cut-plane lines

void PavBufferEdge::printType() { appMessage("PavBufferEdge\n"); }

void PavBufferEdge::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                              const int *elt) {
  uploadStandard(gl, nv, xyz, ne, elt, int64_t(ne) * 2);
}

namespace {

void setEdgeHighlight(GlslProgram *program, const PavDrawObject *object, int nbrElt) {
  const int part = object->highlightPart;
  if (part >= 0 && part < nbrElt) {
    const int ids[1] = {part};
    program->setUniform("NbrHighLight", 1);
    program->setUniform("IdHighlight", 1, ids);
  } else {
    if (part >= nbrElt) appMessage("Warning: number parts picked = %d\n", part);
    program->setUniform("NbrHighLight", 0);
  }
}

} // namespace

int PavBufferEdge::renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                              GlslProgram *program, QList<PavPickEntry> *picks, int *counter) {
  const int64_t n = prepareDraw(gl, object, program, picks, counter, true);
  if (n < 1) return 0;
  setEdgeHighlight(program, object, nbrElt);
  gl->glDrawElements(GL_LINES, static_cast<GLsizei>(2 * n), GL_UNSIGNED_INT, nullptr);
  finishDraw(gl, n, object);
  if (verbose)
    appMessage("  PavBufferEdges::render:   %10d edges send to rendered vao %u \n", int(n), vao);
  return static_cast<int>(n);
}

void PavBufferCutPlane::printType() { appMessage("PavBufferCutPlane\n"); }

int PavBufferCutPlane::render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                              GlslProgram *program) {
  if (!gl || !program || !object || !object->visible || !vao || nbrElt < 1) return 0;
  gl->glBindVertexArray(vao);
  gl->glDrawElements(GL_LINES, 2 * nbrElt, GL_UNSIGNED_INT, nullptr);
  gl->glBindVertexArray(0);
  if (verbose)
    appMessage("  PavBufferCutPlane::render:   %d lines send to rendered vao %u \n", nbrElt, vao);
  return nbrElt;
}

// ---------------------------------------------------------------------------------------------
// Flat triangles

void PavBufferTriangle::printType() { appMessage("PavBufferTriangle\n"); }

void PavBufferTriangle::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                                  const int *elt) {
  if (!uploadStandard(gl, nv, xyz, ne, elt, int64_t(ne) * 3)) return;
  // Views for the programs that pull their corners (TriSha).
  nodePos.attach(gl, GL_RGB32F, vbo[0]);
  nodeIdx.attach(gl, GL_R32UI, vbo[1]);
  positions.assign(xyz, xyz + int64_t(nv) * 3);
  corners.assign(elt, elt + int64_t(ne) * 3);
}

bool PavBufferTriangle::uploadInterleaved(QOpenGLFunctions_4_0_Core *gl, int nv,
                                          const float *data) {
  if (!gl || nv < 3 || !data) return false;
  releaseGeometry(gl);
  nbrVer = nv;
  nbrElt = nv / 3;
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(1, vbo);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
  ++bufferUploads;
  gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(int64_t(nv) * 5 * sizeof(float)), data,
                   GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 20, nullptr);
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 20, reinterpret_cast<void *>(12));
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  positions.clear();
  corners.clear();
  return true;
}

void PavBufferTriangle::updateVaoStl(QOpenGLFunctions_4_0_Core *gl, int nv, const double *data) {
  std::vector<float> interleaved, normals;
  if (packStlTriangles(nv, data, interleaved, normals) < 1) return;
  if (!uploadInterleaved(gl, nv - nv % 3, interleaved.data())) return;
  normalTex.upload(gl, GL_R32F, int64_t(normals.size() * sizeof(float)), normals.data());
  norOn = true;
}

void PavBufferTriangle::updateVaoPolygon(QOpenGLFunctions_4_0_Core *gl, int nv, const float *data,
                                         const unsigned *edgeTags, const float *normals) {
  if (!edgeTags || !normals || !uploadInterleaved(gl, nv - nv % 3, data)) return;
  const std::vector<uint8_t> tags = packEdgeTags(nbrElt, edgeTags);
  // The tags travel as GL_R8UI: one byte per side.
  polygonTex.upload(gl, GL_R8UI, int64_t(tags.size()), tags.data());
  normalTex.upload(gl, GL_R32F, int64_t(nbrElt) * 3 * int64_t(sizeof(float)), normals);
  norOn = true;
  polOn = true;
}

void PavBufferTriangle::updateNormals(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                                      const float *normals) {
  if (!gl || nbrElt < 1) return;
  const float *given = normals ? normals : (object ? object->getNormals() : nullptr);
  if (given) {
    normalTex.upload(gl, GL_R32F, int64_t(nbrElt) * 3 * int64_t(sizeof(float)), given);
  } else {
    const std::vector<float> computed =
        packFaceNormals(nbrVer, positions.data(), nbrElt, corners.data());
    if (computed.empty()) return;
    normalTex.upload(gl, GL_R32F, int64_t(computed.size() * sizeof(float)), computed.data());
  }
}

int PavBufferTriangle::renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                                  GlslProgram *program, QList<PavPickEntry> *picks, int *counter) {
  const int64_t n = prepareDraw(gl, object, program, picks, counter, true);
  if (n < 1) return 0;
  // The per-face-normal layout has its corners in order, and the indexed layout is pulled
  // through NodeIdx by the triangle programs; only the vector triangles read attributes by index.
  if (norOn) {
    gl->glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * n));
  } else if (object->type != DrawVecTriangle && nodeIdx.texture) {
    // 3 n vertices but only nbrVer positions: the attribute must not be fetched.
    gl->glDisableVertexAttribArray(0);
    gl->glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(3 * n));
    gl->glEnableVertexAttribArray(0);
  } else
    gl->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * n), GL_UNSIGNED_INT, nullptr);
  finishDraw(gl, n, object);
  if (verbose)
    appMessage("  PavBufferTriangle::render:  %10d faces send to rendered vao %u \n", int(n), vao);
  return static_cast<int>(n);
}

// ---------------------------------------------------------------------------------------------
// Curved kinds

namespace {

// "PavBuffer" and the kind, with the degree's suffix past 1: PavBufferEdgeP2, PavBufferQuadQ3.
std::string curvedClassName(HoKind kind, int degree) {
  const bool quad = kind == HoQuadrilateral;
  std::string name = kind == HoEdge       ? "PavBufferEdge"
                     : kind == HoTriangle ? "PavBufferTriangle"
                     : quad               ? "PavBufferQuad"
                                          : "PavBufferTetra";
  if (degree > 1) name += (quad ? "Q" : "P") + std::to_string(degree);
  return name;
}

} // namespace

PavBufferCurved::PavBufferCurved(HoKind kind, int degree)
    : nodesPerElement(int(hoNodeCount(kind, degree))), kind(kind), degree(degree),
      name(curvedClassName(kind, degree)) {}

void PavBufferCurved::printType() { appMessage("%s\n", name.c_str()); }

void PavBufferCurved::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                                const int *elt) {
  if (!gl || nv < 1 || ne < 1 || !xyz || !elt) return;
  const std::vector<uint32_t> indices = packPatchIndices(kind, degree, ne, elt);
  const void *data = indices.empty() ? static_cast<const void *>(elt) : indices.data();
  if (!uploadStandard(gl, nv, xyz, ne, data, int64_t(ne) * nodesPerElement)) return;
  nodePos.attach(gl, GL_RGB32F, vbo[0]);
  nodeIdx.attach(gl, GL_R32UI, vbo[1]);
  if ((kind != HoTriangle && kind != HoQuadrilateral) || degree < 2 || indices.empty()) return;
  for (int field = 0; field < (kind == HoQuadrilateral ? 2 : 1); ++field) {
    FlatOrder &o = flatOrder[field];
    o.deviation = flatDeviation(kind, degree, nv, xyz, ne, indices.data(), field == 1);
    o.elements = orderByDeviation(o.deviation);
  }
}

void PavBufferCurved::updateDrawOrder(QOpenGLFunctions_4_0_Core *gl, int64_t split) {
  const std::vector<uint32_t> &byDeviation = flatOrderFor(flatField).elements;
  if ((split == drawnSplit && flatField == drawnField) || split < 1 ||
      byDeviation.size() != static_cast<size_t>(nbrElt))
    return;
  // Both parts in element order: neighbouring elements share nodes, so the fetches stay in the
  // caches (the order by deviation made the flat part three times slower), and llvmpipe drops
  // patches when many finely tessellated ones come together (the sphere of the tests opens from
  // level 30 with its most curved elements drawn last).
  std::vector<bool> flat(byDeviation.size(), false);
  for (int64_t i = 0; i < split; ++i) flat[byDeviation[static_cast<size_t>(i)]] = true;
  std::vector<uint32_t> order;
  order.reserve(byDeviation.size());
  for (int part = 1; part >= 0; --part)
    for (size_t e = 0; e < flat.size(); ++e)
      if (flat[e] == (part == 1)) order.push_back(static_cast<uint32_t>(e));
  eltOrder.upload(gl, GL_R32UI, int64_t(order.size() * sizeof(uint32_t)), order.data());
  drawnSplit = split;
  drawnField = flatField;
}

int PavBufferCurved::renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                                GlslProgram *program, QList<PavPickEntry> *picks, int *counter) {
  const bool edge = kind == HoEdge;
  // The flat part first, with its own program; both parts number their elements for picking
  // from the same first id.
  int64_t flat = 0, n = 0;
  const int first = counter ? *counter : 0;
  const bool split = flatProgram && flatElements > 0 && !flatOrder[0].elements.empty();
  // All flat: every element in its own order, no order to fill.
  const bool all = flatElements >= nbrElt;
  if (split && !all) updateDrawOrder(gl, flatElements);
  if (split && (all || eltOrder.exists())) {
    flatProgram->use();
    n = prepareDraw(gl, object, flatProgram, picks, counter, true);
    if (n > 0) {
      flat = std::min<int64_t>(flatElements, n);
      flatProgram->setUniform("Ordered", !all);
      // 3 vertices per flat triangle, 6 per quadrilateral (two triangles), but only nbrVer
      // positions: the attribute must not be fetched.
      const int corners = kind == HoQuadrilateral ? 6 : 3;
      gl->glDisableVertexAttribArray(0);
      gl->glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners * flat));
      gl->glEnableVertexAttribArray(0);
    }
    program->use();
    if (n < 1) return 0;
    if (flat < n) {
      int again = first;
      prepareDraw(gl, object, program, nullptr, &again, true);
    }
  } else {
    n = prepareDraw(gl, object, program, picks, counter, true);
    if (n < 1) return 0;
  }
  if (flat < n) {
    if (edge) setEdgeHighlight(program, object, nbrElt);
    const int k = nodesPerElement;
    program->setUniform("NodesPerElement", k);
    program->setUniform("EltFirst", static_cast<int>(flat));
    program->setUniform("Ordered", flat > 0);
    gl->glPatchParameteri(GL_PATCH_VERTICES, k);
    gl->glDrawArrays(GL_PATCHES, 0, static_cast<GLsizei>(int64_t(k) * (n - flat)));
  }
  finishDraw(gl, n, object);
  return static_cast<int>(n);
}

void PavBufferTetra::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                               const int *elt) {
  appMessage("updateVao Tetra \n");
  if (!uploadStandard(gl, nv, xyz, ne, elt, int64_t(ne) * 4)) return;
  nodePos.attach(gl, GL_RGB32F, vbo[0]);
  nodeIdx.attach(gl, GL_R32UI, vbo[1]);
}

// ---------------------------------------------------------------------------------------------
// Palette bar, patches, fields

void PavBufferPalette::printType() { appMessage("PavBufferPalette\n"); }

void PavBufferPalette::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                                 const int *elt) {
  uploadStandard(gl, nv, xyz, ne, elt, int64_t(ne) * 4);
}

int PavBufferPalette::render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                             GlslProgram *program) {
  if (!gl || !program || !object || !object->visible || !vao || nbrElt < 1) return 0;
  // The table is sent once per colour map, not with every frame.
  if (!colmap.exists() || uploadedColormap != colormapIndex) {
    const std::vector<float> table = colourTable(colormapIndex);
    colmap.upload(gl, GL_R32F, int64_t(table.size() * sizeof(float)), table.data());
    uploadedColormap = colormapIndex;
  }
  bindBufferTexture(gl, UnitColmap, colmap.texture);
  program->setUniform("colmap", int(UnitColmap));
  program->setUniform("colmapsiz", colormapSize(colormapIndex));
  gl->glBindVertexArray(vao);
  gl->glDrawElements(GL_LINES_ADJACENCY, 4 * nbrElt, GL_UNSIGNED_INT, nullptr);
  gl->glBindVertexArray(0);
  bindBufferTexture(gl, UnitColmap, 0);
  return nbrElt;
}

void PavBufferPatch::printType() { appMessage("PavBufferPatch\n"); }

void PavBufferPatch::updateVao(QOpenGLFunctions_4_0_Core *gl, int nv, const float *data, int ne,
                               const int *elt, bool) {
  if (!gl || nv < 1 || ne < 1 || !data || !elt) return;
  nbrVer = nv;
  nbrElt = ne;
  releaseGeometry(gl);
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(2, vbo);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
  ++bufferUploads;
  gl->glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(int64_t(nv) * 6 * sizeof(float)), data,
                   GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 24, nullptr);
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 24, reinterpret_cast<void *>(12));
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, vbo[1]);
  ++bufferUploads;
  gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                   static_cast<GLsizeiptr>(int64_t(ne) * 3 * sizeof(uint32_t)), elt,
                   GL_STATIC_DRAW);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

int PavBufferPatch::renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                               GlslProgram *program, QList<PavPickEntry> *picks, int *counter) {
  if (!gl || !program || !object || !object->visible || !vao || nbrElt < 1) return 0;
  const int base = counter ? *counter : 0;
  program->setUniform("BasePicking", base);
  gl->glBindVertexArray(vao);
  const int32_t nParts = object->getNbrParts();
  PavDrawObject *const *parts = nParts > 0 ? object->getParts() : nullptr;
  int64_t first = 0;
  // Without parts the whole patch is one range.
  const int32_t ranges = parts ? nParts : 1;
  for (int32_t i = 0; i < ranges; ++i) {
    PavDrawObject *part = parts ? parts[i] : object;
    const int64_t count = parts ? (part ? part->count : 0) : nbrElt;
    if (count < 1 || first + count > nbrElt) {
      first += count > 0 ? count : 0;
      continue;
    }
    if (picks) picks->append(PavPickEntry(part, base + static_cast<int>(first)));
    program->setUniform("offset", static_cast<int>(first));
    program->setUniform("HighLightAll", part->highlightAll || object->highlightPart == i);
    gl->glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * count), GL_UNSIGNED_INT,
                       reinterpret_cast<void *>(3 * first * int64_t(sizeof(uint32_t))));
    first += count;
  }
  gl->glBindVertexArray(0);
  if (counter) *counter = base + static_cast<int>(first);
  object->count = nbrElt;
  return static_cast<int>(first);
}

void PavBufferSolution::printType() { appMessage("PavBufferSolution\n"); }
void PavBufferMetrix::printType() { appMessage("PavBufferMetrix\n"); }

void PavBufferGlyph::upload(QOpenGLFunctions_4_0_Core *gl, int64_t corners, const float *xyz,
                            const float *rgb) {
  if (!gl) return;
  releaseGeometry(gl);
  nbrVer = nbrElt = 0;
  const int64_t triangles = corners / 3;
  if (triangles < 1 || !xyz || !rgb || triangles > INT32_MAX / 3) return;
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(2, vbo);
  const GLsizeiptr bytes = static_cast<GLsizeiptr>(3 * triangles * 3 * int64_t(sizeof(float)));
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[0]);
  gl->glBufferData(GL_ARRAY_BUFFER, bytes, xyz, GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo[1]);
  gl->glBufferData(GL_ARRAY_BUFFER, bytes, rgb, GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(1);
  gl->glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  nbrVer = static_cast<int>(3 * triangles);
  nbrElt = static_cast<int>(triangles);
}

int PavBufferGlyph::render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *, GlslProgram *) {
  if (!gl || !vao || nbrElt < 1) return 0;
  gl->glBindVertexArray(vao);
  gl->glDrawArrays(GL_TRIANGLES, 0, 3 * nbrElt);
  gl->glBindVertexArray(0);
  return nbrElt;
}

// ---------------------------------------------------------------------------------------------
// Factory

PavBufferObject *createBufferObjectForType(uint32_t type) {
  const int d = pavDrawTypeDegree(type);
  switch (pavDrawFamily(type)) {
  case PavDrawFamily::Point:
    return new PavBufferPoint;
  case PavDrawFamily::Edge:
    return d > 1 ? static_cast<PavBufferObject *>(new PavBufferCurved(HoEdge, d))
                 : new PavBufferEdge;
  case PavDrawFamily::Triangle:
    return d > 1 ? static_cast<PavBufferObject *>(new PavBufferCurved(HoTriangle, d))
                 : new PavBufferTriangle;
  case PavDrawFamily::Polygon:
    return new PavBufferTriangle;
  case PavDrawFamily::Quadrilateral:
    return new PavBufferCurved(HoQuadrilateral, d);
  case PavDrawFamily::Tetrahedron:
    return new PavBufferTetra;
  case PavDrawFamily::CutPlane:
    return new PavBufferCutPlane;
  case PavDrawFamily::Palette:
    return new PavBufferPalette;
  case PavDrawFamily::Patch:
    return new PavBufferPatch;
  case PavDrawFamily::Solution:
    return new PavBufferSolution;
  case PavDrawFamily::None:
  case PavDrawFamily::Composite:
    break;
  }
  return nullptr;
}

PavBufferObject *createBufferObject(const PavDrawObject *object) {
  return object ? createBufferObjectForType(object->type) : nullptr;
}

} // namespace pavo
