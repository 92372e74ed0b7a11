#version 400
#define DEG 3
#include "lib/qua_flat_vs.glsl"
