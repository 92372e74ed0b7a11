// The draw-type table, the draw-object factory, parent maps and the field attach checks.
#include "files/draw_types.h"
#include "render/draw_object.h"
#include "test_paths.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace pavo;

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
  EXPECT_EQ(std::vector<int32_t>(tri.getParentElt(), tri.getParentElt() + 2),
            std::vector<int32_t>({7, 8}));
}

// Undefined cases and bad attachments: each call's result and its
// printed lines byte for byte (type names keep their trailing blank, hence two blanks).
TEST(DrawTypes, CallsThatPrintReturnTheirMarkerAndTheirLines) {
  PavDrawTriangle target(DrawTriangle, 3);
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
