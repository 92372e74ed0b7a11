#version 400
#define ELT_IN flat in int VElt[];
#define ELT_OF VElt[0]
#include "lib/wide_line_gs.glsl"
