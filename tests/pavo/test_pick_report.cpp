// Picked-entity texts byte for byte; metric eigen decompositions against LAPACK; picked ids
// resolved through a pick list: ranges, unpicking, adding and whole-object selection.
#include "files/draw_types.h"
#include "pav_solution.h"
#include "scene/pick_report.h"
#include "scene/pick_resolution.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace pavo;

extern "C" void dsyev_(const char *jobz, const char *uplo, const int *n, double *a, const int *lda,
                       double *w, double *work, const int *lwork, int *info);

namespace {

struct Mesh {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  explicit Mesh(int dim) {
    pav_NewInterface(&obj);
    obj->dim = dim;
  }
  ~Mesh() { pav_DeleteInterface(&obj); }
  void vertices(const std::vector<double> &xyz) {
    const int n = (int)xyz.size() / 3;
    ASSERT_EQ(pav_AllocEntityArrays(obj, Vertices, n, status), 0) << status;
    std::copy(xyz.begin(), xyz.end(), obj->crdDbl + 3);
  }
  void element(int type, const std::vector<int> &nodes, int ref) {
    ASSERT_EQ(pav_AllocEntityArrays(obj, type, 1, status), 0) << status;
    std::copy(nodes.begin(), nodes.end(), obj->ent[type].idx + nodes.size());
    obj->ent[type].ref[1] = ref;
  }
  void field(int solTyp, int kind, int nbrEnt, int nbrNod, const std::vector<double> &values) {
    PavSolution *rec = pav_NewSolutionRecord(obj->dim, kind, nbrEnt, 1, nbrNod, status);
    ASSERT_NE(rec, nullptr) << status;
    std::copy(values.begin(), values.end(), rec->data + values.size() / nbrEnt);
    ASSERT_EQ(pav_PushSolution(obj, solTyp, rec, status), 0) << status;
  }
  void jacobianAndQuality(int type, const std::vector<double> &jac, double q) {
    PavSolution *j = pav_NewSolutionRecord(3, PavSolScalar, 1, 1, int(jac.size()), status);
    std::copy(jac.begin(), jac.end(), j->data + jac.size());
    pav_SetJacobian(obj, type, j, status);
    double *v = static_cast<double *>(calloc(2, sizeof(double)));
    v[1] = q;
    pav_SetValues(obj, type, v, status);
  }
};

const std::vector<double> kVertices = {0, 0,   0, 1, 0,   0,   0, 1, 0,   0, 0,
                                       1, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0};

std::vector<double> numbersIn(const std::string &line) {
  std::vector<double> out;
  std::istringstream in(line.substr(line.find(')') + 1));
  for (double v; in >> v;) out.push_back(v);
  return out;
}

} // namespace

TEST(PickReport, ElementsVerticesAndPolygonsPrintTheirExactLines) {
  Mesh m(3);
  m.vertices(kVertices);
  m.element(Triangles, {1, 2, 3}, 7);
  m.element(TrianglesP2, {1, 2, 3, 5, 6, 7}, 8);
  m.element(Edges, {2, 3}, 3);
  m.element(Tetrahedra, {1, 2, 3, 4}, 9);
  m.field(SolAtVertices, PavSolScalar, 7, 1, {1.5, 3, 4.5, 6, 7.5, 9, 10.5});
  m.field(SolAtTrianglesP1, PavSolScalar, 1, 1, {2.5});
  m.field(SolAtTrianglesP1, PavSolVector, 1, 1, {1, -2, 0.125});
  m.jacobianAndQuality(Triangles, {0.5, 0.25, 2}, 0.75);
  m.jacobianAndQuality(Tetrahedra, {1, 2, 3, 4}, 0.5);

  PavPickedEntity tri{DrawTriangle, 1};
  tri.jacobians = tri.qualities = true;
  PavPickedEntity corners{DrawTriangle, 1}; // preferences: angles and coordinates, no solution
  corners.solutions = false, corners.angles = corners.vertexCoordinates = true;
  const struct {
    PavPickedEntity pick;
    const char *text, *warning = "";
  } rows[] = {
      {{DrawTriangle, 2}, "", "Index-out-of-bound for triangle 2, must be in [1 1]\n"},
      {tri, " Triangle                 1 : [        1         2         3]   Ref 7\n"
            " Solution 1 (Scalar):   1.500000e+00   3.000000e+00   4.500000e+00\n"
            " Solution 1 (Vector):   1.000000e+00   -2.000000e+00   1.250000e-01\n"
            " Solution 2 (Scalar):   2.500000e+00\n"
            " Jacobian (Elt 1) [0.250000 2.000000] \n"
            " Quality  (Elt 1) : 0.750000 \n"},
      {corners, " Triangle                 1 : [        1         2         3]   Ref 7\n"
                " Angles (degrees)   90.000000   45.000000   45.000000\n"
                " Vertex         1 : [ 0.000000  0.000000  0.000000]\n"
                " Vertex         2 : [ 1.000000  0.000000  0.000000]\n"
                " Vertex         3 : [ 0.000000  1.000000  0.000000]\n"},
      {{DrawEdge, 1},
       " Edge                     1 : [        2         3]   Ref 3     Length 1.414214\n"
       " Solution 1 (Scalar):   3.000000e+00   4.500000e+00\n"},
      {{DrawSrfTriangle, 12, false, Tetrahedra, 1, 2, true, true},
       " SrfTriangle             12 : [        4         1         2]   Ref 9\n"
       " Solution 1 (Scalar):   6.000000e+00   1.500000e+00   3.000000e+00\n"
       " Jacobian (Volume Elt Tetrahedron          1) [  1.0000000e+00   4.0000000e+00] \n"
       " Quality (Volume Elt Tetrahedron          1) :   5.0000000e-01 \n"},
  };
  for (const auto &r : rows) {
    const PavPickReport rep = pickReport(m.obj, r.pick);
    EXPECT_EQ(rep.text, r.text);
    EXPECT_EQ(rep.warnings, r.warning);
  }
}

