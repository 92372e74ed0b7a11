// The main window's action table and what hangs on it: menus and their order, the context menu's
// enabling rule, the link with the key table, the window-size answers, the output-name rules and
// file checks, the recent-file list, and the preferences (written, read back, damaged stores).
#include "scene/key_bindings.h"
#include "ui/dialog_answers.h"
#include "ui/dialogs.h"
#include "ui/main_actions.h"
#include "ui/preferences.h"
#include "ui/recent_files.h"

#include "gl_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace pavo;

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
  const std::vector<std::pair<QString, QStringList>> expected = {
      {"&File",
       {"&Open Mesh File", "Recent Files...", "&Open Solution File", "&Save Image (screenshot)",
        "&Write Mesh file", "&Write Solution file", "&Write Mesh and Solution files",
        "&Open Preferences"}},
      {"&Tools",
       {"&Set Window Size", "&Cut Plane Visualization", "&Modify View", "&Solution Visualization",
        "&Mesh Modifications", "&Other Specific Parameters"}},
      {"&Data", {"&Load Data file", "&Data Manager", "&Write Data file"}},
      {"&Utilities",
       {"&Launch Movie Mode", "&Launch Surface Reconstruction Mode", "&Launch Data Sequences Mode",
        "&Set Same Bounding Box when several views"}},
      {"&Filters", {"&Quality", "&Jacobian", "&Solution"}},
      {"&Help", {"&Help", "&List of shortcuts"}},
  };
  const QList<QAction *> menus = bar.actions();
  ASSERT_EQ(menus.size(), (int)expected.size());
  for (size_t m = 0; m < expected.size(); m++) {
    EXPECT_EQ(menus[(int)m]->text(), expected[m].first);
    EXPECT_EQ(entries(menus[(int)m]->menu()), expected[m].second)
        << expected[m].first.toStdString();
  }
  // The submenu holds the ten hidden recent-file actions.
  const QMenu *recent = menus[0]->menu()->actions()[1]->menu();
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->actions().size(), 10);
  for (QAction *a : recent->actions()) EXPECT_FALSE(a->isVisible());

  const std::vector<std::pair<const char *, QKeySequence>> keys = {
      {"openMesh", QKeySequence(QKeySequence::Open)},
      {"saveImage", QKeySequence(QKeySequence::Save)},
      {"setWindowSize", QKeySequence("Alt+F1")},
      {"opencutplane", QKeySequence("Alt+F2")},
      {"openview", QKeySequence("Alt+F3")},
      {"loadData", QKeySequence("Alt+F4")},
      {"openmenudata", QKeySequence("Alt+F5")},
      {"writeData", QKeySequence("Alt+F6")},
      {"saveMesh", QKeySequence()},
  };
  for (const auto &[slot, key] : keys) EXPECT_EQ(actions.action(slot)->shortcut(), key) << slot;
  EXPECT_EQ(actions.all().size(), 29);

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

TEST(DialogAnswers, WindowSize) {
  const struct {
    const char *answer;
    bool ok;
    int w, h;
  } cases[] = {{"1024x768", true, 1024, 768},   {"1024 x 768", true, 1024, 768},
               {"1024  x768", true, 1024, 768}, {"1024*768", false, 0, 0},
               {"x 768", false, 0, 0},          {"1024x", false, 0, 0},
               {" 1024x768", false, 0, 0},      {"1024x768 ", false, 0, 0},
               {"1024X768", false, 0, 0},       {"0x768", false, 0, 0},
               {"99999999999x10", false, 0, 0}, {"", false, 0, 0}};
  for (const auto &c : cases) {
    int w = -1, h = -1;
    EXPECT_EQ(parseWindowSize(c.answer, &w, &h), c.ok) << c.answer;
    EXPECT_EQ(w, c.ok ? c.w : -1) << c.answer;
    EXPECT_EQ(h, c.ok ? c.h : -1) << c.answer;
  }
}

TEST(DialogAnswers, OutputNames) {
  const struct {
    QString (*rule)(const QString &);
    const char *in, *out;
  } cases[] = {
      {meshOutputName, "wing", "wing.meshb"},
      {meshOutputName, "wing.mesh", "wing.mesh"},
      {meshOutputName, "wing.meshb", "wing.meshb"},
      {meshOutputName, "a.sol", "a.sol.meshb"},
      {solutionOutputName, "wing", "wing.solb"},
      {solutionOutputName, "wing.sol", "wing.sol"},
      {dataOutputName, "view", "view.data"},
      {dataOutputName, "view.data", "view.data"},
      {solutionBesideMesh, "d/w.meshb", "d/w.solb"},
      {solutionBesideMesh, "w.mesh", "w.sol"},
      {solutionBesideMesh, "a.mesh/w.mesh", "a.mesh/w.sol"},
      {solutionBesideMesh, "w", "w.solb"},
  };
  for (const auto &c : cases) EXPECT_EQ(c.rule(c.in), QString(c.out)) << c.in;
  EXPECT_EQ(fileDialog("openMesh").filter,
            std::string("Ovel Mesh (*.mesh *.meshb);;CGNS Mesh (*.cgns *.hdf);;All Files (*.*)"));
}

