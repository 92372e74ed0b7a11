// The draw-type table, the draw-object factory, parent maps and the field attach checks;
// arrays packed without a context: patch order, STL layout, tags, colours, picks, Bezier controls
// of the fields for the fragment stage, and the clipping and capping layers of a cut cube against
// the cut's geometry and analytic fields.
#include "files/draw_types.h"
#include "ho_lattice.h"
#include "mesh_builders.h"
#include "pav_solution.h"
#include "render/buffer_object.h"
#include "render/buffer_packing.h"
#include "render/draw_object.h"
#include "render/field_packing.h"
#include "scene/cut_packing.h"
#include "test_paths.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace pavo;
using pavo_test::buildCube;
using pavo_test::CubeSplit;

// Buffer-object arrays packed without a context: patch order, STL layout, tags, colours, picks.

class PatchOrder : public ::testing::TestWithParam<std::tuple<int, int>> {};

// Control points lexicographically: triangles by the weight of vertex 0 ascending, then of
// vertex 1 descending; quadrilaterals by (i, j); edges by i (lattice coordinates as the oracle).
TEST_P(PatchOrder, ElementsAreRewrittenInLexicographicControlPointOrder) {
  const HoKind kind = static_cast<HoKind>(std::get<0>(GetParam()));
  const int degree = std::get<1>(GetParam());
  const int k = static_cast<int>(hoNodeCount(kind, degree));
  const int width = hoOrderWidth(kind);
  const int *order = hoNodeOrder(kind, degree);
  std::vector<int> elt(2 * k);
  for (int i = 0; i < 2 * k; ++i) elt[i] = 1000 * (i / k) + i % k; // node i % k of element i / k
  const std::vector<uint32_t> packed = packPatchIndices(kind, degree, 2, elt.data());
  ASSERT_EQ(packed.size(), size_t(2 * k));
  std::vector<bool> seen(k, false);
  std::tuple<int, int> previous(-1, 0);
  for (int p = 0; p < k; ++p) {
    const int node = int(packed[k + p]) - 1000; // the second element
    ASSERT_TRUE(node >= 0 && node < k && !seen[node]) << node;
    seen[node] = true;
    const int *l = order + node * width;
    std::tuple<int, int> key = kind == HoTriangle        ? std::make_tuple(l[0], -l[1])
                               : kind == HoQuadrilateral ? std::make_tuple(l[0], l[1])
                                                         : std::make_tuple(l[0], 0);
    EXPECT_TRUE(p == 0 || previous < key) << "position " << p;
    previous = key;
  }
}

INSTANTIATE_TEST_SUITE_P(CurvedKinds, PatchOrder,
                         ::testing::Combine(::testing::Values(int(HoEdge), int(HoTriangle),
                                                              int(HoQuadrilateral)),
                                            ::testing::Range(1, 5)));

TEST(BufferPacking, RejectsWhatCannotBeDrawn) {
  const int elt[6] = {0, 1, 2, 3, 4, 5};
  EXPECT_TRUE(packPatchIndices(HoTriangle, 5, 1, elt).empty());
  EXPECT_TRUE(packPatchIndices(HoHexahedron, 1, 1, elt).empty());
}

TEST(BufferPacking, StlLayoutCopiesVerticesAndComputesFaceNormals) {
  // A triangle in the plane z = 2 seen from +z, and a degenerate one (all corners equal).
  const double data[30] = {0, 0, 2, 0, 0, 3, 0, 2, 1, 0, 0, 4, 2, 0, 1, //
                           1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1};
  std::vector<float> inter, normals;
  ASSERT_EQ(packStlTriangles(6, data, inter, normals), 2);
  EXPECT_EQ(inter, std::vector<float>(data, data + 30));
  EXPECT_EQ(std::vector<float>(normals.begin(), normals.begin() + 6),
            std::vector<float>({0, 0, 1, 0, 0, 0}));
}

