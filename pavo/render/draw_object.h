// Draw objects: the CPU-side description of one drawable set of entities.
//
// A draw object says which kind of element it holds (its draw type, draw_types.h), its identifier,
// its visibility and display options, the range of elements it covers and, for face kinds, the
// map from each drawn face back to the mesh entity it came from. The scene window owns the draw
// objects added to it and gives each a buffer object, which uploads and draws the data.
// Solutions, Jacobians and value fields are draw objects too (type DrawSolution) that are
// attached to a geometric draw object.
//
// Indices: `first` and the parent arrays are numbered as the mesh viewer fills them (element
// numbers of the mesh object, from 1); drawn faces are numbered from 0 within the object.
#pragma once

#include "files/draw_types.h"
#include "render/palette.h"

#include <cstdint>
#include <vector>

namespace pavo {

// Display parameters of a draw object beyond the fields named in the class.
struct PavDrawParams {
  float color[3] = {0.85f, 0.85f, 0.85f}; // face colour when no field or reference colour applies
  float shrink = 1.0f;                    // shrink factor of the faces toward their centre
  float lineWidth = 1.0f;                 // line width in pixels (edges)
  float pointSize = 4.0f;                 // point size in pixels (points, corners)
};

class PavDrawObject {
public:
  PavDrawObject(uint32_t type, int32_t id);
  virtual ~PavDrawObject();
  PavDrawObject(const PavDrawObject &) = delete;
  PavDrawObject &operator=(const PavDrawObject &) = delete;

  uint32_t type; // PavDrawType
  int32_t id;    // reference or running number given by the builder

  bool visible = true;
  bool highlightAll = false; // sets the HighLightAll uniform
  bool volSurf = false;      // faces of a volume: sets VolSurf, keeps them in wireframe mode
  bool pickable = true;      // false: left out of the picking pass (drawn helpers such as arrows)
  bool wholeInCut = false;   // drawn whole while a cut is on (the elements the plane crosses)

  float model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // column-major
  PavDrawParams params;

  int32_t first = 0; // first element index in the mesh arrays
  int32_t count = 0; // elements drawn; the buffer object's render stores its count back here

  // Per-element colours feeding the texref buffer texture: 4 floats per drawn element (r, g, b,
  // a; alpha 0 hides the element). Empty: every element takes the object's colour.
  std::vector<float> eltColors;
  // Per-element references (one per drawn element), for colours by reference. May be empty.
  std::vector<int32_t> eltRefs;
  // Highlighted sub-part of an edge or patch object (index into its parts), -1 for none.
  int32_t highlightPart = -1;

  // Virtual operations in slot order; the base bodies do nothing and return 0 or null.
  virtual const int32_t *getParentElt() const;                       // 0
  virtual void setParentElt(const int32_t *parents);                 // 1: copies `count`
  virtual const int32_t *getParentFace() const;                      // 2
  virtual const int32_t *getParentVer() const;                       // 3
  virtual void setParentFace(const int32_t *faces);                  // 4: copies `count`
  virtual void setParentVer(const int32_t *vers);                    // 5: copies `count`
  virtual int32_t getNbrParts() const;                               // 6
  virtual PavDrawObject *const *getParts() const;                    // 7
  virtual void setParts(int32_t n, PavDrawObject *const *parts);     // 8: not owned
  virtual void setParents(const int32_t *triples);                   // 9
  virtual void getParents(const int32_t **elt, const int32_t **face, // 10: base writes nulls
                          const int32_t **ver) const;                //
  virtual void getParent(int64_t i, int32_t *elt, int32_t *face,     // 11: base writes zeros
                         int32_t *ver) const;                        //
  virtual void setParentsFromPairs(const int32_t *pairs);            // 12
  virtual int getPolygonParent(int64_t i, int32_t *parent) const;    // 13: 0 on success
  virtual void setNormals(const float *normals);                     // 14: 3 per face, copied
  virtual const float *getNormals() const;                           // 15: base prints, null

  // The render mode (0-3, see PavRenderModeUniforms) of the object's last draw; set by the scene.
  int32_t renderMode = 1;
  // The colour the scene gives the object for this draw, used instead of params.color while
  // useSceneColor is set: the colour of its reference (its id) for faces in render mode 2, a
  // colour that stands out from the background for edges without a colour of their own. Set by
  // the scene before each draw.
  float sceneColor[3] = {0.85f, 0.85f, 0.85f};
  bool useSceneColor = false;

  // The colour the elements without a colour of their own take.
  const float *ownColor() const { return useSceneColor ? sceneColor : params.color; }
};

// The face and custom kinds (pavHasParents): parent maps from drawn faces to mesh entities.
//
// setParents copies, for each drawn face i (0..count-1), the triple at position first + i of the
// list (parent volume element, face number within it, third index); setParentsFromPairs copies
// the first of each pair at position first + i into the parent array.
class PavDrawObjectWithPalette : public PavDrawObject {
public:
  PavDrawObjectWithPalette(uint32_t type, int32_t id) : PavDrawObject(type, id) {}

