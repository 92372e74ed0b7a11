#version 400
// Flat triangles: one face normal, the corners' barycentric coordinates, the element index.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

in vec3 VPosition[];
in vec3 RPosition[];

uniform mat3 NormalMatrix;
uniform vec4 scenescaling;
uniform vec4 CutPlane;

out vec3 GPosition;
out vec3 GNormal;
out vec2 GBarycentric;
out vec3 GEdgeDistance;
out vec3 GTessDistance;
flat out int GElt;

void main() {
  vec3 n = normalize(cross(VPosition[1] - VPosition[0], VPosition[2] - VPosition[0]));
  for (int i = 0; i < 3; ++i) {
    vec3 corner = vec3(i == 0, i == 1, i == 2);
    GPosition = VPosition[i];
    GNormal = n;
    GBarycentric = corner.yz;
    GEdgeDistance = corner;
    GTessDistance = corner;
    GElt = gl_PrimitiveIDIn;
    gl_ClipDistance[0] =
        -dot(RPosition[i] / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
    gl_Position = gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}
