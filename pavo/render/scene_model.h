// The scene model: what a scene window draws. It owns the draw objects and, as parts of each
// target object, the fields attached to it (at most one solution, one Jacobian and one value
// field), together with the connectivity that was uploaded for the object, kept on the CPU so
// that fields given per vertex can be spread onto the elements without reading the GPU back.
// The state the shader programs depend on (which field definitions are on, the largest degrees)
// is derived from what is attached, never stored beside it. No OpenGL here.
#pragma once

#include "render/draw_object.h"
#include "render/glsl_prefix.h"

#include <QList>
#include <QMap>
#include <memory>
#include <unordered_map>
#include <vector>

namespace pavo {

// Field definitions of the shader programs, derived from the attached fields: the programs are
// built with them as they are.
using PavFieldState = GlslFieldDefinitions;

// One object of the scene with its fields and its uploaded connectivity.
struct PavSceneEntry {
  std::unique_ptr<PavDrawObject> object;
  std::unique_ptr<PavDrawField> fields[3]; // indexed by PavFieldKind
  std::vector<int> elt;                    // 0-based node indices, nodes-per-element each
  int nbrVer = 0;                          // vertices of the uploaded geometry
};

class PavSceneModel {
public:
  // Takes ownership and returns the object; a null object, or one already in the model, is not
  // added and null is returned (an object already present stays owned by the model once).
  PavDrawObject *add(std::unique_ptr<PavDrawObject> object);
  // Takes the object out of the model and hands it back; its fields are deleted. Null when the
  // object is not in the model.
  std::unique_ptr<PavDrawObject> take(const PavDrawObject *object);
  // Deletes every object and field.
  void clear();

  bool contains(const PavDrawObject *object) const { return index.count(object) != 0; }
  PavSceneEntry *entry(const PavDrawObject *object);
  const PavSceneEntry *entry(const PavDrawObject *object) const;
  int size() const { return (int)index.size(); }
  // Objects by draw type, each list in insertion order; the map is ordered by type.
  const QMap<int, QList<PavDrawObject *>> &byType() const { return types; }
  const QList<PavDrawObject *> &objectsOfType(uint32_t type) const;

  // Attaches a field to an object of the model, replacing the previous field of its kind; the
  // field is deleted when the target is not in the model. Returns the attached field or null.
  PavDrawField *attach(PavDrawObject *target, std::unique_ptr<PavDrawField> field);
  // Deletes the field of a kind on a target (no effect when there is none).
  void detach(PavFieldKind kind, const PavDrawObject *target);
  PavDrawField *field(PavFieldKind kind, const PavDrawObject *target) const;
  // The first field of a kind in drawing order (types ascending, then insertion order), or null.
  const PavDrawField *firstField(PavFieldKind kind) const;
  // Shader definitions for what is attached now.
  PavFieldState fieldState() const;

private:
  std::unordered_map<const PavDrawObject *, std::unique_ptr<PavSceneEntry>> index;
  QMap<int, QList<PavDrawObject *>> types;
};

} // namespace pavo
