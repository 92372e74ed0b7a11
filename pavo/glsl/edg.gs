#version 400
#define ELT_IN
#define ELT_OF gl_PrimitiveIDIn
#include "lib/wide_line_gs.glsl"
