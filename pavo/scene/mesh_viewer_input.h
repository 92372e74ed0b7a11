// The input of a mesh viewer: keys, mouse, picking and highlighting. One PavViewerInput belongs
// to each viewer (a child object made by the viewer) and filters the viewer's events: the keys go
// through the key table (key_bindings.h) and every request they make is carried out here; the
// mouse turns the camera, moves the cut plane in cut-plane mode and picks with Shift, Control
// and Alt (or Meta); picks are resolved (pick_resolution.h), coloured, reported (pick_report.h) and
// passed to the linked windows (window_links.h).
#pragma once

#include "scene/key_bindings.h"
#include "scene/pick_report.h"
#include "scene/pick_resolution.h"
#include "scene/window_links.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <QVector>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QEvent;
class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace pavo {

class PavMeshViewer;

class PavViewerInput : public QObject {
  Q_OBJECT
public:
  // Made by the viewer, as its child; filters the viewer's key, mouse and wheel events.
  explicit PavViewerInput(PavMeshViewer *viewer);
  ~PavViewerInput() override;
  // The input object of a viewer (null for a null viewer).
  static PavViewerInput *of(const PavMeshViewer *viewer);

  PavMeshViewer *viewer() const { return win; }
  PavPickState &pickState() { return state; }
  // The window's switches (PavSceneWindow::switches), which its marks follow.
  PavSceneSwitches &switches() { return sw; }
  // The switches that pass this window's events on to the linked windows.
  PavWindowLink &link() { return links; }

  // A key as the window receives it (key code and text). Returns the effect applied; keys are
  // passed on to the linked windows when their propagation is on.
  PavKeyEffect handleKey(int qtKey, const QString &text);

  // Picking at a window point (logical pixels, y down): mode 1 single (Shift), adding (Control:
  // adding true), 3 whole object (Alt or Meta). Resolves, recolours, reports and propagates;
  // returns the object picked (null on the background, an unpick or a point outside the view).
  PavDrawObject *pickAt(int x, int y, int mode, bool adding = false);
  // Double click at a point: switches the highlight of the whole object under it.
  PavDrawObject *highlightAt(int x, int y);

  // The report of a picked object's last pick: printed with its warnings through the message
  // funnel as this viewer's (its window's terminal panel shows it) and kept as lastReport().
  void reportPicking(PavDrawObject *picked);
  const std::string &lastReport() const { return report; }
  // The entity behind a picked element of an object (volume faces mapped to their element).
  PavPickedEntity entityOf(const PavDrawObject *object, int32_t local) const;

  // Picking by number (bottom bar, linked windows): marks entity `number` of mesh type
  // `entityType` as picked in the object of the scene that holds it, reports and renders.
  // Returns the object, null (after "WARNING: no element found for picking\n") when none does.
  PavDrawObject *pickEntity(int entityType, int number);
  // Highlights whole the objects of a mesh type (0: every type) whose reference is listed and
  // clears the others. Returns the number highlighted.
  int highlightReferences(int entityType, const QVector<int> &references);
  // Clears every pick and highlight.
  void clearHighlight();
  // Per-element colours of the objects of the pick list: picked elements in the picked colour.
  void refreshColours();

  // Picking demand: prepares the objects (their picks cleared), runs a local event loop until
  // Return ends the demand, prints "  End of picking demand " and returns the picked objects.
  QList<PavDrawObject *> pickingDemand(const QList<PavDrawObject *> &objects);
  bool pickingDemandActive() const { return demandActive; }

  // Prints " highligthing objects " with each double-click highlight.
  bool traceHighlight = true;
  // Writes the view-state file (key w); null writes the view in "pavo.data".
  std::function<void()> saveView;
  // Opens the context menu of the main window at a window point (right button).
  std::function<void(int x, int y)> contextMenu;
  // Ends the application after Escape or q closed the window; null quits the Qt application.
  std::function<void()> quitApplication;

  bool eventFilter(QObject *watched, QEvent *event) override;

signals:
  void multiPickingDone(const QList<pavo::PavDrawObject *> &picked);

private:
  // Carries out what a key asked for.
  void carryOut(const PavKeyEffect &effect);
  PavKeyFacts facts() const;
  void mousePress(QMouseEvent *event);
  void mouseMove(QMouseEvent *event);
  void mouseRelease(QMouseEvent *event);
  void wheel(QWheelEvent *event);
  // Drops the picks, suppressed objects and saved colours of objects no longer in the scene.
  void forgetStale();
  void finishDemand();
  void centreOnPicked();
  bool insideView(int x, int y) const;
  // The entries of the viewer's pick list whose object is still in the scene.
  QList<PavPickEntry> livePicks() const;

  PavMeshViewer *win;
  PavPickState state;
  PavSceneSwitches &sw; // the viewer's
  PavWindowLink links;
  std::vector<PavDrawObject *> suppressed;
  // Colours of the objects before their elements were painted as picked.
  std::unordered_map<const PavDrawObject *, std::vector<float>> baseColours;
  std::string report;
  QTimer animation;
  bool demandActive = false;
  QList<PavDrawObject *> demandObjects;
  // Cut-plane mode: the plane and the point of the drag start.
  bool dragging = false;
  bool cutDragged = false;
  QPointF dragFrom;
  double planeAtPress[4] = {1, 0, 0, 0};
  Qt::MouseButton dragButton = Qt::NoButton;
};

} // namespace pavo
