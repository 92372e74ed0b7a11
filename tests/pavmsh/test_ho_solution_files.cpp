// Degree-10 solution files: lines beyond 9000 reals load; NodesPositions convert on every kind
// (shuffled uniform nodes exactly, clustered ones reproducing a polynomial).
#include "load_test_mesh.h"
#include "ovel.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace load_test;
using pavo_test::scratchDir;

namespace {

constexpr int kDegree = 10;
constexpr int kHexQ1Keyword = 122; // HOSolAtHexahedraQ1
// 48 value columns: above twice an edge's 11 nodes (map formed once), below twice any other kind's.
constexpr int kElements = 12;
const int kP1Types[PavKindCount] = {Edges,    Triangles, Quadrilaterals, Tetrahedra,
                                    Pyramids, Prisms,    Hexahedra};

// A cubic in the element's reference coordinates (linear for the pyramid's rational space).
double poly(int kind, const double *p) {
  const int last = hoRefWidth(static_cast<HoKind>(kind)) - 1;
  if (kind == PavKindPyramid) return 1 + 2 * p[0] - p[1] + 3 * p[2];
  return 0.5 + 2 * p[0] - 3 * p[0] * p[last] * p[last] + (last ? p[0] * p[1] : 0);
}

// Uniform node k, clustered by x -> (1 - cos(pi x)) / 2 when `warp`.
void nodePoint(int kind, int k, bool warp, double *p) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int rw = hoRefWidth(hk);
  const double *u = hoNodeRefCoords(hk, kDegree) + k * rw;
  for (int c = 0; c < rw; c++) p[c] = warp ? (1 - std::cos(M_PI * u[c])) / 2 : u[c];
  if (!warp) return;
  const int bary = kind == PavKindTriangle || kind == PavKindTetrahedron ? rw
                   : kind == PavKindPrism                                ? 3
                                                                         : 0;
  const double sum = std::accumulate(p, p + bary, 0.0);
  for (int c = 0; c < bary; c++) p[c] /= sum;
  if (kind == PavKindPyramid) {
    const double shrink = u[2] == 1 ? 0 : (1 - p[2]) / (1 - u[2]);
    p[0] = u[0] * shrink;
    p[1] = u[1] * shrink;
  }
}

// HOSolAt<Kind>P1 of a scalar and a vector; file node i is uniform node order[i].
void writeField(const std::string &path, int kind, const std::vector<int> &order, bool positions,
                bool warp, const std::vector<double> &values) {
  const HoKind hk = static_cast<HoKind>(kind);
  const int m = int(hoNodeCount(hk, kDegree));
  int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
  ASSERT_NE(f, 0);
  const int fields[] = {1, 2};
  const int keyword = kind == PavKindEdge ? 104 : 107 + 3 * (kind - 1);
  ASSERT_EQ(OvelSetKwd(f, keyword, kElements, 2, fields, kDegree, m), 1);
  std::vector<double> line(size_t(m) * 4);
  for (int e = 0; e < kElements; e++) {
    for (int i = 0; i < m; i++)
      std::copy_n(&values[(size_t(e) * m + order[i]) * 4], 4, &line[size_t(i) * 4]);
    OvelSetLin(f, keyword, line.data());
  }
  if (positions) {
    const int pw = pav_NodesPositionsWidth(kind);
    std::vector<double> pos;
    for (int i = 0; i < m; i++) {
      double p[4];
      nodePoint(kind, order[i], warp, p);
      if (kind == PavKindEdge) pos.push_back(1 - p[0]);
      pos.insert(pos.end(), p, p + (kind == PavKindEdge ? 1 : pw));
    }
    const int kwd = 163 + 4 * kind;
    OvelSetKwd(f, kwd, m);
    OvelSetBlock(f, kwd, 1, m, 0, nullptr, nullptr, OvelDoubleVec, pw, &pos[0],
                 &pos[size_t(m - 1) * pw]);
  }
  ASSERT_EQ(OvelCloseMesh(f), 1);
}

std::vector<double> readField(const std::string &path, int kind) {
  Object obj = makeMesh(3, 8, kElements, {kP1Types[kind]});
  char status[PAV_IO_STATUS_SIZE];
  EXPECT_EQ(pavo_test::captured([&] {
              EXPECT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
            }),
            "");
  const PavSolution *scalar = pav_SolutionList(obj.get(), PAV_FIRST_ELEMENT_SOLTYP + kind);
  if (!scalar || !scalar->next) return {}; // fails the size comparison
  const PavSolution *vector = scalar->next;
  const int m = scalar->nbrNod;
  std::vector<double> out;
  for (int e = 1; e <= kElements; e++)
    for (int k = 0; k < m; k++) {
      out.push_back(scalar->data[e * m + k]);
      out.insert(out.end(), &vector->data[3 * (e * m + k)], &vector->data[3 * (e * m + k + 1)]);
    }
  return out;
}

