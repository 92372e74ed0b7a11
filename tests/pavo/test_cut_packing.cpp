// Clipping and capping layers of a cut cube against the cut's geometry and analytic fields.
#include "scene/cut_packing.h"

#include "mesh_builders.h"
#include "pav_solution.h"
#include "render/draw_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

using namespace pavo;
using pavo_test::buildCube;
using pavo_test::CubeSplit;

namespace {

// The plane x + 0.3 y - 0.5 = 0 crosses the unit cube in a rectangle of sides sqrt(1.09) and 1.
const double kPlane[4] = {1, 0.3, 0, -0.5};
const double kSection = std::sqrt(1.09);

double side(const float *p) { return kPlane[0] * p[0] + kPlane[1] * p[1] + kPlane[3]; }

double triangleArea(const float *const p[3]) {
  double a[3], b[3];
  for (int c = 0; c < 3; c++) a[c] = p[1][c] - p[0][c], b[c] = p[2][c] - p[0][c];
  return 0.5 * std::hypot(a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                          a[0] * b[1] - a[1] * b[0]);
}

// Vertex records 1..3: x; the vector (x, 2y, 3z); a scalar with one value too few. Element record 1
// of the P1 tetrahedra: x at each of its nodes.
void addFields(PavObject *obj) {
  char st[PAV_STATUS_SIZE];
  const int nv = pav_Count(obj, Vertices);
  auto x = [&](int v, int c) { return obj->crdDbl[3 * v + c]; };
  PavSolution *few = pav_NewSolutionRecord(3, PavSolScalar, nv - 1, 1, 1, st);
  PavSolution *vec = pav_NewSolutionRecord(3, PavSolVector, nv, 1, 1, st);
  PavSolution *sca = pav_NewSolutionRecord(3, PavSolScalar, nv, 1, 1, st);
  for (int v = 1; v <= nv; v++) {
    for (int c = 0; c < 3; c++) vec->data[3 * v + c] = (c + 1) * x(v, c);
    sca->data[v] = x(v, 0);
  }
  for (PavSolution *r : {few, vec, sca}) ASSERT_EQ(pav_PushSolution(obj, SolAtVertices, r, st), 0);
  const int nt = pav_Count(obj, Tetrahedra);
  if (nt < 1) return;
  PavSolution *elt = pav_NewSolutionRecord(3, PavSolScalar, nt, 1, 4, st);
  for (int i = 1; i <= nt; i++)
    for (int j = 0; j < 4; j++) elt->data[4 * i + j] = x(obj->ent[Tetrahedra].idx[4 * i + j], 0);
  ASSERT_EQ(pav_PushSolution(obj, SolAtTetrahedraP1, elt, st), 0);
}

// Groups sorted by reference, the -1 group last holding every element of the others.
void checkGroups(const PavCutLayer &layer, const int32_t *volRef) {
  ASSERT_EQ(layer.groups.back().ref, -1);
  int64_t sum = 0;
  for (size_t r = 0; r + 1 < layer.groups.size(); r++) {
    const PavCutGroup &g = layer.groups[r];
    EXPECT_TRUE(r == 0 || layer.groups[r - 1].ref < g.ref);
    for (int32_t p : g.parent) EXPECT_EQ(volRef[p], g.ref);
    sum += g.nbrElt();
  }
  EXPECT_EQ(layer.groups.back().nbrElt(), sum);
}

} // namespace

TEST(CutPacking, CappingLiesOnThePlaneFillsTheSectionAndCarriesTheField) {
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 3, 1);
  addFields(obj);
  const struct {
    PavCutFieldChoice choice;
    std::function<double(const float *)> oracle; // null: no field expected
  } cases[] = {{{1, 2, 0, 2}, [](const float *p) { return 2.0 * p[1]; }},
               {{1, 3, 0, 0}, nullptr},
               {{2, 0, 1, 0}, [](const float *p) { return p[0]; }}};
  for (const auto &fc : cases) {
    SCOPED_TRACE(fc.choice.vertexIndex);
    testing::internal::CaptureStdout();
    const std::vector<PavCutLayer> layers = packCapping(obj, kPlane, fc.choice);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              fc.choice.vertexIndex == 3 ? "error invalid number of solution: 63 != 64 \n" : "");
    ASSERT_EQ(layers.size(), 1u);
    const PavCutLayer &l = layers[0];
    EXPECT_EQ(l.fieldNodes, fc.oracle ? 3 : 0);
    checkGroups(l, obj->ent[Tetrahedra].ref);
    const PavCutGroup &all = l.groups.back();
    double area = 0;
    for (int64_t t = 0; t < all.nbrElt(); t++) {
      const float *p[3];
      for (int m = 0; m < 3; m++) p[m] = &l.xyz[size_t(3 * all.elt[size_t(3 * t + m)])];
      area += triangleArea(p);
      for (int m = 0; m < 3; m++) {
        EXPECT_NEAR(side(p[m]), 0, 1e-6);
        EXPECT_TRUE(!fc.oracle || std::fabs(all.field[size_t(3 * t + m)] - fc.oracle(p[m])) < 1e-5);
      }
    }
    EXPECT_NEAR(area, kSection, 1e-5);
  }
  pav_DeleteInterface(&obj);
}

