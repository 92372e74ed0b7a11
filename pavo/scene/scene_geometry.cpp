#include "scene/scene_geometry.h"

#include "render/colormaps.h"
#include "render/glsl_program.h"

#include "ho_bezier.h"
#include "ho_lattice.h"

#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>

namespace pavo {

std::vector<float> packElementColours(const PavDrawObject &object, int64_t nbrElt,
                                      const float colour[3]) {
  std::vector<float> rgba(4 * (size_t)std::max<int64_t>(nbrElt, 0));
  bool own = object.eltColors.size() >= rgba.size();
  for (size_t e = 0; e < (size_t)std::max<int64_t>(nbrElt, 0); e++)
    for (int k = 0; k < 4; k++)
      rgba[4 * e + k] = own ? object.eltColors[4 * e + k] : (k < 3 ? colour[k] : 1.0f);
  return rgba;
}

bool packBezierField(uint32_t type, int nbrNod, int64_t nbrElt, const float *lagrange,
                     std::vector<float> &out) {
  int deg = PavSolDeg(type, nbrNod);
  if (deg < 0 || !lagrange || nbrElt <= 0) return false;
  PavDrawFamily f = pavDrawFamily(type);
  HoKind kind = f == PavDrawFamily::Edge            ? HoEdge
                : f == PavDrawFamily::Quadrilateral ? HoQuadrilateral
                                                    : HoTriangle;
  if (deg > 1 && !hoHasKernel(kind, deg)) return false;
  const int *nodeToPos = hoNodeToPos(kind, deg);
  std::vector<double> lag((size_t)nbrNod), bez((size_t)nbrNod);
  out.assign((size_t)nbrElt * (size_t)nbrNod, 0.0f);
  for (int64_t e = 0; e < nbrElt; e++) {
    const float *src = lagrange + e * nbrNod;
    for (int i = 0; i < nbrNod; i++) lag[(size_t)i] = src[i];
    if (deg > 1)
      hoLagrangeToBezier(kind, deg, lag.data(), bez.data());
    else
      bez = lag;
    float *dst = out.data() + e * nbrNod;
    for (int i = 0; i < nbrNod; i++) dst[nodeToPos[i]] = (float)bez[(size_t)i];
  }
  return true;
}

void PavSceneGeometry::setBufferTexture(QOpenGLFunctions_4_0_Core *gl, BufferTexture &t,
                                        unsigned format, const void *data, size_t bytes) {
  freeBufferTexture(gl, t);
  gl->glGenBuffers(1, &t.buffer);
  gl->glBindBuffer(GL_TEXTURE_BUFFER, t.buffer);
  gl->glBufferData(GL_TEXTURE_BUFFER, (GLsizeiptr)bytes, data, GL_STATIC_DRAW);
  gl->glGenTextures(1, &t.texture);
  gl->glBindTexture(GL_TEXTURE_BUFFER, t.texture);
  gl->glTexBuffer(GL_TEXTURE_BUFFER, format, t.buffer);
  gl->glBindTexture(GL_TEXTURE_BUFFER, 0);
  gl->glBindBuffer(GL_TEXTURE_BUFFER, 0);
}

void PavSceneGeometry::freeBufferTexture(QOpenGLFunctions_4_0_Core *gl, BufferTexture &t) {
  if (t.texture) gl->glDeleteTextures(1, &t.texture);
  if (t.buffer) gl->glDeleteBuffers(1, &t.buffer);
  t = BufferTexture();
}

bool PavSceneGeometry::upload(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                              const int *elt, int k) {
  if (!gl || nv <= 0 || !xyz || ne <= 0 || !elt || k <= 0) return false;
  for (int64_t i = 0; i < (int64_t)ne * k; i++)
    if (elt[i] < 0 || elt[i] >= nv) return false;
  release(gl);
  nbrVer = nv;
  nbrElt = ne;
  nodesPerElement = k;
  size_t posBytes = 3 * sizeof(float) * (size_t)nv, idxBytes = sizeof(int) * (size_t)ne * k;
  gl->glGenVertexArrays(1, &vao);
  gl->glBindVertexArray(vao);
  gl->glGenBuffers(1, &vbo);
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
  gl->glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)posBytes, xyz, GL_STATIC_DRAW);
  gl->glEnableVertexAttribArray(0);
  gl->glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
  gl->glGenBuffers(1, &ebo);
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
  gl->glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)idxBytes, elt, GL_STATIC_DRAW);
  gl->glBindVertexArray(0);
  gl->glBindBuffer(GL_ARRAY_BUFFER, 0);
  gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  setBufferTexture(gl, nodePos, GL_RGB32F, xyz, posBytes);
  setBufferTexture(gl, nodeIdx, GL_R32UI, elt, idxBytes);
  const float zero = 0;
  const unsigned zeroU = 0;
  setBufferTexture(gl, placeholder, GL_R32F, &zero, sizeof zero);
  setBufferTexture(gl, placeholderUint, GL_R8UI, &zeroU, 1);
  return true;
}

