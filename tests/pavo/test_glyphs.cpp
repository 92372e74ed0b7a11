// Metric and arrow glyphs against the metric's quadratic form and probed on a window; the vector
// triangles' choice of fields.
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "render/glyph_packing.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace pavo;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Upper triangle of R diag(1/a^2, 1/b^2) R^T, R the rotation by t: an ellipse of semi-axes a
// along (cos t, sin t) and b along (-sin t, cos t).
std::array<double, 3> rotatedMetric2d(double a, double b, double t) {
  const double c = std::cos(t), s = std::sin(t), la = 1 / (a * a), lb = 1 / (b * b);
  return {la * c * c + lb * s * s, (la - lb) * c * s, la * s * s + lb * c * c};
}

double quadratic(int dim, const double *m, const double *x) {
  if (dim == 2) return m[0] * x[0] * x[0] + 2 * m[1] * x[0] * x[1] + m[2] * x[1] * x[1];
  return m[0] * x[0] * x[0] + m[3] * x[1] * x[1] + m[5] * x[2] * x[2] +
         2 * (m[1] * x[0] * x[1] + m[2] * x[0] * x[2] + m[4] * x[1] * x[2]);
}

} // namespace

TEST(GlyphPacking, MetricGlyphCornersLieOnTheUnitLevelSetOfTheMetric) {
  // Vertex 1 at (1, 2, 3) has a glyph; vertex 2's metric is indefinite, 3 is out of range.
  const double crd[9] = {0, 0, 0, 1, 2, 3, 0, 0, 0};
  const std::array<double, 3> m2 = rotatedMetric2d(0.5, 0.125, 0.4);
  const double met2[9] = {0, 0, 0, m2[0], m2[1], m2[2], 1, 0, -1};
  const double met3[18] = {0, 0, 0, 0, 0, 0, 9, 1, 2, 16, -3, 25, 1, 0, 0, -1, 0, 1};
  const int32_t list[3] = {1, 2, 3};
  const float red[3] = {1, 0, 0};
  // 3-D without ellipsoids: the ellipse of the two longest axes, on the same level set.
  for (auto [dim, ellipsoid] : {std::pair{2, false}, {3, true}, {3, false}}) {
    const double scale = 4;
    PavGlyphMesh g;
    EXPECT_EQ(
        packMetricGlyphs(dim, crd, dim == 2 ? met2 : met3, 2, list, 3, scale, red, g, ellipsoid),
        1);
    const double *m = (dim == 2 ? met2 : met3) + (dim == 2 ? 3 : 6);
    int onSurface = 0;
    for (int64_t c = 0; c < g.corners(); c++) {
      double x[3] = {g.xyz[3 * c] - 1.0, g.xyz[3 * c + 1] - 2.0, g.xyz[3 * c + 2] - 3.0};
      const double q = quadratic(dim, m, x) / scale;
      if (std::fabs(q) < 1e-9) continue; // an ellipse fan's centre
      EXPECT_NEAR(q, 1.0, 1e-4) << "dim " << dim << " corner " << c;
      onSurface++;
    }
    EXPECT_EQ(onSurface, !ellipsoid ? 2 * kEllipseSegments
                                    : 3 * 2 * kEllipsoidSegments * (kEllipsoidSegments / 2 - 1));
  }
}

// Glyphs fit within a fraction of the shortest edge at their vertex: the metric diag(4, 1) asks
// for semi-axes 1/2 and 1, the edge 0.5 allows 0.2; vertex 2 has no edge, vertex 3 a wide one.
TEST(GlyphPacking, MetricGlyphsFitTheShortestEdge) {
  const double met[12] = {0, 0, 0, 4, 0, 1, 1, 0, 1, 1e-4, 0, 1e-4};
  const int32_t list[3] = {1, 2, 3};
  const double fit = metricFitScale(2, met, 3, list, 3, {0, 0.5, 0, 1000}, 0.4, 1);
  EXPECT_NEAR(std::sqrt(fit / 1), 0.2, 1e-12); // the longest semi-axis, sqrt(scale / 1)
  EXPECT_EQ(metricFitScale(2, met, 3, list + 1, 2, {0, 0.5, 0, 1000}, 0.4, 1), 1);
}

TEST(GlyphPacking, ArrowsRunFromTheirVertexToTheTipAndAreColouredByLength) {
  const double crd[9] = {0, 0, 0, 1, 1, 0, 2, 0, 0};
  const double vec3[9] = {0, 0, 0, 0, 0, 2, 3, 4, 0}; // lengths 2 and 5
  const int32_t list[3] = {1, 2, 7};
  EXPECT_DOUBLE_EQ(arrowLengthScale(3, vec3, 2, list, 3, 10, 0.1), 0.2);
  PavGlyphMesh g;
  ASSERT_EQ(packArrowGlyphs(3, crd, vec3, 2, list, 3, 0.5, 0, g), 2);
  ASSERT_EQ(g.corners(), 2 * 2 * 9); // two crossed arrows of three triangles each
  // Each arrow has a corner at its tip, 0.5 * |v| along v from its vertex.
  const double tips[2][3] = {{1, 1, 1}, {3.5, 2, 0}};
  for (int a = 0; a < 2; a++) {
    double nearest = 1e9;
    for (int c = 18 * a; c < 18 * (a + 1); c++)
      nearest =
          std::min(nearest, std::hypot(g.xyz[3 * c] - tips[a][0], g.xyz[3 * c + 1] - tips[a][1],
                                       g.xyz[3 * c + 2] - tips[a][2]));
    EXPECT_LT(nearest, 1e-6) << "arrow " << a;
  }
  // Rainbow: the shortest arrow blue, the longest red.
  EXPECT_EQ(std::make_pair(g.rgb[2], g.rgb[54]), std::make_pair(1.0f, 1.0f));
}

