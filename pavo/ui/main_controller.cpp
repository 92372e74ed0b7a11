#include "ui/main_controller.h"

#include "app_messages.h"

#include "files/file_tokens.h"
#include "files/viewer_args.h"
#include "ho_jacobian.h"
#include "pav_io.h"
#include "pav_object.h"
#include "pav_quality.h"
#include "pav_solution.h"
#include "scene/element_filter.h"
#include "scene/key_bindings.h"
#include "scene/mesh_viewer.h"
#include "scene/mesh_viewer_input.h"
#include "scene/picked_normals.h"
#include "scene/vertex_labels.h"
#include "scene/view_state_io.h"
#include "ui/dialog_answers.h"
#include "ui/main_actions.h"
#include "ui/mesh_panels.h"
#include "ui/preferences_apply.h"
#include "ui/recent_files.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace pavo {

namespace {
// Loads, saves and their failures: standard output and the terminal panels.
void print(const QString &text) { appMessage("%s", text.toLocal8Bit().constData()); }
} // namespace

PavMainController::PavMainController(PavMainParts parts, PavDialogs d)
    : QObject(parts.window), p(std::move(parts)), dialogs(std::move(d)) {
  if (!p.load)
    p.load = [this](const QString &mesh, const char *sol) {
      p.window->setWindowTitle(QString("[%1] %2").arg(p.index).arg(QFileInfo(mesh).fileName()));
      return p.viewer->displayMesh(mesh.toLocal8Bit().constData(), sol);
    };
  acts = std::make_unique<PavMainActions>(p.window, this);
  if (p.menuBar) acts->fillMenuBar(p.menuBar);
  fillRecentActions(acts->recent(), readRecentFiles(*p.settings));
  prefs = readPreferences(*p.settings);
  applyPreferences();
}

PavMainController::~PavMainController() = default;

QString PavMainController::chooseOne(const char *slot) {
  const QStringList names = dialogs.chooseFiles(p.window, fileDialog(slot));
  return names.isEmpty() ? QString() : names.first();
}

// ------------------------------------------------------------------------------ Opening files

bool PavMainController::openMeshFile(const QString &path) {
  const QString problem = inputFileProblem(path);
  if (!problem.isEmpty()) {
    print(problem);
    fillRecentActions(acts->recent(), forgetRecentFile(*p.settings, path));
    return false;
  }
  // A solution file given as a mesh is the solution of the mesh shown: the scene stays.
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == "sol" || suffix == "solb") {
    if (!p.viewer->meshObject()) {
      print("  ## ERROR: " + path + " is a solution file: open its mesh first\n");
      return false;
    }
    appMessage("  Loading solution file %s\n", path.toLocal8Bit().constData());
    p.viewer->openSolution(path.toLocal8Bit().constData());
    meshLoaded();
    return true;
  }
  appMessage("\n");
  appMessage("  Clearing scene ");
  appMessage("  Loading mesh file %s\n", path.toLocal8Bit().constData());
  fflush(stdout);
  p.window->setWindowFilePath(path);
  fillRecentActions(acts->recent(), recordRecentFile(*p.settings, path));
  if (p.load(path, nullptr) != 0) {
    // A file that exists but does not load is no use in the list either.
    fillRecentActions(acts->recent(), forgetRecentFile(*p.settings, path));
    return false;
  }
  meshLoaded();
  return true;
}

void PavMainController::openMesh() {
  const QStringList files = dialogs.chooseFiles(p.window, fileDialog("openMesh"));
  for (const QString &f : files) openMeshFile(f);
  if (!files.isEmpty()) p.viewer->renderLater();
}

void PavMainController::openRecentFile() {
  if (auto *a = qobject_cast<QAction *>(sender())) {
    openMeshFile(a->data().toString());
    p.viewer->renderLater();
  }
}

void PavMainController::dragEnter(QDragEnterEvent *event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PavMainController::drop(QDropEvent *event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) return;
  event->acceptProposedAction();
  openMeshFile(urls.first().toLocalFile());
  p.viewer->renderLater();
}

void PavMainController::openSolution() {
  const QString name = chooseOne("openSolution");
  if (name.isEmpty()) return;
  const QString problem = inputFileProblem(name);
  if (!problem.isEmpty()) return print(problem);
  if (!p.viewer->meshObject()) return print("  ## ERROR: open a mesh before its solution\n");
  appMessage("  Loading solution file %s\n", name.toLocal8Bit().constData());
  p.viewer->openSolution(name.toLocal8Bit().constData());
  meshLoaded();
}

