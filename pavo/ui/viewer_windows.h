// Opening viewer windows: the empty window, the windows of a -in command line (loaded, chained,
// with a common bounding box) and the waits a batch mode needs before it renders.
#pragma once

#include <QList>

namespace pavo {

class OpenGLWindow;
class PavMeshViewerWidget;

// Window 1 of 1 with the invitation to use the File menu in its terminal panel.
PavMeshViewerWidget *openEmptyWindow();

// The windows of pavo4 -in ...: one per mesh of the run after argv[1], each loaded with its mesh
// and solution and the view-state file when there is one, then chained in creation order and,
// with several windows, given the union of their bounding boxes. Window 1 is always opened.
// The caller owns the windows.
QList<PavMeshViewerWidget *> openViewerWindows(int argc, char **argv);

// Blocks until the window's OpenGL context exists or `ms` milliseconds have passed; true when it
// exists.
bool waitForView(OpenGLWindow *window, int ms = 10000);

} // namespace pavo