namespace {

// The square [-1, 1]^2, four triangles around vertex 5 at its centre, the only non-zero value.
PavObject *squareWithCentreField(int dim, int kind, const std::vector<double> &centre) {
  const std::vector<double> xyz = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0, 0, 0, 0};
  PavObject *obj = pavo_test::buildMesh(dim, xyz, Triangles, {1, 2, 5, 2, 3, 5, 3, 4, 5, 4, 1, 5});
  for (int t = 1; t <= 4; t++) obj->ent[Triangles].ref[t] = 1;
  char status[PAV_STATUS_SIZE];
  const int size = (int)centre.size();
  PavSolution *r = pav_NewSolutionRecord(dim, kind, 5, 1, 1, status);
  for (int c = 0; c < size; c++) r->data[5 * size + c] = centre[(size_t)c];
  pav_PushSolution(obj, SolAtVertices, r, status);
  return obj;
}

class GlyphViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    viewer = pavo_test::shownViewer(300);
    if (!viewer) GTEST_SKIP() << "no display";
    ASSERT_TRUE(viewer->displayEnabled);
    viewer->view.whiteBackground = true;
  }
  // Colour under a scene point of the plane z = 0, drawn with plain palette colours.
  std::array<int, 3> colourAt(double x, double y) {
    viewer->view.options.IsoOn = 0;
    return pavo_test::colourAt(*viewer, pavo_test::pixelOf(*viewer, x, y, 0));
  }

  std::unique_ptr<PavMeshViewer> viewer;
};

} // namespace

// A metric ellipse (ellipsoid in 3-D) covers a point inside along its long axis, not one outside
// along its short axis; an arrow of 0.8 along x covers its shaft, not the points beyond its tip.
TEST_F(GlyphViewTest, MetricGlyphsAndArrowsCoverTheirInsideOnly) {
  const double a = 0.6, b = 0.3, t = kPi / 6, u[2] = {std::cos(t), std::sin(t)},
               v[2] = {-std::sin(t), std::cos(t)};
  const std::array<double, 3> m = rotatedMetric2d(a, b, t);
  for (int dim : {2, 3}) {
    SCOPED_TRACE(dim);
    const std::vector<double> met = dim == 2 ? std::vector<double>{m[0], m[1], m[2]}
                                             : std::vector<double>{m[0], m[1], 0, m[2], 0, 100};
    pavo_test::showMesh(*viewer, squareWithCentreField(dim, PavSolSymMatrix, met));
    const std::array<int, 3> glyph = {153, 0, 0}, blue = {0, 0, 255};
    EXPECT_EQ(colourAt(0.85 * a * u[0], 0.85 * a * u[1]), glyph);
    EXPECT_NE(colourAt(1.25 * b * v[0], 1.25 * b * v[1]), glyph);
    std::vector<double> arrow((size_t)dim, 0.0);
    arrow[0] = 1;
    viewer->arrowScale = 0.8;
    pavo_test::showMesh(*viewer, squareWithCentreField(dim, PavSolVector, arrow));
    EXPECT_EQ(colourAt(0.62, 0.0), blue);
    EXPECT_NE(colourAt(0.9, 0.0), blue);
    viewer->arrowScale = 0;
  }
}

TEST_F(GlyphViewTest, VectorTrianglesCarryOnlyWholeVectorFields) {
  const char *message = "vector solution, use all the vector \n";
  PavObject *obj = squareWithCentreField(2, PavSolSymMatrix, {1, 0, 1});
  obj->ent[Triangles].ref[3] = obj->ent[Triangles].ref[4] = 2;
  char status[PAV_STATUS_SIZE];
  PavSolution *vec = pav_NewSolutionRecord(2, PavSolVector, 5, 1, 1, status);
  for (int v = 1; v <= 5; v++) {
    vec->data[2 * v] = v;
    vec->data[2 * v + 1] = -v;
  }
  pav_PushSolution(obj, SolAtVertices, vec, status);
  PavSolution *sca = pav_NewSolutionRecord(2, PavSolScalar, 5, 1, 1, status);
  pav_PushSolution(obj, SolAtVertices, sca, status);
  viewer->view.fieldMode = 1;
  viewer->view.vertexSolution = 2;
  pavo_test::showMesh(*viewer, obj);
  const std::string out = pavo_test::captured([&] { viewer->setVectorTriangles(); });
  EXPECT_EQ(out.find(message), 0u) << out;
  std::map<int, int> counts;
  for (const PavDrawObject *o : viewer->objectsOfType(DrawVecTriangle)) {
    counts[o->id] += o->count;
    const PavDrawField *f = viewer->fieldOf(PavFieldKind::Solution, o);
    ASSERT_NE(f, nullptr) << o->id;
    EXPECT_EQ(std::make_tuple(f->degree, f->palette[0], f->palette[4]),
              std::make_tuple(1, -5.0f, 5.0f));
  }
  EXPECT_EQ(counts, (std::map<int, int>{{-1, 4}, {1, 2}, {2, 2}}));
}
