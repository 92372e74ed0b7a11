#version 400
#define DEG 4
#include "lib/qua_flat_vs.glsl"
