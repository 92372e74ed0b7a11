// Tessellated sub-triangles of a curved element pass through with the element index, the
// distances to the sub-triangle's sides (GTessDistance) and the element's own coordinates.
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

in vec3 RPosition[];
in vec3 VPosition[];
in vec3 VNormal[];
in vec2 VBarycentric[];
in EDGE_T VEdgeDistance[];
flat in int VElt[];

uniform vec4 scenescaling;
uniform vec4 CutPlane;

out vec3 GPosition;
out vec3 GNormal;
out vec2 GBarycentric;
out EDGE_T GEdgeDistance;
out vec3 GTessDistance;
flat out int GElt;

void main() {
  for (int i = 0; i < 3; ++i) {
    GPosition = VPosition[i];
    GNormal = VNormal[i];
    GBarycentric = VBarycentric[i];
    GEdgeDistance = VEdgeDistance[i];
    GTessDistance = vec3(i == 0, i == 1, i == 2);
    GElt = VElt[i];
    gl_ClipDistance[0] =
        -dot(RPosition[i] / scenescaling.w + scenescaling.xyz, CutPlane.xyz) - CutPlane.w;
    gl_Position = gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}
