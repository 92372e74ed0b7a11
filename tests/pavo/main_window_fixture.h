// A main window of the parts the controller needs, its dialogs answered from queues, shown and
// with its view initialised.
#pragma once

#include "ui/main_actions.h"
#include "ui/main_controller.h"

#include "gl_fixture.h"
#include "scene/mesh_viewer.h"
#include "test_paths.h"
#include "ui/viewer_windows.h"

#include <QAction>
#include <QGridLayout>
#include <QMenuBar>
#include <QSettings>
#include <deque>
#include <memory>

namespace pavo_test {

struct MainWindow {
  std::string dir;
  QWidget frame;
  pavo::PavMeshViewer *viewer = new pavo::PavMeshViewer();
  QWidget *container = nullptr;
  QMenuBar *bar = new QMenuBar(&frame);
  QSettings settings{QString::fromStdString(dir + "/pavo.conf"), QSettings::IniFormat};
  std::deque<QStringList> files;
  std::deque<QString> texts;
  QStringList titles;
  std::vector<std::pair<QString, bool>> messages;
  std::unique_ptr<pavo::PavMainController> ctl;

  explicit MainWindow(std::string folder, QSize size = {400, 360}) : dir(std::move(folder)) {
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setDepthBufferSize(24);
    viewer->setFormat(format);
    container = QWidget::createWindowContainer(viewer, &frame);
    auto *grid = new QGridLayout(&frame);
    grid->addWidget(bar, 0, 0);
    grid->addWidget(container, 1, 0);
    pavo::PavDialogs d;
    d.chooseFiles = [this](QWidget *, const pavo::PavFileDialog &f) {
      titles << f.title;
      QStringList answer;
      if (!files.empty()) answer = files.front(), files.pop_front();
      return answer;
    };
    d.askText = [this](QWidget *, const QString &, const QString &, const QString &,
                       QString *answer) {
      if (texts.empty()) return false;
      *answer = texts.front();
      texts.pop_front();
      return true;
    };
    d.message = [this](QWidget *, const QString &, const QString &text, bool rich) {
      messages.push_back({text, rich});
    };
    pavo::PavMainParts parts;
    parts.window = &frame;
    parts.viewer = viewer;
    parts.container = container;
    parts.menuBar = bar;
    parts.settings = &settings;
    ctl = std::make_unique<pavo::PavMainController>(parts, d);
    frame.resize(size);
    frame.show();
    pavo::waitForView(viewer, 10000);
  }
  // Triggers an action whose file dialog answers with the given files.
  void run(const char *slot, QStringList answer = {}) {
    files.push_back(answer);
    ctl->actions().action(slot)->trigger();
  }
  void run(const char *slot, const std::string &answer) {
    run(slot, QStringList{QString::fromStdString(answer)});
  }
  std::string path(const char *name) const { return dir + "/" + name; }
};

} // namespace pavo_test
