// Evaluation of a curved triangle of degree DEG (NPTS control points in the lexicographic layout)
// by de Casteljau: position and the normal from the last, linear, level.
layout(triangles, equal_spacing, ccw) in;

in vec3 TPos[];
patch in int TElt;

uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;
uniform float Shrink; // the element shrinks towards the centre of its corners by this factor

out vec3 RPosition;
out vec3 VPosition;
out vec3 VNormal;
out vec2 VBarycentric;
out vec3 VEdgeDistance;
flat out int VElt;

int triPos(int d, int i, int j) { return i * d - i * (i - 1) / 2 + (d - j); }

void main() {
  vec3 b = gl_TessCoord; // weights of vertices 0, 1, 2
  vec3 c[NPTS];
  for (int m = 0; m < NPTS; ++m) c[m] = TPos[m];
  // In place: level r - 1 is written in increasing positions, each below every position of
  // level r that is still to be read.
  for (int r = DEG; r > 1; --r)
    for (int i = 0; i < r; ++i)
      for (int j = r - 1 - i; j >= 0; --j)
        // (i, j, k) of degree r - 1 from (i+1, j, k), (i, j+1, k), (i, j, k+1) of degree r.
        c[triPos(r - 1, i, j)] = b.x * c[triPos(r, i + 1, j)] + b.y * c[triPos(r, i, j + 1)] +
                                 b.z * c[triPos(r, i, j)];
  // Degree one: (0,1,0) -> 0, (0,0,1) -> 1, (1,0,0) -> 2.
  vec3 qa = c[2], qb = c[0], qc = c[1];
  // Corners (DEG,0,0), (0,DEG,0), (0,0,DEG); shrinking is affine, so the normal keeps its
  // direction.
  vec3 centre = (TPos[triPos(DEG, DEG, 0)] + TPos[0] + TPos[DEG]) / 3.0;
  vec3 p = mix(centre, b.x * qa + b.y * qb + b.z * qc, Shrink > 0.0 ? Shrink : 1.0);
  RPosition = p;
  VPosition = (ModelViewMatrix * vec4(p, 1.0)).xyz;
  VNormal = NormalMatrix * normalize(cross(qb - qa, qc - qa));
  VBarycentric = vec2(b.y, b.z);
  VEdgeDistance = b;
  VElt = TElt;
  gl_Position = MVP * vec4(p, 1.0);
}
