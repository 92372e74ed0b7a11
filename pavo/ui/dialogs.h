// The dialogs of the main window behind one replaceable set of functions, so that tests (and
// any run without a user) answer them in code. The default set uses Qt's own file dialogs
// (never the platform's), starting in the current working directory, and message boxes that
// do not block.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace pavo {

// One file dialog of the main window.
struct PavFileDialog {
  const char *slot;   // slot of the main window that opens it
  bool save;          // a save dialog (one name) or an open dialog
  bool several;       // an open dialog that accepts several files
  const char *title;  // "Select one mesh file to open"
  const char *filter; // "Ovel Mesh (*.mesh *.meshb);;CGNS Mesh (*.cgns *.hdf);;All Files (*.*)"
};

// The table of file dialogs, one per slot.
const std::vector<PavFileDialog> &fileDialogs();
// The dialog of a slot (a programming error when none: the table covers every file slot).
const PavFileDialog &fileDialog(const char *slot);

struct PavDialogs {
  // The chosen files, empty when cancelled (save dialogs give at most one).
  std::function<QStringList(QWidget *parent, const PavFileDialog &dialog)> chooseFiles;
  // A line of text: returns false when cancelled.
  std::function<bool(QWidget *parent, const QString &title, const QString &label,
                     const QString &initial, QString *answer)>
      askText;
  // A message box with the application icon; rich text when `rich`.
  std::function<void(QWidget *parent, const QString &title, const QString &text, bool rich)>
      message;
};

// The interactive set.
PavDialogs qtDialogs();

} // namespace pavo

namespace pavo {

// The text of the help box: where the documentation is.
constexpr const char *kHelpText =
    "PAVO 4: a viewer for high-order finite-element meshes and solutions.\n\n"
    "The README.md file of the distribution describes the command line, the batch modes, the "
    "parameter and data files; Help > List of shortcuts lists the keys of the view.";

} // namespace pavo
