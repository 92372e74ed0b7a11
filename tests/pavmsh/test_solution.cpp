// Solutions, jacobians and values attached to a mesh object, and the display transformations.
#include "pav_solution.h"
#include "test_paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

class Solutions : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_EQ(pav_NewInterface(&obj), PAV_SUCCESS);
    obj->dim = 3;
    const int counts[][2] = {{Vertices, 10},   {Triangles, 4}, {TrianglesP2, 2},
                             {TrianglesP4, 2}, {Edges, 3},     {Tetrahedra, 5}};
    for (const auto &c : counts)
      ASSERT_EQ(pav_AllocEntityArrays(obj, c[0], c[1], status), PAV_SUCCESS);
  }
  void TearDown() override { EXPECT_EQ(pav_DeleteInterface(&obj), PAV_SUCCESS); }

  PavSolution *push(int solTyp, int kind, int nbrEnt, int degree, const char *name = "") {
    const int nbrNod = solTyp == SolAtVertices ? 1 : pav_SolTyp2NbrNod(solTyp, degree);
    PavSolution *rec = pav_NewSolutionRecord(obj->dim, kind, nbrEnt, degree, nbrNod, status);
    EXPECT_NE(rec, nullptr) << status;
    std::snprintf(rec->name, sizeof rec->name, "%s", name);
    EXPECT_EQ(pav_PushSolution(obj, solTyp, rec, status), PAV_SUCCESS) << status;
    return rec;
  }

  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  std::vector<double> scalars = std::vector<double>(11, 1.5);
};

} // namespace

TEST_F(Solutions, AttachChecksSizesAndTypes) {
  EXPECT_EQ(
      pav_AddSolution(obj, Vertices, PavSolScalar, 10, 1, 1, 3, 0, 0.0, scalars.data(), status),
      PAV_FAILURE);
  EXPECT_STREQ(status, " Invalid solutions size (width) \n");
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj), 0) << "a refused field leaves no record";
  ASSERT_EQ(
      pav_AddSolution(obj, Vertices, PavSolScalar, 10, 1, 1, 1, 7, 0.25, scalars.data(), status),
      PAV_SUCCESS);
  const PavSolution *rec = obj->ent[Vertices].sol;
  EXPECT_TRUE(rec->owned == 0 && rec->dim == 0 && rec->data == scalars.data());
  std::vector<double> data(3 * 6 * 3 + 64, 0.0);
  EXPECT_EQ(
      pav_AddSolution(obj, TrianglesP2, PavSolVector, 2, 2, 6, 18, 0, 0.0, data.data(), status),
      PAV_SUCCESS)
      << status;
  EXPECT_EQ(pav_AddSolution(obj, Prisms, PavSolScalar, 99, 1, 6, 1, 0, 0.0, data.data(), status),
            PAV_SUCCESS);
  EXPECT_EQ(std::vector<int>({pav_GetNumberOfSolutions(obj, SolAtTrianglesP2),
                              pav_GetNumberOfSolutions(obj, SolAtPrismsP1)}),
            std::vector<int>({1, 0}));
}

TEST_F(Solutions, NewestFirstAndWalkingPastTheEnd) {
  std::vector<double> first(5 * 4, 1.0), second(5 * 4, 2.0);
  ASSERT_EQ(
      pav_AddSolution(obj, Tetrahedra, PavSolScalar, 5, 1, 4, 4, 3, 0.5, first.data(), status),
      PAV_SUCCESS);
  ASSERT_EQ(
      pav_AddSolution(obj, Tetrahedra, PavSolScalar, 5, 2, 4, 4, 8, 1.5, second.data(), status),
      PAV_SUCCESS);
  int nbrEnt, kind, iteration, degree, nbrNod;
  double time;
  auto get = [&](int i) {
    return pav_GetSolutionArray(obj, SolAtTetrahedraP1, i, &nbrEnt, &kind, &iteration, &time,
                                &degree, &nbrNod, status);
  };
  EXPECT_EQ(get(1), second.data());
  EXPECT_EQ(std::vector<double>(
                {double(iteration), time, double(degree), double(nbrNod), double(nbrEnt)}),
            std::vector<double>({8, 1.5, 2, 4, 5}));
  pavo_test::captured([&] { EXPECT_EQ(get(3), nullptr); });
  EXPECT_STREQ(status, "Invalid request to get a solution\n");
}

