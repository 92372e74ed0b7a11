#include "scene/field_packing.h"

#include "render/draw_types.h"

#include "ho_bezier.h"
#include "ho_lattice.h"

namespace pavo {

bool packBezierField(uint32_t type, int nbrNod, int64_t nbrElt, const float *lagrange,
                     std::vector<float> &out) {
  int deg = PavSolDeg(type, nbrNod);
  if (deg < 0 || !lagrange || nbrElt <= 0) return false;
  PavDrawFamily f = pavDrawFamily(type);
  HoKind kind = f == PavDrawFamily::Edge            ? HoEdge
                : f == PavDrawFamily::Quadrilateral ? HoQuadrilateral
                                                    : HoTriangle;
  if (deg > 1 && !hoHasKernel(kind, deg)) return false;
  const int *nodeToPos = hoNodeToPos(kind, deg);
  std::vector<double> lag((size_t)nbrNod), bez((size_t)nbrNod);
  out.assign((size_t)nbrElt * (size_t)nbrNod, 0.0f);
  for (int64_t e = 0; e < nbrElt; e++) {
    const float *src = lagrange + e * nbrNod;
    for (int i = 0; i < nbrNod; i++) lag[(size_t)i] = src[i];
    if (deg > 1)
      hoLagrangeToBezier(kind, deg, lag.data(), bez.data());
    else
      bez = lag;
    float *dst = out.data() + e * nbrNod;
    for (int i = 0; i < nbrNod; i++) dst[nodeToPos[i]] = (float)bez[(size_t)i];
  }
  return true;
}

} // namespace pavo
