// Buffer objects: the GPU side of one draw object (vertex array, vertex and element buffers, the
// buffer textures of per-element colours and fields) and the draw call of its element kind.
//
// Curved kinds (patches) are drawn by vertex pulling: glDrawArrays(GL_PATCHES, 0, k * n) with
// no index buffer bound; the vertex stage reads node indices from a buffer texture over the
// element buffer (NodeIdx) and positions from one over the vertex buffer (NodePos), and hands the
// element index gl_VertexID / k down the pipeline. gl_PrimitiveID is not used for patches: some
// drivers restart it every few hundred patches. Flat triangles and lines draw indexed and use
// gl_PrimitiveID.
//
// Ownership: every GL name below belongs to exactly one member and is deleted by release() (or
// when the member is refilled). Every GL call needs the scene's context current.
#pragma once

#include <QList>
#include <QPair>
#include <cstdint>
#include <string>
#include <vector>

#include "ho_lattice.h"
#include "render/draw_object.h"

class QOpenGLFunctions_4_0_Core;

namespace pavo {

class GlslProgram;

// One pick-list entry: a draw object and the first picking id of its elements.
using PavPickEntry = QPair<PavDrawObject *, int>;

// A buffer with a buffer-texture view of it. Owns both names.
struct PavGlBufferTexture {
  unsigned buffer = 0;
  unsigned texture = 0;
  bool exists() const { return texture != 0; }
  // Replaces the contents: a new buffer of `bytes` bytes (GL_STATIC_DRAW) viewed with the
  // internal format (GL_R32F, GL_R8UI, GL_RGB32F...).
  void upload(QOpenGLFunctions_4_0_Core *gl, unsigned internalFormat, int64_t bytes,
              const void *data);
  void release(QOpenGLFunctions_4_0_Core *gl);
};

// A texture view of a buffer owned elsewhere (the vertex or element buffer). Owns the texture.
struct PavGlTextureView {
  unsigned texture = 0;
  void attach(QOpenGLFunctions_4_0_Core *gl, unsigned internalFormat, unsigned buffer);
  void release(QOpenGLFunctions_4_0_Core *gl);
};

// Picking bookkeeping of one draw: appends (part, first id) for each non-null part of a composite
// or (object, first id) otherwise, advances *counter by the drawn counts and returns the number
// of elements to draw (the sum of the parts' counts for a composite, else `nbrElt`).
int64_t appendPicks(PavDrawObject *object, int64_t nbrElt, QList<PavPickEntry> *picks,
                    int *counter);

// Buffers filled (glBufferData calls) since the process started: a redraw that changes only
// uniforms adds none.
int64_t pavBufferUploadCount();

class PavBufferObject {
public:
  PavBufferObject();
  virtual ~PavBufferObject();
  PavBufferObject(const PavBufferObject &) = delete;
  PavBufferObject &operator=(const PavBufferObject &) = delete;

