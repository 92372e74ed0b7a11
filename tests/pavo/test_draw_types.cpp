// The draw-type table, the draw-object factory, parent maps and the field attach checks.
#include "render/draw_object.h"
#include "render/draw_types.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace pavo;

TEST(DrawTypes, NamesEndWithOneBlankAndUnnamedCodesAreUnknown) {
  std::set<std::string> seen;
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES; t++) {
    std::string name = pavDrawType2String(t);
    ASSERT_GE(name.size(), 2u) << t;
    EXPECT_EQ(name.back(), ' ') << t;
    EXPECT_NE(name[name.size() - 2], ' ') << t;
    if (t != DrawComposite && t != DrawVolTetrahedron) {
      EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name;
    }
  }
  const std::pair<uint32_t, const char *> names[] = {
      {33, "Unknown "},
      {0xffffffffu, "Unknown "},
      {DrawPolyhedra, "Polyghedron "},
      {DrawCustomQuad + 3, "CustomQuadrilateralsQ4 "},
      {DrawUsrCutTriangle + 1, "UsrCutTriangleP2 "},
      {DrawCustomEdge, "CustomEdges "}};
  for (auto [t, name] : names) EXPECT_STREQ(pavDrawType2String(t), name) << t;
}

// Every curved face kind has the node count of its Lagrange lattice, whatever block it sits in.
// The messages quote the name with its own trailing blank, hence two blanks before the newline.
TEST(DrawTypes, NodeCountsFollowTheLatticeOfEachFamilyAndDegree) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES; t++) {
    int d = pavDrawTypeDegree(t);
    switch (pavDrawFamily(t)) {
    case PavDrawFamily::Edge:
      EXPECT_EQ(PavDrawTyp2Siz(t), d + 1) << t;
      break;
    case PavDrawFamily::Triangle:
      EXPECT_EQ(PavDrawTyp2Siz(t), (d + 1) * (d + 2) / 2) << t;
      break;
    case PavDrawFamily::Quadrilateral:
      EXPECT_EQ(PavDrawTyp2Siz(t), (d + 1) * (d + 1)) << t;
      break;
    default:
      break;
    }
  }
  EXPECT_EQ(PavDrawTyp2Siz(DrawPyramid), 5);
  EXPECT_EQ(PavDrawTyp2Siz(DrawTetrahedronP2), 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(PavDrawTyp2Siz(DrawPolygon), -1);
  EXPECT_EQ(PavDrawTyp2Siz(200), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning PavDrawTyp2Siz case not defined for type Polygon  \n"
            "Warning PavDrawTyp2Siz case not defined for type Unknown  \n");
}

