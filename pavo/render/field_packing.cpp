#include "render/field_packing.h"

#include "files/draw_types.h"

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
  // Several components per node (the vector triangles carry whole vectors): each component is
  // converted on its own and the components of a node stay together.
  const int nodes = kind == HoEdge            ? deg + 1
                    : kind == HoQuadrilateral ? (deg + 1) * (deg + 1)
                                              : (deg + 1) * (deg + 2) / 2;
  if (nodes < 1 || nbrNod % nodes != 0) return false;
  const int comps = nbrNod / nodes;
  std::vector<double> lag((size_t)nodes), bez((size_t)nodes);
  out.assign((size_t)nbrElt * (size_t)nbrNod, 0.0f);
  for (int64_t e = 0; e < nbrElt; e++) {
    const float *src = lagrange + e * nbrNod;
    float *dst = out.data() + e * nbrNod;
    for (int c = 0; c < comps; c++) {
      for (int i = 0; i < nodes; i++) lag[(size_t)i] = src[i * comps + c];
      if (deg > 1)
        hoLagrangeToBezier(kind, deg, lag.data(), bez.data());
      else
        bez = lag;
      for (int i = 0; i < nodes; i++) dst[nodeToPos[i] * comps + c] = (float)bez[(size_t)i];
    }
  }
  return true;
}

bool gatherVertexField(const uint32_t *elt, int64_t nbrElt, int nodesPerElt, int corners,
                       const float *vertexValues, int64_t nbrVer, std::vector<float> &out) {
  if (!elt || !vertexValues || nbrElt < 1 || nbrVer < 1 || corners < 1 || corners > nodesPerElt)
    return false;
  out.resize((size_t)nbrElt * (size_t)corners);
  for (int64_t e = 0; e < nbrElt; e++) {
    const uint32_t *nodes = elt + e * nodesPerElt;
    float *dst = out.data() + e * corners;
    for (int i = 0; i < corners; i++)
      dst[i] = (int64_t)nodes[i] < nbrVer ? vertexValues[nodes[i]] : 0.0f;
  }
  return true;
}

} // namespace pavo