void PavSceneGeometry::uploadField(QOpenGLFunctions_4_0_Core *gl, PavFieldKind kind,
                                   const std::vector<float> &c) {
  if (!gl || c.empty()) return;
  setBufferTexture(gl, fields[(int)kind], GL_R32F, c.data(), c.size() * sizeof(float));
}

int64_t PavSceneGeometry::draw(QOpenGLFunctions_4_0_Core *gl, GlslProgram &p,
                               const PavDrawObject &object, const PavDrawField *solution,
                               int basePicking, const float colour[3]) {
  if (!gl || !vao || nbrElt < 1 || !object.visible) return 0;
  int unit = 0;
  auto bind = [&](const char *name, unsigned texture) {
    gl->glActiveTexture(GL_TEXTURE0 + (GLenum)unit);
    gl->glBindTexture(GL_TEXTURE_BUFFER, texture);
    p.setUniform(name, unit);
    unit++;
  };
  // The colour table of the field's map, or the default rainbow.
  int map = solution ? solution->colormap : 0;
  setBufferTexture(gl, colmap, GL_R32F, colormapTable(map),
                   3 * sizeof(float) * (size_t)colormapSize(map));
  bind("colmap", colmap.texture);
  p.setUniform("colmapsiz", colormapSize(map));
  bool sol = solution && fields[0].texture;
  bind("tex", sol ? fields[0].texture : placeholder.texture);
  bind("texjac", fields[1].texture ? fields[1].texture : placeholder.texture);
  bind("texval", fields[2].texture ? fields[2].texture : placeholder.texture);
  bind("normal", placeholder.texture);
  bind("polygon", placeholderUint.texture);
  if (sol) {
    p.setUniform("Palette", 5, solution->palette);
    p.setUniform("solDeg", (int)solution->degree);
    p.setUniform("nbrIso", (int)std::min(solution->nbrIso, 9));
    p.setUniform("NbrUsrIso", (int)solution->nbrUsrIso);
    p.setUniform("UsrIso", 9, solution->usrIso);
  } else {
    p.setUniform("SolOn", 0);
    p.setUniform("IsoOn", 0);
  }
  p.setUniform("JacOn", false);
  p.setUniform("JacIsoOn", false);
  p.setUniform("ValOn", false);
  std::vector<float> rgba = packElementColours(object, nbrElt, colour);
  setBufferTexture(gl, ref, GL_R32F, rgba.data(), rgba.size() * sizeof(float));
  bind("texref", ref.texture);
  bind("NodePos", nodePos.texture);
  bind("NodeIdx", nodeIdx.texture);
  p.setUniform("NodesPerElement", nodesPerElement);
  p.setUniform("BasePicking", basePicking);
  p.setUniform("offset", 0);
  p.setUniform("VolSurf", object.volSurf);
  p.setUniform("HighLightAll", object.highlightAll);
  p.setUniform("NbrHighLight", 0);
  gl->glBindVertexArray(vao);
  PavDrawFamily f = pavDrawFamily(object.type);
  int degree = pavDrawTypeDegree(object.type);
  GLsizei n = (GLsizei)nbrElt * nodesPerElement;
  if (f == PavDrawFamily::Point) {
    gl->glDrawArrays(GL_POINTS, 0, nbrVer);
  } else if (f == PavDrawFamily::Edge && degree == 1) {
    gl->glDrawElements(GL_LINES, n, GL_UNSIGNED_INT, nullptr);
  } else if (f == PavDrawFamily::Polygon || (f == PavDrawFamily::Triangle && degree == 1)) {
    gl->glDrawElements(GL_TRIANGLES, n, GL_UNSIGNED_INT, nullptr);
  } else {
    // Curved kinds and quadrilaterals pull their nodes: one patch per element, no index buffer.
    gl->glPatchParameteri(GL_PATCH_VERTICES, nodesPerElement);
    gl->glDrawArrays(GL_PATCHES, 0, n);
  }
  gl->glBindVertexArray(0);
  for (int u = unit - 1; u >= 0; u--) {
    gl->glActiveTexture(GL_TEXTURE0 + (GLenum)u);
    gl->glBindTexture(GL_TEXTURE_BUFFER, 0);
  }
  gl->glActiveTexture(GL_TEXTURE0);
  return f == PavDrawFamily::Point ? nbrVer : nbrElt;
}

void PavSceneGeometry::release(QOpenGLFunctions_4_0_Core *gl) {
  if (!gl) return;
  if (vao) gl->glDeleteVertexArrays(1, &vao);
  if (vbo) gl->glDeleteBuffers(1, &vbo);
  if (ebo) gl->glDeleteBuffers(1, &ebo);
  vao = vbo = ebo = 0;
  for (BufferTexture *t : {&nodePos, &nodeIdx, &ref, &colmap, &fields[0], &fields[1], &fields[2],
                           &placeholder, &placeholderUint})
    freeBufferTexture(gl, *t);
  nbrVer = nbrElt = nodesPerElement = 0;
}

} // namespace pavo
