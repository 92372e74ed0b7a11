// Jacobians of all the elements of a mesh object, and the shape quality of its tetrahedra.
#include "pav_quality.h"

#include "ho_jacobian.h"
#include "ho_lattice.h"
#include "pav_solution.h"
#include "pav_status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Coordinates of vertex v (1..nbrVer), from the double array or else the float one; false for a
// vertex number out of range or a mesh without coordinates.
bool vertexCoordinates(const PavObject *obj, int32_t v, double *p) {
  if (v < 1 || v > obj->ent[Vertices].nbr) return false;
  const std::size_t at = 3 * static_cast<std::size_t>(v);
  if (obj->crdDbl) {
    for (int c = 0; c < 3; c++) p[c] = obj->crdDbl[at + c];
  } else if (obj->crdFlt) {
    for (int c = 0; c < 3; c++) p[c] = obj->crdFlt[at + c];
  } else {
    return false;
  }
  return true;
}

int computeJacobians(PavObject *obj, const int *types, int nbrTypes, bool volume, int mode,
                     int *maxDeg) {
  if (!obj) return 2;
  int created = 0;
  for (int it = 0; it < nbrTypes; it++) {
    const int type = types[it];
    const PavEntitySet &set = obj->ent[type];
    if (set.nbr < 1 || !set.idx || set.jac) continue;
    const int jd = pav_JacobianDegree(type);
    if (jd < 0) continue;
    const int q = std::min(jd, HO_MAX_DEGREE);
    if (volume && jd > HO_MAX_DEGREE)
      printf("  Warning: Jacobian of %s(degree %d) is projected onto a solution of degree %d\n",
             pav_EntityTypeName(type), jd, HO_MAX_DEGREE);
    if (maxDeg && q > *maxDeg) *maxDeg = q;

    HoJacobian jac(type);
    const int n = jac.nbrValues(), ng = jac.nbrGeometryNodes();
    char status[PAV_STATUS_SIZE] = "";
    PavSolution *rec = pav_NewSolutionRecord(volume ? 3 : 2, PavSolScalar, set.nbr,
                                             mode == 2 ? 0 : q, mode == 2 ? 1 : n, status);
    if (!rec) {
      printf("  ## ERROR: %s", status);
      continue;
    }
    // Work arrays for the whole type: nothing is allocated per element.
    std::vector<double> crd(static_cast<std::size_t>(ng) * 3), val(static_cast<std::size_t>(n));
    for (int32_t e = 1; e <= set.nbr; e++) {
      const int32_t *nodes = set.idx + static_cast<std::size_t>(e) * ng;
      bool ok = true;
      for (int k = 0; k < ng && ok; k++) ok = vertexCoordinates(obj, nodes[k], &crd[3 * k]);
      double *out = mode == 2 ? val.data() : rec->data + static_cast<std::size_t>(e) * n;
      double mn = 0.;
      if (ok)
        mn = jac.compute(crd.data(), out);
      else
        std::fill(out, out + n, 0.);
      if (mode == 2) rec->data[e] = mn;
    }
    if (pav_SetJacobian(obj, type, rec, status) != PAV_SUCCESS) {
      printf("  ## ERROR: %s", status);
      pav_FreeSolutionList(rec);
      continue;
    }
    created++;
  }
  return created;
}

// First record of a list whose kind is the symmetric matrix.
const PavSolution *firstMetric(const PavSolution *head) {
  for (const PavSolution *s = head; s; s = s->next)
    if (s->kind == PavSolSymMatrix && s->data) return s;
  return nullptr;
}

} // namespace

int pav_JacobianDegree(int type) {
  const int degree = hoJacobianDegree(type);
  if (degree < 0) printf("%s : no jacobian for this type of entity !\n", pav_EntityTypeName(type));
  return degree;
}

int pav_JacobianStoredDegree(int type) {
  const int jd = pav_JacobianDegree(type);
  return jd < 0 ? -1 : std::min(jd, HO_MAX_DEGREE);
}

int pav_ComputeSurfaceJacobians(PavObject *obj, int mode, int *maxDeg) {
  static const int types[] = {Triangles,   Quadrilaterals,   TrianglesP2, QuadrilateralsQ2,
                              TrianglesP3, QuadrilateralsQ3, TrianglesP4, QuadrilateralsQ4};
  return computeJacobians(obj, types, 8, false, mode, maxDeg);
}

int pav_ComputeVolumeJacobians(PavObject *obj, int mode, int *maxDeg) {
  static const int types[] = {Tetrahedra,   Prisms,   Pyramids,   Hexahedra,
                              TetrahedraP2, PrismsP2, PyramidsP2, HexahedraQ2,
                              TetrahedraP3, PrismsP3, PyramidsP3, HexahedraQ3,
                              TetrahedraP4, PrismsP4, PyramidsP4, HexahedraQ4};
  return computeJacobians(obj, types, 16, true, mode, maxDeg);
}

