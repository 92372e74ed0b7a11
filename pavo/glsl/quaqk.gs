#version 400
#define EDGE_T vec4
#include "lib/patch_gs.glsl"