TEST_F(Solutions, CountsFieldsDegreesAndNames) {
  push(SolAtTrianglesP1, PavSolScalar, 4, 1, "pressure");
  push(SolAtTrianglesP1, PavSolVector, 4, 3, "velocity");
  push(SolAtTetrahedraP1, PavSolScalar, 5, 5);
  push(SolAtTetrahedraP1, PavSolSymMatrix, 5, 2, "metric");
  push(SolAtTetrahedraP1, PavSolScalar, 5, 1, "");
  push(SolAtVertices, PavSolScalar, 10, 1, "temperature");
  push(SolAtVertices, PavSolMatrix, 10, 1, "stress");

  EXPECT_EQ(std::vector<int>({pav_GetNumberOfFields(obj, SolAtTrianglesP1),
                              pav_GetNumberOfFields(obj, SolAtTetrahedraP1),
                              pav_GetNumberOfSolutions(obj, SolAtTetrahedraP1),
                              pav_GetMaxSolutionDegree(obj), pav_GetNumberOfVertexSolutions(obj),
                              pav_GetMaxNumberOfElementSolutions(obj)}),
            std::vector<int>({1 + 3, 1 + 6 + 1, 3, 5, 2, 3}));

  std::vector<char[PAV_NAME_SIZE]> names(4);
  for (auto &slot : names) slot[0] = '\0';
  pav_GetVertexSolutionNames(obj, names.data());
  EXPECT_STREQ(names[1], "stress");
  EXPECT_STREQ(names[2], "temperature");

  for (auto &slot : names) slot[0] = '\0';
  pav_GetElementSolutionNames(obj, names.data());
  EXPECT_STREQ(names[1], "velocity");
  EXPECT_STREQ(names[2], "pressure");
  EXPECT_STREQ(names[3], "");
}

TEST_F(Solutions, SummaryLayout) {
  push(SolAtVertices, PavSolScalar, 10, 1);
  push(SolAtTetrahedraP1, PavSolScalar, 5, 1);
  push(SolAtTetrahedraP1, PavSolScalar, 5, 4); // the head's degree is printed
  push(SolAtEdgesP1, PavSolScalar, 3, 2);
  push(SolAtTrianglesP2, PavSolScalar, 2, 10);
  EXPECT_EQ(
      pavo_test::captured([&] { EXPECT_EQ(pav_PrintSolutionInfo(obj, status), PAV_SUCCESS); }),
      pavo_test::expectedText("solution_summary.txt"));
}

TEST_F(Solutions, FreeSolutionsKeepsMeshJacobiansAndCallerData) {
  ASSERT_EQ(
      pav_AddSolution(obj, Vertices, PavSolScalar, 10, 1, 1, 1, 0, 0.0, scalars.data(), status),
      PAV_SUCCESS);
  push(SolAtTrianglesP1, PavSolVector, 4, 1);
  PavSolution *jac = pav_NewSolutionRecord(3, PavSolScalar, 5, 1, 4, status);
  ASSERT_EQ(pav_SetJacobian(obj, Tetrahedra, jac, status), PAV_SUCCESS);
  EXPECT_EQ(pav_FreeSolutions(obj), PAV_SUCCESS);
  EXPECT_EQ(pav_GetNumberOfVertexSolutions(obj) + pav_GetMaxNumberOfElementSolutions(obj), 0);
  EXPECT_EQ(obj->ent[Tetrahedra].jac, jac);
  EXPECT_EQ(scalars[10], 1.5) << "attached data left to its owner";
}

TEST_F(Solutions, JacobiansAndValues) {
  PavSolution *older = pav_NewSolutionRecord(3, PavSolScalar, 5, 2, 10, status);
  PavSolution *newer = pav_NewSolutionRecord(3, PavSolScalar, 5, 3, 20, status);
  newer->next = older;
  ASSERT_EQ(pav_SetJacobian(obj, Tetrahedra, newer, status), PAV_SUCCESS);
  int nbrEnt, kind, iteration, degree, nbrNod;
  double time;
  EXPECT_EQ(pav_GetJacobiansArray(obj, Tetrahedra, 2, &nbrEnt, &kind, &iteration, &time, &degree,
                                  &nbrNod, status),
            older->data);
  EXPECT_EQ(degree * 100 + nbrNod, 210);

  for (int round = 0; round < 2; round++) {
    double *quality = static_cast<double *>(std::calloc(6, sizeof(double)));
    quality[5] = 0.5 + round;
    ASSERT_EQ(pav_SetValues(obj, Tetrahedra, quality, status), PAV_SUCCESS);
    EXPECT_EQ(pav_GetValuesArrray(obj, Tetrahedra, status), quality);
  }
  EXPECT_EQ(pav_GetValuesArrray(obj, Tetrahedra, status)[5], 1.5);
}

