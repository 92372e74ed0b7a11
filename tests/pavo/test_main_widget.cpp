// The main window with its controller: every action reaches a slot, the menus are in the bar,
// preferences ticked in one window are found by the next, and the bottom bar follows a solution
// opened after the mesh.
#include "ui/main_actions.h"
#include "ui/main_controller.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/preferences.h"

#include "gl_fixture.h"
#include "mesh_builders.h"
#include "pav_solution.h"
#include "scene/mesh_viewer.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenuBar>
#include <QMetaObject>
#include <QSettings>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

TEST(MainWidget, ActionsMenusAndPreferencesAcrossWindows) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  // The tests' settings store is private (tests/pavo/main.cpp): start from an empty one.
  QSettings().clear();
  {
    PavMeshViewerWidget w(QSurfaceFormat::defaultFormat(), 1, 1);
    const QMetaObject *meta = w.controller()->metaObject();
    for (const PavActionRow &row : mainActionRows())
      EXPECT_TRUE(!*row.slot || meta->indexOfSlot((std::string(row.slot) + "()").c_str()) >= 0);
    auto *bar = w.findChild<QMenuBar *>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->actions().size(), 6);
    w.controller()->actions().action("openpreferences")->trigger();
    auto *axis = w.findChild<QCheckBox *>("cli:axisBox:1");
    auto *angles = w.findChild<QCheckBox *>("cli:angBox:1");
    ASSERT_NE(axis, nullptr);
    axis->click(); // on by default: now off
    angles->click();
    EXPECT_FALSE(w.viewer()->view.options.AxisOn);
  }
  PavMeshViewerWidget again(QSurfaceFormat::defaultFormat(), 1, 1);
  EXPECT_FALSE(again.controller()->preferences().axis);
  EXPECT_TRUE(again.controller()->preferences().angles);
  EXPECT_FALSE(again.viewer()->view.options.AxisOn);
  QSettings().clear();

  // A solution opened after the mesh (File > Open Solution File) refills the bar's selectors
  // from the solutions the mesh now holds (here one already in memory, the file missing).
  PavObject *obj = pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 0, 1, 0}, Triangles, {1, 2, 3});
  char status[PAV_STATUS_SIZE] = "";
  pav_PushSolution(obj, SolAtVertices, pav_NewSolutionRecord(3, PavSolVector, 3, 1, 1, status),
                   status);
  again.viewer()->waitForInit();
  again.viewer()->adoptMesh(obj);
  pavo_test::captured([&] { again.viewer()->openSolution("missing.solb"); });
  EXPECT_EQ(again.bottomBar()->vertexSolutionSelector()->itemText(1), "1 Vector at Vertices ");
}

} // namespace
