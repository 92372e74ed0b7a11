#version 400
#define DEG 2
#include "lib/qua_flat_vs.glsl"
