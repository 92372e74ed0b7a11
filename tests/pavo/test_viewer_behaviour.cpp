// The viewer as a user drives it: a real main window shown and active, keys sent where the
// platform sends them (the focus widget), and what the row of each key says is read back from
// the frame, the overlay texts, the selectors and the files written.
#include "ui/mesh_viewer_widget.h"

#include "gl_fixture.h"
#include "mesh_builders.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace pavo;

TEST(ViewerBehaviour, KeysActAtOnceAndTitlesSelectorsAndFilesFollow) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("viewer_behaviour");
  const std::string mesh = pavo_test::writeFieldCube(dir, 2);
  const QString before = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(dir)); // w writes pavo.data here
  PavMeshViewerWidget w(QSurfaceFormat::defaultFormat(), 1, 1);
  testing::internal::CaptureStdout();
  ASSERT_EQ(w.loadMesh(mesh.c_str(), (dir + "/box.solb").c_str()), 0);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  PavMeshViewer *v = w.viewer();
  auto press = [&](char key) {
    QWidget *target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, key);
  };

  // The first picture is the initial view, and the whole box lies inside the frame, left of the
  // palette bar.
  EXPECT_TRUE(qFuzzyCompare(v->view.trackball.rotation,
                            QQuaternion::fromEulerAngles(-60.0f, 0.0f, -120.0f)));
  int bar[4];
  paletteBarRect(v->width(), v->height(), 1.0, bar);
  const PavCameraMatrices m = v->matrices();
  for (int c = 0; c < 8; c++) {
    const QVector3D p =
        (QVector3D(c & 1, (c >> 1) & 1, (c >> 2) & 1) - v->view.sceneCentre) * v->view.sceneScale;
    const QVector4D s = m.mvp * QVector4D(p, 1);
    const float x = s.x() / s.w(), y = s.y() / s.w();
    EXPECT_LT(std::abs(y), 1.0f) << c;
    EXPECT_GT(x, -1.0f) << c;
    EXPECT_LT((x + 1) * 0.5f * (float)v->width(), (float)bar[0] - 60) << c; // values' room
  }

  const struct {
    char key;
    const char *title; // overlay title after the key
    int vertexChoice;  // data of the vertex selector's current entry (-1: no solution)
  } rows[] = {{'>', "Solution at Vertices 2 of 2", 2},
              {'<', "Solution at Vertices 1 of 2", 1},
              {'m', "Solution at Vertices 1 of 2", 1}, // filled isolines: still shown
              {'m', "", 1},   // colours off, the isolines still show the field
              {'o', "", 1},   // black isolines
              {'o', "", -1}}; // isolines off too: nothing shown
  for (const auto &r : rows) {
    press(r.key);
    v->renderNowNoSwap();
    EXPECT_EQ(v->overlayTexts().title, r.title) << r.key;
    EXPECT_EQ(w.bottomBar()->vertexSolutionSelector()->currentData().toInt(), r.vertexChoice)
        << r.key;
    EXPECT_EQ(w.bottomBar()->elementSolutionSelector()->currentIndex(), 0) << r.key;
  }

  // w writes what Write Data file writes: the window's size and the box with the view.
  std::remove((dir + "/pavo.data").c_str());
  press('w');
  const std::string data = pavo_test::readFile(dir + "/pavo.data");
  EXPECT_NE(
      data.find("WindowSize\n" + std::to_string(v->width()) + " " + std::to_string(v->height())),
      std::string::npos)
      << data;
  EXPECT_NE(data.find("UseBoundingBox\n1"), std::string::npos) << data;
  EXPECT_NE(data.find("IsoSiz\n1.500000"), std::string::npos) << data;
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("writing"), std::string::npos) << out;
  QDir::setCurrent(before);
}

// The frame rate is that of the frames drawn lately; the shortcut list shows "</>" as written.
TEST(ViewerBehaviour, FrameRateAndShortcutText) {
  const struct {
    std::deque<qint64> starts;
    double fps;
  } rows[] = {{{}, 0}, {{5}, 0}, {{0, 100, 200, 300}, 10}, {{7, 7}, 0}, {{0, 40}, 25}};
  for (const auto &r : rows) EXPECT_DOUBLE_EQ(frameRate(r.starts), r.fps);
  EXPECT_NE(shortcutListText().find("<li>&lt;/&gt;: display previous/next solution </li>"),
            std::string::npos);
}
