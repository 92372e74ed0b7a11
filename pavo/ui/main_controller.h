// What the menus, dialogs, dropped files and panels of a main window do, as the Qt slots the
// action table (main_actions.h) names. The window hands over its parts (PavMainParts) and keeps
// its frame; the controller fills the menu bar, owns the panels and carries out each command on
// the window's viewer. Dialogs go through a replaceable PavDialogs, so everything here can be
// driven in code.
#pragma once

#include "scene/element_filter.h"
#include "scene/key_bindings.h"
#include "ui/dialogs.h"
#include "ui/option_panels.h"
#include "ui/preferences.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QMenu;
class QMenuBar;
class QSettings;
class QWidget;
class QDropEvent;
class QDragEnterEvent;
struct PavObject;

namespace pavo {

class PavMeshViewer;
class PavMainActions;

// The batch modes that the Utilities menu runs on a window: the movie of "pavo.movie", the data
// sequence of "pavo.seq" and the surface reconstruction of a mesh written to meshOut (and solOut
// when not null). They are drivers, a floor above the interface, so the drivers hand them in at
// start-up (installWindowModes); a mode not handed in leaves its menu entry without effect.
struct PavWindowModes {
  std::function<void(PavMeshViewer *viewer)> movie, sequence;
  std::function<void(PavObject *mesh, const char *meshOut, const char *solOut)> surface;
};
void setWindowModes(PavWindowModes modes);

struct PavMainParts {
  QWidget *window = nullptr; // the main window (parent of dialogs and panels)
  PavMeshViewer *viewer = nullptr;
  QWidget *container = nullptr; // the view's container in the window
  QMenuBar *menuBar = nullptr;
  QSettings *settings = nullptr;
  int index = 1; // window index, for object names
  // Loads a mesh (and a solution, null: looked up under the mesh name) the way the window does
  // (title, waiting for the view); the viewer's displayMesh when not set. Returns 0 on success.
  std::function<int(const QString &mesh, const char *sol)> load;
  // Prints a line into the window's terminal panel (may be empty).
  std::function<void(const QString &)> terminal;
  // Gives every window of the chain the union of their bounding boxes (may be empty).
  std::function<void()> commonBoundingBox;
};

class PavMainController : public QObject {
  Q_OBJECT
public:
  PavMainController(PavMainParts parts, PavDialogs dialogs = qtDialogs());
  ~PavMainController() override;

  const PavMainActions &actions() const { return *acts; }
  const PavPreferences &preferences() const { return prefs; }
  PavPaletteChoice palette;

  // Opens one file as a chosen mesh file: message lines, recent files, load. False (message
  // printed, recent entry dropped) when the file cannot be read.
  bool openMeshFile(const QString &path);
  // Drag and drop: accepts URLs; a drop opens the first one.
  void dragEnter(QDragEnterEvent *event);
  void drop(QDropEvent *event);
  // The context menu of the view at a global position (right button).
  void showContextMenu(const QPoint &globalPos);
  // Reads a view-state file into the window: the view, the palette, the bounding box and the
  // window size. False (message printed) when the file cannot be read.
  bool readViewState(const QString &name);
  // Writes the window's view state under `name` (or "pavo.data" when null); the name written,
  // empty on failure.
  QString writeViewState(const char *name);
  // Gives the view exactly w x h pixels and fits the window around it: the menus, terminal and
  // bottom bar keep their sizes. A size beyond what the context draws and reads back
  // (PavSceneWindow::largestFrameSide) or what memory holds is refused with one line; false then.
  bool resizeView(int w, int h);
  // Panels built so far (null until first opened).
  QWidget *panel(const char *slot) const;

public slots:
  void openMesh();
  void openRecentFile();
  void openSolution();
  void saveImage();
  void saveMesh();
  void saveSol();
  void saveMeshSol();
  void openpreferences();
  // As the q key: the farewell, every window closed, the application ended.
  void quit();
  void setWindowSize();
  void opencutplane();
  void openview();
  void openmodifMesh();
  void openspec();
  void openmenusol();
  void loadData();
  void openmenudata();
  void writeData();
  void movie();
  void checkSurf();
  void seqData();
  void setBB();
  void openmenuqal();
  void openmenujac();
  void openmenuFilSol();
  void showhelp();
  void shortcuts();
  void discardUnpicked();
  void showVerticesNumbers();
  void updateMesh();
  void drawNormals();

private:
  QString chooseOne(const char *slot);
  bool writeMesh(const QString &name);
  bool writeSolution(const QString &name);
  void applyPreferences();
  void meshLoaded();
  // The panels' callback: the viewer's redraw path, drawing with the next pass of the loop.
  std::function<void(PavChanges)> redraw();
  // Modify View's palette choices on the user's solution palette.
  void usePaletteChoice();
  void openFilter(const char *slot, const QString &title,
                  PavFilterValues (*values)(PavMeshViewer &));
  void refreshElementColours();
  template <class Make> void openPanel(const char *slot, Make make);
  void readPaletteChoice();
  void refreshPanel(QWidget *w);

  PavMainParts p;
  PavDialogs dialogs;
  std::unique_ptr<PavMainActions> acts;
  PavPreferences prefs;
  std::vector<std::pair<const char *, QPointer<QWidget>>> panels;
};

} // namespace pavo
