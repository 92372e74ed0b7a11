// The main window: its action table (menus, context menu, key links, dialog answers, file checks,
// the recent-file list, the preferences written, read back and from damaged stores) and the window
// on a real viewer: every action reaches a slot, the menus are in the bar, preferences ticked in
// one window are found by the next and reach the viewer, the bottom bar follows a solution opened
// after the mesh; meshes written back and read again, bad answers, a dropped file, the window
// size, the help boxes, a panel control seen in the picture, vertex numbers as labels (refused
// above the cap) and the warning of a destroyed panel.
#include "gl_fixture.h"
#include "gl_viewer_events.h"
#include "main_window_fixture.h"
#include "mesh_builders.h"
#include "pav_io.h"
#include "pav_solution.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer_input.h"
#include "scene/vertex_labels.h"
#include "test_paths.h"
#include "ui/bottom_bar.h"
#include "ui/dialog_answers.h"
#include "ui/dialogs.h"
#include "ui/main_actions.h"
#include "ui/mesh_viewer_widget.h"
#include "ui/preferences.h"
#include "ui/recent_files.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace pavo;

namespace {

struct Window : pavo_test::MainWindow {
  Window() : MainWindow(pavo_test::scratchDir("main_window"), {640, 520}) {}
};

const std::string kMesh = pavo_test::sourceDir() + "/examples/annulus_p2.mesh";

int64_t count(const std::string &file, int type) {
  pavo_test::Reader r;
  return r.open(file) == 0 ? pav_Count(r.obj, type) : -1;
}

TEST(MainWindow, OpenWriteAndReadBack) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  pavo_test::captured([&] { w.run("openMesh", {QString::fromStdString(kMesh)}); });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_EQ(readRecentFiles(w.settings).value(0), QString::fromStdString(kMesh));
  const int64_t vertices = pav_Count(w.viewer->meshObject(), Vertices);
  const std::string out = pavo_test::captured([&] {
    // Written back under a name without extension: binary mesh plus the solution beside it.
    w.run("saveMeshSol", {QString::fromStdString(w.path("out"))});
    // Writing onto the file that is open replaces it safely with the same mesh.
    w.run("saveMesh", {QString::fromStdString(w.path("ascii.mesh"))});
    w.run("openMesh", {QString::fromStdString(w.path("ascii.mesh"))});
    w.run("saveMesh", {QString::fromStdString(w.path("ascii.mesh"))});
  });
  EXPECT_EQ(count(w.path("ascii.mesh"), Vertices), vertices);
  EXPECT_NE(out.find("  %% Mesh written in " + w.path("out.meshb") + "\n"), std::string::npos);
  EXPECT_EQ(count(w.path("out.meshb"), Vertices), vertices);
  EXPECT_NE(out.find("  %% Solution written in " + w.path("out.solb") + "\n"), std::string::npos);
}

