#include "ui/dialogs.h"

#include "app_messages.h"

#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pavo {

const std::vector<PavFileDialog> &fileDialogs() {
  static const std::vector<PavFileDialog> dialogs = {
      {"openMesh", false, true, "Select one mesh file to open",
       "Ovel Mesh (*.mesh *.meshb);;CGNS Mesh (*.cgns *.hdf);;Gmsh Mesh (*.msh);;All Files (*.*)"},
      {"openSolution", false, false, "Select one solution file to open",
       "Ovel Solution (*.solb *.sol);;Gmsh Solution (*.msh);;All Files (*.*)"},
      {"loadData", false, false, "Select one data file to open", "Data (*.data)"},
      {"saveImage", true, false, "Choose a file name", "Image (*.png *.jpg *.jpeg *.bmp)"},
      {"saveMesh", true, false, "Choose an output mesh name",
       "Ovel Mesh (*.meshb *.mesh);;All Files (*.*)"},
      {"saveSol", true, false, "Choose an output solution name",
       "Ovel Solution (*.solb *.sol);;All Files (*.*)"},
      {"saveMeshSol", true, false, "Choose an output name (for mesh and solution files)",
       "Ovel Mesh/Solution (*.meshb *.mesh *.solb *.sol);;All Files (*.*)"},
      {"writeData", true, false, "Choose an output data name", "Data (*.data)"},
  };
  return dialogs;
}

const PavFileDialog &fileDialog(const char *slot) {
  for (const PavFileDialog &d : fileDialogs())
    if (std::strcmp(d.slot, slot) == 0) return d;
  appError("  ## ERROR: no file dialog for %s\n", slot);
  std::exit(1);
}

PavDialogs qtDialogs() {
  PavDialogs d;
  d.chooseFiles = [](QWidget *parent, const PavFileDialog &f) -> QStringList {
    const QFileDialog::Options o = QFileDialog::DontUseNativeDialog;
    const QString dir = QDir::currentPath();
    if (f.save) {
      const QString name = QFileDialog::getSaveFileName(parent, f.title, dir, f.filter, nullptr, o);
      return name.isEmpty() ? QStringList() : QStringList{name};
    }
    if (f.several) return QFileDialog::getOpenFileNames(parent, f.title, dir, f.filter, nullptr, o);
    const QString name = QFileDialog::getOpenFileName(parent, f.title, dir, f.filter, nullptr, o);
    return name.isEmpty() ? QStringList() : QStringList{name};
  };
  d.askText = [](QWidget *parent, const QString &title, const QString &label,
                 const QString &initial, QString *answer) {
    bool ok = false;
    *answer = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    return ok;
  };
  // open() shows the box without a nested event loop: nothing waits for the user.
  d.message = [](QWidget *parent, const QString &title, const QString &text, bool rich) {
    auto *box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(title);
    box->setIconPixmap(QIcon(":/images/pavo4.ico").pixmap(64, 64));
    box->setTextFormat(rich ? Qt::RichText : Qt::PlainText);
    box->setText(text);
    box->open();
  };
  return d;
}

} // namespace pavo