// Metric fields: the printed eigenvalues are LAPACK's, and each printed vector v satisfies
// M v = lambda v with |v| = 1 (to the printed precision).
TEST(PickReport, MetricEigenDecompositionMatchesLapack) {
  const int n = 3;
  Mesh m(n);
  m.vertices(kVertices);
  m.element(Triangles, {1, 2, 3}, 1);
  m.field(SolAtTrianglesP1, PavSolSymMatrix, 1, 1, {4, 1, 0.5, 3, -0.25, 2});
  const double a[9] = {4, 1, 0.5, 1, 3, -0.25, 0.5, -0.25, 2};
  double full[9], w[3], work[64];
  std::copy(a, a + 9, full);
  int lwork = 64, info = 0;
  dsyev_("N", "U", &n, full, &n, w, work, &lwork, &info);
  ASSERT_EQ(info, 0);
  std::istringstream lines(pickReport(m.obj, {DrawTriangle, 1}).text);
  std::vector<double> values;
  int vectors = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(" EigenValues   (Metric Field 1)", 0) == 0) values = numbersIn(line);
    if (line.rfind(" EigenVector ", 0) != 0) continue;
    const double lambda = values.at(size_t(line[13] - '1'));
    const std::vector<double> v = numbersIn(line);
    ASSERT_EQ(int(v.size()), n) << line;
    for (int i = 0; i < n; i++)
      EXPECT_NEAR(a[3 * i] * v[0] + a[3 * i + 1] * v[1] + a[3 * i + 2] * v[2],
                  lambda * v[size_t(i)], 1e-5 * (1 + std::fabs(lambda)))
          << line;
    EXPECT_NEAR(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 1, 1e-5);
    vectors++;
  }
  ASSERT_EQ(vectors, n);
  PavPickedEntity noMetric{DrawTriangle, 1};
  noMetric.metric = false; // the preference leaves the decomposition out, not the values
  EXPECT_EQ(pickReport(m.obj, noMetric).text.find("Eigen"), std::string::npos);
  std::sort(values.begin(), values.end());
  for (int i = 0; i < n; i++) EXPECT_NEAR(values[size_t(i)], w[i], 1e-6 * (1 + std::fabs(w[i])));
}

TEST(PickReport, DrawnFacesMapBackToTheirVolumeElement) {
  PavDrawObjectWithPalette faces(DrawSrfTriangle, 3);
  faces.count = 3;
  const int32_t elts[] = {11, 12, 13}, local[] = {2, 0, 3};
  faces.setParentElt(elts);
  faces.setParentFace(local);
  const PavPickedEntity got = pickedEntityOf(faces, 2, Tetrahedra);
  EXPECT_EQ(std::make_tuple(got.number, got.volumeType, got.volumeElement, got.volumeFace),
            std::make_tuple(3, int(Tetrahedra), 13, 3));
}