TEST(DrawTypes, FieldDegreeFromCoefficientCount) {
  // {type, coefficient count, degree}: lattice sizes give the degree, anything else -1.
  const int cases[][3] = {
      {DrawTriangle, 7, -1},        {DrawTriangle, 66, 10}, {DrawSrfTriangle + 2, 10, 3},
      {DrawQuad, 120, -1},          {DrawCustomQuad, 9, 2}, {DrawEdge, 1, 0},
      {DrawCustomEdge + 3, 11, 10}, {DrawEdge, 0, -1},      {DrawVecTriangle, 9, 1},
      {DrawVecTriangle, 3, -1},     {DrawVertex, 1, -1},    {78, 1, -1}};
  for (const auto &c : cases) EXPECT_EQ(PavSolDeg(c[0], c[1]), c[2]) << c[0] << " " << c[1];
  testing::internal::CaptureStdout();
  EXPECT_EQ(PavSolDeg(DrawCustomPolygon, 3), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning PavSolDeg case not defined for type CustomPolygon  \n");
}

TEST(DrawTypes, MeshTypes) {
  const std::pair<uint32_t, int> expected[] = {
      {DrawCorner, 2},          {DrawQuadQ4, 27},          {DrawPatch, 5},
      {DrawCutQuad + 2, 80},    {DrawSrfTriangle + 3, 97}, {DrawVolTetrahedron, 130},
      {DrawCustomEdge + 1, 11}, {DrawPolyhedra, 132}};
  for (auto [type, msh] : expected) EXPECT_EQ(PavDrawTypetoPavMshType(type), msh) << type;
  testing::internal::CaptureStdout();
  EXPECT_EQ(PavDrawTypetoPavMshType(DrawSolution), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Warning: PavDrawTypetoPavMshType undefined for DrawType Solution  \n");
}

TEST(DrawObjects, FactoryCreatesEveryDrawableTypeAndRefusesTheRest) {
  for (uint32_t t = 0; t < PAV_NBR_DRAW_TYPES + 2; t++) {
    testing::internal::CaptureStdout();
    std::unique_ptr<PavDrawObject> o(createDrawObject(t, 7));
    std::string out = testing::internal::GetCapturedStdout();
    bool drawable =
        pavDrawFamily(t) != PavDrawFamily::None && t != DrawPalette && t != DrawComposite;
    if (drawable) {
      ASSERT_TRUE(o) << t;
      EXPECT_TRUE(o->type == t && o->id == 7 && o->visible);
      // Face kinds carry the parent maps; the rest keep the empty base slots.
      bool faces = pavIsFaceType(t) || (t >= DrawCustomEdge && t < DrawCustomEdge + 4);
      EXPECT_EQ(dynamic_cast<PavDrawObjectWithPalette *>(o.get()) != nullptr, faces) << t;
    } else {
      EXPECT_FALSE(o) << t;
      EXPECT_EQ(out, "Warning no PavDrawObject created !\n") << t;
    }
  }
}

TEST(DrawObjects, ParentsAreTakenFromTheObjectsRangeOfTheList) {
  PavDrawTriangle tri(DrawTriangle, 1);
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
  EXPECT_EQ(tri.getParentElt()[0], 7);
  EXPECT_EQ(tri.getParentElt()[1], 8);

  PavDrawPoint point(DrawVertex, 1);
  point.getParent(0, &e, &f, &v);
  EXPECT_EQ(e + f + v, 0);

  tri.polygonParents = {4, 4};
  testing::internal::CaptureStdout();
  int32_t parent = -1;
  EXPECT_NE(tri.getPolygonParent(5, &parent), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "getPolygonParent: Error value asked 5 greater than number of elements 2 \n");
  EXPECT_EQ(tri.getPolygonParent(1, &parent), 0);
  EXPECT_EQ(parent, 4);
}

TEST(DrawObjects, CompositeCountsItsParts) {
  PavDrawTriangle a(DrawTriangle, 1), b(DrawTriangle, 2), c(DrawTriangle, 3);
  a.count = 10;
  b.count = 0;
  c.count = 5;
  PavDrawObject *list[] = {&a, &b, &c};
  PavDrawComposite comp(9);
  testing::internal::CaptureStdout();
  comp.setObjectsList(3, list);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "PavDrawComposite: setObjectsList \nnbrObj = 3 \nPavDrawComposite: setObjectsList OK "
            "nbr\nPavDrawComposite: setObjectsList OK Lst\n");
  EXPECT_EQ(comp.getNbrParts(), 3);
  EXPECT_EQ(comp.totalCount(), 15);
}

TEST(FieldAttach, MissingObjectsSwappedPairsAndBadCounts) {
  PavDrawTriangle target(DrawTriangle, 1);
  target.count = 4;
  PavDrawJacobian jac(1);
  PavDrawSolution sol(1);
  auto run = [](auto f) {
    testing::internal::CaptureStdout();
    int r = f();
    return std::make_pair(r, testing::internal::GetCapturedStdout());
  };
  auto r = run([&] { return checkFieldAttach(PavFieldKind::Jacobian, nullptr, nullptr, 4, 3); });
  EXPECT_EQ(r.second, "please provide a PavDrawObject and a PavDrawJacobian\n"
                      "please provide  a PavDrawJacobian\nplease provide a PavDrawObject\n");
  r = run([&] { return checkFieldAttach(PavFieldKind::Solution, &sol, nullptr, 4, 3); });
  EXPECT_EQ(r.second, "please provide a PavDrawObject and a PavDrawSolution\n"
                      "please provide a PavDrawObject\n");
  r = run([&] { return checkFieldAttach(PavFieldKind::Jacobian, &target, &jac, 4, 3); });
  EXPECT_EQ(r.first, -1);
  EXPECT_NE(r.second.find("not in the right order"), std::string::npos);
  r = run([&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 5, 3); });
  EXPECT_EQ(r.first, -1);
  EXPECT_EQ(r.second, " Invalid number of entities for solution object 5 != 4\n");
  r = run([&] { return checkFieldAttach(PavFieldKind::Value, &sol, &target, 4, 7); });
  EXPECT_EQ(r.second, " Invalid number of nodes for value object\n");
  r = run([&] { return checkFieldAttach(PavFieldKind::Solution, &sol, &target, 0, 3); });
  EXPECT_EQ(r.first, -2);
  EXPECT_EQ(checkFieldAttach(PavFieldKind::Solution, &sol, &target, 4, 6), 2);
}
