// How cache-friendly the element numbering of a mesh is, as the viewer reports it.
#include "ovel.h"
#include "pav_io.h"

#include <cstdio>

namespace {

struct Measured {
  int type;
  const char *line;
};

constexpr Measured kSurface[] = {
    {Triangles, "  Quality of numbering of Triangles      : %f \n"},
    {Quadrilaterals, "  Quality of numbering of Quadrilaterals : %f \n"},
};
constexpr Measured kVolume[] = {
    {Tetrahedra, "  Quality of numbering of Tetrahedra     : %f \n"},
    {Pyramids, "  Quality of numbering of Pyramids       : %f \n"},
    {Prisms, "  Quality of numbering of Prisms         : %f \n"},
    {Hexahedra, "  Quality of numbering of Hexahedra      : %f \n"},
};

// Below this percentage of cache hits a renumbering pays off.
constexpr float kGoodNumbering = 50.0f;

} // namespace

int pav_PrintNumberingQuality(const PavObject *obj) {
  if (!obj || (obj->dim != 2 && obj->dim != 3)) return 0;
  const Measured *list = obj->dim == 2 ? kSurface : kVolume;
  const int count = obj->dim == 2 ? 2 : 4;
  int printed = 0;
  for (int t = 0; t < count; t++) {
    const PavEntitySet &set = obj->ent[list[t].type];
    if (set.nbr < 1 || !set.idx) continue;
    const int s = pav_MshTyp2Siz(list[t].type, nullptr);
    const float quality =
        OvelEvaluateNumbering(set.nbr, s, &set.idx[s], &set.idx[s * size_t(set.nbr)]);
    std::printf(list[t].line, quality);
    if (quality < kGoodNumbering)
      std::printf("    A renumbering (ex. Hilbert) could be useful! \n");
    printed++;
  }
  return printed;
}