TEST(MainWindow, BadAnswersKeepTheWindowWorking) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  const QString missing = QString::fromStdString(w.path("none.meshb"));
  recordRecentFile(w.settings, missing); // a recent file deleted since
  const std::string sealed = w.path("sealed"), locked = w.path("locked.mesh");
  std::ofstream(locked) << "x";
  chmod(locked.c_str(), 0); // unreadable
  const std::string out = pavo_test::captured([&] {
    w.run("openMesh", {missing, QString::fromStdString(w.dir), QString::fromStdString(locked)});
    w.run("saveMesh", {QString::fromStdString(w.path("x.meshb"))}); // nothing loaded yet
    w.run("openMesh", QStringList());                               // cancelled
    w.run("openMesh", {QString::fromStdString(kMesh)});
    // A read-only folder, and a read-only existing file, are refused; the file stays as it was.
    ASSERT_EQ(mkdir(sealed.c_str(), 0500), 0);
    QFile keep(QString::fromStdString(w.path("keep.meshb")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("old");
    keep.close();
    keep.setPermissions(QFile::ReadOwner);
    w.run("saveMesh", {QString::fromStdString(sealed + "/x.meshb")});
    w.run("saveMesh", {QString::fromStdString(w.path("keep.meshb"))});
    w.run("saveMesh", {QString::fromStdString(w.path("no/x.meshb"))}); // no such folder
  });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_NE(out.find(missing.toStdString() + " does not exist"), std::string::npos);
  EXPECT_NE(out.find(w.dir + " is a folder"), std::string::npos);
  EXPECT_NE(out.find("there is no mesh to write"), std::string::npos);
  EXPECT_NE(out.find("its folder does not exist"), std::string::npos);
  if (geteuid() != 0) { // permissions do not bind root
    EXPECT_NE(out.find("its folder is read-only"), std::string::npos);
    EXPECT_NE(out.find("cannot be read"), std::string::npos);
    EXPECT_EQ(pavo_test::readFile(w.path("keep.meshb")), "old");
  }
  EXPECT_FALSE(readRecentFiles(w.settings).contains(missing));
  chmod(sealed.c_str(), 0700);
}

TEST(MainWindow, SizeHelpPanelsAndDrop) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  Window w;
  w.texts = {"400 x 300", "1024*768"};
  w.ctl->actions().action("setWindowSize")->trigger();
  EXPECT_EQ(w.container->size(), QSize(400, 300));
  w.ctl->actions().action("setWindowSize")->trigger();
  EXPECT_EQ(w.container->size(), QSize(400, 300));

  w.ctl->actions().action("shortcuts")->trigger();
  w.ctl->actions().action("showhelp")->trigger();
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[0].first.toStdString(), shortcutListText());

  // The background control of Modify View reaches this window's view (the black frame it then
  // draws: SceneWindowTest's screenshot).
  w.ctl->actions().action("openview")->trigger();
  w.ctl->panel("openview")->findChild<QComboBox *>("background")->setCurrentIndex(1);
  EXPECT_FALSE(w.viewer->view.whiteBackground);
  // Dropping two files opens the first only.
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(kMesh)),
                QUrl::fromLocalFile(
                    QString::fromStdString(pavo_test::sourceDir() + "/examples/sphere_p3.mesh"))});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  pavo_test::captured([&] { w.ctl->drop(&drop); });
  if (!w.viewer->meshObject()) GTEST_SKIP() << "the viewer's loading sequence is not built in";
  EXPECT_EQ(w.viewer->meshName(), QString::fromStdString(kMesh));
}

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

namespace {

QStringList entries(const QMenu *menu) {
  QStringList texts;
  for (QAction *a : menu->actions()) texts << a->text();
  return texts;
}

TEST(MainActions, MenusHoldTheirEntriesInOrder) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QWidget owner;
  PavMainActions actions(&owner, nullptr);
  QMenuBar bar;
  actions.fillMenuBar(&bar);
  // Each menu by its title, first and last entries and size.
  const struct {
    const char *title, *first, *last;
    int size;
  } menus[] = {{"&File", "&Open Mesh File", "&Quit", 9},
               {"&Tools", "&Set Window Size", "&Other Specific Parameters", 6},
               {"&Data", "&Load Data file", "&Write Data file", 3},
               {"&Utilities", "&Launch Movie Mode", "&Set Same Bounding Box when several views", 4},
               {"&Filters", "&Quality", "&Solution", 3},
               {"&Help", "&Help", "&List of shortcuts", 2}};
  ASSERT_EQ(bar.actions().size(), 6);
  for (int m = 0; m < 6; m++) {
    const QStringList got = entries(bar.actions()[m]->menu());
    EXPECT_EQ(bar.actions()[m]->text(), menus[m].title);
    EXPECT_EQ(got.size(), menus[m].size) << menus[m].title;
    EXPECT_EQ(got.value(0), menus[m].first);
    EXPECT_EQ(got.value(got.size() - 1), menus[m].last);
  }
  const QMenu *recent = bar.actions()[0]->menu()->actions()[1]->menu(); // ten hidden entries
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->actions().size(), 10);
  EXPECT_FALSE(recent->actions()[0]->isVisible());
  for (auto [slot, key] : {std::pair{"openMesh", QKeySequence(QKeySequence::Open)},
                           {"setWindowSize", QKeySequence("Alt+F1")},
                           {"writeData", QKeySequence("Alt+F6")},
                           {"quit", QKeySequence(QKeySequence::Quit)},
                           {"saveMesh", QKeySequence()}})
    EXPECT_EQ(actions.action(slot)->shortcut(), key) << slot;
  EXPECT_EQ(actions.all().size(), 30);
  // Context menu: three always enabled, Draw Normals Picked only with a pick.
  for (bool picked : {false, true}) {
    QMenu menu;
    actions.fillContextMenu(&menu, picked);
    EXPECT_EQ(entries(&menu), (QStringList{"&Discard Unpicked", "&Show Vertices numbers",
                                           "&Update (reload) Mesh", "&Draw Normals Picked"}));
    for (int i = 0; i < 4; i++) EXPECT_EQ(menu.actions()[i]->isEnabled(), i < 3 || picked);
  }
}