  // Slot 0: the class name and a newline.
  virtual void printType();
  // Slot 1: positions (3 floats per vertex) and k indices per element (0-based).
  virtual void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                         const int *elt);
  // Slot 2: interleaved position + normal (6 floats per vertex), 3 indices per triangle.
  virtual void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *data, int nbrElt,
                         const int *elt, bool interleavedNormals);
  // Slot 3: per-face-normal layout, 5 doubles (x, y, z, u, v) per vertex, 3 vertices per face.
  virtual void updateVaoStl(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const double *data);
  // Slot 4: polygon layout: 5 floats per vertex, one tag per side, 3 normal floats per face.
  virtual void updateVaoPolygon(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *data,
                                const unsigned *edgeTags, const float *normals);
  // Slot 5: draws with the program in use; returns the elements drawn.
  virtual int render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program);
  // Slot 6: draws with the program in use, numbering the elements for picking from *counter
  // (advanced) and appending to the pick list; returns the elements drawn.
  virtual int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                         QList<PavPickEntry> *picks, int *counter);
  // Slot 7: face normals for the per-face-normal layout.
  virtual void updateNormals(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                             const float *normals);

  // Deletes the vertex array and every buffer and texture.
  void release(QOpenGLFunctions_4_0_Core *gl);
  // The element buffer as uploaded (0-based vertex indices, all of one element together), read
  // back from the GPU; empty when there is none.
  std::vector<uint32_t> readElementIndices(QOpenGLFunctions_4_0_Core *gl) const;
  // Uploads the colour table and the field coefficients (counts in floats; a count below 1
  // keeps the field's previous texture). Needs a filled buffer object.
  void updateFieldTextures(QOpenGLFunctions_4_0_Core *gl, int64_t nbrSol, const float *sol,
                           int64_t nbrJac, const float *jac, int64_t nbrVal, const float *val);
  // Refreshes texref from the object's per-element colours (uploads only when they changed).
  void updateColors(QOpenGLFunctions_4_0_Core *gl, const PavDrawObject *object);
  void releaseSolution(QOpenGLFunctions_4_0_Core *gl);
  void releaseJacobian(QOpenGLFunctions_4_0_Core *gl);
  void releaseValue(QOpenGLFunctions_4_0_Core *gl);

  // Attached fields (not owned); they carry the palettes, isolines and colour maps.
  void attachFields(const PavDrawField *sol, const PavDrawField *jac, const PavDrawField *val);
  void setFieldDegrees(int sol, int jac, int val);

  int nbrVer = 0;
  int nbrElt = 0;
  int objectId = 0;
  int solDeg = 0, jacDeg = 0, valDeg = 0;
  unsigned vbo[5] = {0, 0, 0, 0, 0};
  unsigned vao = 0;
  double bbox[6]; // (min, max) per axis
  bool verbose = false;
  const PavDrawField *solution = nullptr;
  const PavDrawField *jacobian = nullptr;
  const PavDrawField *value = nullptr;

  // Curved triangles and quadrilaterals sort their elements by their distance from their flat
  // drawing (flatDeviation) when uploaded (deviations in uploaded units, increasing). The scene
  // draws the first flatCount(tolerance) of them with flatProgram, untessellated, and tessellates
  // the rest; flatElements is how many the next renderList draws flat (0: all tessellated), in
  // the order for a field shown (flatField) or not.
  int64_t flatCount(double tolerance, bool field = false) const;
  GlslProgram *flatProgram = nullptr;
  int64_t flatElements = 0;
  bool flatField = false;

  bool texInit() const { return tex.exists(); }
  bool jacInit() const { return texjac.exists(); }
  bool valInit() const { return texval.exists(); }
  bool colInit() const { return colmap.exists(); }

protected:
  // The class name used in traces.
  virtual const char *className() const { return "PavBufferObject"; }
  // Shared upload of the standard layout: positions at location 0, k indices per element.
  bool uploadStandard(QOpenGLFunctions_4_0_Core *gl, int nv, const float *xyz, int ne,
                      const void *indices, int64_t indexCount);
  void releaseGeometry(QOpenGLFunctions_4_0_Core *gl);
  // Steps 1-11 of a face or edge draw; returns the number of elements to draw (0: nothing) and
  // leaves the vertex array bound and the textures on their units.
  int64_t prepareDraw(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                      QList<PavPickEntry> *picks, int *counter, bool fields);
  void finishDraw(QOpenGLFunctions_4_0_Core *gl, int64_t drawn, PavDrawObject *object);
  void ensurePlaceholders(QOpenGLFunctions_4_0_Core *gl);

  PavGlBufferTexture tex, texjac, texval, texref, colmap;
  PavGlBufferTexture normalTex, polygonTex;
  PavGlBufferTexture placeholder, placeholderU;
  PavGlTextureView nodePos, nodeIdx; // views of vbo[0] and vbo[1] for vertex pulling
  // Curved faces: element numbers by increasing deviation and the deviations in that order, [1]
  // while a field is shown (quadrilaterals only, whose flat drawing bends the parameters; empty:
  // as [0]); eltOrder holds the order of the last split draw (the flat part, then the others).
  struct FlatOrder {
    std::vector<uint32_t> elements;
    std::vector<float> deviation;
  };
  FlatOrder flatOrder[2];
  const FlatOrder &flatOrderFor(bool field) const {
    return field && !flatOrder[1].elements.empty() ? flatOrder[1] : flatOrder[0];
  }
  PavGlBufferTexture eltOrder;
  int64_t drawnSplit = -1;
  bool drawnField = false;
  bool norOn = false, polOn = false;
  std::vector<float> lastColors;    // what texref holds, when it holds a colour per element
  float lastUniform[3] = {0, 0, 0}; // its one colour otherwise
  int64_t lastColorCount = -1;      // for that many elements
};

// Points (vertices, corners, scene centre): positions only, GL_POINTS.
class PavBufferPoint : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
  int render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program) override;
  int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                 QList<PavPickEntry> *picks, int *counter) override;

protected:
  const char *className() const override { return "PavBufferPoint"; }
};

// Straight edges: 2 indices per edge, GL_LINES (widened by the geometry stage).
class PavBufferEdge : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
  int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                 QList<PavPickEntry> *picks, int *counter) override;

