#include "scene/mesh_scene.h"

#include <algorithm>
#include <functional>

namespace pavo {

void PavMeshScene::indexBuilt() {
  builtIndex.clear();
  const std::vector<PavBuiltSet> *lists[2] = {&sets, &cuts};
  size_t n = 0;
  for (const std::vector<PavBuiltSet> *list : lists)
    for (const PavBuiltSet &s : *list) n += s.objects.size();
  builtIndex.reserve(n);
  for (uint32_t l = 0; l < 2; l++)
    for (size_t s = 0; s < lists[l]->size(); s++) {
      const std::vector<PavBuiltObject> &objects = (*lists[l])[s].objects;
      for (size_t i = 0; i < objects.size(); i++)
        if (objects[i].object)
          builtIndex.push_back({objects[i].object, l, (uint32_t)s, (uint32_t)i});
    }
  std::sort(builtIndex.begin(), builtIndex.end(), [](const PavBuiltRow &a, const PavBuiltRow &b) {
    return std::less<const PavDrawObject *>()(a.object, b.object);
  });
}

const PavBuiltObject *PavMeshScene::builtOf(const PavDrawObject *o,
                                            const PavBuiltSet **setOut) const {
  if (setOut) *setOut = nullptr;
  if (!o) return nullptr;
  auto row = std::lower_bound(builtIndex.begin(), builtIndex.end(), o,
                              [](const PavBuiltRow &r, const PavDrawObject *key) {
                                return std::less<const PavDrawObject *>()(r.object, key);
                              });
  if (row == builtIndex.end() || row->object != o) return nullptr;
  const std::vector<PavBuiltSet> &list = row->list == 0 ? sets : cuts;
  if (row->set >= list.size() || row->index >= list[row->set].objects.size()) return nullptr;
  const PavBuiltSet &set = list[row->set];
  if (set.objects[row->index].object != o) return nullptr;
  if (setOut) *setOut = &set;
  return &set.objects[row->index];
}

} // namespace pavo