// Each action linked to a key names itself as that key's menu entry, and no key names a menu
// entry that no action has; preference keys linked from the key table exist.
TEST(MainActions, KeyTableLinksAgree) {
  int linked = 0;
  for (const PavActionRow &row : mainActionRows()) {
    if (!row.key) continue;
    const PavKeyBinding *b = findKeyBinding(0, std::string(1, row.key));
    ASSERT_NE(b, nullptr) << row.key;
    EXPECT_STREQ(b->menuEntry, row.text);
    linked++;
  }
  int named = 0;
  for (const PavKeyBinding &b : keyBindings()) {
    if (*b.menuEntry) named++;
    if (!*b.settingsKey) continue;
    bool found = false;
    for (const PavPreferenceRow &p : preferenceRows())
      found |= QString(p.settingsKey) == b.settingsKey;
    EXPECT_TRUE(found) << b.settingsKey;
  }
  EXPECT_EQ(named, linked);
  EXPECT_GE(linked, 2);
}

TEST(DialogAnswers, WindowSizesAndOutputNames) {
  const struct {
    const char *answer;
    bool ok;
    int w, h;
  } cases[] = {{"1024  x768", true, 1024, 768}, {"1024*768", false, 0, 0}, {"1024x", false, 0, 0},
               {" 1024x768", false, 0, 0},      {"1024X768", false, 0, 0}, {"0x768", false, 0, 0},
               {"99999999999x10", false, 0, 0}};
  for (const auto &c : cases) {
    int w = -1, h = -1;
    EXPECT_EQ(parseWindowSize(c.answer, &w, &h), c.ok) << c.answer;
    EXPECT_EQ(std::make_pair(w, h), c.ok ? std::make_pair(c.w, c.h) : std::make_pair(-1, -1));
  }
  const struct {
    QString (*rule)(const QString &);
    const char *in, *out;
  } names[] = {
      {meshOutputName, "wing", "wing.meshb"},
      {meshOutputName, "wing.mesh", "wing.mesh"},
      {meshOutputName, "a.sol", "a.sol.meshb"},
      {solutionOutputName, "wing.sol", "wing.sol"},
      {dataOutputName, "view", "view.data"},
      {solutionBesideMesh, "w.mesh", "w.sol"},
      {solutionBesideMesh, "a.mesh/w.mesh", "a.mesh/w.sol"},
      {solutionBesideMesh, "a.mesh/w", "a.mesh/w.solb"},
      {meshOutputName, "a.mesh/w", "a.mesh/w.meshb"},
  };
  for (const auto &c : names) EXPECT_EQ(c.rule(c.in), QString(c.out)) << c.in;
  EXPECT_EQ(
      fileDialog("openMesh").filter,
      std::string("Ovel Mesh (*.mesh *.meshb);;CGNS Mesh (*.cgns *.hdf);;Gmsh Mesh (*.msh);;All "
                  "Files (*.*)"));
}

