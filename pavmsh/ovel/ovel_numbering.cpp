// How cache-friendly an element numbering is: the hit rate of a small direct-mapped cache of
// vertex numbers walked in element order.
#include "ovel.h"

float OvelEvaluateNumbering(int64_t lines, int intsPerLine, const int *firstLine,
                            const int *lastLine) {
  if (lines <= 0 || intsPerLine <= 0 || !firstLine || !lastLine || lastLine < firstLine) return 0;
  const int64_t stride = lines > 1 ? (lastLine - firstLine) / (lines - 1) : 0;
  int slots[256] = {};
  int64_t hits = 0;
  for (int64_t l = 0; l < lines; l++) {
    const int *line = firstLine + l * stride;
    for (int k = 0; k < intsPerLine; k++) {
      int v = line[k];
      int &slot = slots[static_cast<unsigned>(v) & 255u];
      if (slot == v)
        hits++;
      else
        slot = v;
    }
  }
  return static_cast<float>(static_cast<double>(hits) * 100.0 /
                            (static_cast<double>(lines) * intsPerLine));
}
