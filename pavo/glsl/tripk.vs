#version 400
#include "lib/pull.glsl"
