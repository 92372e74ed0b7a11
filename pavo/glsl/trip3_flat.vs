#version 400
#define DEG 3
#include "lib/tri_flat_vs.glsl"
