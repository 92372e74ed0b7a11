// Linked windows: the viewers of one run are chained in creation order, and each passes what
// happens in it on to the others when the matching propagation switch of its preferences is on:
// keys, solution changes, views (camera), clip planes, picks, the scene centre and the bounding
// box. Everything that crosses from one window to another goes through these functions; a window
// applying a propagated change does not pass it on again.
#pragma once

#include <QString>
#include <QVector3D>
#include <cstdint>
#include <vector>

namespace pavo {

class PavMeshViewer;
class PavViewerInput;

// The propagation preferences of a window ("Prop Keys Pref" ... "Prop Bb Pref"); only the
// bounding box is shared by default.
struct PavPropagation {
  bool keys = false;
  bool solution = false;
  bool views = false;
  bool clip = false;
  bool picking = false;
  bool centre = false;
  bool boundingBox = true;
};

// The place of a window in its chain and its switches. Held by the window's input object.
struct PavWindowLink {
  PavViewerInput *previous = nullptr;
  PavViewerInput *next = nullptr;
  PavPropagation propagate;
  bool applying = false; // a propagated change is being applied: do not pass it on
};

// Chains the viewers in the given order (each records its predecessor and successor); viewers
// already in a chain leave it first. Null entries are skipped.
void chainWindows(const std::vector<PavMeshViewer *> &windows);
// Takes a window out of its chain, joining its neighbours.
void unchainWindow(PavViewerInput *input);
// The other windows of the chain of a window, in chain order.
std::vector<PavMeshViewer *> linkedWindows(const PavMeshViewer *window);
// Sets the same propagation switches on every window of the chain of a window.
void setPropagation(PavMeshViewer *window, const PavPropagation &propagate);

// Each function below does nothing unless the source window's switch is on, and renders every
// window it changes.
// Keys (Prop Keys): the same key is applied in the other windows.
void propagateKey(PavMeshViewer *from, int qtKey, const QString &text);
// Solutions (Prop Sol): the other windows show the field `index` of the same field mode.
void propagateSolution(PavMeshViewer *from, int fieldMode, int index);
// Views (Prop Views): rotation, field of view, and translation in each window's own scale.
void propagateView(PavMeshViewer *from);
// Clip planes (Prop Clip): plane, its use and the capping; the others rebuild their cut.
void propagateCut(PavMeshViewer *from);
// Picks (Prop Pick): entity `number` of mesh type `entityType` is picked in the others.
void propagatePick(PavMeshViewer *from, int entityType, int number);
// Whole-object highlight of a double click: the objects of the same draw type and identifier.
void propagateHighlight(PavMeshViewer *from, uint32_t drawType, int32_t id, bool on);
// Scene centre (Prop Cent): the others are centred on the same point.
void propagateCentre(PavMeshViewer *from, const QVector3D &centre);
// The union of the boxes of the chained windows that hold a mesh is set on every window of the
// chain of `any`, with " \n", "  Set new bounding box:\n" and "  x:[%lg %lg] y:[%lg %lg]
// z:[%lg %lg]\n". Returns false (nothing done) when no window has a mesh.
bool setCommonBoundingBox(PavMeshViewer *any);
// The same by the preference (Prop Bb, of the last window): false (nothing done) for a single
// window, with the switch off or when no window has a mesh.
bool propagateBoundingBox(PavMeshViewer *any);

} // namespace pavo