TEST_F(Solutions, RecordsAndPushChecks) {
  PavSolution *rec = pav_NewSolutionRecord(2, PavSolSymMatrix, 4, 2, 6, status);
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->owned, 1);
  rec->data[5 * 6 * 3 - 1] = 1.0;
  EXPECT_EQ(pav_PushSolution(obj, SolAtVertices + 29, rec, status), PAV_FAILURE);
  pav_FreeSolutionList(rec);
}

std::vector<double> component(int dim, int comp, const double *data, int nEnt, int nNod) {
  double *v = pav_ExtractComponent(dim, comp, data, nEnt, nNod);
  std::vector<double> out(v + nNod, v + nNod * (nEnt + 1));
  std::free(v);
  return out;
}

TEST(FieldTransformations, ComponentsLengthAndGatheredRows) {
  const double data[] = {0, 0, 3, 4, -6, 8}, data3[] = {0, 0, 0, 0, 0, 0, 1, 2, 2, 0, 0, -7};
  EXPECT_EQ(component(2, 4, data, 2, 1), (std::vector<double>{5, 10}));
  EXPECT_EQ(component(3, 3, data3, 1, 2), (std::vector<double>{2, -7}));
  EXPECT_EQ(component(3, 0, data3, 1, 2), (std::vector<double>{3, 7}));
  const double rowsIn[] = {0, 0, 10, 11, 20, 21, 30, 31};
  const int list[] = {3, 1};
  double *rows = pav_GatherSolution(rowsIn, 2, 2, list);
  EXPECT_EQ(std::vector<double>(rows + 2, rows + 6), (std::vector<double>{30, 31, 10, 11}));
  std::free(rows);
}

TEST(FieldTransformations, Determinants) {
  const struct {
    int dim, kind;
    std::vector<double> m;
    double det;
  } cases[] = {{2, PavSolSymMatrix, {4, 1, 3}, 11},
               {3, PavSolSymMatrix, {2, 1, 0, 3, 1, 4}, 18},
               {2, PavSolMatrix, {1, 2, 3, 4}, -2},
               {3, PavSolMatrix, {1, 2, 3, 0, 1, 4, 5, 6, 0}, 1}};
  for (const auto &c : cases) {
    std::vector<double> data(c.m.size(), 0.0);
    data.insert(data.end(), c.m.begin(), c.m.end());
    double *d = pav_SolutionDeterminant(c.dim, data.data(), 1, 1, c.kind);
    EXPECT_EQ(d[1], c.det) << c.dim << " " << c.kind;
    std::free(d);
  }
  EXPECT_EQ(pav_SolutionDeterminant(3, cases[3].m.data(), 1, 1, PavSolVector), nullptr);
}

TEST(FieldTransformations, VertexToElementExpansion) {
  const double verData[] = {0, 0, 1, -1, 2, -2, 3, -3};
  const int idx[] = {0, 0, 1, 2, 3, 9};
  testing::internal::CaptureStdout();
  double *out = pav_VertexToElementSolution(2, verData, 3, PavSolVector, idx, 2, 2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "error: impossible to get solution of index 1 of entity 2: invalid vertex 9 / 3 \n");
  const std::vector<double> expected = {0, 0, 0, 0, 1, -1, 2, -2, 3, -3, 0, 0};
  EXPECT_EQ(std::vector<double>(out, out + 12), expected);
  std::free(out);

  EXPECT_EQ(pavo_test::captured([&] {
              out = pav_VertexToElementSolutionPacked(2, verData, 3, PavSolVector, idx + 2, 2, 2);
            }),
            "error");
  EXPECT_EQ(std::vector<double>(out, out + 12), expected);
  std::free(out);
}
