// Small meshes and comparisons shared by the loading and writing tests.
#pragma once

#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace load_test {

using Object = pavo_test::ObjectPtr;

inline Object newObject() {
  PavObject *obj = nullptr;
  EXPECT_EQ(pav_NewInterface(&obj), PAV_SUCCESS);
  return Object(obj);
}

// Every stored element type.
inline std::vector<int> elementTypes() {
  std::vector<int> types;
  for (int t = Edges; t <= PrismsP4; t++)
    if (pav_IsElementType(t)) types.push_back(t);
  return types;
}

// A mesh of the dimension with `nbrVer` vertices at values that need every bit of a double,
// `perType` elements of every type in `types` with arbitrary vertex numbers and references, and
// three corners (the last one on the last vertex).
inline Object makeMesh(int dim, int nbrVer, int perType, const std::vector<int> &types,
                       unsigned seed = 7) {
  Object obj = newObject();
  char status[PAV_STATUS_SIZE];
  obj->dim = dim;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> coord(-10.0, 10.0);
  std::uniform_int_distribution<int> vertex(1, nbrVer), ref(-5, 40);
  EXPECT_EQ(pav_AllocEntityArrays(obj.get(), Vertices, nbrVer, status), PAV_SUCCESS);
  for (int i = 1; i <= nbrVer; i++) {
    for (int c = 0; c < dim; c++) obj->crdDbl[3 * i + c] = coord(rng) / 3.0;
    obj->ent[Vertices].ref[i] = ref(rng);
  }
  EXPECT_EQ(pav_AllocEntityArrays(obj.get(), Corners, 3, status), PAV_SUCCESS);
  for (int i = 1; i <= 3; i++) {
    obj->ent[Corners].idx[i] = i == 3 ? nbrVer : vertex(rng);
    obj->ent[Corners].ref[i] = obj->ent[Vertices].ref[obj->ent[Corners].idx[i]];
  }
  for (int type : types) {
    EXPECT_EQ(pav_AllocEntityArrays(obj.get(), type, perType, status), PAV_SUCCESS);
    const int s = pav_MshTyp2Siz(type, nullptr);
    for (int i = 1; i <= perType; i++) {
      for (int k = 0; k < s; k++) obj->ent[type].idx[s * i + k] = vertex(rng);
      obj->ent[type].ref[i] = ref(rng);
    }
  }
  return obj;
}

// Same counts, coordinates, vertex numbers and references for every stored type.
inline void expectSameMesh(const PavObject *a, const PavObject *b) {
  ASSERT_EQ(a->dim, b->dim);
  for (int type = Vertices; type < PAV_NBR_STORED_TYPES; type++) {
    if (!pav_IsStoredType(type)) continue;
    SCOPED_TRACE(pav_TypeAllocName(type));
    const int32_t n = a->ent[type].nbr;
    ASSERT_EQ(n, b->ent[type].nbr);
    for (int32_t i = 1; i <= n; i++) ASSERT_EQ(a->ent[type].ref[i], b->ent[type].ref[i]) << i;
    if (type == Vertices) {
      for (int32_t i = 3; i < 3 * (n + 1); i++) ASSERT_EQ(a->crdDbl[i], b->crdDbl[i]) << i;
      continue;
    }
    const int s = type == Corners ? 1 : pav_MshTyp2Siz(type, nullptr);
    for (int32_t i = s; i < s * (n + 1); i++) ASSERT_EQ(a->ent[type].idx[i], b->ent[type].idx[i]);
  }
}

inline std::string statusName(const char *status) { return status + PAV_STATUS_SIZE; }

} // namespace load_test