TEST(BufferPacking, FaceNormalsTagsAndColours) {
  const float xyz[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  const int elt[9] = {0, 1, 2, 0, 2, 3, 0, 1, 7};
  const std::vector<float> n = packFaceNormals(4, xyz, 3, elt);
  ASSERT_EQ(n.size(), 9u);
  EXPECT_FLOAT_EQ(n[3], 1);            // (0,1,0) x (0,0,1) = (1,0,0)
  EXPECT_EQ(n[6] + n[7] + n[8], 0.0f); // a corner out of range gives a zero normal

  const unsigned tags[6] = {1, 0, 7, 0, 0, 1};
  EXPECT_EQ(packEdgeTags(2, tags), (std::vector<uint8_t>{1, 0, 1, 0, 0, 1}));

  const float grey[3] = {0.5f, 0.25f, 0.125f};
  const std::vector<float> own = {1, 0, 0, 0, 0, 1, 0, 1};
  EXPECT_EQ(packElementColors(2, own, grey), own);
  EXPECT_EQ(packElementColors(3, own, grey)[0], 0.5f); // too few: the object's colour
}

// The distance of P2 triangles from their flat triangle: a mid-side node lifted by h puts the
// Bezier control point 2 h off the chord; a NaN or a node outside the positions sorts last.
TEST(BufferPacking, FlatDeviationOfCurvedTrianglesAndTheirOrder) {
  std::vector<float> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  std::vector<int> elt;
  for (float h : {0.1f, 0.0f, 0.03f, std::nanf("")}) {
    const int m = (int)xyz.size() / 3;
    xyz.insert(xyz.end(), {0.5f, 0, 0, 0.5f, 0.5f, h, 0, 0.5f, 0});
    elt.insert(elt.end(), {0, 1, 2, m, m + 1, m + 2});
  }
  elt.insert(elt.end(), {0, 1, 2, 3, 4, 99});
  bezierGeometry(DrawTriangleP2, (int)xyz.size() / 3, xyz.data(), 4, elt.data());
  const std::vector<uint32_t> idx = packPatchIndices(HoTriangle, 2, 5, elt.data());
  std::vector<float> dev =
      flatDeviation(HoTriangle, 2, (int)xyz.size() / 3, xyz.data(), 5, idx.data());
  const float inf = std::numeric_limits<float>::infinity(), want[5] = {0, 0.06f, 0.2f, inf, inf};
  EXPECT_EQ(orderByDeviation(dev), (std::vector<uint32_t>{1, 2, 0, 3, 4}));
  for (int i = 0; i < 5; i++) EXPECT_TRUE(dev[i] == want[i] || std::abs(dev[i] - want[i]) < 1e-6f);
  // Bilinear quadrilaterals: a flat trapezoid is drawn exactly by its two triangles, except for
  // its parameters (a quarter of the twist (-2, 0, 0)); its saddle, corners 0.1 off their plane,
  // within 0.2 as a surface.
  const std::vector<float> quads = {0, 0, 0,    4, 0, 0,     1, 1, 0,     3, 1, 0,
                                    0, 0, 0.1f, 4, 0, -0.1f, 1, 1, -0.1f, 3, 1, 0.1f};
  const std::vector<uint32_t> qidx = {0, 2, 1, 3, 4, 6, 5, 7}; // (0,0) (0,1) (1,0) (1,1)
  for (bool field : {false, true}) {
    const std::vector<float> q =
        flatDeviation(HoQuadrilateral, 1, 8, quads.data(), 2, qidx.data(), field);
    EXPECT_NEAR(q[0], field ? 0.5f : 0, 1e-6f);
    EXPECT_NEAR(q[1], field ? std::hypot(2, 0.4) / 4 : 0.2, 1e-6f);
  }
}

TEST(BufferPicking, CompositeAdvancesByItsParts) {
  PavDrawObjectWithPalette a(DrawTriangle, 1), b(DrawTriangle, 2), c(DrawTriangle, 3);
  a.count = 10, b.count = 0, c.count = 5;
  PavDrawObject *parts[4] = {&a, nullptr, &b, &c};
  PavDrawComposite composite(9);
  pavo_test::captured([&] { composite.setObjectsList(4, parts); });
  QList<PavPickEntry> picks;
  int counter = 1;
  EXPECT_EQ(appendPicks(&composite, 999, &picks, &counter), 15);
  EXPECT_EQ(picks, QList<PavPickEntry>({{&a, 1}, {&b, 11}, {&c, 11}}));
  EXPECT_EQ(counter, 16);
}

// A quadratic triangle field: the Bezier control of an edge is 2 f(mid) - (f(a) + f(b)) / 2, the
// vertex controls are the vertex values, stored at their lexicographic positions.
TEST(FieldPacking, CurvedFieldsBecomeBezierControlsInTheLexicographicLayout) {
  const int *order = hoNodeOrder(HoTriangle, 2);
  auto f = [](double a, double b) { return (float)(1 + 3 * a + a * b - 2 * b * b); };
  std::vector<float> lagrange(12);
  for (int e = 0; e < 2; e++)
    for (int i = 0; i < 6; i++)
      lagrange[(size_t)(6 * e + i)] = f(order[3 * i] / 2.0, order[3 * i + 1] / 2.0) + (float)e;
  std::vector<float> out;
  ASSERT_TRUE(packBezierField(DrawTriangleP2, 6, 2, lagrange.data(), out));
  ASSERT_EQ(out.size(), 12u);
  for (int e = 0; e < 2; e++)
    for (int i = 0; i < 6; i++) {
      int a = order[3 * i], b = order[3 * i + 1], c = order[3 * i + 2];
      float expected;
      if (a == 2 || b == 2 || c == 2) {
        expected = f(a / 2.0, b / 2.0);
      } else {
        // The edge joins the two vertices whose lattice coordinates are non-zero here.
        double ends[2][2];
        int k = 0;
        if (a) ends[k][0] = 1, ends[k][1] = 0, k++;
        if (b) ends[k][0] = 0, ends[k][1] = 1, k++;
        if (c) ends[k][0] = 0, ends[k][1] = 0, k++;
        expected = 2 * f(a / 2.0, b / 2.0) -
                   0.5f * (f(ends[0][0], ends[0][1]) + f(ends[1][0], ends[1][1]));
      }
      EXPECT_NEAR(out[(size_t)(6 * e + posTri(2, a, b, c))], expected + (float)e, 1e-5)
          << e << " " << i;
    }
  EXPECT_FALSE(packBezierField(DrawTriangleP2, 7, 2, lagrange.data(), out));
  EXPECT_FALSE(packBezierField(DrawVertex, 1, 2, lagrange.data(), out));
  EXPECT_FALSE(packBezierField(DrawTriangle, 3, 0, lagrange.data(), out));
}

// A vertex field becomes per-element corner values: P2 triangles keep their first three indices
// only, and a corrupt index reads 0 instead of outside the array.
TEST(FieldPacking, VertexFieldsGatherTheCornersOfEachElement) {
  const float atVertex[5] = {10, 11, 12, 13, 14};
  const uint32_t p2[12] = {0, 1, 2, 4, 4, 4, 2, 3, 7, 4, 4, 4};
  std::vector<float> out;
  ASSERT_TRUE(gatherVertexField(p2, 2, 6, 3, atVertex, 5, out));
  EXPECT_EQ(out, (std::vector<float>{10, 11, 12, 12, 13, 0}));
  std::vector<float> untouched = {1};
  EXPECT_FALSE(gatherVertexField(p2, 2, 6, 7, atVertex, 5, untouched));
  EXPECT_FALSE(gatherVertexField(p2, 0, 6, 3, atVertex, 5, untouched));
  EXPECT_FALSE(gatherVertexField(nullptr, 2, 6, 3, atVertex, 5, untouched));
  EXPECT_EQ(untouched, std::vector<float>{1});
}

// Every curved face kind has the node count of its Lagrange lattice, whatever block it sits in.
TEST(DrawTypes, NodeCountsFollowTheLatticeOfEachFamilyAndDegree) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES; t++) {
    const int d = pavDrawTypeDegree(t) + 1;
    const PavDrawFamily f = pavDrawFamily(t);
    const int lattice[] = {d, d * (d + 1) / 2, d * d}; // edges, triangles, quadrilaterals
    const int k = f == PavDrawFamily::Edge ? 0 : f == PavDrawFamily::Triangle ? 1 : 2;
    if (f == PavDrawFamily::Edge || f == PavDrawFamily::Triangle ||
        f == PavDrawFamily::Quadrilateral) {
      EXPECT_EQ(PavDrawTyp2Siz(t), lattice[k]) << t;
    }
  }
}

