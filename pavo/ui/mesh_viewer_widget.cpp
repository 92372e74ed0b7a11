#include "ui/mesh_viewer_widget.h"

#include "app_messages.h"
#include "files/viewer_args.h"
#include "pav_object.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer.h"
#include "scene/window_links.h"
#include "ui/bottom_bar.h"
#include "ui/bottom_bar_link.h"
#include "ui/main_controller.h"
#include "ui/viewer_windows.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>

namespace pavo {

PavTerm::PavTerm(QWidget *parent) : QTextEdit(parent) {
  setReadOnly(true);
  QFont font("Courier");
  font.setFixedPitch(true);
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(13);
  setFont(font);
}

PavMeshViewerWidget::PavMeshViewerWidget(const QSurfaceFormat &format, int windowIndex,
                                         int windowCount, QWidget *parent)
    : QWidget(parent), index(windowIndex), count(windowCount) {
  clock.start();
  term = new PavTerm(this);
  bottom = new PavBottom(index, this);
  view = new PavMeshViewer();
  view->setFormat(format);
  view->setWindowCount(count);

  setWindowTitle("Pavo 4");
  setWindowIcon(QIcon(":/images/pavo4.ico"));
  show();
  const int x = windowX(index, count);
  if (x >= 0) move(x, pos().y());

  // The controller fills the menus once the view container exists.
  menus = new QMenuBar(this);
  view->installEventFilter(this);

  container = QWidget::createWindowContainer(view, this);
  container->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  // Keys act on the view as soon as the window is active: the frame keeps the focus and hands
  // its keys to the view (keyPressEvent); the panel and the bar take it only when clicked.
  setFocusPolicy(Qt::StrongFocus);
  term->setFocusPolicy(Qt::ClickFocus);
  for (QWidget *w : bottom->findChildren<QWidget *>())
    if (w->focusPolicy() & Qt::TabFocus) w->setFocusPolicy(Qt::ClickFocus);
  term->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  auto *grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(menus, 0, 0);
  grid->addWidget(container, 1, 0);
  grid->addWidget(term, 2, 0);
  grid->addWidget(bottom, 3, 0);
  grid->setRowMinimumHeight(1, 160);
  grid->setRowStretch(1, 1); // the view takes the height the terminal does not need
  setLayout(grid);

  PavMainParts parts;
  parts.window = this;
  parts.viewer = view;
  parts.container = container;
  parts.menuBar = menus;
  parts.settings = &settings;
  parts.index = index;
  parts.load = [this](const QString &mesh, const char *sol) {
    return loadMesh(mesh.toLocal8Bit().constData(), sol);
  };
  parts.terminal = [this](const QString &line) { appendTerminal(line); };
  parts.commonBoundingBox = [this] {
    PavMeshViewerWidget *first = this;
    while (first->previousWindow) first = first->previousWindow;
    setCommonBoundingBox(first);
  };
  control = new PavMainController(parts);
  appendTerminal("Welcome to Pavo 4");
  term->resize(800, 100);
  bottom->resize(800, 20);
  connect(view, &PavMeshViewer::terminalLine, this, &PavMeshViewerWidget::appendTerminal);
  // Long work blocks the event loop: the line is painted at once, before the work starts.
  busyLine = new QLabel(bottom);
  busyLine->setAutoFillBackground(true);
  busyLine->hide();
  connect(view, &PavMeshViewer::busyChanged, busyLine, [this](const QString &work) {
    busyLine->setText(work);
    busyLine->adjustSize();
    busyLine->move(std::max(0, bottom->width() - busyLine->width() - 4),
                   std::max(0, (bottom->height() - busyLine->height()) / 2));
    busyLine->setVisible(!work.isEmpty());
    if (!work.isEmpty()) {
      busyLine->raise();
      busyLine->repaint();
    }
  });
  // Every message reaches the panel, and the reports of this window's viewer; lines printed on a
  // worker thread are appended on the window's own.
  messageListener = addMessageListener(
      [this](const std::string &line) {
        const QString text = QString::fromLocal8Bit(line.c_str());
        QMetaObject::invokeMethod(
            this, [this, text] { appendTerminal(text); }, Qt::AutoConnection);
      },
      view);
  // The bar picks, highlights and chooses solutions through the viewer; its panels are the menus'.
  connectBottomBar(bottom, view);
  connect(view, &PavMeshViewer::solutionsChanged, bottom,
          [this] { bottom->fill(view->meshObject()); });
  // Whatever changed the field shown (keys, menus, panels, view files, linked windows), the
  // selectors show it with the next frame.
  connect(view, &PavSceneWindow::frameDrawn, bottom, [this] {
    int index = 0;
    const int mode = view->shownSolution(&index);
    bottom->showSolution(mode, index);
  });
  connect(bottom, &PavBottom::menuChosen, control, [this](int panel) {
    if (panel == 1) control->opencutplane();
    if (panel == 2) control->openview();
    if (panel == 3) control->openmenudata();
  });
  resize(800, 600);
  setMinimumSize(20, 20);

  propagateBoundingBox = control->preferences().propagateBoundingBox;
  show();
  setFocus();
  setAcceptDrops(true);
  container->setAcceptDrops(true);
  appMessage("\n  Setting up the scene %5.2f s \n", (double)clock.elapsed() / 1000.0);
  fflush(stdout);
}

// The container owns the viewer window and deletes it with the widget.
PavMeshViewerWidget::~PavMeshViewerWidget() { removeMessageListener(messageListener); }

void PavMeshViewerWidget::appendTerminal(const QString &text) { term->append(text); }

// The view is a window of its own: its drops and right clicks come here.
bool PavMeshViewerWidget::eventFilter(QObject *watched, QEvent *event) {
  if (watched == view && control) {
    switch (event->type()) {
    case QEvent::DragEnter:
      control->dragEnter(static_cast<QDragEnterEvent *>(event));
      return event->isAccepted();
    case QEvent::Drop:
      control->drop(static_cast<QDropEvent *>(event));
      return true;
    case QEvent::MouseButtonPress: {
      auto *mouse = static_cast<QMouseEvent *>(event);
      if (mouse->button() == Qt::RightButton && mouse->modifiers() == Qt::NoModifier)
        control->showContextMenu(mouse->globalPos());
      break;
    }
    default:
      break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// Keys that reach the frame (its focus is elsewhere, or the view's window is not active yet) act
// on the view.
void PavMeshViewerWidget::keyPressEvent(QKeyEvent *event) {
  QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                 event->isAutoRepeat(), (ushort)event->count());
  QCoreApplication::sendEvent(view, &copy);
  event->setAccepted(copy.isAccepted());
}

void PavMeshViewerWidget::closeEvent(QCloseEvent *event) {
  QWidget::closeEvent(event);
  // Only the window manager's close: the program's own close() calls end nothing.
  if (!event->spontaneous() || !event->isAccepted()) return;
  appMessage("%s", kFarewell);
  fflush(stdout);
  QCoreApplication::quit();
}

void PavMeshViewerWidget::dragEnterEvent(QDragEnterEvent *event) { control->dragEnter(event); }
void PavMeshViewerWidget::dropEvent(QDropEvent *event) { control->drop(event); }

int PavMeshViewerWidget::loadMesh(const char *meshName, const char *solName,
                                  const std::function<void()> &beforeBuild) {
  setWindowTitle(QString::fromStdString(pavo::windowTitle(index, meshName ? meshName : "")));
  waitForView(view);
  const int status = view->displayMesh(meshName, solName, beforeBuild);
  bottom->fill(view->meshObject());
  return status;
}

void PavMeshViewerWidget::chain(const QList<PavMeshViewerWidget *> &windows) {
  std::vector<PavMeshViewer *> viewers;
  for (int i = 0; i < windows.size(); i++) {
    windows[i]->previousWindow = i > 0 ? windows[i - 1] : nullptr;
    windows[i]->nextWindow = i + 1 < windows.size() ? windows[i + 1] : nullptr;
    viewers.push_back(windows[i]->viewer());
  }
  // Keys, views, cuts, picks and solutions pass between the viewers by their preferences.
  chainWindows(viewers);
}

void setCommonBoundingBox(PavMeshViewerWidget *first) {
  pavo::setCommonBoundingBox(first->viewer());
}

} // namespace pavo