int pav_ComputeTetrahedraQuality(PavObject *obj) {
  if (!obj) return PAV_FAILURE;
  // 1 / (12 sqrt 3): the regular tetrahedron scores 1.
  const double cst = 0.048112522432468816;

  // A vertex metric wins over an element one; both need the 6 doubles of a 3-D symmetric matrix.
  const bool metric3d = pav_SolKindSize(obj->dim, PavSolSymMatrix) == 6;
  const PavSolution *verMet = metric3d ? firstMetric(obj->ent[Vertices].sol) : nullptr;
  const PavSolution *eltMet = metric3d && !verMet ? firstMetric(obj->ent[Tetrahedra].sol) : nullptr;
  if (verMet || eltMet)
    printf("  The metric is used to compute the quality \n");
  else
    printf("  There is no metric, lengths, areas and volumes are used to compute the quality\n");

  const PavEntitySet &set = obj->ent[Tetrahedra];
  const int32_t nbrTet = std::max(set.nbr, 0);
  double *qal =
      static_cast<double *>(std::calloc(static_cast<std::size_t>(nbrTet) + 1, sizeof(double)));
  if (!qal) {
    printf("  ## ERROR: Allocation failed for quality-arrays, size %lg Mb\n",
           (static_cast<double>(nbrTet) + 1.) * 8. * 9.5367431640625e-7);
    return PAV_FAILURE;
  }

  for (int32_t t = 1; t <= nbrTet && set.idx; t++) {
    const int32_t *ver = set.idx + 4 * static_cast<std::size_t>(t);
    double p[4][3];
    bool ok = true;
    for (int k = 0; k < 4 && ok; k++) ok = vertexCoordinates(obj, ver[k], p[k]);
    if (!ok) continue;

    // Average metric of the four vertices (or of the element's own nodes).
    double m[6] = {1., 0., 0., 1., 0., 1.};
    const bool useMetric = verMet || eltMet;
    if (verMet) {
      std::fill(m, m + 6, 0.);
      for (int k = 0; k < 4; k++)
        for (int c = 0; c < 6; c++)
          m[c] += 0.25 * verMet->data[6 * static_cast<std::size_t>(ver[k]) + c];
    } else if (eltMet) {
      // A field of degree 1 or more starts with its values at the four vertices; one of degree 0
      // gives the element's single metric to all four.
      const int nn = std::max(eltMet->nbrNod, 1);
      std::fill(m, m + 6, 0.);
      for (int k = 0; k < 4; k++) {
        const int node = nn >= 4 ? k : 0;
        const double *src = eltMet->data + (static_cast<std::size_t>(t) * nn + node) * 6;
        for (int c = 0; c < 6; c++) m[c] += 0.25 * src[c];
      }
    }

    double e[6][3];
    static const int edg[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    for (int k = 0; k < 6; k++)
      for (int c = 0; c < 3; c++) e[k][c] = p[edg[k][1]][c] - p[edg[k][0]][c];
    // Six times the signed volume: (P1-P0) x (P2-P0) . (P3-P0).
    double vol = (e[0][1] * e[1][2] - e[0][2] * e[1][1]) * e[2][0] +
                 (e[0][2] * e[1][0] - e[0][0] * e[1][2]) * e[2][1] +
                 (e[0][0] * e[1][1] - e[0][1] * e[1][0]) * e[2][2];
    double len = 0.;
    if (useMetric) {
      const double det = m[0] * (m[3] * m[5] - m[4] * m[4]) - m[1] * (m[1] * m[5] - m[4] * m[2]) +
                         m[2] * (m[1] * m[4] - m[3] * m[2]);
      vol *= std::sqrt(std::fabs(det));
      for (int k = 0; k < 6; k++) {
        const double *x = e[k];
        len += m[0] * x[0] * x[0] + m[3] * x[1] * x[1] + m[5] * x[2] * x[2] +
               2. * (m[1] * x[0] * x[1] + m[2] * x[0] * x[2] + m[4] * x[1] * x[2]);
      }
    } else {
      for (int k = 0; k < 6; k++) len += e[k][0] * e[k][0] + e[k][1] * e[k][1] + e[k][2] * e[k][2];
    }
    if (vol > 1e-12) {
      qal[t] = cst * len * std::sqrt(std::fabs(len)) / vol;
    } else {
      printf("volume almost zero, need to set a quality \n");
      qal[t] = 0.;
    }
  }

  char status[PAV_STATUS_SIZE] = "";
  if (pav_SetValues(obj, Tetrahedra, qal, status) != PAV_SUCCESS) {
    printf("  ## ERROR: %s", status);
    std::free(qal);
    return PAV_FAILURE;
  }
  return PAV_SUCCESS;
}