TEST(Settings, RecentFilesAndDamagedStores) {
  QTemporaryDir dir;
  {
    QSettings s(dir.filePath("pavo.conf"), QSettings::IniFormat);
    for (int i = 1; i <= 11; i++) recordRecentFile(s, QString("/m/f%1.meshb").arg(i));
  }
  QSettings s(dir.filePath("pavo.conf"), QSettings::IniFormat); // a new store reads the first's
  QStringList expected;
  for (int i = 11; i >= 2; i--) expected << QString("/m/f%1.meshb").arg(i);
  EXPECT_EQ(readRecentFiles(s), expected);
  // Opening f5 again moves it first without repeating it; a file that failed to open goes.
  expected.removeAll("/m/f5.meshb");
  expected.prepend("/m/f5.meshb");
  EXPECT_EQ(recordRecentFile(s, "/m/f5.meshb"), expected);
  expected.removeAll("/m/f9.meshb");
  EXPECT_EQ(forgetRecentFile(s, "/m/f9.meshb"), expected);

  QList<QAction *> actions;
  for (int i = 0; i < 10; i++) actions << new QAction(nullptr);
  fillRecentActions(actions, expected); // nine shown, the tenth hidden
  EXPECT_EQ(actions[8]->data().toString(), expected[8]);
  EXPECT_FALSE(actions[9]->isVisible());
  EXPECT_EQ(actions[0]->text(), "&f5.meshb");
  qDeleteAll(actions);

  s.setValue(kRecentFileKey, 42);
  EXPECT_TRUE(readRecentFiles(s).isEmpty());
  s.setValue(kRecentFileKey, QStringList{"", "/a", "/a", "", "/b"});
  EXPECT_EQ(readRecentFiles(s), (QStringList{"/a", "/b"}));
  s.setValue("Sol Pref", "garbage");
  s.setValue("Axis Pref", 7);
  s.setValue("Prop Bb Pref", QStringList{"1", "0"});
  s.setValue(kTextSizeKey, 12);
  const PavPreferences p = readPreferences(s), defaults;
  for (const PavPreferenceRow &row : preferenceRows())
    EXPECT_EQ(p.*row.flag, defaults.*row.flag) << row.settingsKey;
  EXPECT_EQ(p.textSizeIndex, 0);
  EXPECT_EQ(pavo_test::captured([&] { EXPECT_EQ(textHeightForIndex(10), -1); }),
            "unkwown setting size text \n");
}

// A toggled box writes its key, an untouched one nothing (reading back after a restart is
// PreferencesApply's); a state a check box cannot have stores nothing.
TEST(Settings, PreferencesPanelWritesOnlyWhatChanged) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QTemporaryDir dir;
  QSettings s(dir.filePath("pavo.conf"), QSettings::IniFormat);
  const std::vector<PavPreferenceRow> &rows = preferenceRows();
  PavPreferencesPanel panel(s, 3);
  panel.findChild<QCheckBox *>(QString(rows[0].objectName).arg(3))->click();
  EXPECT_EQ(s.value(rows[0].settingsKey).toInt(), PavPreferences().*rows[0].flag ? 0 : 1);
  EXPECT_FALSE(s.contains(rows[1].settingsKey));
  EXPECT_EQ(pavo_test::captured(
                [&] { EXPECT_FALSE(storePreferenceState(s, rows[1], Qt::PartiallyChecked)); }),
            "%%Warning: Pref Menu: unknown check box status: 1 \n");
  EXPECT_FALSE(s.contains(rows[1].settingsKey));
}

} // namespace
