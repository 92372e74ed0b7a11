// The bottom bar in a main window: filled after a load, picking by number reaches the viewer and
// its report the terminal panel; the windows of one run are linked viewer to viewer.
#include "gl_fixture.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"
#include "scene/window_links.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/viewer_windows.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace pavo;

TEST(WidgetBottomBar, FilledAfterALoadPicksByNumberAndWindowsAreLinked) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("widget_bottom");
  for (const char *name : {"/a.mesh", "/b.mesh"}) {
    std::ofstream out(dir + name);
    out << "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n0 0 0 0\n1 0 0 0\n0 1 0 0\n"
           "1 1 0 0\nTriangles\n2\n1 2 3 1\n2 4 3 2\nEnd\n";
  }
  std::vector<std::string> args = {"pavo4", "-in", dir + "/a.mesh", dir + "/b.mesh"};
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  QList<PavMeshViewerWidget *> windows = openViewerWindows((int)args.size(), argv.data());
  ASSERT_EQ(windows.size(), 2);
  std::unique_ptr<PavMeshViewerWidget> first(windows[0]), second(windows[1]);
  EXPECT_EQ(linkedWindows(first->viewer()), std::vector<PavMeshViewer *>{second->viewer()});

  PavBottom *bar = first->bottomBar();
  ASSERT_NE(bar, nullptr);
  const int triangle = bar->kindSelector()->findText("Triangle");
  ASSERT_GT(triangle, 0);
  bar->kindSelector()->setCurrentIndex(triangle);
  emit bar->kindSelector()->activated(triangle);
  bar->numberInput()->setText("2");
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  testing::internal::CaptureStdout();
  QApplication::sendEvent(bar->numberInput(), &press);
  testing::internal::GetCapturedStdout();
  const std::string report = PavViewerInput::of(first->viewer())->lastReport();
  EXPECT_EQ(report.rfind(" Triangle                 2 : [", 0), 0u) << report;
  EXPECT_NE(first->terminal()->toPlainText().toStdString().find("Triangle                 2"),
            std::string::npos);
}
