// GPU data of one draw object as the scene's programs read it: node positions (vertex attribute 0
// and the NodePos buffer texture), element node indices (element buffer and the NodeIdx buffer
// texture, lexicographic control-point layout for curved kinds), per-element colours (texref),
// the colour table (colmap) and the field coefficients (tex, texjac, texval), with placeholders so
// that every sampler is bound to a valid texture. One owner and one release path for every name.
//
// Packing is pure (packElementColours, packBezierField); the class only uploads and draws.
#pragma once

#include "render/draw_object.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class QOpenGLFunctions_4_0_Core;

namespace pavo {

class GlslProgram;
struct PavRenderOption;

// texref data: 4 floats per element (r, g, b, a; alpha 0 hides). Elements take the object's own
// per-element colours when it has them, else its colour; render mode 2 colours by reference.
std::vector<float> packElementColours(const PavDrawObject &object, int64_t nbrElt,
                                      const float objectColour[3]);

// Converts a field of nbrNod Lagrange values per element (canonical node order) on a face or edge
// draw type into Bezier coefficients in the lexicographic layout the fragment stage evaluates.
// Degree 0 and 1 fields are reordered only. Returns false (out untouched) for a degree without
// conversion or a node count that does not match the type.
bool packBezierField(uint32_t drawType, int nbrNod, int64_t nbrElt, const float *lagrange,
                     std::vector<float> &out);

class PavSceneGeometry {
public:
  PavSceneGeometry() = default;
  PavSceneGeometry(const PavSceneGeometry &) = delete;
  PavSceneGeometry &operator=(const PavSceneGeometry &) = delete;

  // Positions (3 floats per node) and nodesPerElement indices per element (from 0). Replaces
  // what was there. False, with nothing changed, for empty or inconsistent input.
  bool upload(QOpenGLFunctions_4_0_Core *gl, int nbrVer, const float *xyz, int nbrElt,
              const int *elt, int nodesPerElement);
  // Field coefficients (already in the layout of packBezierField) of the given kind.
  void uploadField(QOpenGLFunctions_4_0_Core *gl, PavFieldKind kind, const std::vector<float> &c);
  // Draws with `program` in use: binds the textures and draws the elements. Returns the elements
  // drawn. basePicking is the id of the first element.
  int64_t draw(QOpenGLFunctions_4_0_Core *gl, GlslProgram &program, const PavDrawObject &object,
               const PavDrawField *solution, int basePicking, const float objectColour[3]);
  void release(QOpenGLFunctions_4_0_Core *gl);

  int nbrVer = 0, nbrElt = 0, nodesPerElement = 0;

  struct BufferTexture {
    unsigned buffer = 0, texture = 0;
  };

private:
  void setBufferTexture(QOpenGLFunctions_4_0_Core *gl, BufferTexture &t, unsigned format,
                        const void *data, std::size_t bytes);
  void freeBufferTexture(QOpenGLFunctions_4_0_Core *gl, BufferTexture &t);

  unsigned vao = 0, vbo = 0, ebo = 0;
  BufferTexture nodePos, nodeIdx, ref, colmap, fields[3], placeholder, placeholderUint;
};

} // namespace pavo