class NodesPositionsDegree10 : public testing::TestWithParam<int> {};

TEST_P(NodesPositionsDegree10, ShuffledUniformAndClusteredPositions) {
  const int kind = GetParam();
  const int m = int(hoNodeCount(static_cast<HoKind>(kind), kDegree));
  const std::string dir = scratchDir("nodes_positions_" + std::to_string(kind));
  std::mt19937 rng(unsigned(kind) + 1);
  std::vector<int> shuffled(static_cast<size_t>(m));
  std::iota(shuffled.begin(), shuffled.end(), 0);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);

  // Values unrelated to any polynomial: only an exact permutation reproduces them.
  std::uniform_real_distribution<double> value(-1, 1);
  std::vector<double> values(size_t(m) * 4 * kElements);
  for (double &v : values) v = value(rng);
  writeField(dir + "/shuffled.solb", kind, shuffled, true, false, values);
  const std::vector<double> got = readField(dir + "/shuffled.solb", kind);
  ASSERT_EQ(got.size(), values.size());
  for (size_t i = 0; i < got.size(); i++) ASSERT_NEAR(got[i], values[i], 1e-6) << i;

  // A polynomial at clustered positions (the factorised path): its values at the uniform nodes.
  std::vector<double> atWarped(size_t(m) * 4 * kElements), atUniform(atWarped.size());
  for (int e = 0; e < kElements; e++)
    for (int k = 0; k < m; k++) {
      double w[4], u[4];
      nodePoint(kind, k, true, w);
      nodePoint(kind, k, false, u);
      for (int c = 0; c < 4; c++) {
        atWarped[(size_t(e) * m + k) * 4 + c] = (e + 1 + c) * poly(kind, w);
        atUniform[(size_t(e) * m + k) * 4 + c] = (e + 1 + c) * poly(kind, u);
      }
    }
  writeField(dir + "/clustered.solb", kind, shuffled, true, true, atWarped);
  const std::vector<double> solved = readField(dir + "/clustered.solb", kind);
  ASSERT_EQ(solved.size(), atUniform.size());
  for (size_t i = 0; i < solved.size(); i++) ASSERT_NEAR(solved[i], atUniform[i], 1e-6) << i;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, NodesPositionsDegree10, testing::Range(0, int(PavKindCount)));

// A scalar and a metric at the 1331 nodes of degree-10 hexahedra make lines of 9317 reals.
TEST(HighDegreeSolutionFile, LinesBeyondNineThousandReals) {
  const int m = 1331, perLine = m * 7;
  const std::string dir = scratchDir("long_solution_lines");
  for (const char *ext : {".sol", ".solb"}) {
    SCOPED_TRACE(ext);
    const std::string path = dir + "/long" + ext;
    int64_t f = OvelOpenMesh(path.c_str(), OvelWrite, 2, 3);
    ASSERT_NE(f, 0);
    const int fields[] = {OvelSolScalar, OvelSolSymMat};
    ASSERT_EQ(OvelSetKwd(f, kHexQ1Keyword, 2, 2, fields, 10, m), 1);
    std::vector<double> line(perLine);
    for (int e = 1; e <= 2; e++) {
      for (int k = 0; k < perLine; k++) line[k] = e * 100000 + k;
      OvelSetLin(f, kHexQ1Keyword, line.data());
    }
    ASSERT_EQ(OvelCloseMesh(f), 1);

    Object obj = makeMesh(3, 8, 2, {Hexahedra});
    char status[PAV_IO_STATUS_SIZE];
    ASSERT_EQ(pav_OpenSolution(obj.get(), path.c_str(), status), PAV_SUCCESS) << status;
    const PavSolution *s = pav_SolutionList(obj.get(), SolAtHexahedraQ1);
    ASSERT_TRUE(s && s->next);
    const PavSolution *metric = s->next;
    ASSERT_EQ(s->nbrNod, m);
    // Node k of element 2: scalar at 7k, metric at 7k + 1..6 (third and fourth exchanged).
    const double base = 200000;
    for (int k : {0, 700, m - 1}) {
      EXPECT_EQ(s->data[2 * m + k], base + 7 * k);
      const double *v = &metric->data[6 * (2 * m + k)];
      const double want[] = {1, 2, 4, 3, 5, 6};
      for (int c = 0; c < 6; c++) EXPECT_EQ(v[c], base + 7 * k + want[c]) << k << " " << c;
    }
  }
}

} // namespace