protected:
  const char *className() const override { return "PavBufferEdge"; }
};

// Flat triangles: indexed (3 per triangle), the per-face-normal layout and the polygon layout.
class PavBufferTriangle : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
  void updateVaoStl(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const double *data) override;
  void updateVaoPolygon(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *data,
                        const unsigned *edgeTags, const float *normals) override;
  int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                 QList<PavPickEntry> *picks, int *counter) override;
  void updateNormals(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object,
                     const float *normals) override;
  bool isNorOn() const { return norOn; }
  bool isPolOn() const { return polOn; }

protected:
  const char *className() const override { return "PavBufferTriangle"; }

private:
  bool uploadInterleaved(QOpenGLFunctions_4_0_Core *gl, int nv, const float *data);
  std::vector<float> positions; // kept for updateNormals
  std::vector<int> corners;
};

// Curved kinds: edges, triangles and quadrilaterals of a kind and degree (quadrilaterals of degree
// 1 too), drawn as patches of their control points by vertex pulling. The class name traces print
// is built from the kind and degree ("PavBufferTriangleP2", "PavBufferQuad", ...).
class PavBufferCurved : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  PavBufferCurved(HoKind kind, int degree);
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
  int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                 QList<PavPickEntry> *picks, int *counter) override;
  const int nodesPerElement; // control points per element, the patch size

protected:
  // Fills eltOrder for a draw of `split` flat elements, unless it holds that split already.
  void updateDrawOrder(QOpenGLFunctions_4_0_Core *gl, int64_t split);
  const char *className() const override { return name.c_str(); }
  const HoKind kind;
  const int degree;
  const std::string name;
};

// Volume tetrahedra: 4 nodes per element as patches (no program of the catalogue draws them).
class PavBufferTetra : public PavBufferCurved {
public:
  PavBufferTetra() : PavBufferCurved(HoTetrahedron, 1) {}
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
};

// Cut-plane lines: 2 indices per line, GL_LINES.
class PavBufferCutPlane : public PavBufferEdge {
public:
  void printType() override;
  int render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program) override;

protected:
  const char *className() const override { return "PavBufferCutPlane"; }
};

// The palette bar: 4 corners per bar, GL_LINES_ADJACENCY.
class PavBufferPalette : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
                 const int *elt) override;
  int render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program) override;
  void setColormap(int index) { colormapIndex = index; }

protected:
  const char *className() const override { return "PavBufferPalette"; }
  int colormapIndex = -1;
  int uploadedColormap = -1; // the colour map colmap holds, once it exists
};

// Patches: interleaved position + normal, drawn by element ranges, one range per part.
class PavBufferPatch : public PavBufferObject {
public:
  using PavBufferObject::updateVao;
  void printType() override;
  void updateVao(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *data, int nbrElt,
                 const int *elt, bool interleavedNormals) override;
  int renderList(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program,
                 QList<PavPickEntry> *picks, int *counter) override;

protected:
  const char *className() const override { return "PavBufferPatch"; }
};

// Fields and metric glyphs have no geometry of their own.
class PavBufferSolution : public PavBufferObject {
public:
  void printType() override;

protected:
  const char *className() const override { return "PavBufferSolution"; }
};
class PavBufferMetrix : public PavBufferObject {
public:
  void printType() override;
  int render(QOpenGLFunctions_4_0_Core *, PavDrawObject *, GlslProgram *) override { return 0; }

protected:
  const char *className() const override { return "PavBufferMetrix"; }
};

// Glyphs (metric ellipses and ellipsoids, arrows): plain triangles, 3 corners each, a position
// (location 0) and a colour (location 1) per corner, drawn with glDrawArrays; no draw object.
class PavBufferGlyph : public PavBufferObject {
public:
  // Replaces the triangles: `corners` positions and colours of 3 floats each (a count below 3
  // empties the buffer). nbrElt becomes the number of triangles.
  void upload(QOpenGLFunctions_4_0_Core *gl, int64_t corners, const float *xyz, const float *rgb);
  // Draws the triangles with the program in use (the object is not read); returns their number.
  int render(QOpenGLFunctions_4_0_Core *gl, PavDrawObject *object, GlslProgram *program) override;

protected:
  const char *className() const override { return "PavBufferGlyph"; }
};

// The buffer object of a draw object's type (owned by the caller), chosen by the type's family
// and degree; null for a null object, a type without buffer (5, 13-28, 33) or a type of 78 or
// more.
PavBufferObject *createBufferObject(const PavDrawObject *object);
PavBufferObject *createBufferObjectForType(uint32_t type);

} // namespace pavo
