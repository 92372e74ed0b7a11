// Vertex numbers drawn as labels over the frame ("Show Vertices numbers"). Meshes with more than
// kVertexLabelCap vertices get a message and no labels: tens of thousands of overlapping numbers
// are unreadable and slow every frame.
#pragma once

#include <cstdint>

struct PavObject;

namespace pavo {

class PavSceneWindow;

constexpr int64_t kVertexLabelCap = 10000;

// Replaces the window's labels by the numbers (from 1) of the mesh's vertices at their positions
// when `on`, clears them otherwise. Returns the number of labels made; 0 with the message
// "  Too many vertices (<n>) to show their numbers (at most 10000)\n" above the cap.
int64_t setVertexLabels(PavSceneWindow &window, const PavObject *mesh, bool on);

} // namespace pavo
