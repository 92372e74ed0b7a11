#version 400
#define DEG 2
#include "lib/tri_flat_vs.glsl"