void PavMainController::loadData() {
  const QString name = chooseOne("loadData");
  if (name.isEmpty()) return;
  const QString problem = inputFileProblem(name);
  if (!problem.isEmpty()) return print(problem);
  appMessage("  Loading data file %s\n", name.toLocal8Bit().constData());
  readViewState(name);
}

bool PavMainController::readViewState(const QString &name) {
  PavViewStateData data;
  if (!applyViewState(p.viewer, name.toStdString(), &data)) return false;
  if (data.windowSize) resizeView((*data.windowSize)[0], (*data.windowSize)[1]);
  p.viewer->renderLater();
  return true;
}

QString PavMainController::writeViewState(const char *name) {
  p.viewer->renderNow(); // the file records what the window shows
  PavFileMessages messages;
  const std::string written = writeViewStateFile(viewStateOf(p.viewer), name, messages);
  return QString::fromStdString(written);
}

// ------------------------------------------------------------------------------ Writing files

bool PavMainController::writeMesh(const QString &name) {
  const PavObject *mesh = p.viewer->meshObject();
  if (!mesh) return print("  ## ERROR: there is no mesh to write\n"), false;
  const QString problem = outputFileProblem(name);
  if (!problem.isEmpty()) return print(problem), false;
  char status[PAV_IO_STATUS_SIZE] = "";
  const int ret = pav_WriteMesh(mesh, name.toLocal8Bit().constData(), status);
  if (ret)
    appMessage(" pav_WriteMesh failed error %3d : %s\n", ret, status);
  else
    appMessage("  %%%% Mesh written in %s\n", name.toLocal8Bit().constData());
  return ret == 0;
}

bool PavMainController::writeSolution(const QString &name) {
  const PavObject *mesh = p.viewer->meshObject();
  if (!mesh) return print("  ## ERROR: there is no solution to write\n"), false;
  const QString problem = outputFileProblem(name);
  if (!problem.isEmpty()) return print(problem), false;
  char status[PAV_IO_STATUS_SIZE] = "";
  const int ret = pav_WriteSolution(mesh, name.toLocal8Bit().constData(), -1, status);
  if (ret)
    appMessage(" pav_WriteSolution failed error %3d : %s\n", ret, status);
  else
    appMessage("  %%%% Solution written in %s\n", name.toLocal8Bit().constData());
  return ret == 0;
}

void PavMainController::saveMesh() {
  const QString name = chooseOne("saveMesh");
  if (!name.isEmpty()) writeMesh(meshOutputName(name));
}

void PavMainController::saveSol() {
  const QString name = chooseOne("saveSol");
  if (!name.isEmpty()) writeSolution(solutionOutputName(name));
}

void PavMainController::saveMeshSol() {
  const QString name = chooseOne("saveMeshSol");
  if (name.isEmpty()) return;
  const QString mesh = meshOutputName(name);
  if (writeMesh(mesh)) writeSolution(solutionBesideMesh(mesh));
}

void PavMainController::saveImage() {
  const QString name = chooseOne("saveImage");
  if (name.isEmpty()) return;
  const QString problem = outputFileProblem(name);
  if (!problem.isEmpty()) return print(problem);
  p.viewer->screenshot(name.toLocal8Bit().constData());
}

void PavMainController::writeData() {
  const QString name = chooseOne("writeData");
  if (name.isEmpty()) return;
  const QString problem = outputFileProblem(dataOutputName(name));
  if (!problem.isEmpty()) return print(problem);
  writeViewState(dataOutputName(name).toLocal8Bit().constData());
}

// ------------------------------------------------------------------------ Window and options

void PavMainController::setWindowSize() {
  const QRect g = p.container->geometry();
  const QString initial =
      QString("%1 x %2").arg(g.right() - g.left() + 1).arg(g.bottom() - g.top() + 1);
  QString answer;
  int w = 0, h = 0;
  if (!dialogs.askText(p.window, "Window Size", "Enter size:", initial, &answer)) return;
  if (!parseWindowSize(answer, &w, &h))
    return print("  ## ERROR: window size \"" + answer +
                 "\" not understood (width x height, 1 to 32767): the size is unchanged\n");
  resizeView(w, h);
}

