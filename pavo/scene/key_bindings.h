// The key bindings of a scene window as one table: each row holds the key, the action on the view
// state, the description shown in the list of shortcuts, and the menu entry and settings key of
// the main window (empty until a menu or a preference uses the row). The key dispatch and the
// shortcut list are both generated from the table, so they cannot drift apart.
//
// Actions change the view state (view_state.h) and the window switches below, and say what the
// window must do next (PavKeyEffect): the changes its redraw path applies (view_changes.h: the
// cut, the fields, the colours, the programs ...), and a request that needs the window or the
// viewer (quit, screenshot, step through solutions, compute Jacobians ...). They never touch a
// window.
#pragma once

#include "render/view_state.h"
#include "scene/view_changes.h"

#include <string>
#include <vector>

namespace pavo {

// What the window knows and the actions only read.
struct PavKeyFacts {
  bool solutionAttached = false;   // a solution field is attached to a draw object
  bool vertexSolutions = false;    // the mesh has per-vertex solutions
  bool elementSolutions = false;   // the mesh has per-element solutions
  bool solDefinition = false;      // the programs are built with the SOL definition
  bool multiPickingActive = false; // a multi-picking demand waits for Return
  int colormapCount = 0;           // colour maps to cycle through (K)
  double boxCentre[3] = {0, 0, 0}; // centre of the scene's bounding box
};

// Requests an action leaves to the window or the viewer, after the state change.
enum class PavKeyRequest {
  None,
  Quit,                   // print the farewell (kFarewell), close the window, quit the application
  FinishMultiPicking,     // clear highlights, print the multi-picking report, emit multiPickingDone
  Screenshot,             // the next render writes a screenshot with the default name
  NextSolution,           // viewer: next solution field (stepping of the viewer), palette unfixed
  PreviousSolution,       // viewer: previous solution field
  ComputeJacobian,        // signal computeMeshJacobian
  ComputeJacobianMinimal, // signal computeMeshJacobianMinimal
  ShowSceneCentre,        // signal showSceneCenter (the switch showSceneCentre is already flipped)
  CentreOnPicked,         // signal doCenterScene(last picked object), linked windows follow
  SuppressPicked,         // hide the last picked object and push it on the suppressed list
  RestoreSuppressed,      // pop the last suppressed object and show it
  Animation,              // start or stop the zero-interval animation timer (switches.animation)
  SaveView,               // viewer: write the view-state data file
};

struct PavKeyEffect {
  bool handled = false; // a row matched the key
  PavChanges changes;   // what the redraw path applies after the request (every key but Quit
                        // draws again)
  PavKeyRequest request = PavKeyRequest::None;
};

// Everything an action may read or change.
struct PavKeyTarget {
  PavViewState &view;
  PavSceneSwitches &switches;
  const PavKeyFacts &facts;
  PavKeyEffect &effect;
};

using PavKeyAction = void (*)(PavKeyTarget &);

// One row of the table. A row matches either a key code (qtKey, Qt::Key values, for keys matched
// by code: Escape, Q, Return, Space, arrows, function keys) or the single character of the
// event's text (upper and lower case distinct). Rows that share a description with the row above
// them (the second key of "+/-", "t/T", ...) and the keys the list does not show have an empty
// description.
struct PavKeyBinding {
  int qtKey;               // 0: matched by text
  char text;               // 0: matched by key code
  const char *description; // "" when not listed
  PavKeyAction action;
  const char *menuEntry;   // "" until a menu shows the binding
  const char *settingsKey; // "" until a preference stores it
};

// The table, in the order of the list of shortcuts.
const std::vector<PavKeyBinding> &keyBindings();

// The row for a key event (its key code and its text), matched by code first, then by the first
// character of the text; null when no row matches.
const PavKeyBinding *findKeyBinding(int qtKey, const std::string &text);

// The camera of the initial view around a centre: the rotation of Euler angles (pitch -60, yaw 0,
// roll -120 degrees) in 3-D, none in 2-D, no translation, the default light and the initial field
// of view, at which the scene's unit sphere fits the frame. A new mesh starts with it too.
void setInitialView(PavViewState &view, int dimension, const QVector3D &centre);

// Applies the key to the state. Unmatched keys give an effect with handled false and change
// nothing.
PavKeyEffect applyKey(int qtKey, const std::string &text, PavViewState &view,
                      PavSceneSwitches &switches, const PavKeyFacts &facts);

// The HTML text of the list of shortcuts: "<ul>", then "<li>" description "</li>" for each row
// with a description (its "<", ">" and "&" escaped), in table order, then "</ul>".
std::string shortcutListText();

// Printed when the user quits with Escape or Q.
constexpr const char *kFarewell = "\n  Thank you for using PAVO 4\n";

// Limits of the keys.
constexpr double kMinFovy = 1e-9, kMaxFovy = 179.0, kInitialFovy = 30.0;
constexpr int kMinTessLevel = 1, kMaxTessLevel = 125;
constexpr float kMinShrink = 0.1f, kMaxShrink = 1.0f, kShrinkStep = 0.05f, kShrunk = 0.95f;
constexpr float kLineWidthStep = 0.025f, kEdgeThicknessStep = 0.25f;

} // namespace pavo
