// A 32-bit picking id as a colour: bytes a (highest), r, g, b written as (r, g, b, a) / 255.
vec4 encode_id(int id) {
  uint u = uint(id);
  return vec4(float((u >> 16) & 255u), float((u >> 8) & 255u), float(u & 255u),
              float((u >> 24) & 255u)) / 255.0;
}
