// The key table: the shortcut list it generates, the dispatch of every row, and the cycles and
// limits of the keys on the view state.
#include "scene/key_bindings.h"

#include <QKeySequence>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

using namespace pavo;

namespace {

struct Keys {
  PavViewState view;
  PavSceneSwitches switches;
  PavKeyFacts facts;
  // Named keys ("F1", "Left", "Return", ...) by key code; a character with the code Qt gives it
  // (the upper-case letter's for both cases) and its text.
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
  // 44 listed rows in the table's order (first, one inside, last pinned).
  const std::string list = shortcutListText();
  EXPECT_EQ(
      list.rfind("<ul><li>Arrows: translate view </li><li>Space: screenshot current view </li>", 0),
      0u);
  EXPECT_NE(list.find("</li><li>s/S: suppres/unsuppress surfaces </li><li>t/T: increase/decrease "
                      "tessellation  </li>"),
            std::string::npos);
  const std::string last = "<li>F6/F7: Increase/decrease shrinking value</li></ul>";
  EXPECT_EQ(list.substr(list.size() - last.size()), last);
  size_t items = 0;
  for (size_t at = 0; (at = list.find("<li>", at)) != std::string::npos; at++) items++;
  EXPECT_EQ(items, 44u);

  // Every row is reached by its own key (no row hides another), and every key of the handler,
  // listed or not, has a row.
  for (const PavKeyBinding &b : keyBindings())
    EXPECT_EQ(findKeyBinding(b.qtKey, b.qtKey ? "" : std::string(1, b.text)), &b)
        << b.description << " " << b.text;
  for (const char *k : {"a", "F", "G", "K", "P", "<", ">", "+", "-"})
    EXPECT_NE(findKeyBinding(0, k), nullptr) << k;
  EXPECT_NE(findKeyBinding(Qt::Key_Q, "q"), nullptr);
  EXPECT_EQ(findKeyBinding(0, "x"), nullptr);
  EXPECT_EQ(findKeyBinding(0, "ab"), nullptr);
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

  k.view.options.tessLevel = 124;
  k.press("t", 3);
  EXPECT_EQ(k.view.options.tessLevel, 125);
  k.view.options.tessLevel = 2;
  k.press("T", 3);
  EXPECT_EQ(k.view.options.tessLevel, 1);

  k.view.options.shrink = 1.0f;
  k.press("F6", 20);
  EXPECT_FLOAT_EQ(k.view.options.shrink, 0.1f);
  EXPECT_EQ(k.press("F7", 30).request, PavKeyRequest::UpdateShrink);
  EXPECT_FLOAT_EQ(k.view.options.shrink, 1.0f);
  for (const char *toggle : {"F5", "F12"}) {
    k.press(toggle);
    EXPECT_FLOAT_EQ(k.view.options.shrink, 0.95f);
    k.press(toggle);
    EXPECT_FLOAT_EQ(k.view.options.shrink, 1.0f);
  }

  k.view.options.lineWidth = 0.01f;
  k.view.options.edgeThickness = 0.3f;
  k.press("-");
  EXPECT_EQ(k.view.options.lineWidth, 0.0f);
  EXPECT_NEAR(k.view.options.edgeThickness, 0.05f, 1e-6);
  k.press("+");
  EXPECT_NEAR(k.view.options.lineWidth, 0.025f, 1e-7);
  EXPECT_NEAR(k.view.options.edgeThickness, 0.3f, 1e-6);

  k.view.fovy = 100;
  k.press("Z", 10);
  EXPECT_EQ(k.view.fovy, 179.0);
  k.press("z", 400);
  EXPECT_EQ(k.view.fovy, 1e-9);

  // Arrows move by a thousandth of the field of view.
  k.view.fovy = 40;
  k.press("Left", 3);
  k.press("Right");
  k.press("Up");
  EXPECT_NEAR(k.view.trackball.translation.x(), 0.08, 1e-6);
  EXPECT_NEAR(k.view.trackball.translation.y(), -0.04, 1e-6);

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
  k.view.trackball.translation = QVector3D(1, 2, 3);
  EXPECT_EQ(k.press("i").request, PavKeyRequest::InitialView);
  EXPECT_TRUE(k.view.trackball.rotation.isIdentity() && k.view.trackball.translation.isNull());
  EXPECT_EQ(k.view.fovy, 30.0);
  EXPECT_EQ(k.view.sceneCentre, QVector3D(2, -1, 0.5f));
  k.switches.dimension = 3;
  k.press("i");
  EXPECT_FALSE(k.view.trackball.rotation.isIdentity());
  EXPECT_NEAR(k.view.trackball.rotation.length(), 1, 1e-6);

