#include "render/scene_model.h"

#include <algorithm>

namespace pavo {

namespace {
const QList<PavDrawObject *> kNoObjects;
}

PavDrawObject *PavSceneModel::add(std::unique_ptr<PavDrawObject> object) {
  if (!object || contains(object.get())) {
    (void)object.release(); // already owned here (or null): never owned twice
    return nullptr;
  }
  PavDrawObject *raw = object.get();
  auto e = std::make_unique<PavSceneEntry>();
  e->object = std::move(object);
  index.emplace(raw, std::move(e));
  types[(int)raw->type].append(raw);
  return raw;
}

std::unique_ptr<PavDrawObject> PavSceneModel::take(const PavDrawObject *object) {
  auto it = index.find(object);
  if (it == index.end()) return nullptr;
  std::unique_ptr<PavDrawObject> out = std::move(it->second->object);
  index.erase(it);
  auto t = types.find((int)out->type);
  if (t != types.end()) {
    t->removeAll(out.get());
    if (t->isEmpty()) types.erase(t);
  }
  return out;
}

void PavSceneModel::clear() {
  index.clear();
  types.clear();
}

PavSceneEntry *PavSceneModel::entry(const PavDrawObject *object) {
  auto it = index.find(object);
  return it == index.end() ? nullptr : it->second.get();
}

const PavSceneEntry *PavSceneModel::entry(const PavDrawObject *object) const {
  auto it = index.find(object);
  return it == index.end() ? nullptr : it->second.get();
}

const QList<PavDrawObject *> &PavSceneModel::objectsOfType(uint32_t type) const {
  auto it = types.find((int)type);
  return it == types.end() ? kNoObjects : *it;
}

PavDrawField *PavSceneModel::attach(PavDrawObject *target, std::unique_ptr<PavDrawField> field) {
  PavSceneEntry *e = entry(target);
  if (!e || !field) return nullptr;
  std::unique_ptr<PavDrawField> &slot = e->fields[(int)field->fieldKind];
  slot = std::move(field);
  return slot.get();
}

void PavSceneModel::detach(PavFieldKind kind, const PavDrawObject *target) {
  if (PavSceneEntry *e = entry(target)) e->fields[(int)kind].reset();
}

PavDrawField *PavSceneModel::field(PavFieldKind kind, const PavDrawObject *target) const {
  const PavSceneEntry *e = entry(target);
  return e ? e->fields[(int)kind].get() : nullptr;
}

const PavDrawField *PavSceneModel::firstField(PavFieldKind kind) const {
  for (const QList<PavDrawObject *> &list : types)
    for (const PavDrawObject *o : list)
      if (const PavDrawField *f = field(kind, o)) return f;
  return nullptr;
}

PavFieldState PavSceneModel::fieldState() const {
  PavFieldState s;
  for (const auto &kv : index) {
    const PavSceneEntry &e = *kv.second;
    if (const PavDrawField *f = e.fields[(int)PavFieldKind::Solution].get()) {
      s.sol = true;
      s.solDeg = std::max(s.solDeg, (int)f->degree);
    }
    if (const PavDrawField *f = e.fields[(int)PavFieldKind::Jacobian].get()) {
      s.jac = true;
      s.jacDeg = std::max(s.jacDeg, (int)f->degree);
    }
    if (e.fields[(int)PavFieldKind::Value]) s.val = true;
  }
  return s;
}

} // namespace pavo
