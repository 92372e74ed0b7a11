// Resolution of a picked id: from the 32-bit id read under the cursor to the draw object and the
// local element index it names, through the pick list of the last render, with the bookkeeping
// of what is picked (the picked objects of the scene, the picked elements and the last pick of
// each object). No OpenGL: the scene window reads the id and calls these functions.
//
// Ids: entry (object, base) of the pick list covers ids base .. base + object->count - 1; id 0 is
// the background. Local indices are numbered from 0 within the object, in drawing order.
#pragma once

#include "render/buffer_object.h"
#include "render/draw_object.h"

#include <QList>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace pavo {

// The pick data of one draw object.
struct PavPickMark {
  std::vector<int32_t> pickedElts; // picked local indices, in picking order
  int x = -1, y = -1;              // cursor position of the last pick
  int32_t local = -1;              // local index of the last pick
};

// What is picked in one scene.
struct PavPickState {
  // Objects with a picked element (or, for the whole-object selection, the object), in picking
  // order; the last one is the current pick.
  std::vector<PavDrawObject *> pickedObjects;
  // Single selection: the picked element is recorded in its object's pickedElts only with this
  // switch on (with it off a pick is reported but neither coloured nor undone by a second click).
  bool multiSelection = true;

  // The mark of an object (created empty on first use).
  PavPickMark &mark(const PavDrawObject *object) { return marks[object]; }
  // The picked elements of an object; empty for an object never picked.
  const std::vector<int32_t> &pickedElts(const PavDrawObject *object) const;
  // The last picked object, null when nothing is picked.
  PavDrawObject *lastPicked() const {
    return pickedObjects.empty() ? nullptr : pickedObjects.back();
  }
  // Forgets an object (before it is deleted or hidden): its mark and its entries in pickedObjects.
  void forget(const PavDrawObject *object);

private:
  std::unordered_map<const PavDrawObject *, PavPickMark> marks;
};

// The entry of the pick list whose range holds id, with the local index; null (and -1) for the
// background, an empty list or an id no entry covers. Entries of objects that drew nothing
// (count < 1) cover no id.
PavDrawObject *objectAtId(const QList<PavPickEntry> &picks, int64_t id, int32_t *local);

// Single selection (left button with Shift). Walks the pick list in order: an object whose range
// misses id loses its picked elements and its highlightAll; the object hit either is unpicked (its
// first picked element is the index: pickedElts cleared, the last entry of pickedObjects dropped)
// or becomes the only pick (pickedObjects and its pickedElts cleared, the index appended with the
// multi-selection switch on, the object appended to pickedObjects, (x, y) and the index stored
// as its last pick). Returns the object picked, null on the background, on an id out of every
// range, on an unpick and for an empty list. The caller refreshes the per-element colours
// (pickedElementColours) of the objects of the list afterwards.
PavDrawObject *resolvePick(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                           PavPickState &state);

// Adding selection (left button with Control): the earlier picks stay. The element hit is removed
// from its object's pickedElts when it is already there (the object leaves pickedObjects when its
// list becomes empty, and null is returned), else appended (the object joins pickedObjects at the
// end, once) and the object returned with its last pick stored. The background, or an id out of
// every range, clears every selection as resolvePick does and returns null.
PavDrawObject *resolvePickAdding(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                                 PavPickState &state);

// Whole-object selection (left button with Alt or Meta, picking mode 3): the object hit becomes the
// only picked object and is highlighted whole (highlightAll; its pickedElts stay empty, its last
// pick is stored); every other object of the list loses its picks and highlight. Hitting the object
// that is already highlighted and picked unselects it and returns null. The background clears
// everything.
PavDrawObject *resolveObjectPick(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                                 PavPickState &state);

// Clears every pick of the objects of the list and their highlightAll, and pickedObjects.
void clearPicks(const QList<PavPickEntry> &picks, PavPickState &state);

// Double click: switches highlightAll of the object under id and returns it (null when id hits
// nothing; nothing changes then).
PavDrawObject *toggleHighlightAll(const QList<PavPickEntry> &picks, int64_t id);

// Key s: hides the last picked object (visible cleared, its picks forgotten) and pushes it on
// `suppressed`; returns it, null when nothing is picked.
PavDrawObject *suppressLastPicked(PavPickState &state, std::vector<PavDrawObject *> &suppressed);
// Key S: pops the last suppressed object and shows it again; null when none is suppressed.
PavDrawObject *restoreSuppressed(std::vector<PavDrawObject *> &suppressed);

// Highlights whole every object of the list for which keep(object) is true and clears the
// highlight of the others (highlighting by reference). Returns the number highlighted.
template <class Pred> int highlightObjects(const QList<PavPickEntry> &picks, Pred keep) {
  int n = 0;
  for (const PavPickEntry &e : picks) {
    if (!e.first) continue;
    e.first->highlightAll = keep(e.first);
    n += e.first->highlightAll ? 1 : 0;
  }
  return n;
}

// The colour used for picked faces in the texref texture; the face shaders recognise it.
constexpr float kPickedColour[3] = {0.0f, 1.0f, 1.0f};

// Per-element colours of an object for the texref texture (4 floats per drawn element): its own
// colours (eltColors, or its colour for every element) with the picked elements in kPickedColour
// at full alpha. Indices outside 0 .. count - 1 are ignored.
std::vector<float> pickedElementColours(const PavDrawObject &object,
                                        const std::vector<int32_t> &picked);

} // namespace pavo