bool PavMainController::resizeView(int w, int h) {
  // The frame in device pixels must fit the context's buffers, and its colour, depth, picking
  // and read-back copies (about 24 bytes a pixel) a quarter of the machine's memory.
  const double ratio = std::max(1.0, p.viewer->devicePixelRatio());
  const int64_t dw = (int64_t)std::ceil(w * ratio), dh = (int64_t)std::ceil(h * ratio);
  const int side = p.viewer->largestFrameSide();
  const int64_t memory = (int64_t)sysconf(_SC_PHYS_PAGES) * (int64_t)sysconf(_SC_PAGE_SIZE);
  if (w < 1 || h < 1 || (side > 0 && (dw > side || dh > side)) ||
      (memory > 0 && dw * dh * 24 > memory / 4)) {
    print(QString::asprintf("  ## ERROR: window size %d x %d refused (at most %d x %d pixels "
                            "here, and what memory holds): the size is unchanged\n",
                            w, h, side, side));
    return false;
  }
  // The layout gives the container its size: hold it at the answer while the window is resized
  // by the difference, so that the other parts keep theirs (adjustSize would fit the window to its
  // size hints, bounded by two thirds of the screen).
  QWidget *win = p.window;
  const QSize around = win->size() - p.container->size();
  p.container->setFixedSize(w, h);
  p.viewer->resize(w, h);
  win->resize((QSize(w, h) + around).expandedTo(win->minimumSizeHint()));
  // The window system answers the window's resize later: the container keeps its fixed size until
  // that answer is laid out, or the layout would give the old window's height to the other parts.
  QGuiApplication::sync();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  p.container->setMinimumSize(0, 0);
  p.container->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  return true;
}

// The palette choices of Modify View as the view shows them: the shown field's breaks and
// isolines, automatic unless the user fixed the palette.
void PavMainController::readPaletteChoice() {
  const PavPalette &user = p.viewer->meshScene.solutionPalette;
  palette.automatic = !user.paletteFixed;
  if (const PavDrawField *f = p.viewer->sceneModel().firstField(PavFieldKind::Solution)) {
    std::copy_n(f->palette, 5, palette.values);
    palette.isolines = std::clamp((int)f->nbrIso, 0, 9);
  } else if (user.paletteSet || user.paletteFixed) {
    std::copy_n(user.palette, 5, palette.values);
    palette.isolines = std::clamp((int)user.nbrIso, 0, 9);
  }
}

// Panels opened again show the view's values of now, not those of their first opening.
void PavMainController::refreshPanel(QWidget *w) {
  if (auto *v = qobject_cast<PavModifyViewPanel *>(w)) readPaletteChoice(), v->refresh();
  if (auto *c = qobject_cast<PavCutPlanePanel *>(w)) c->refresh();
  if (auto *s = qobject_cast<PavSolutionPanel *>(w)) s->refresh();
  if (auto *s = qobject_cast<PavSpecificPanel *>(w)) s->refresh();
}

std::function<void(PavChanges)> PavMainController::redraw() {
  return [this](PavChanges changes) { p.viewer->refresh(changes, PavRedraw::Later); };
}

void PavMainController::usePaletteChoice() {
  // Modify View's palette goes to the fields shown: the user's breaks, or the fields' range.
  PavPalette &user = p.viewer->meshScene.solutionPalette;
  if (palette.automatic)
    user.paletteFixed = false;
  else
    user.setUserPalette(palette.values);
  user.nbrIso = palette.isolines;
}

QWidget *PavMainController::panel(const char *slot) const {
  for (const auto &[name, w] : panels)
    if (std::strcmp(name, slot) == 0) return w;
  return nullptr;
}

template <class Make> void PavMainController::openPanel(const char *slot, Make make) {
  const bool built = std::any_of(panels.begin(), panels.end(),
                                 [slot](const auto &e) { return std::strcmp(e.first, slot) == 0; });
  QWidget *w = built ? panel(slot) : make();
  if (!w) return missingPanelWarning(slot); // destroyed since it was built, or not made
  if (!built) {
    w->setParent(p.window, Qt::Window);
    panels.emplace_back(slot, w);
  }
  refreshPanel(w);
  w->show();
  w->raise();
}

void PavMainController::opencutplane() {
  openPanel("opencutplane", [this] {
    auto *w = new PavCutPlanePanel({p.viewer->view, redraw()}, p.viewer->switches);
    double b[6];
    p.viewer->boundingBox(b);
    w->setBoxCentre((b[0] + b[1]) / 2, (b[2] + b[3]) / 2, (b[4] + b[5]) / 2);
    return w;
  });
}

