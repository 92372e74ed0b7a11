#version 400
#define EDGE_T vec3
#include "lib/patch_gs.glsl"
