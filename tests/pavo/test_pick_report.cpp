// The text reported for picked entities, checked byte for byte on a small hand-made mesh, and the
// eigen decomposition of metric fields checked against LAPACK's symmetric solver.
#include "scene/pick_report.h"

#include "pav_solution.h"
#include "render/draw_types.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>
#include <vector>

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
  // A field of one record: values for entities 1.. (entity 0 is left at zero).
  void field(int solTyp, int kind, int nbrEnt, int nbrNod, const std::vector<double> &values) {
    PavSolution *rec = pav_NewSolutionRecord(obj->dim, kind, nbrEnt, 1, nbrNod, status);
    ASSERT_NE(rec, nullptr) << status;
    std::copy(values.begin(), values.end(), rec->data + values.size() / nbrEnt);
    ASSERT_EQ(pav_PushSolution(obj, solTyp, rec, status), 0) << status;
  }
  // Jacobian values at the element's nodes and its quality.
  void jacobianAndQuality(int type, const std::vector<double> &jac, double q) {
    PavSolution *j = pav_NewSolutionRecord(3, PavSolScalar, 1, 1, int(jac.size()), status);
    std::copy(jac.begin(), jac.end(), j->data + jac.size());
    pav_SetJacobian(obj, type, j, status);
    double *v = static_cast<double *>(calloc(2, sizeof(double)));
    v[1] = q;
    pav_SetValues(obj, type, v, status);
  }
};

// The unit tetrahedron's corners and the mid-edge nodes of its bottom face.
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
  // One boundary pentagon; one polyhedron of two inner polygons, the second reversed.
  auto ints = [](std::initializer_list<int32_t> v) {
    int32_t *p = static_cast<int32_t *>(calloc(v.size(), sizeof(int32_t)));
    std::copy(v.begin(), v.end(), p);
    return p;
  };
  m.obj->pol = static_cast<PavPolygonSet *>(calloc(1, sizeof(PavPolygonSet)));
  PavPolygonSet &p = *m.obj->pol;
  p.nbrBndPol = 1, p.nbrBndVer = 5, p.bndHdr = ints({0, 0, 1, 4}),
  p.bndVer = ints({0, 1, 2, 3, 4, 5});
  p.nbrInnPol = 2, p.nbrInnVer = 6, p.nbrPolyhedra = 1, p.nbrPolyhedraFaces = 2;
  p.innHdr = ints({0, 0, 1, 0, 4, 0}), p.innVer = ints({0, 1, 2, 3, 1, 3, 4});
  p.phdHdr = ints({0, 0, 1, 6}), p.phdFac = ints({0, 1, -2});

  PavPickedEntity tri{DrawTriangle, 1};
  tri.jacobians = tri.qualities = true;
  // Kinds without corners, a missing entity and a missing volume face give a warning, no text.
  const struct {
    PavPickedEntity pick;
    const char *text, *warning = "";
  } rows[] = {
      {{DrawPalette, 1}, "", "Warning: unknown element size for element Palette \n"},
      {{DrawTriangle, 2}, "", "Index-out-of-bound for triangle 2, must be in [1 1]\n"},
      {{DrawSrfTriangle, 1, false, Tetrahedra, 1, 4},
       "",
       "error with a surface element deduced from volume\n"},
      {{DrawPolygon, 2}, "", "Warning: no polygon 2 in the mesh\n"},
      {tri, " Triangle                 1 : [        1         2         3]   Ref 7\n"
            " Solution 1 (Scalar):   1.500000e+00   3.000000e+00   4.500000e+00\n"
            " Solution 1 (Vector):   1.000000e+00   -2.000000e+00   1.250000e-01\n"
            " Solution 2 (Scalar):   2.500000e+00\n"
            " Jacobian (Elt 1) [0.250000 2.000000] \n"
            " Quality  (Elt 1) : 0.750000 \n"},
      {{DrawTriangleP2, 1},
       " TriangleP2               1 : [        1         2         3  \n"
       "                              "
       "         5         6         7]   Ref 8\n"
       " Solution 1 (Scalar):   1.500000e+00   3.000000e+00   4.500000e+00"
       "   7.500000e+00   9.000000e+00   1.050000e+01\n"},
      {{DrawEdge, 1},
       " Edge                     1 : [        2         3]   Ref 3     Length 1.414214\n"
       " Solution 1 (Scalar):   3.000000e+00   4.500000e+00\n"},
      {{DrawVertex, 4},
       " Vertex                   4 : [ 0.000000  0.000000  1.000000]\n"
       " Solution 1 (Scalar):   6.000000e+00\n"},
      {{DrawSrfTriangle, 12, false, Tetrahedra, 1, 2, true, true},
       " SrfTriangle             12 : [        4         1         2]   Ref 9\n"
       " Solution 1 (Scalar):   6.000000e+00   1.500000e+00   3.000000e+00\n"
       " Jacobian (Volume Elt Tetrahedron          1) [  1.0000000e+00   4.0000000e+00] \n"
       " Quality (Volume Elt Tetrahedron          1) :   5.0000000e-01 \n"},
      {{DrawPolygon, 1},
       " Polygon (5-sides)         1 : [        1         2         3         4"
       "         5]   Ref 4\n"},
      {{DrawPolyhedra, 1},
       " Polyhedron (2-faces)         1 : [        1        -2]   Ref 6\n"
       "       Face (3-sides)         1 : [        1         2         3]\n"
       "       Face (3-sides)         2 : [        1         3         4]\n"},
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
  const struct {
    int dim;
    std::vector<double> met; // upper triangle row by row
  } cases[] = {{2, {2, 1, 2}}, {3, {4, 1, 0.5, 3, -0.25, 2}}, {3, {1e-2, 0, 0, 1e-2, 0, 4}}};
  for (const auto &c : cases) {
    Mesh m(c.dim);
    m.vertices(kVertices);
    m.element(Triangles, {1, 2, 3}, 1);
    m.field(SolAtTrianglesP1, PavSolSymMatrix, 1, 1, c.met);
    const std::string text = pickReport(m.obj, {DrawTriangle, 1}).text;

    const int n = c.dim;
    std::vector<double> a(static_cast<size_t>(n * n)), w(static_cast<size_t>(n)), work(64);
    for (int i = 0, k = 0; i < n; i++)
      for (int j = i; j < n; j++, k++)
        a[size_t(i * n + j)] = a[size_t(j * n + i)] = c.met[size_t(k)];
    std::vector<double> full = a;
    int lwork = 64, info = 0;
    dsyev_("N", "U", &n, full.data(), &n, w.data(), work.data(), &lwork, &info);
    ASSERT_EQ(info, 0);
    std::istringstream lines(text);
    std::vector<double> values;
    int vectors = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(" EigenValues   (Metric Field 1)", 0) == 0) values = numbersIn(line);
      if (line.rfind(" EigenVector ", 0) != 0) continue;
      const double lambda = values.at(size_t(line[13] - '1'));
      const std::vector<double> v = numbersIn(line);
      ASSERT_EQ(int(v.size()), n) << line;
      double norm = 0;
      for (int i = 0; i < n; i++) {
        double mv = 0;
        for (int j = 0; j < n; j++) mv += a[size_t(i * n + j)] * v[size_t(j)];
        EXPECT_NEAR(mv, lambda * v[size_t(i)], 1e-5 * (1 + std::fabs(lambda))) << line;
        norm += v[size_t(i)] * v[size_t(i)];
      }
      EXPECT_NEAR(norm, 1, 1e-5);
      vectors++;
    }
    EXPECT_EQ(vectors, n) << text;
    std::sort(values.begin(), values.end());
    for (int i = 0; i < n; i++)
      EXPECT_NEAR(values[size_t(i)], w[size_t(i)], 1e-6 * (1 + std::fabs(w[size_t(i)])));
  }
}

