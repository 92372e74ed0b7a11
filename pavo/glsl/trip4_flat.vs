#version 400
#define DEG 4
#include "lib/tri_flat_vs.glsl"
