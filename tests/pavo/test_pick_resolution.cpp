// Picked ids resolved through a pick list: ranges, unpicking, adding and whole-object selection.
#include "scene/pick_resolution.h"

#include <gtest/gtest.h>
#include <memory>

using namespace pavo;

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
  // Whole-object selection highlights one object and toggles off.
  EXPECT_EQ(resolveObjectPick(s.picks, 110, 5, 6, s.state), s.b.get());
  EXPECT_TRUE(s.b->highlightAll && !s.a->highlightAll && s.elts(s.a.get()).empty());
  EXPECT_EQ(resolveObjectPick(s.picks, 140, 5, 6, s.state), nullptr);
  EXPECT_TRUE(!s.b->highlightAll && s.state.pickedObjects.empty());
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
