// Solution values on the faces of a cut plane: each output node is mapped back into its parent
// volume element through the reference coordinates stored with the cut face's corners, and the
// parent's field is evaluated there in Bezier form.
#include "ho_bezier.h"
#include "pav_object.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int MAX_PARENT_NODES = 1331; // hexahedron of degree 10

struct Parent {
  HoKind kind;
  int geoDegree;
};

// The parent kind of a cut face; fatal for a type that is no volume element.
Parent parentOf(int type, const char *gatherMsg) {
  HoKind kind;
  int degree;
  if (!hoKindOfType(type, &kind, &degree) ||
      (kind != HoTetrahedron && kind != HoPyramid && kind != HoPrism && kind != HoHexahedron))
    pav_Fatal(gatherMsg, type);
  return {kind, degree};
}

struct FaceKind {
  int corners;           // 3 or 4
  const char *gatherMsg; // unknown parent while gathering
};

// Fills out[(f * n) .. ] for faces 1..count of one face kind. weights: n x corners output-node
// weights on the face corners.
void evaluateFaces(const PavObject *obj, const PavSolution *sol, bool onVertices, int32_t count,
                   const int32_t *lnk, const double *aux, const FaceKind &fk, int n,
                   const std::vector<double> &weights, double *out) {
  const int nbrVer = pav_Count(obj, Vertices);
  const int s = onVertices ? pav_SolKindSize(obj->dim, sol->kind) : 0;
  const int perEnt = onVertices ? 0 : sol->nbrNod * pav_SolKindSize(obj->dim, sol->kind);
  const int es = onVertices ? 0 : pav_SolKindSize(obj->dim, sol->kind);
  double lag[MAX_PARENT_NODES], bez[MAX_PARENT_NODES];
  float coef[MAX_PARENT_NODES];
  bool warned = false;
  for (int32_t f = 1; f <= count; ++f) {
    double *val = out + static_cast<size_t>(f) * n;
    const int type = lnk[3 * f], ent = lnk[3 * f + 1];
    const Parent par = parentOf(type, fk.gatherMsg);
    const int nbrEnt = pav_Count(obj, type);
    const PavEntitySet &set = obj->ent[type];
    int degree, npe;
    if (onVertices) {
      degree = par.geoDegree;
      npe = static_cast<int>(hoNodeCount(par.kind, degree));
    } else {
      degree = sol->degree;
      npe = sol->nbrNod;
      if (npe != hoNodeCount(par.kind, degree) || ent > sol->nbrEnt) npe = -1;
    }
    if (ent < 1 || ent > nbrEnt || npe < 1 || npe > MAX_PARENT_NODES || (onVertices && !set.idx)) {
      for (int k = 0; k < n; ++k) val[k] = 0;
      continue;
    }
    for (int j = 0; j < npe; ++j) {
      if (onVertices) {
        const int v = set.idx[static_cast<size_t>(ent) * npe + j];
        lag[j] = v >= 1 && v <= nbrVer ? sol->data[static_cast<size_t>(v) * s] : 0.0;
      } else {
        lag[j] = sol->data[static_cast<size_t>(ent) * perEnt + static_cast<size_t>(j) * es];
      }
    }
    if (degree >= 2 && !hoLagrangeToBezier(par.kind, degree, lag, bez)) {
      if (!warned)
        std::printf("warning: conversion LagrangeToBezier not done for %s%d, solution capping "
                    "possibly not accurate \n",
                    par.kind == HoTetrahedron ? "TetraP"
                    : par.kind == HoPyramid   ? "PyramidP"
                    : par.kind == HoPrism     ? "PrismP"
                                              : "HexaQ",
                    degree);
      warned = true;
      for (int j = 0; j < npe; ++j) bez[j] = lag[j];
    } else if (degree < 2) {
      for (int j = 0; j < npe; ++j) bez[j] = lag[j];
    }
    for (int j = 0; j < npe; ++j) coef[j] = static_cast<float>(bez[j]);
    const double *corner = aux + static_cast<size_t>(f) * 4 * fk.corners;
    for (int k = 0; k < n; ++k) {
      double x[4] = {0, 0, 0, 0};
      for (int c = 0; c < fk.corners; ++c)
        for (int m = 0; m < 4; ++m) x[m] += weights[k * fk.corners + c] * corner[4 * c + m];
      val[k] = hoEvaluateValue(par.kind, coef, degree, x);
    }
  }
}

} // namespace

int pav_EvaluateSolutionOnCutFaces(const PavObject *obj, const PavSolution *sol, int onVertices,
                                   int32_t nbrCutTri, const int32_t *triLnk, const double *triAux,
                                   int32_t nbrCutQua, const int32_t *quaLnk, const double *quaAux,
                                   int outDegree, double **triVal, double **quaVal, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  if (!triVal || !quaVal) return pav_Fail(status, "NULL (values) parameter on input\n");
  *triVal = *quaVal = nullptr;
  if (!sol || !sol->data) return pav_Fail(status, "NULL (solution) parameter on input\n");
  if ((nbrCutTri > 0 && (!triLnk || !triAux)) || (nbrCutQua > 0 && (!quaLnk || !quaAux)))
    return pav_Fail(status, "NULL (cut faces) parameter on input\n");
  nbrCutTri = nbrCutTri > 0 ? nbrCutTri : 0;
  nbrCutQua = nbrCutQua > 0 ? nbrCutQua : 0;

  // Output node weights on the face corners: barycentric for triangles, bilinear for
  // quadrilaterals.
  int dim = 0;
  double *triRef = GetCrdNodByTyp(4, outDegree, &dim);
  const int nt = static_cast<int>(hoNodeCount(HoTriangle, outDegree));
  std::vector<double> triW(triRef, triRef + 3 * nt);
  delete[] triRef;
  double *quaRef = GetCrdNodByTyp(6, outDegree, &dim);
  const int nq = static_cast<int>(hoNodeCount(HoQuadrilateral, outDegree));
  std::vector<double> quaW(4 * nq);
  for (int k = 0; k < nq; ++k) {
    const double x = quaRef[2 * k], y = quaRef[2 * k + 1];
    const double w[4] = {(1 - x) * (1 - y), x * (1 - y), x * y, (1 - x) * y};
    for (int c = 0; c < 4; ++c) quaW[4 * k + c] = w[c];
  }
  delete[] quaRef;

  const size_t triBytes = (static_cast<size_t>(nbrCutTri) + 1) * nt * sizeof(double);
  const size_t quaBytes = (static_cast<size_t>(nbrCutQua) + 1) * nq * sizeof(double);
  double *tv = static_cast<double *>(std::calloc(1, triBytes));
  double *qv = static_cast<double *>(std::calloc(1, quaBytes));
  if (!tv || !qv) {
    std::free(tv);
    std::free(qv);
    return pav_Fail(status, "Allocation failed for cut-face-values, size %lg Mb\n",
                    (triBytes + quaBytes) * 9.5367431640625e-7);
  }
  const FaceKind tri{3, " Triangle, case undefined for type %d \n"};
  const FaceKind qua{4, " Quad, case undefined for type %d \n"};
  evaluateFaces(obj, sol, onVertices != 0, nbrCutTri, triLnk, triAux, tri, nt, triW, tv);
  evaluateFaces(obj, sol, onVertices != 0, nbrCutQua, quaLnk, quaAux, qua, nq, quaW, qv);
  *triVal = tv;
  *quaVal = qv;
  return PAV_SUCCESS;
}