TEST(CutPacking, ClippingShowsEveryFaceOfTheStraddlingElements) {
  PavObject *obj = buildCube(CubeSplit::Tetrahedra, 3, 1);
  addFields(obj);
  const PavEntitySet &tets = obj->ent[Tetrahedra];
  std::set<int32_t> straddling; // oracle: vertices strictly on both sides
  for (int i = 1; i <= tets.nbr; i++) {
    int pos = 0;
    for (int j = 0; j < 4; j++) {
      const double *x = obj->crdDbl + 3 * tets.idx[4 * i + j];
      pos += kPlane[0] * x[0] + kPlane[1] * x[1] + kPlane[3] > 0;
    }
    if (pos % 4) straddling.insert(i);
  }
  const std::vector<PavCutLayer> layers = packClipping(obj, kPlane, {2, 0, 1, 0});
  ASSERT_EQ(layers.size(), 1u);
  const PavCutLayer &l = layers[0];
  checkGroups(l, tets.ref);
  const PavCutGroup &all = l.groups.back();
  EXPECT_EQ(std::set<int32_t>(all.parent.begin(), all.parent.end()), straddling);
  EXPECT_EQ(all.nbrElt(), 4 * int64_t(straddling.size()));
  for (int64_t k = 0; k < all.nbrElt(); k++) {
    // Face k is face f of its parent: its nodes are the parent's vertices other than vertex f.
    const int32_t *pv = tets.idx + 4 * all.parent[size_t(k)];
    const double *opposite = obj->crdDbl + 3 * pv[all.face[size_t(k)]];
    for (int m = 0; m < 3; m++) {
      const float *p = &l.xyz[size_t(3 * all.elt[size_t(3 * k + m)])];
      bool isVertex = false;
      for (int j = 0; j < 4; j++) {
        const double *x = obj->crdDbl + 3 * pv[j];
        if (std::fabs(x[0] - p[0]) + std::fabs(x[1] - p[1]) + std::fabs(x[2] - p[2]) < 1e-6)
          isVertex = x != opposite;
      }
      EXPECT_TRUE(isVertex) << "face " << k << " node " << m;
      EXPECT_NEAR(all.field[size_t(3 * k + m)], p[0], 1e-5);
    }
  }
  pav_DeleteInterface(&obj);
}

// On a type large enough for the runs of entities, plane after plane (the first cut searches all
// and has the runs made, the next ones use them; other element arrays have them made again), the
// clipped and capped layers are those of the full search.
TEST(CutPacking, RunsOfEntitiesGiveTheLayersOfTheFullSearch) {
  pavo_test::ObjectPtr obj(buildCube(CubeSplit::Tetrahedra, 56, 1));
  PavEntitySet &tets = obj->ent[Tetrahedra];
  PavCutBlocks blocks;
  const double planes[][4] = {{1, 0.3, 0, -0.5}, {0.2, -1, 0.5, 0.3}};
  for (int pass = 0; pass < 2; pass++) {
    if (pass == 1) { // the elements in reverse order, in a new array: runs made for the old one
      const size_t n = 4 * (size_t(tets.nbr) + 1); // would miss elements
      int32_t *rev = static_cast<int32_t *>(calloc(n, sizeof(int32_t)));
      for (int32_t i = 1; i <= tets.nbr; i++)
        std::copy_n(tets.idx + 4 * (tets.nbr + 1 - i), 4, rev + 4 * i);
      free(tets.idx);
      tets.idx = rev;
    }
    for (const auto &pl : planes)
      for (bool capping : {false, true}) {
        auto pack = [&](PavCutBlocks *b) {
          return capping ? packCapping(obj.get(), pl, {}, b)
                         : packClipping(obj.get(), pl, {}, true, b);
        };
        if (blocks.making.valid()) blocks.making.wait();
        const std::vector<PavCutLayer> runs = pack(&blocks), all = pack(nullptr);
        ASSERT_EQ(runs.size(), all.size());
        for (size_t l = 0; l < all.size(); l++) {
          EXPECT_EQ(runs[l].xyz, all[l].xyz);
          EXPECT_EQ(runs[l].groups.back().parent, all[l].groups.back().parent);
        }
      }
    EXPECT_EQ(blocks.types[Tetrahedra].idx, tets.idx);
  }
}
