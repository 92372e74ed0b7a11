// The key table: the shortcut list it generates, the dispatch of every row, and the cycles and
// limits of the keys on the view state.
#include "scene/key_bindings.h"

#include <QKeySequence>
#include <cctype>
#include <gtest/gtest.h>
#include <vector>

using namespace pavo;

namespace {

struct Keys {
  PavViewState view;
  PavSceneSwitches switches;
  PavKeyFacts facts;
  // Named keys ("F1", "Return") by key code; a character by Qt's code for it and its text.
  PavKeyEffect press(const std::string &key, int times = 1) {
    PavKeyEffect e;
    for (int i = 0; i < times; i++)
      e = key.size() > 1
              ? applyKey(QKeySequence(QString::fromStdString(key))[0], "", view, switches, facts)
              : applyKey(std::toupper((unsigned char)key[0]), key, view, switches, facts);
    return e;
  }
};
} // namespace

TEST(KeyBindings, ShortcutListIsGeneratedFromTheTableInOrder) {
  const std::string list = shortcutListText();
  const std::string last = "<li>F6/F7: Increase/decrease shrinking value</li></ul>";
  EXPECT_EQ(list.substr(list.size() - last.size()), last);
  // Every row is reached by its own key (no row hides another).
  for (const PavKeyBinding &b : keyBindings())
    EXPECT_EQ(findKeyBinding(b.qtKey, b.qtKey ? "" : std::string(1, b.text)), &b)
        << b.description << " " << b.text;
  EXPECT_EQ(findKeyBinding(0, "x"), nullptr);
}

TEST(KeyBindings, CyclesReturnToTheirStartAndLimitsHold) {
  Keys k;
  const int mode = k.view.options.renderMode();
  const int phong = k.view.options.UsePhong;
  for (int i = 1; i <= 4; i++) {
    k.press("f");
    k.press("r");
    EXPECT_EQ(k.view.options.renderMode(), (mode + i) % 4);
    EXPECT_EQ(k.view.options.UsePhong, (phong + i) % 4);
  }

  k.view.options.shrink = 1.0f;
  k.press("F6", 20);
  EXPECT_FLOAT_EQ(k.view.options.shrink, 0.1f);

  // Tessellation-driven edges cannot be switched off with l; without tessellation they can.
  k.view.options.TessOn = true;
  const bool line = k.view.options.LineOn;
  k.press("l");
  EXPECT_EQ(k.view.options.LineOn, line);
  k.press("L");
  k.press("l");
  EXPECT_NE(k.view.options.LineOn, line);
}

TEST(KeyBindings, InitialViewSolutionsAndRequests) {
  Keys k;
  k.facts.boxCentre[0] = 2, k.facts.boxCentre[1] = -1, k.facts.boxCentre[2] = 0.5;
  k.switches.dimension = 2;
  k.view.trackball.rotation = QQuaternion::fromAxisAndAngle(1, 0, 0, 30);
  EXPECT_EQ(k.press("i").changes, PavChange::Camera | PavChange::Centre); // linked windows follow
  EXPECT_TRUE(k.view.trackball.rotation.isIdentity() &&
              k.view.sceneCentre == QVector3D(2, -1, 0.5f));

  // m without any solution changes nothing; n needs a solution of the other kind.
  EXPECT_FALSE(k.press("m").changes.has(PavChange::Programs));
  k.facts.vertexSolutions = true;
  k.press("n");
  EXPECT_TRUE(k.view.options.SolOn == 0 && k.view.fieldMode == 0);
  const int solOn[] = {1, 2, 0, 1};
  for (int s : solOn) {
    EXPECT_TRUE(k.press("m").changes.has(PavChange::Programs));
    EXPECT_EQ(k.view.options.SolOn, s);
  }
  EXPECT_EQ(k.view.fieldMode, 1);
  k.facts.solDefinition = true;
  EXPECT_FALSE(k.press("o").changes.has(PavChange::Programs));
  EXPECT_EQ(k.view.options.IsoOn, 1);
  k.facts.elementSolutions = true;
  k.press("n");
  EXPECT_TRUE(k.press("n").changes.has(PavChange::Fields));
  EXPECT_EQ(k.view.fieldMode, 1);

  k.facts.multiPickingActive = true;
  EXPECT_EQ(k.press("Return").request, PavKeyRequest::FinishMultiPicking);
}

TEST(KeyBindings, CutPlaneKeysFollowDimensionPlaneAndTrackballMode) {
  Keys k;
  k.facts.boxCentre[0] = 4;
  k.switches.dimension = 3;
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode); // no plane yet
  EXPECT_TRUE(k.press("F1").changes.has(PavChange::Cut));
  EXPECT_TRUE(k.view.cutActive());
  const std::vector<double> plane = {1, 0, 0, -4};
  EXPECT_EQ(std::vector<double>(k.view.cutPlane, k.view.cutPlane + 4), plane);

  k.press("C");
  k.press("F2");
  EXPECT_TRUE(k.switches.cutPlaneMode && k.view.capping);
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode || k.view.capping);
}
