// The actions of the main window as one table: text, slot, shortcut, menu, and the key of the
// key table (scene/key_bindings.h) that does the same thing, whose row names this action as its
// menu entry. The menus, the context menu of the view and the recent-file actions are all built
// from it, so the menus, their order and the slots cannot drift apart.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QObject;
class QWidget;

namespace pavo {

// Where an action appears. Rows are listed in menu order, so a menu's entries are the rows of
// that menu in table order; the context menu of the view comes last.
enum class PavMenu { File, Tools, Data, Utilities, Filters, Help, Context };

struct PavActionRow {
  const char *text; // "&Open Mesh File"; for the recent-file row, the submenu title
  const char *slot; // slot of the main window, without "()"; "" for the submenu
  int shortcut;     // Qt key combination (Qt::ALT | Qt::Key_F1), 0 for none
  QKeySequence::StandardKey standard; // platform key (Open, Save), UnknownKey for none
  PavMenu menu;
  char key;                // character of the key-table row with the same effect, 0 for none
  const char *settingsKey; // preference the action sets, "" for none
};

// The table, in menu order. One row (slot "") marks where the "Recent Files..." submenu sits.
const std::vector<PavActionRow> &mainActionRows();
// Titles of the six menus of the menu bar, in order ("&File" ... "&Help").
const std::vector<const char *> &mainMenuTitles();

constexpr int kRecentFileCount = 10;

// Prints "%%Warning Widget <name> does not exist \n" for the panel a slot opens ("Cut Plane" for
// opencutplane, "Pref" for openpreferences ...): the panel was built and has been destroyed since.
void missingPanelWarning(const char *slot);

// The QActions of one main window, made from the table and parented to `owner`. When receiver
// is not null, each action's triggered() is connected to the receiver's slot of the row's name
// (old-style, so that the slot can read sender()); the recent-file actions to openRecentFile().
class PavMainActions {
public:
  PavMainActions(QWidget *owner, QObject *receiver);

  // The action of a slot name, null when none.
  QAction *action(const char *slot) const;
  const QList<QAction *> &all() const { return actions; }
  // The ten recent-file actions, hidden until filled (recent_files.h).
  const QList<QAction *> &recent() const { return recentActions; }

  // Adds the six menus, with the recent-file submenu in the File menu.
  void fillMenuBar(QMenuBar *bar) const;
  // Fills the context menu of the view; Draw Normals Picked is enabled only with a picked entity.
  void fillContextMenu(QMenu *menu, bool picked) const;

private:
  QList<QAction *> actions; // one per table row with a slot, in table order
  QList<QAction *> recentActions;
};

} // namespace pavo