namespace {

// Two triangle objects numbered 1-100 and 101-150, as two consecutive buffer renders list them.
struct TwoObjects {
  std::unique_ptr<PavDrawObject> a = makeDrawObject(DrawTriangle, 1, 100);
  std::unique_ptr<PavDrawObject> b = makeDrawObject(DrawTriangle, 2, 50);
  QList<PavPickEntry> picks;
  PavPickState state;
  TwoObjects() {
    int counter = 1;
    appendPicks(a.get(), a->count, &picks, &counter);
    appendPicks(b.get(), b->count, &picks, &counter);
  }
  static std::unique_ptr<PavDrawObject> makeDrawObject(uint32_t type, int id, int count) {
    auto o = std::make_unique<PavDrawObject>(type, id);
    o->count = count;
    return o;
  }
  std::vector<int32_t> elts(const PavDrawObject *o) const { return state.pickedElts(o); }
};

} // namespace

TEST(PickResolution, IdsResolveInRangeClearTheOthersAndUnpickOnASecondClick) {
  TwoObjects s;
  const struct {
    int64_t id;
    const PavDrawObject *object;
    int32_t local;
  } rows[] = {{100, s.a.get(), 99}, {101, s.b.get(), 0}, {151, nullptr, -1}};
  for (const auto &r : rows) {
    int32_t local = 7;
    EXPECT_EQ(objectAtId(s.picks, r.id, &local), r.object) << r.id;
    EXPECT_EQ(local, r.local) << r.id;
  }
  ASSERT_EQ(resolvePick(s.picks, 5, 10, 20, s.state), s.a.get());
  s.a->highlightAll = true;
  EXPECT_EQ(resolvePick(s.picks, 120, 30, 40, s.state), s.b.get());
  EXPECT_EQ(s.elts(s.b.get()), std::vector<int32_t>{19});
  EXPECT_TRUE(s.elts(s.a.get()).empty() && !s.a->highlightAll);
  const PavPickMark &m = s.state.mark(s.b.get());
  EXPECT_EQ((std::vector<int>{m.x, m.y, m.local}), (std::vector<int>{30, 40, 19}));
  // A second click unpicks; a miss clears picks and highlights everywhere.
  EXPECT_EQ(resolvePick(s.picks, 120, 30, 40, s.state), nullptr);
  EXPECT_TRUE(s.elts(s.b.get()).empty() && s.state.pickedObjects.empty());
  resolvePick(s.picks, 42, 1, 1, s.state);
  s.b->highlightAll = true;
  EXPECT_EQ(resolvePick(s.picks, 0, 1, 1, s.state), nullptr);
  EXPECT_TRUE(s.elts(s.a.get()).empty() && !s.b->highlightAll && s.state.pickedObjects.empty());
}

TEST(PickResolution, AddingAndWholeObjectSelectionsToggle) {
  TwoObjects s;
  resolvePick(s.picks, 3, 0, 0, s.state);
  EXPECT_EQ(resolvePickAdding(s.picks, 7, 0, 0, s.state), s.a.get());
  EXPECT_EQ(resolvePickAdding(s.picks, 105, 0, 0, s.state), s.b.get());
  EXPECT_EQ(s.elts(s.a.get()), (std::vector<int32_t>{2, 6}));
  EXPECT_EQ(resolvePickAdding(s.picks, 105, 0, 0, s.state), nullptr);
  EXPECT_EQ(s.state.pickedObjects, std::vector<PavDrawObject *>{s.a.get()});
  EXPECT_EQ(highlightObjects(s.picks, [](const PavDrawObject *o) { return o->id == 2; }), 1);
  EXPECT_TRUE(!s.a->highlightAll && s.b->highlightAll);
}

TEST(PickResolution, SuppressedObjectsAreHiddenInOrderAndShownBackInReverse) {
  TwoObjects s;
  std::vector<PavDrawObject *> suppressed;
  resolvePick(s.picks, 3, 0, 0, s.state);
  EXPECT_EQ(suppressLastPicked(s.state, suppressed), s.a.get());
  EXPECT_TRUE(!s.a->visible && s.elts(s.a.get()).empty() && s.state.pickedObjects.empty());
  resolvePick(s.picks, 130, 0, 0, s.state);
  suppressLastPicked(s.state, suppressed);
  EXPECT_EQ(restoreSuppressed(suppressed), s.b.get());
  EXPECT_EQ(restoreSuppressed(suppressed), s.a.get());
}

TEST(PickResolution, PickedFacesTakeTheCyanColourOverTheObjectColours) {
  PavDrawObject o(DrawTriangle, 1);
  o.count = 3, o.params.color[0] = 0.5f, o.params.color[1] = 0.25f, o.params.color[2] = 0.125f;
  EXPECT_EQ(pickedElementColours(o, {1, -1, 3}),
            (std::vector<float>{0.5f, 0.25f, 0.125f, 1, 0, 1, 1, 1, 0.5f, 0.25f, 0.125f, 1}));
}