TEST(DrawObjects, FactoryCreatesEveryDrawableTypeAndRefusesTheRest) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES + 2; t++) {
    std::unique_ptr<PavDrawObject> o;
    const std::string out = pavo_test::captured([&] { o.reset(createDrawObject(t, 7)); });
    bool drawable =
        pavDrawFamily(t) != PavDrawFamily::None && t != DrawPalette && t != DrawComposite;
    if (drawable) {
      ASSERT_TRUE(o) << t;
      EXPECT_TRUE(o->type == t && o->id == 7 && o->visible);
    } else {
      EXPECT_FALSE(o) << t;
      EXPECT_EQ(out, "Warning no PavDrawObject created !\n") << t;
    }
  }
}

TEST(DrawObjects, ParentsAreTakenFromTheObjectsRangeOfTheList) {
  PavDrawObjectWithPalette tri(DrawTriangle, 1);
  tri.first = 2;
  tri.count = 2;
  const int32_t triples[] = {0, 0, 0, 0, 0, 0, 11, 1, 5, 12, 3, 6, 99, 9, 9};
  tri.setParents(triples);
  int32_t e, f, v;
  tri.getParent(1, &e, &f, &v);
  EXPECT_EQ(std::vector<int32_t>({e, f, v}), std::vector<int32_t>({12, 3, 6}));
  tri.getParent(2, &e, &f, &v); // past the drawn faces
  EXPECT_EQ(e, 0);
  const int32_t pairs[] = {0, 0, 0, 0, 7, 1, 8, 2};
  tri.setParentsFromPairs(pairs);
  EXPECT_EQ(std::vector<int32_t>(tri.getParentElt(), tri.getParentElt() + 2),
            std::vector<int32_t>({7, 8}));
}

// Undefined cases and bad attachments: each call's result and its
// printed lines byte for byte (type names keep their trailing blank, hence two blanks).
TEST(DrawTypes, CallsThatPrintReturnTheirMarkerAndTheirLines) {
  PavDrawObjectWithPalette target(DrawTriangle, 3);
  target.count = 4;
  target.polygonParents = {4, 4};
  PavDrawSolution sol(1);
  int32_t parent = -1;
  const struct {
    std::function<int()> call;
    int result;
    const char *out;
  } cases[] = {
      {[] { return PavDrawTyp2Siz(DrawPolygon); }, -1,
       "Warning PavDrawTyp2Siz case not defined for type Polygon  \n"},
      {[&] { return target.getPolygonParent(5, &parent) != 0; }, 1,
       "getPolygonParent: Error value asked 5 greater than number of elements 4 \n"},
      {[&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 5, 3); }, -1,
       " Invalid number of entities for solution object 5 != 4\n"},
      {[&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 4, 6); }, 2, ""},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
    int r = 0;
    const std::string out = pavo_test::captured([&] { r = cases[i].call(); });
    SCOPED_TRACE(i);
    EXPECT_EQ(r, cases[i].result);
    EXPECT_EQ(out, cases[i].out);
  }
}

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
