// The main window's action table: menus, context menu, key links, dialog answers, file checks,
// the recent-file list and the preferences (written, read back, damaged stores).
#include "scene/key_bindings.h"
#include "test_paths.h"
#include "ui/dialog_answers.h"
#include "ui/dialogs.h"
#include "ui/main_actions.h"
#include "ui/preferences.h"
#include "ui/recent_files.h"

#include "gl_fixture.h"

#include <QAction>
#include <QCheckBox>
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
  // Each menu by its title, first and last entries and size.
  const struct {
    const char *title, *first, *last;
    int size;
  } menus[] = {{"&File", "&Open Mesh File", "&Open Preferences", 8},
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
                           {"saveMesh", QKeySequence()}})
    EXPECT_EQ(actions.action(slot)->shortcut(), key) << slot;
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
