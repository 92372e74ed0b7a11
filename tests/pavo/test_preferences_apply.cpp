// Preferences reaching the viewer and surviving a restart, vertex numbers drawn as labels (and
// refused above the cap), the warning of a destroyed panel and the context menu's enabling.
#include "ui/main_actions.h"
#include "ui/main_controller.h"

#include "gl_fixture.h"
#include "mesh_builders.h"
#include "pav_object.h"
#include "scene/mesh_viewer.h"
#include "scene/vertex_labels.h"
#include "test_paths.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <map>

using namespace pavo;

namespace {

const std::string kDir = pavo_test::scratchDir("preferences_apply");

struct Window {
  QWidget frame;
  PavMeshViewer *viewer = new PavMeshViewer();
  QWidget *container = QWidget::createWindowContainer(viewer, &frame);
  QSettings settings{QString::fromStdString(kDir + "/pavo.conf"), QSettings::IniFormat};
  std::unique_ptr<PavMainController> ctl;

  explicit Window(bool show = false) {
    PavMainParts parts;
    parts.window = &frame;
    parts.viewer = viewer;
    parts.container = container;
    parts.settings = &settings;
    ctl = std::make_unique<PavMainController>(parts);
    if (!show) return;
    frame.resize(400, 400);
    container->resize(400, 400);
    frame.show();
    QEventLoop loop;
    QObject::connect(viewer, &OpenGLWindow::openGLinitDone, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!viewer->isInitDone()) loop.exec();
  }
};

// What each general check box changes in the viewer.
const std::map<std::string, std::function<bool(const PavMeshViewer &)>> kViewerFlag = {
    {"Sol Pref", [](const PavMeshViewer &v) { return v.prefs.solutionInfo; }},
    {"Ang Pref", [](const PavMeshViewer &v) { return v.prefs.angles; }},
    {"Scroll Pref", [](const PavMeshViewer &v) { return v.prefs.scrolling; }},
    {"Axis Pref", [](const PavMeshViewer &v) { return v.view.options.AxisOn; }},
    {"Met Pref", [](const PavMeshViewer &v) { return v.prefs.metric; }},
    {"EllipsMet Pref", [](const PavMeshViewer &v) { return v.prefs.ellipsoidMetric; }},
    {"Renum Info Pref", [](const PavMeshViewer &v) { return v.prefs.renumbering; }},
    {"Ver Elt Pref", [](const PavMeshViewer &v) { return v.prefs.vertexCoordinates; }},
};

} // namespace

TEST(PreferencesApply, EveryBoxAndTextSizeReachTheViewerAndPersist) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QFile::remove(QString::fromStdString(kDir + "/pavo.conf"));
  std::map<std::string, bool> expected;
  {
    Window w;
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
      EXPECT_EQ(w.settings.value(row.settingsKey).toInt(), now ? 1 : 0);
      EXPECT_EQ(w.ctl->preferences().*row.flag, now); // propagation: read by the window links
      if (!row.propagation) {
        ASSERT_EQ(kViewerFlag.count(row.settingsKey), 1u);
        EXPECT_EQ(kViewerFlag.at(row.settingsKey)(*w.viewer), now);
      }
    }
    auto *size = panel->findChild<QComboBox *>("sizeTextBox:1");
    ASSERT_NE(size, nullptr);
    for (auto [index, height] : {std::pair{1, 16}, {9, 48}, {3, 24}, {0, 24}, {6, 36}}) {
      size->setCurrentIndex(index);
      EXPECT_EQ(w.viewer->textHeight, height) << index;
    }
    w.settings.sync();
  }
  Window again; // a later run reads the same store
  for (const PavPreferenceRow &row : preferenceRows()) {
    SCOPED_TRACE(row.settingsKey);
    EXPECT_EQ(again.ctl->preferences().*row.flag, expected[row.settingsKey]);
    if (!row.propagation) {
      EXPECT_EQ(kViewerFlag.at(row.settingsKey)(*again.viewer), expected[row.settingsKey]);
    }
  }
  EXPECT_EQ(again.viewer->textHeight, 36);
}