  const int32_t *getParentElt() const override;
  void setParentElt(const int32_t *parents) override;
  const int32_t *getParentFace() const override;
  const int32_t *getParentVer() const override;
  void setParentFace(const int32_t *faces) override;
  void setParentVer(const int32_t *vers) override;
  void setParents(const int32_t *triples) override;
  void getParents(const int32_t **elt, const int32_t **face, const int32_t **ver) const override;
  // Zeros when i is outside the parent arrays.
  void getParent(int64_t i, int32_t *elt, int32_t *face, int32_t *ver) const override;
  void setParentsFromPairs(const int32_t *pairs) override;
  // Parent polygon of drawn triangle i. i greater than the drawn count prints
  // "getPolygonParent: Error value asked %d greater than number of elements %d \n" and returns 1.
  int getPolygonParent(int64_t i, int32_t *parent) const override;
  void setNormals(const float *normals) override;
  const float *getNormals() const override;

  // Parent polygon of each drawn triangle (polygon kinds), filled by the builder.
  std::vector<int32_t> polygonParents;

protected:
  std::vector<int32_t> parentElt, parentFace, parentVer;
  std::vector<float> normals; // 3 per face
};

// The palette bar (type DrawPalette), created directly.
class PavDrawPalette : public PavDrawObject {
public:
  explicit PavDrawPalette(int32_t id) : PavDrawObject(DrawPalette, id) {}
};

// Which field a field object carries.
enum class PavFieldKind { Solution, Jacobian, Value };

// A field attached to a geometric object: type DrawSolution, with its palette and isolines.
class PavDrawField : public PavDrawObject, public PavPalette {
public:
  PavDrawField(PavFieldKind kind, int32_t id) : PavDrawObject(DrawSolution, id), fieldKind(kind) {}
  const PavFieldKind fieldKind;
  // Degree and layout recorded when attached (see the scene window's attachData).
  int32_t degree = 0;
  bool atVertices = false; // solution given per vertex rather than per element
};

class PavDrawSolution : public PavDrawField {
public:
  PavDrawSolution(uint32_t, int32_t id) : PavDrawField(PavFieldKind::Solution, id) {}
  explicit PavDrawSolution(int32_t id) : PavDrawField(PavFieldKind::Solution, id) {}
};
class PavDrawJacobian : public PavDrawField {
public:
  explicit PavDrawJacobian(int32_t id) : PavDrawField(PavFieldKind::Jacobian, id) {}
};
class PavDrawValue : public PavDrawField {
public:
  explicit PavDrawValue(int32_t id) : PavDrawField(PavFieldKind::Value, id) {}
};

// A set of other draw objects drawn and picked as one (type DrawComposite), created directly.
class PavDrawComposite : public PavDrawObject {
public:
  explicit PavDrawComposite(int32_t id) : PavDrawObject(DrawComposite, id) {}
  uint32_t compositeType = DrawTriangle; // draw type of the parts
  int32_t nbrObj = 0;
  // Stores a copy of the part pointers (the parts are not owned) and their drawn counts,
  // printing its progress lines.
  void setObjectsList(int32_t n, PavDrawObject *const *list);
  void setParts(int32_t n, PavDrawObject *const *list) override { setObjectsList(n, list); }
  int32_t getNbrParts() const override { return nbrObj; }
  PavDrawObject *const *getParts() const override { return objs.empty() ? nullptr : objs.data(); }
  // Sum of the parts' drawn counts.
  int64_t totalCount() const;

private:
  std::vector<PavDrawObject *> objs;
};

// The factory, by the draw type's family: a PavDrawObjectWithPalette for the types with parent
// maps (pavHasParents), a PavDrawSolution for DrawSolution, a plain PavDrawObject for points,
// edges, patches and the cut plane. DrawPalette and DrawComposite are constructed directly; any
// other code prints "Warning no PavDrawObject created !" and returns null. The caller owns the
// result.
PavDrawObject *createDrawObject(uint32_t type, int32_t id);

// Uniforms that a render mode sets before each face draw (the scene's option word, bits 1-3).
// Fields left at -1 keep the scene's own setting.
struct PavRenderModeUniforms {
  int faceOff = 0;      // FaceOff
  int usePhong = -1;    // UsePhong
  bool setLine = false; // Line.Color is set
  float lineColor[4] = {0, 0, 0, 1};
  float kd[3] = {0.85f, 0.85f, 0.85f}; // Material.Kd
};

// Mode 0 wireframe (faces off: flat in Kd, the complement of the line colour, so that they hide
// the lines behind them; UsePhong 3), 1 the same with faces, 2 coloured by the reference colour of
// the object's id, 3 plain grey (0.84). whiteLines picks white lines instead of black.
PavRenderModeUniforms renderModeUniforms(int mode, bool whiteLines, const float refColour[3]);

// Checks the arguments of a field attachment (steps that need no scene): prints the messages of
// a missing object, a swapped pair, a count mismatch or a bad node count and returns -1, or
// returns the field degree (PavSolDeg of the target's type). nbrEnt 0 returns -2 silently
// (nothing to do).
int checkFieldAttach(PavFieldKind kind, const PavDrawObject *field, const PavDrawObject *target,
                     int64_t nbrEnt, int nbrNod);

} // namespace pavo