  // m and o without any solution change nothing.
  for (const char *key : {"m", "o"}) {
    const PavKeyEffect e = k.press(key);
    EXPECT_TRUE(e.handled && e.render && !e.resetShaders && e.request == PavKeyRequest::None);
  }
  EXPECT_TRUE(k.view.options.SolOn == 0 && k.view.options.IsoOn == 0 && k.view.fieldMode == 0);
  // n needs a solution of the other kind.
  k.facts.vertexSolutions = true;
  k.press("n");
  EXPECT_EQ(k.view.fieldMode, 0);
  const int solOn[] = {1, 2, 0, 1};
  for (int s : solOn) {
    EXPECT_TRUE(k.press("m").resetShaders);
    EXPECT_EQ(k.view.options.SolOn, s);
  }
  EXPECT_EQ(k.view.fieldMode, 1);
  k.facts.solDefinition = true;
  EXPECT_FALSE(k.press("o").resetShaders);
  EXPECT_EQ(k.view.options.IsoOn, 1);
  k.facts.elementSolutions = true;
  k.press("n");
  EXPECT_EQ(k.view.fieldMode, 2);
  EXPECT_EQ(k.press("n").request, PavKeyRequest::RefreshSolution);
  EXPECT_EQ(k.view.fieldMode, 1);

  // Keys whose work belongs to the window or the viewer only ask for it.
  const struct {
    const char *key;
    PavKeyRequest request;
  } requests[] = {
      {"Space", PavKeyRequest::Screenshot},         {"w", PavKeyRequest::SaveView},
      {"c", PavKeyRequest::ShowSceneCentre},        {"V", PavKeyRequest::CentreOnPicked},
      {"s", PavKeyRequest::SuppressPicked},         {"S", PavKeyRequest::RestoreSuppressed},
      {">", PavKeyRequest::NextSolution},           {"<", PavKeyRequest::PreviousSolution},
      {"j", PavKeyRequest::ComputeJacobian},        {"j", PavKeyRequest::None},
      {"J", PavKeyRequest::ComputeJacobianMinimal}, {"Return", PavKeyRequest::None}};
  for (const auto &r : requests) EXPECT_EQ(k.press(r.key).request, r.request) << r.key;
  k.facts.multiPickingActive = true;
  EXPECT_EQ(k.press("Return").request, PavKeyRequest::FinishMultiPicking);
  for (const char *quit : {"Escape", "q", "Q"})
    EXPECT_TRUE(k.press(quit).request == PavKeyRequest::Quit && !k.press(quit).render) << quit;
  EXPECT_FALSE(k.press("x").handled);
}

TEST(KeyBindings, CutPlaneKeysFollowDimensionPlaneAndTrackballMode) {
  Keys k;
  k.facts.boxCentre[0] = 4;
  k.switches.dimension = 2;
  k.press("F1");
  EXPECT_FALSE(k.view.options.CutOn);
  k.switches.dimension = 3;
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode); // no plane yet
  EXPECT_EQ(k.press("F1").request, PavKeyRequest::UpdateCut);
  EXPECT_TRUE(k.view.cutActive());
  const std::vector<double> plane = {1, 0, 0, -4};
  EXPECT_EQ(std::vector<double>(k.view.cutPlane, k.view.cutPlane + 4), plane);

  k.press("C");
  EXPECT_TRUE(k.view.capping);
  k.press("F2");
  EXPECT_TRUE(k.switches.cutPlaneMode);
  k.press("C"); // refused while the mouse moves the plane
  EXPECT_TRUE(k.view.capping);
  k.press("F2");
  EXPECT_FALSE(k.switches.cutPlaneMode);
  EXPECT_FALSE(k.view.capping);
  k.press("F4", 2);
  EXPECT_FALSE(k.switches.cutPlaneMode);
  EXPECT_TRUE(k.view.capping);

  k.view.cutPlane[1] = 3;
  k.press("F3");
  EXPECT_EQ(std::vector<double>(k.view.cutPlane, k.view.cutPlane + 4), plane);
  k.press("F1");
  EXPECT_FALSE(k.view.cutActive());
}