void PavMainController::openview() {
  openPanel("openview", [this] {
    readPaletteChoice();
    // Its palette choices change the fields: they go to the user's palette first.
    auto changed = [this](PavChanges c) {
      if (c.has(PavChange::Fields)) usePaletteChoice();
      p.viewer->refresh(c, PavRedraw::Later);
    };
    return new PavModifyViewPanel({p.viewer->view, changed}, palette);
  });
}

void PavMainController::openmenusol() {
  openPanel("openmenusol", [this] {
    auto *w = new PavSolutionPanel({p.viewer->view, redraw()});
    const PavObject *mesh = p.viewer->meshObject();
    if (mesh)
      w->setSolutionCounts(pav_GetNumberOfVertexSolutions(mesh),
                           pav_GetMaxNumberOfElementSolutions(mesh));
    return w;
  });
}

void PavMainController::openspec() {
  openPanel("openspec", [this] {
    return new PavSpecificPanel({p.viewer->view, redraw()}, p.viewer->switches);
  });
}

void PavMainController::quit() {
  appMessage("%s", kFarewell);
  fflush(stdout);
  QApplication::closeAllWindows();
  QCoreApplication::quit();
}

void PavMainController::openpreferences() {
  openPanel("openpreferences", [this] {
    auto *w = new PavPreferencesPanel(*p.settings, p.index);
    connect(w, &PavPreferencesPanel::changed, this, [this](const PavPreferences &now) {
      prefs = now;
      applyPreferences();
    });
    return w;
  });
}

void PavMainController::applyPreferences() {
  applyPreferencesToViewer(prefs, *p.viewer);
  p.viewer->view.options.AxisOn = prefs.axis;
  if (PavViewerInput *input = PavViewerInput::of(p.viewer))
    input->link().propagate = {prefs.propagateKeys,       prefs.propagateSolution,
                               prefs.propagateViews,      prefs.propagateClip,
                               prefs.propagatePicking,    prefs.propagateCentre,
                               prefs.propagateBoundingBox};
  p.viewer->renderLater();
}

void PavMainController::openmodifMesh() {
  openPanel("openmodifMesh", [this] {
    PavMeshTarget target;
    target.mesh = [this] { // about to be modified
      p.viewer->meshWillChange();
      return p.viewer->meshObject();
    };
    target.meshChanged = [this] {
      p.viewer->clearMeshScene();
      p.viewer->displayObject();
      meshLoaded();
    };
    target.write = [this] { saveMesh(); };
    return new PavMeshModificationsPanel(target);
  });
}

void PavMainController::openmenudata() {
  openPanel("openmenudata", [this] { return new PavDataManagerPanel({p.viewer->view, redraw()}); });
  meshLoaded();
}

// A new mesh, solution or modification: the panels that show the mesh's contents follow.
void PavMainController::meshLoaded() {
  applyElementFilter(*p.viewer, {}, nullptr); // every element shows again
  setVertexLabels(*p.viewer, p.viewer->meshObject(), p.viewer->switches.showPointNumbers);
  if (auto *data = qobject_cast<PavDataManagerPanel *>(panel("openmenudata")))
    data->setMesh(p.viewer->meshName(), p.viewer->solutionName(), p.viewer->meshObject());
  if (auto *sol = qobject_cast<PavSolutionPanel *>(panel("openmenusol"))) {
    const PavObject *mesh = p.viewer->meshObject();
    sol->setSolutionCounts(mesh ? pav_GetNumberOfVertexSolutions(mesh) : 0,
                           mesh ? pav_GetMaxNumberOfElementSolutions(mesh) : 0);
  }
  p.viewer->renderLater();
}

// The filters hide the elements outside a range (element_filter.h): quality of the tetrahedra,
// Jacobians (smallest per element) and the displayed solution.
void PavMainController::openFilter(const char *slot, const QString &title,
                                   PavFilterValues (*values)(PavMeshViewer &)) {
  openPanel(slot, [this, title, values] {
    auto kept = std::make_shared<PavFilterValues>();
    auto compute = [this, kept, values] {
      PavFilterSpan span;
      if (p.viewer->meshObject()) *kept = values(*p.viewer);
      span.any = filterExtrema(*kept, &span.low, &span.high, &span.total);
      p.viewer->renderLater();
      return span;
    };
    auto apply = [this, kept](const double *range) {
      const int64_t n = applyElementFilter(*p.viewer, *kept, range);
      refreshElementColours();
      if (range)
        appMessage("  %%%% %lld elements shown in [%g %g]\n", (long long)n, range[0], range[1]);
      fflush(stdout);
      p.viewer->renderLater();
      return n;
    };
    return new PavFilterPanel(title, compute, apply);
  });
}

