#include "scene/pick_resolution.h"

#include "render/buffer_packing.h"

#include <algorithm>

namespace pavo {

namespace {

const std::vector<int32_t> kNoPicks;

bool covers(const PavPickEntry &e, int64_t id) {
  return e.first && id >= e.second && id < (int64_t)e.second + e.first->count;
}

void dropLast(std::vector<PavDrawObject *> &objects, const PavDrawObject *object) {
  auto it = std::find(objects.rbegin(), objects.rend(), object);
  if (it != objects.rend()) objects.erase(std::next(it).base());
}

void storeLastPick(PavPickMark &m, int x, int y, int32_t local) {
  m.x = x;
  m.y = y;
  m.local = local;
}

} // namespace

const std::vector<int32_t> &PavPickState::pickedElts(const PavDrawObject *object) const {
  auto it = marks.find(object);
  return it == marks.end() ? kNoPicks : it->second.pickedElts;
}

void PavPickState::forget(const PavDrawObject *object) {
  marks.erase(object);
  pickedObjects.erase(std::remove(pickedObjects.begin(), pickedObjects.end(), object),
                      pickedObjects.end());
}

PavDrawObject *objectAtId(const QList<PavPickEntry> &picks, int64_t id, int32_t *local) {
  if (local) *local = -1;
  if (id <= 0) return nullptr;
  for (const PavPickEntry &e : picks) {
    if (!covers(e, id)) continue;
    if (local) *local = (int32_t)(id - e.second);
    return e.first;
  }
  return nullptr;
}

void clearPicks(const QList<PavPickEntry> &picks, PavPickState &state) {
  for (const PavPickEntry &e : picks) {
    if (!e.first) continue;
    state.mark(e.first).pickedElts.clear();
    e.first->highlightAll = false;
  }
  state.pickedObjects.clear();
}

PavDrawObject *resolvePick(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                           PavPickState &state) {
  PavDrawObject *found = nullptr;
  bool hit = false;
  if (id <= 0) {
    clearPicks(picks, state);
    return nullptr;
  }
  for (const PavPickEntry &e : picks) {
    if (!e.first) continue;
    PavPickMark &m = state.mark(e.first);
    if (!covers(e, id)) {
      m.pickedElts.clear();
      e.first->highlightAll = false;
      continue;
    }
    const int32_t local = (int32_t)(id - e.second);
    hit = true;
    if (!m.pickedElts.empty() && m.pickedElts.front() == local) {
      m.pickedElts.clear();
      if (!state.pickedObjects.empty()) state.pickedObjects.pop_back();
      continue;
    }
    state.pickedObjects.clear();
    m.pickedElts.clear();
    if (state.multiSelection) m.pickedElts.push_back(local);
    state.pickedObjects.push_back(e.first);
    storeLastPick(m, x, y, local);
    found = e.first;
  }
  // An id no range covers is the background too: nothing stays picked.
  if (!hit) state.pickedObjects.clear();
  return found;
}

PavDrawObject *resolvePickAdding(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                                 PavPickState &state) {
  int32_t local = -1;
  PavDrawObject *object = objectAtId(picks, id, &local);
  if (!object) {
    clearPicks(picks, state);
    return nullptr;
  }
  PavPickMark &m = state.mark(object);
  auto it = std::find(m.pickedElts.begin(), m.pickedElts.end(), local);
  if (it != m.pickedElts.end()) {
    m.pickedElts.erase(it);
    if (m.pickedElts.empty()) dropLast(state.pickedObjects, object);
    return nullptr;
  }
  m.pickedElts.push_back(local);
  if (std::find(state.pickedObjects.begin(), state.pickedObjects.end(), object) ==
      state.pickedObjects.end())
    state.pickedObjects.push_back(object);
  storeLastPick(m, x, y, local);
  return object;
}

PavDrawObject *resolveObjectPick(const QList<PavPickEntry> &picks, int64_t id, int x, int y,
                                 PavPickState &state) {
  int32_t local = -1;
  PavDrawObject *object = objectAtId(picks, id, &local);
  const bool wasSelected = object && object->highlightAll && state.lastPicked() == object;
  clearPicks(picks, state);
  if (!object || wasSelected) return nullptr;
  object->highlightAll = true;
  state.pickedObjects.push_back(object);
  storeLastPick(state.mark(object), x, y, local);
  return object;
}

PavDrawObject *toggleHighlightAll(const QList<PavPickEntry> &picks, int64_t id) {
  PavDrawObject *object = objectAtId(picks, id, nullptr);
  if (object) object->highlightAll = !object->highlightAll;
  return object;
}

PavDrawObject *suppressLastPicked(PavPickState &state, std::vector<PavDrawObject *> &suppressed) {
  PavDrawObject *object = state.lastPicked();
  if (!object) return nullptr;
  object->visible = false;
  state.forget(object);
  suppressed.push_back(object);
  return object;
}

PavDrawObject *restoreSuppressed(std::vector<PavDrawObject *> &suppressed) {
  if (suppressed.empty()) return nullptr;
  PavDrawObject *object = suppressed.back();
  suppressed.pop_back();
  object->visible = true;
  return object;
}

std::vector<float> pickedElementColours(const PavDrawObject &object,
                                        const std::vector<int32_t> &picked) {
  std::vector<float> out = packElementColors(object.count, object.eltColors, object.params.color);
  for (int32_t i : picked) {
    if (i < 0 || i >= object.count) continue;
    float *c = &out[(size_t)i * 4];
    c[0] = kPickedColour[0];
    c[1] = kPickedColour[1];
    c[2] = kPickedColour[2];
    c[3] = 1.0f;
  }
  return out;
}

} // namespace pavo
