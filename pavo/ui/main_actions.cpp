#include "ui/main_actions.h"

#include "app_messages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <utility>

namespace pavo {

namespace {
constexpr auto kNoKey = QKeySequence::UnknownKey;
using M = PavMenu;
} // namespace

const std::vector<PavActionRow> &mainActionRows() {
  static const std::vector<PavActionRow> rows = {
      {"&Open Mesh File", "openMesh", 0, QKeySequence::Open, M::File, 0, ""},
      {"Recent Files...", "", 0, kNoKey, M::File, 0, ""},
      {"&Open Solution File", "openSolution", 0, kNoKey, M::File, 0, ""},
      {"&Save Image (screenshot)", "saveImage", 0, QKeySequence::Save, M::File, 0, ""},
      {"&Write Mesh file", "saveMesh", 0, kNoKey, M::File, 0, ""},
      {"&Write Solution file", "saveSol", 0, kNoKey, M::File, 0, ""},
      {"&Write Mesh and Solution files", "saveMeshSol", 0, kNoKey, M::File, 0, ""},
      {"&Open Preferences", "openpreferences", 0, kNoKey, M::File, 0, ""},
      {"&Quit", "quit", 0, QKeySequence::Quit, M::File, 0, ""},
      {"&Set Window Size", "setWindowSize", Qt::ALT | Qt::Key_F1, kNoKey, M::Tools, 0, ""},
      {"&Cut Plane Visualization", "opencutplane", Qt::ALT | Qt::Key_F2, kNoKey, M::Tools, 0, ""},
      {"&Modify View", "openview", Qt::ALT | Qt::Key_F3, kNoKey, M::Tools, 0, ""},
      {"&Solution Visualization", "openmenusol", 0, kNoKey, M::Tools, 0, ""},
      {"&Mesh Modifications", "openmodifMesh", 0, kNoKey, M::Tools, 0, ""},
      {"&Other Specific Parameters", "openspec", 0, kNoKey, M::Tools, 0, ""},
      {"&Load Data file", "loadData", Qt::ALT | Qt::Key_F4, kNoKey, M::Data, 0, ""},
      {"&Data Manager", "openmenudata", Qt::ALT | Qt::Key_F5, kNoKey, M::Data, 0, ""},
      {"&Write Data file", "writeData", Qt::ALT | Qt::Key_F6, kNoKey, M::Data, 'w', ""},
      {"&Launch Movie Mode", "movie", 0, kNoKey, M::Utilities, 0, ""},
      {"&Launch Surface Reconstruction Mode", "checkSurf", 0, kNoKey, M::Utilities, 0, ""},
      {"&Launch Data Sequences Mode", "seqData", 0, kNoKey, M::Utilities, 0, ""},
      {"&Set Same Bounding Box when several views", "setBB", 0, kNoKey, M::Utilities, 0,
       "Prop Bb Pref"},
      {"&Quality", "openmenuqal", 0, kNoKey, M::Filters, 0, ""},
      {"&Jacobian", "openmenujac", 0, kNoKey, M::Filters, 0, ""},
      {"&Solution", "openmenuFilSol", 0, kNoKey, M::Filters, 0, ""},
      {"&Help", "showhelp", 0, kNoKey, M::Help, 0, ""},
      {"&List of shortcuts", "shortcuts", 0, kNoKey, M::Help, 0, ""},
      {"&Discard Unpicked", "discardUnpicked", 0, kNoKey, M::Context, 'd', ""},
      {"&Show Vertices numbers", "showVerticesNumbers", 0, kNoKey, M::Context, 'D', ""},
      {"&Update (reload) Mesh", "updateMesh", 0, kNoKey, M::Context, 0, ""},
      {"&Draw Normals Picked", "drawNormals", 0, kNoKey, M::Context, 0, ""},
  };
  return rows;
}

const std::vector<const char *> &mainMenuTitles() {
  static const std::vector<const char *> titles = {"&File",      "&Tools",   "&Data",
                                                   "&Utilities", "&Filters", "&Help"};
  return titles;
}

PavMainActions::PavMainActions(QWidget *owner, QObject *receiver) {
  for (const PavActionRow &row : mainActionRows()) {
    if (!*row.slot) continue;
    auto *a = new QAction(QObject::tr(row.text), owner);
    a->setObjectName(row.slot);
    if (row.standard != kNoKey)
      a->setShortcuts(row.standard);
    else if (row.shortcut)
      a->setShortcut(QKeySequence(row.shortcut));
    // SLOT() prefixes a slot signature with '1'.
    if (receiver)
      QObject::connect(a, SIGNAL(triggered()), receiver,
                       ("1" + QByteArray(row.slot) + "()").constData());
    actions.append(a);
  }
  for (int i = 0; i < kRecentFileCount; i++) {
    auto *a = new QAction(owner);
    a->setVisible(false);
    if (receiver) QObject::connect(a, SIGNAL(triggered()), receiver, SLOT(openRecentFile()));
    recentActions.append(a);
  }
}

QAction *PavMainActions::action(const char *slot) const {
  for (QAction *a : actions)
    if (a->objectName() == slot) return a;
  return nullptr;
}

void PavMainActions::fillMenuBar(QMenuBar *bar) const {
  QMenu *menus[6];
  for (int m = 0; m < 6; m++) menus[m] = bar->addMenu(QObject::tr(mainMenuTitles()[(size_t)m]));
  int next = 0;
  for (const PavActionRow &row : mainActionRows()) {
    if (row.menu == PavMenu::Context) continue;
    QMenu *menu = menus[(int)row.menu];
    if (!*row.slot) {
      QMenu *sub = menu->addMenu(QObject::tr(row.text));
      for (QAction *a : recentActions) sub->addAction(a);
      continue;
    }
    while (actions[next]->objectName() != row.slot) next++;
    menu->addAction(actions[next]);
  }
}

void missingPanelWarning(const char *slot) {
  static const std::pair<const char *, const char *> names[] = {
      {"opencutplane", "Cut Plane"},    {"openview", "View"},        {"openspec", "Specific"},
      {"openmenusol", "Sol"},           {"openmenudata", "Data"},    {"openmenuqal", "Qal"},
      {"openmenuFilSol", "Filter Sol"}, {"openpreferences", "Pref"}, {"openmenujac", "Jac"},
      {"openmodifMesh", "Mesh Modif"}};
  const char *name = slot;
  for (const auto &[s, n] : names)
    if (std::strcmp(s, slot) == 0) name = n;
  appMessage("%%%%Warning Widget %s does not exist \n", name);
  fflush(stdout);
}

void PavMainActions::fillContextMenu(QMenu *menu, bool picked) const {
  for (const PavActionRow &row : mainActionRows()) {
    if (row.menu != PavMenu::Context) continue;
    QAction *a = action(row.slot);
    a->setEnabled(std::strcmp(row.slot, "drawNormals") != 0 || picked);
    menu->addAction(a);
  }
}

} // namespace pavo