void PavMainController::openmenuqal() { openFilter("openmenuqal", "Quality", qualityValues); }
void PavMainController::openmenujac() { openFilter("openmenujac", "Jacobian", jacobianValues); }
void PavMainController::openmenuFilSol() {
  openFilter("openmenuFilSol", "Solution", solutionValues);
}

// The one refresh of the per-element colours: picked colours (when the window's input paints
// them) then the filters' visibility on top.
void PavMainController::refreshElementColours() { refreshElementVisibility(*p.viewer); }

namespace {
PavWindowModes &windowModes() {
  static PavWindowModes modes;
  return modes;
}
} // namespace

void setWindowModes(PavWindowModes modes) { windowModes() = std::move(modes); }

// The batch modes on this window: the movie of "pavo.movie" under the view state "pavo.data",
// the surface reconstruction of the mesh shown (written beside it as <mesh>.surfOK), the data
// sequence of "pavo.seq".
void PavMainController::movie() {
  if (!windowModes().movie) return;
  windowModes().movie(p.viewer);
  p.viewer->renderLater();
}

void PavMainController::checkSurf() {
  PavObject *mesh = p.viewer->meshObject();
  if (!mesh) return print("  ## ERROR: there is no mesh to reconstruct\n");
  const std::string base = cutAt(p.viewer->meshName().toStdString(), ".mesh") + ".surfOK";
  const bool withSol = !p.viewer->solutionName().isEmpty();
  if (!windowModes().surface) return;
  windowModes().surface(mesh, (base + ".meshb").c_str(),
                        withSol ? (base + ".solb").c_str() : nullptr);
  p.viewer->displayObject(); // the added faces are part of the scene
}

void PavMainController::seqData() {
  if (!windowModes().sequence) return;
  windowModes().sequence(p.viewer);
  p.viewer->renderLater();
}

void PavMainController::setBB() {
  prefs.propagateBoundingBox = true;
  p.settings->setValue("Prop Bb Pref", 1);
  if (p.commonBoundingBox) p.commonBoundingBox();
}

void PavMainController::showhelp() { dialogs.message(p.window, "Help", kHelpText, false); }

void PavMainController::shortcuts() {
  dialogs.message(p.window, "List of shortcuts", QString::fromStdString(shortcutListText()), true);
}

// ------------------------------------------------------------------------------- Context menu

void PavMainController::showContextMenu(const QPoint &globalPos) {
  auto *menu = new QMenu(p.window);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  PavViewerInput *input = PavViewerInput::of(p.viewer);
  acts->fillContextMenu(menu, input && input->pickState().lastPicked());
  menu->popup(globalPos);
}

void PavMainController::discardUnpicked() {
  p.viewer->view.options.DiscardUnPicked = !p.viewer->view.options.DiscardUnPicked;
  p.viewer->refresh({}, PavRedraw::Later); // the cut shows every face while some are discarded
}

void PavMainController::showVerticesNumbers() {
  p.viewer->switches.showPointNumbers = !p.viewer->switches.showPointNumbers;
  p.viewer->refresh(PavChange::Numbers, PavRedraw::Later);
}

void PavMainController::updateMesh() {
  const QString mesh = p.viewer->meshName(), sol = p.viewer->solutionName();
  if (mesh.isEmpty()) return print("  ## ERROR: no mesh to reload\n");
  const QByteArray solName = sol.toLocal8Bit();
  p.load(mesh, sol.isEmpty() ? nullptr : solName.constData());
  p.viewer->renderLater();
}

// Enabled in the context menu only while something is picked (the input's pick state).
void PavMainController::drawNormals() {
  PavViewerInput *input = PavViewerInput::of(p.viewer);
  if (!input || !input->pickState().lastPicked()) return;
  if (drawPickedNormals(*input) == 0) print("  No picked face to draw the normal of\n");
}

} // namespace pavo
