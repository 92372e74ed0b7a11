// What the vertex stages of curved faces drawn flat read: the nodes and their control-point
// indices, the order of the draw (element EltOrder[EltFirst + i] for the i-th, or the i-th
// element when not Ordered), the elements' colours and the view.
uniform samplerBuffer NodePos;   // 3 floats per node
uniform usamplerBuffer NodeIdx;  // control-point node indices per element, lexicographic layout
uniform usamplerBuffer EltOrder; // element numbers
uniform bool Ordered;            // false: every element, in order (all flat)
uniform samplerBuffer texref;    // RGBA per element
uniform int EltFirst;
uniform mat4 MVP;
uniform mat4 ModelViewMatrix;
uniform mat3 NormalMatrix;
uniform float scaling;
uniform vec3 trans;
uniform vec4 scenescaling;
uniform vec4 CutPlane;
uniform float Shrink; // the element shrinks towards the centre of its corners by this factor