TEST(PreferencesApply, VertexNumbersDrawnUpToTheCap) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w(true);
  if (!w.viewer->isInitDone()) GTEST_SKIP() << "no OpenGL context";
  const std::vector<double> xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  w.viewer->adoptMesh(pavo_test::buildMesh(3, xyz, Triangles, {1, 2, 3}));
  testing::internal::CaptureStdout();
  w.viewer->displayObject();
  testing::internal::GetCapturedStdout();
  w.viewer->view.whiteBackground = true;
  auto frameOf = [&](int *fw, int *fh) {
    w.viewer->renderNowNoSwap();
    return w.viewer->grabFrame(fw, fh);
  };
  int fw = 0, fh = 0;
  const std::vector<uint8_t> off = frameOf(&fw, &fh);
  w.ctl->showVerticesNumbers();
  ASSERT_EQ(w.viewer->labels.size(), 3u);
  const std::vector<uint8_t> on = frameOf(&fw, &fh);
  ASSERT_EQ(on.size(), off.size());
  const PavCameraMatrices m = w.viewer->matrices();
  for (int v = 0; v < 3; v++) {
    SCOPED_TRACE(v);
    EXPECT_EQ(w.viewer->labels[v].text, std::to_string(v + 1));
    const QVector3D at(xyz[3 * v], xyz[3 * v + 1], xyz[3 * v + 2]);
    const QVector4D c =
        m.mvp * QVector4D((at - w.viewer->view.sceneCentre) * w.viewer->view.sceneScale, 1);
    const QVector4D p = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
    int darker = 0; // pixels the label made clearly darker, in a box around the vertex
    for (int y = (int)p.y() - 30; y <= (int)p.y() + 30; y++)
      for (int x = (int)p.x() - 30; x <= (int)p.x() + 30; x++) {
        if (x < 0 || y < 0 || x >= fw || y >= fh) continue;
        const size_t i = 4 * ((size_t)y * (size_t)fw + (size_t)x);
        darker += on[i] + 80 < off[i];
      }
    EXPECT_GT(darker, 10);
  }
  w.ctl->showVerticesNumbers(); // off again
  EXPECT_TRUE(w.viewer->labels.empty());

  // Above the cap: a message and no labels.
  std::vector<double> many;
  for (int i = 0; i <= kVertexLabelCap; i++) many.insert(many.end(), {(double)i, 0.0, 0.0});
  pavo_test::ObjectPtr big(pavo_test::buildMesh(3, many));
  testing::internal::CaptureStdout();
  EXPECT_EQ(setVertexLabels(*w.viewer, big.get(), true), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "  Too many vertices (10001) to show their numbers (at most 10000)\n");
  EXPECT_TRUE(w.viewer->labels.empty());
}

TEST(PreferencesApply, DestroyedPanelsWarnAndContextMenuEnabling) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  const std::pair<const char *, const char *> panels[] = {
      {"opencutplane", "Cut Plane"},    {"openview", "View"},       {"openspec", "Specific"},
      {"openmenusol", "Sol"},           {"openmenudata", "Data"},   {"openmenuqal", "Qal"},
      {"openmenuFilSol", "Filter Sol"}, {"openpreferences", "Pref"}};
  for (const auto &[slot, name] : panels) {
    SCOPED_TRACE(slot);
    w.ctl->actions().action(slot)->trigger();
    QWidget *panel = w.ctl->panel(slot);
    ASSERT_NE(panel, nullptr);
    delete panel;
    testing::internal::CaptureStdout();
    w.ctl->actions().action(slot)->trigger();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("%%Warning Widget ") + name + " does not exist \n");
    EXPECT_EQ(w.ctl->panel(slot), nullptr); // nothing rebuilt
  }
  const char *entries[] = {"&Discard Unpicked", "&Show Vertices numbers", "&Update (reload) Mesh",
                           "&Draw Normals Picked"};
  for (bool picked : {false, true}) {
    QMenu menu;
    PavMainActions acts(&w.frame, nullptr);
    acts.fillContextMenu(&menu, picked);
    ASSERT_EQ(menu.actions().size(), 4);
    for (int i = 0; i < 4; i++) {
      EXPECT_EQ(menu.actions()[i]->text(), entries[i]);
      EXPECT_EQ(menu.actions()[i]->isEnabled(), i < 3 || picked) << i << " picked " << picked;
    }
  }
}
