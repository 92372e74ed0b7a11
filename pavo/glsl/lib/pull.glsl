// Vertex pulling for patches: the draw is glDrawArrays(GL_PATCHES, 0, k * n) with no index
// buffer; patch vertex gl_VertexID reads its node index from NodeIdx (k per element, in the
// lexicographic control-point layout) and the node position from NodePos. The element index is
// passed on explicitly because gl_PrimitiveID is not reliable under tessellation on every driver.
// With Ordered set, patch i of the draw is element EltOrder[EltFirst + i]: a draw set sorted by
// how curved its elements are draws only the part that needs tessellating.
layout(location = 0) in vec3 VertexPosition; // unused: positions come from NodePos

uniform samplerBuffer NodePos;   // 3 floats per node
uniform usamplerBuffer NodeIdx;  // k node indices per element
uniform int NodesPerElement;     // k
uniform usamplerBuffer EltOrder; // element numbers, least curved first
uniform bool Ordered;
uniform int EltFirst;
uniform float scaling;
uniform vec3 trans;

out vec3 VPos;
flat out int VElt;

void main() {
  int k = max(NodesPerElement, 1);
  int slot = gl_VertexID / k;
  int e = Ordered ? int(texelFetch(EltOrder, EltFirst + slot).r) : slot;
  uint node = texelFetch(NodeIdx, e * k + gl_VertexID - slot * k).r;
  vec3 p = texelFetch(NodePos, int(node)).xyz;
  VPos = scaling * p + trans;
  VElt = e;
}
