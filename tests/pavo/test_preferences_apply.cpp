// Preferences reaching the viewer and surviving a restart, vertex numbers drawn as labels (and
// refused above the cap), the warning of a destroyed panel.
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "pav_object.h"
#include "scene/mesh_viewer_input.h"
#include "scene/vertex_labels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace pavo;

namespace {

const std::string kDir = pavo_test::scratchDir("preferences_apply");

// What each general check box changes in the viewer.
std::map<std::string, bool> viewerFlags(const PavMeshViewer &v) {
  return {{"Sol Pref", v.prefs.solutionInfo},
          {"Ang Pref", v.prefs.angles},
          {"Scroll Pref", v.prefs.scrolling},
          {"Axis Pref", v.view.options.AxisOn},
          {"Met Pref", v.prefs.metric},
          {"EllipsMet Pref", v.prefs.ellipsoidMetric},
          {"Renum Info Pref", v.prefs.renumbering},
          {"Ver Elt Pref", v.prefs.vertexCoordinates}};
}

} // namespace

TEST(PreferencesApply, BoxesTextSizePersistenceVertexNumbersAndPanelWarnings) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QFile::remove(QString::fromStdString(kDir + "/pavo.conf"));
  std::map<std::string, bool> expected;
  {
    pavo_test::MainWindow w(kDir);
    EXPECT_EQ(w.viewer->textHeight, 24); // entry 0
    w.ctl->openpreferences();
    QWidget *panel = w.ctl->panel("openpreferences");
    ASSERT_NE(panel, nullptr);
    for (const PavPreferenceRow &row : preferenceRows()) {
      SCOPED_TRACE(row.settingsKey);
      auto *box = panel->findChild<QCheckBox *>(QString(row.objectName).arg(1));
      ASSERT_NE(box, nullptr);
      const bool now = !box->isChecked();
      box->setChecked(now);
      expected[row.settingsKey] = now;
      EXPECT_EQ(w.ctl->preferences().*row.flag, now); // propagation: read by the window links
      EXPECT_TRUE(row.propagation || viewerFlags(*w.viewer).at(row.settingsKey) == now);
    }
    auto *size = panel->findChild<QComboBox *>("sizeTextBox:1");
    ASSERT_NE(size, nullptr);
    for (auto [index, height] : {std::pair{1, 16}, {9, 48}, {6, 36}}) {
      size->setCurrentIndex(index);
      EXPECT_EQ(w.viewer->textHeight, height) << index;
    }
    w.settings.sync();
  }
  pavo_test::MainWindow again(kDir); // a later run reads the same store
  for (const PavPreferenceRow &row : preferenceRows()) {
    SCOPED_TRACE(row.settingsKey);
    EXPECT_EQ(again.ctl->preferences().*row.flag, expected[row.settingsKey]);
    EXPECT_TRUE(row.propagation ||
                viewerFlags(*again.viewer).at(row.settingsKey) == expected[row.settingsKey]);
  }
  EXPECT_EQ(again.viewer->textHeight, 36);
  // A panel destroyed under the window warns and is not rebuilt.
  for (auto [slot, name] :
       {std::pair{"opencutplane", "Cut Plane"}, {"openmenuFilSol", "Filter Sol"}}) {
    SCOPED_TRACE(slot);
    again.ctl->actions().action(slot)->trigger();
    QWidget *panel = again.ctl->panel(slot);
    ASSERT_NE(panel, nullptr);
    delete panel;
    EXPECT_EQ(pavo_test::captured([&] { again.ctl->actions().action(slot)->trigger(); }),
              std::string("%%Warning Widget ") + name + " does not exist \n");
    EXPECT_EQ(again.ctl->panel(slot), nullptr); // nothing rebuilt
  }
  // Vertex numbers are labels at their vertices, refused above the cap.
  again.viewer->adoptMesh(
      pavo_test::buildMesh(3, {0, 0, 0, 1, 0, 0, 0, 1, 0}, Triangles, {1, 2, 3}));
  pavo_test::captured([&] { again.viewer->displayObject(); });
  // The labels' pixels are the display switches' test (key D draws the same labels).
  again.ctl->showVerticesNumbers();
  ASSERT_EQ(again.viewer->labels.size(), 3u);
  for (int v = 0; v < 3; v++) EXPECT_EQ(again.viewer->labels[v].text, std::to_string(v + 1));
  again.ctl->showVerticesNumbers(); // off again
  EXPECT_TRUE(again.viewer->labels.empty());
  // Draw Normals Picked: nothing without a pick (the input's pick state), else the arrow.
  for (int picked : {0, 1}) {
    pavo_test::captured([&] {
      if (picked) PavViewerInput::of(again.viewer)->pickEntity(Triangles, 1);
      again.ctl->drawNormals();
    });
    EXPECT_EQ(again.viewer->objectsOfType(DrawCustomEdge).size(), picked);
  }

  std::vector<double> many; // above the cap: a message and no labels
  for (int i = 0; i <= kVertexLabelCap; i++) many.insert(many.end(), {(double)i, 0.0, 0.0});
  pavo_test::ObjectPtr big(pavo_test::buildMesh(3, many));
  EXPECT_EQ(
      pavo_test::captured([&] { EXPECT_EQ(setVertexLabels(*again.viewer, big.get(), true), 0); }),
      "  Too many vertices (10001) to show their numbers (at most 10000)\n");
}