TEST(DialogAnswers, FileProblems) {
  QTemporaryDir dir;
  const QString file = dir.filePath("m.mesh"), sealed = dir.filePath("sealed");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  ASSERT_TRUE(QDir(dir.path()).mkdir("sealed"));
  QFile::setPermissions(sealed, QFile::ReadOwner | QFile::ExeOwner);
  const bool root = geteuid() == 0; // permissions do not bind root
  EXPECT_EQ(inputFileProblem(file), "");
  EXPECT_TRUE(inputFileProblem(dir.filePath("none")).contains("does not exist"));
  EXPECT_TRUE(inputFileProblem(dir.path()).contains("is a folder"));
  EXPECT_EQ(outputFileProblem(file), "");
  EXPECT_TRUE(outputFileProblem(dir.path()).contains("is a folder"));
  EXPECT_TRUE(outputFileProblem(dir.filePath("no/x.mesh")).contains("folder does not exist"));
  if (!root) {
    EXPECT_TRUE(outputFileProblem(sealed + "/x.mesh").contains("read-only"));
  }
  QFile::setPermissions(file, QFileDevice::Permissions());
  if (!root) {
    EXPECT_TRUE(inputFileProblem(file).contains("cannot be read"));
  }
  QFile::setPermissions(sealed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class Settings : public ::testing::Test {
protected:
  QTemporaryDir dir;
  QString path() const { return dir.filePath("pavo.conf"); }
};

TEST_F(Settings, RecentFilesKeepTenMostRecentFirst) {
  QStringList list;
  {
    QSettings s(path(), QSettings::IniFormat);
    for (int i = 1; i <= 11; i++) list = recordRecentFile(s, QString("/m/f%1.meshb").arg(i));
  }
  QSettings s(path(), QSettings::IniFormat); // a new store reads what the first wrote
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
  fillRecentActions(actions, expected);
  for (int i = 0; i < 10; i++) {
    EXPECT_EQ(actions[i]->isVisible(), i < 9);
    if (i < 9) {
      EXPECT_EQ(actions[i]->data().toString(), expected[i]);
    }
  }
  EXPECT_EQ(actions[0]->text(), "&f5.meshb");
  qDeleteAll(actions);
}

TEST_F(Settings, DamagedStoresReadAsDefaults) {
  QSettings s(path(), QSettings::IniFormat);
  s.setValue(kRecentFileKey, 42);
  EXPECT_TRUE(readRecentFiles(s).isEmpty());
  s.setValue(kRecentFileKey, QStringList{"", "/a", "/a", "", "/b"});
  EXPECT_EQ(readRecentFiles(s), (QStringList{"/a", "/b"}));
  s.setValue(kRecentFileKey, "/only");
  EXPECT_EQ(readRecentFiles(s), QStringList{"/only"});

  s.setValue("Sol Pref", "garbage");
  s.setValue("Axis Pref", 7);
  s.setValue("Prop Bb Pref", QStringList{"1", "0"});
  s.setValue(kTextSizeKey, 12);
  const PavPreferences p = readPreferences(s), defaults;
  for (const PavPreferenceRow &row : preferenceRows())
    EXPECT_EQ(p.*row.flag, defaults.*row.flag) << row.settingsKey;
  EXPECT_EQ(p.textSizeIndex, 0);
}

TEST(Preferences, TextHeights) {
  const int heights[] = {24, 16, 20, 24, 28, 32, 36, 40, 44, 48};
  for (int i = 0; i < 10; i++) EXPECT_EQ(textHeightForIndex(i), heights[i]);
  testing::internal::CaptureStdout();
  EXPECT_EQ(textHeightForIndex(10), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "unkwown setting size text \n");
}

// Toggling every box writes its key, a new panel on the same store shows the same states, and a
// state a check box cannot have stores nothing.
TEST_F(Settings, PreferencesPanelWritesAndReadsBack) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  QSettings s(path(), QSettings::IniFormat);
  const std::vector<PavPreferenceRow> &rows = preferenceRows();
  PavPreferences last;
  {
    PavPreferencesPanel panel(s, 3);
    int changes = 0;
    QObject::connect(&panel, &PavPreferencesPanel::changed, [&](const PavPreferences &p) {
      changes++;
      last = p;
    });
    for (size_t i = 0; i < rows.size(); i++) {
      auto *box = panel.findChild<QCheckBox *>(QString(rows[i].objectName).arg(3));
      ASSERT_NE(box, nullptr) << rows[i].objectName;
      EXPECT_EQ(box->text(), rows[i].label);
      if (i % 2 == 0) box->click();
    }
    auto *size = panel.findChild<QComboBox *>("sizeTextBox:3");
    ASSERT_NE(size, nullptr);
    ASSERT_EQ(size->count(), 10);
    EXPECT_EQ(size->itemText(9), "Size Text: 48");
    size->setCurrentIndex(5);
    EXPECT_EQ(changes, (int)(rows.size() + 1) / 2 + 1);
  }
  PavPreferences defaults;
  for (size_t i = 0; i < rows.size(); i++) {
    const bool expected = (i % 2 == 0) != defaults.*rows[i].flag;
    if (i % 2 == 0)
      EXPECT_EQ(s.value(rows[i].settingsKey).toInt(), expected ? 1 : 0) << rows[i].settingsKey;
    else
      EXPECT_FALSE(s.contains(rows[i].settingsKey)) << rows[i].settingsKey;
    EXPECT_EQ(last.*rows[i].flag, expected);
  }
  PavPreferencesPanel again(s, 1);
  for (size_t i = 0; i < rows.size(); i++)
    EXPECT_EQ(again.findChild<QCheckBox *>(QString(rows[i].objectName).arg(1))->isChecked(),
              last.*rows[i].flag);
  EXPECT_EQ(again.preferences().textSizeIndex, 5);

  testing::internal::CaptureStdout();
  EXPECT_FALSE(storePreferenceState(s, rows[0], Qt::PartiallyChecked));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "%%Warning: Pref Menu: unknown check box status: 1 \n");
  EXPECT_EQ(s.value(rows[0].settingsKey).toInt(), 1);
}

} // namespace