// The entity behind a drawn element: first + local, the parent element, the volume element and
// face, or the parent polygon.
TEST(PickReport, DrawnElementsMapBackToMeshEntities) {
  PavDrawObjectWithPalette plain(DrawTriangle, 1), parents(DrawTriangle, 2),
      faces(DrawSrfTriangle, 3), polygons(DrawPolygon, 4);
  plain.first = 5;
  for (PavDrawObjectWithPalette *o : {&parents, &faces}) o->count = 3;
  const int32_t elts[] = {11, 12, 13}, local[] = {2, 0, 3};
  parents.setParentElt(elts);
  faces.setParentElt(elts);
  faces.setParentFace(local);
  polygons.count = 4;
  polygons.polygonParents = {1, 1, 2, 2};
  const struct {
    PavPickedEntity got;
    int number, volumeType, volumeElement, volumeFace;
  } rows[] = {{pickedEntityOf(plain, 2), 7, 0, 0, -1},
              {pickedEntityOf(parents, 1), 12, 0, 0, -1},
              {pickedEntityOf(faces, 2, Tetrahedra), 3, Tetrahedra, 13, 3},
              {pickedEntityOf(polygons, 3), 2, 0, 0, -1}};
  for (const auto &r : rows)
    EXPECT_EQ(
        std::make_tuple(r.got.number, r.got.volumeType, r.got.volumeElement, r.got.volumeFace),
        std::make_tuple(r.number, r.volumeType, r.volumeElement, r.volumeFace));
}
