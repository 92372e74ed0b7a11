// The key table: the shortcut list it generates, the dispatch of every row, and the cycles and
// limits of the keys on the view state.
#include "scene/key_bindings.h"

#include <Qt>
#include <cctype>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace pavo;

namespace {

struct Keys {
  PavViewState view;
  PavSceneSwitches switches;
  PavKeyFacts facts;
  // "F1".."F12", "Left", "Return", "Escape", "Space" by key code; a character with the code Qt
  // gives it (the upper-case letter's for both cases) and its text.
  PavKeyEffect press(const std::string &key, int times = 1) {
    static const std::map<std::string, int> codes = {
        {"Left", Qt::Key_Left},   {"Right", Qt::Key_Right},   {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},   {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape},
        {"Space", Qt::Key_Space}, {"F1", Qt::Key_F1},         {"F2", Qt::Key_F2},
        {"F3", Qt::Key_F3},       {"F4", Qt::Key_F4},         {"F5", Qt::Key_F5},
        {"F6", Qt::Key_F6},       {"F7", Qt::Key_F7},         {"F12", Qt::Key_F12}};
    PavKeyEffect e;
    for (int i = 0; i < times; i++) {
      auto c = codes.find(key);
      e = c != codes.end()
              ? applyKey(c->second, "", view, switches, facts)
              : applyKey(std::toupper((unsigned char)key[0]), key, view, switches, facts);
    }
    return e;
  }
};

} // namespace

TEST(KeyBindings, ShortcutListIsGeneratedFromTheTableInOrder) {
  const char *items[] = {"Arrows: translate view ",
                         "Space: screenshot current view ",
                         "+/-: inscrease/decrease lines width ",
                         "</>: display previous/next solution ",
                         "A: show FPS ",
                         "b: show background ",
                         "B: show box ",
                         "c: show scene center ",
                         "C: enable/disable capping ",
                         "d: discard everything other than picked item ",
                         "D: show points number ",
                         "e: (de)activate transparency ",
                         "E: show edges ",
                         "f: change rendering  ",
                         "g: show corners ",
                         "i: initial view ",
                         "j: show jacobian ",
                         "J: jacobian isolines ",
                         "k: change dimension (2/3) ",
                         "l: show mesh edges ",
                         "L: show high-order tessellation ",
                         "m: show solution ",
                         "M: show metrix solution ",
                         "n: change type of solution (vertices/elements) ",
                         "N: show in/out orientation ",
                         "o: show isolines ",
                         "p: show palette ",
                         "q: quit Pavo ",
                         "r: change shading rendering ",
                         "s/S: suppres/unsuppress surfaces ",
                         "t/T: increase/decrease tessellation  ",
                         "u: show text ",
                         "U: show cut plane ",
                         "v: hide / show volume elements ",
                         "V: center scene to picked element ",
                         "w: save data configuration  ",
                         "Y: show mesh edges in surfaces ",
                         "z/Z: zoom in/out  ",
                         "F1: (de)activate plane cut ",
                         "F2: clipping ",
                         "F3: reset cut plane ",
                         "F4: capping ",
                         "F5: (de)activate shrink ",
                         "F6/F7: Increase/decrease shrinking value"};
  std::string expected = "<ul>";
  for (const char *i : items) expected += std::string("<li>") + i + "</li>";
  EXPECT_EQ(shortcutListText(), expected + "</ul>");

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
  EXPECT_TRUE(k.view.trackball.rotation.isIdentity());
  EXPECT_TRUE(k.view.trackball.translation.isNull());
  EXPECT_EQ(k.view.fovy, 30.0);
  EXPECT_EQ(k.view.sceneCentre, QVector3D(2, -1, 0.5f));
  k.switches.dimension = 3;
  k.press("i");
  EXPECT_FALSE(k.view.trackball.rotation.isIdentity());
  EXPECT_NEAR(k.view.trackball.rotation.length(), 1, 1e-6);

  // m and o without any solution change nothing.
  for (const char *key : {"m", "o"}) {
    const PavKeyEffect e = k.press(key);
    EXPECT_TRUE(e.handled && e.render);
    EXPECT_FALSE(e.resetShaders);
    EXPECT_EQ(e.request, PavKeyRequest::None);
  }
  EXPECT_EQ(k.view.options.SolOn, 0);
  EXPECT_EQ(k.view.options.IsoOn, 0);
  EXPECT_EQ(k.view.fieldMode, 0);
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
  for (const char *quit : {"Escape", "q", "Q"}) {
    const PavKeyEffect e = k.press(quit);
    EXPECT_EQ(e.request, PavKeyRequest::Quit);
    EXPECT_FALSE(e.render);
  }
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
  const double plane[4] = {1, 0, 0, -4};
  for (int i = 0; i < 4; i++) EXPECT_EQ(k.view.cutPlane[i], plane[i]);

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
  for (int i = 0; i < 4; i++) EXPECT_EQ(k.view.cutPlane[i], plane[i]);
  k.press("F1");
  EXPECT_FALSE(k.view.cutActive());
}
