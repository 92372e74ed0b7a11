// Lagrange-to-Bezier kernels. Each kernel applies the inverse of the Bernstein collocation matrix
// V[p][q] = (basis q at the reference point of node p). The inverses are computed once, in
// double precision, by LU factorisation (LAPACK); entries below round-off are dropped so that the
// kernels keep the exact sparsity of the rational inverse (vertex rows are copies, edge rows only
// read their edge, ...).
//
// Tensor kinds factor: the collocation matrix of a quadrilateral or hexahedron is the Kronecker
// product of the 1-D matrix per axis, that of a prism the product of the triangle's and the 1-D
// matrix, so their inverses are applied axis by axis. Simplices and pyramids keep compressed rows.
#include "ho_bezier.h"
#include "pav_lapack.h"
#include "pav_status.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr int MAX_KERNEL_NODES = 343; // hexahedron of degree 6

struct Csr {
  std::vector<int> start, col;
  std::vector<double> val;
  // out[r] = sum over the row of val * in[col]. Raw pointers: the compiler cannot otherwise tell
  // that writing out does not move the vectors' storage, and reloads it at every term.
  void apply(const double *in, double *out, int stride = 1) const {
    const int rows = static_cast<int>(start.size()) - 1;
    const int *st = start.data(), *cl = col.data();
    const double *vl = val.data();
    for (int r = 0; r < rows; ++r) {
      double s = 0;
      for (int k = st[r], e = st[r + 1]; k < e; ++k) s += vl[k] * in[cl[k] * stride];
      out[r * stride] = s;
    }
  }
};

// The collocation matrix of a kind and degree (row p: the Bernstein basis at node p), in
// canonical node order.
std::vector<double> collocation(HoKind kind, int d) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int w = hoRefWidth(kind);
  const double *ref = hoNodeRefCoords(kind, d);
  std::vector<double> v(static_cast<size_t>(n) * n);
  for (int p = 0; p < n; ++p)
    hoBernsteinBasis(kind, d, ref + p * w, &v[static_cast<size_t>(p) * n]);
  return v;
}

// The inverse collocation matrix of a kind and degree, in canonical node order.
std::vector<double> inverseCollocation(HoKind kind, int d) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  std::vector<double> v = collocation(kind, d);
  char status[PAV_STATUS_SIZE];
  if (pav_InvertMatrix(n, v.data(), v.data(), status) != PAV_SUCCESS)
    pav_Fatal(" ERROR : collocation matrix of kind %d degree %d: %s", static_cast<int>(kind), d,
              status);
  return v;
}

// Compressed rows of a dense matrix, rows and columns renumbered through perm (new index ->
// old index; identity when null). The rational inverses have entries of moderate size, so
// anything below 1e-11 is round-off of an exact zero.
Csr compress(const std::vector<double> &m, int n, const int *perm = nullptr) {
  Csr c;
  c.start.push_back(0);
  for (int r = 0; r < n; ++r) {
    const int rr = perm ? perm[r] : r;
    for (int k = 0; k < n; ++k) {
      const double x = m[static_cast<size_t>(rr) * n + (perm ? perm[k] : k)];
      if (std::fabs(x) > 1e-11) c.col.push_back(k), c.val.push_back(x);
    }
    c.start.push_back(static_cast<int>(c.col.size()));
  }
  return c;
}

struct Kernel {
  bool present = false;
  Csr colloc;                  // the collocation matrix itself, canonical order (see below)
  std::vector<int> activeRows; // rows that are not a plain copy (every node but the vertices)
  Csr rows;                    // edge, triangle, tetrahedron, pyramid: canonical order
  Csr line;                    // quadrilateral, hexahedron, prism: 1-D inverse, lattice order i
  Csr tri;                     // prism: triangle inverse in posTri order
  std::vector<int> tensorSlot; // tensor kinds: node -> index in the axis-ordered work array
};

Kernel buildKernel(HoKind kind, int d) {
  Kernel k;
  k.present = true;
  const int *ord = hoNodeOrder(kind, d);
  const int n = static_cast<int>(hoNodeCount(kind, d));
  k.colloc = compress(collocation(kind, d), n);
  // A node whose basis row is a unit vector (a vertex) has the same row in the inverse.
  for (int r = 0; r < n; ++r) {
    const int b = k.colloc.start[r];
    const bool unit = k.colloc.start[r + 1] == b + 1 && k.colloc.col[b] == r &&
                      std::fabs(k.colloc.val[b] - 1) < 1e-12;
    if (!unit) k.activeRows.push_back(r);
  }
  const int D = d + 1;
  switch (kind) {
  case HoEdge:
  case HoTriangle:
  case HoTetrahedron:
  case HoPyramid:
    k.rows = compress(inverseCollocation(kind, d), n);
    break;
  case HoQuadrilateral:
  case HoHexahedron:
  case HoPrism: {
    // The 1-D inverse renumbered from the edge's canonical order (0, d, 1, ...) to lattice order.
    std::vector<int> edgeNodeOfI(D);
    const int *eo = hoNodeOrder(HoEdge, d);
    for (int i = 0; i < D; ++i) edgeNodeOfI[eo[i]] = i;
    k.line = compress(inverseCollocation(HoEdge, d), D, edgeNodeOfI.data());
    k.tensorSlot.resize(n);
    const int w = hoOrderWidth(kind);
    if (kind == HoPrism) {
      const int nt = static_cast<int>(hoNodeCount(HoTriangle, d));
      k.tri = compress(inverseCollocation(HoTriangle, d), nt, hoPosToNode(HoTriangle, d));
      for (int p = 0; p < n; ++p) {
        const int *l = ord + p * w;
        k.tensorSlot[p] = l[3] * nt + posTri(d, l[0], l[1], l[2]);
      }
    } else {
      for (int p = 0; p < n; ++p) {
        const int *l = ord + p * w;
        k.tensorSlot[p] = kind == HoQuadrilateral ? l[0] * D + l[1] : (l[0] * D + l[1]) * D + l[2];
      }
    }
    break;
  }
  }
  return k;
}

struct Kernels {
  Kernel k[HO_KIND_COUNT][HO_MAX_DEGREE + 1];
  Kernels() {
    for (int kind = 0; kind < HO_KIND_COUNT; ++kind)
      for (int d = 2; d <= HO_MAX_DEGREE; ++d)
        if (hoHasKernel(static_cast<HoKind>(kind), d))
          k[kind][d] = buildKernel(static_cast<HoKind>(kind), d);
  }
};

const Kernel &kernel(HoKind kind, int d) {
  static const Kernels all; // thread-safe initialisation on first use
  return all.k[kind][d];
}

// Applies the 1-D inverse along one axis of a work array: count lines of D values, consecutive
// values of a line `stride` apart, consecutive lines starting `step` apart inside blocks of
// `inner` lines, blocks `blockStep` apart.
void applyAxis(const Csr &line, int D, double *w, int stride, int inner, int innerStep, int outer,
               int outerStep) {
  double in[HO_MAX_DEGREE + 1], out[HO_MAX_DEGREE + 1];
  for (int o = 0; o < outer; ++o)
    for (int i = 0; i < inner; ++i) {
      double *base = w + o * outerStep + i * innerStep;
      for (int t = 0; t < D; ++t) in[t] = base[t * stride];
      line.apply(in, out);
      for (int t = 0; t < D; ++t) base[t * stride] = out[t];
    }
}

void applyKernel(const Kernel &k, HoKind kind, int d, const double *lag, double *bez) {
  const int n = static_cast<int>(hoNodeCount(kind, d));
  const int D = d + 1;
  if (kind == HoEdge || kind == HoTriangle || kind == HoTetrahedron || kind == HoPyramid) {
    k.rows.apply(lag, bez);
    return;
  }
  double w[MAX_KERNEL_NODES];
  for (int p = 0; p < n; ++p) w[k.tensorSlot[p]] = lag[p];
  if (kind == HoQuadrilateral) {
    // w[i * D + j]: along i for every j, then along j for every i.
    applyAxis(k.line, D, w, D, D, 1, 1, 0);
    applyAxis(k.line, D, w, 1, D, D, 1, 0);
  } else if (kind == HoHexahedron) {
    // w[(i * D + j) * D + k].
    applyAxis(k.line, D, w, D * D, D * D, 1, 1, 0);
    applyAxis(k.line, D, w, D, D, 1, D, D * D);
    applyAxis(k.line, D, w, 1, D * D, D, 1, 0);
  } else { // prism: w[k * nt + posTri]: the triangle inverse per layer, then across layers
    const int nt = static_cast<int>(hoNodeCount(HoTriangle, d));
    double layer[66];
    for (int l = 0; l < D; ++l) {
      k.tri.apply(w + l * nt, layer);
      std::memcpy(w + l * nt, layer, sizeof(double) * nt);
    }
    applyAxis(k.line, D, w, nt, nt, 1, 1, 0);
  }
  for (int p = 0; p < n; ++p) bez[p] = w[k.tensorSlot[p]];
}

const char *volumeName(HoKind kind) {
  switch (kind) {
  case HoTetrahedron:
    return "TetraP";
  case HoPyramid:
    return "PyramidP";
  case HoPrism:
    return "PrismP";
  case HoHexahedron:
    return "HexaQ";
  default:
    return "";
  }
}

// The element loop of LagrangeToBezier; NC > 0 fixes the number of components at compile time
// (scalar fields and coordinates), 0 takes it from ncompRuntime.
// One sparse row times x, with four partial sums so that long rows (interior nodes) are not one
// chain of dependent additions.
inline double rowDot(const double *val, const int *col, int b, int e, const double *x) {
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int t = b;
  for (; t + 4 <= e; t += 4) {
    s0 += val[t] * x[col[t]];
    s1 += val[t + 1] * x[col[t + 1]];
    s2 += val[t + 2] * x[col[t + 2]];
    s3 += val[t + 3] * x[col[t + 3]];
  }
  for (; t < e; ++t) s0 += val[t] * x[col[t]];
  return (s0 + s1) + (s2 + s3);
}

template <int NC, int NPE>
void convertElements(const Kernel &k, HoKind kind, int degree, float *values, int ncompRuntime,
                     int64_t nbrNod, int64_t nbrElt, const int32_t *elementNodes, int npeRuntime,
                     uint64_t *done) {
  const int ncomp = NC > 0 ? NC : ncompRuntime;
  const int npe = NPE > 0 ? NPE : npeRuntime;
  const bool rowKernel =
      kind == HoEdge || kind == HoTriangle || kind == HoTetrahedron || kind == HoPyramid;
  const int *rst = k.rows.start.data(), *rcl = k.rows.col.data();
  const double *rvl = k.rows.val.data();
  const int *cst = k.colloc.start.data(), *ccl = k.colloc.col.data();
  const double *cvl = k.colloc.val.data();
  const int *active = k.activeRows.data();
  const int nbrActive = static_cast<int>(k.activeRows.size());
  double lag[MAX_KERNEL_NODES], bez[MAX_KERNEL_NODES];
  bool known[MAX_KERNEL_NODES];
  for (int64_t e = 0; e < nbrElt; ++e) {
    const int32_t *nodes = elementNodes + e * npe;
    // As unsigned, a negative index is above any valid one: one maximum checks both ends.
    uint32_t hi = static_cast<uint32_t>(nodes[0]);
    for (int i = 1; i < npe; ++i) hi = std::max(hi, static_cast<uint32_t>(nodes[i]));
    if (hi >= static_cast<uint64_t>(nbrNod)) continue;
    // Test and set in one pass, one flag word load and store per run of nodes in the same word
    // (see convertFixed): known[i] is the state before this element.
    int nbrKnown = 0;
    uint32_t cur = static_cast<uint32_t>(nodes[0]) >> 6;
    uint64_t word = done[cur];
    for (int i = 0; i < npe; ++i) {
      const uint32_t w = static_cast<uint32_t>(nodes[i]) >> 6;
      if (w != cur) done[cur] = word, cur = w, word = done[w];
      const uint64_t bit = uint64_t(1) << (nodes[i] & 63);
      known[i] = (word & bit) != 0;
      word |= bit;
      nbrKnown += known[i];
    }
    done[cur] = word;
    // An element whose nodes are all converted already has nothing left to write.
    if (nbrKnown == npe) continue;
    for (int c = 0; c < ncomp; ++c) {
      for (int i = 0; i < npe; ++i) lag[i] = values[static_cast<size_t>(nodes[i]) * ncomp + c];
      // Vertex coefficients are the vertex values: only the other known nodes need their value
      // back.
      for (int a = 0; nbrKnown > 0 && a < nbrActive; ++a) {
        const int i = active[a];
        if (!known[i]) continue;
        double sum = 0;
        for (int t = cst[i]; t < cst[i + 1]; ++t)
          sum += cvl[t] * values[static_cast<size_t>(nodes[ccl[t]]) * ncomp + c];
        lag[i] = sum;
      }
      if (rowKernel) {
        // Vertex rows copy, so their values stay; only the other rows still to write are needed.
        for (int a = 0; a < nbrActive; ++a) {
          const int i = active[a];
          if (known[i]) continue;
          values[static_cast<size_t>(nodes[i]) * ncomp + c] =
              float(rowDot(rvl, rcl, rst[i], rst[i + 1], lag));
        }
        continue;
      }
      applyKernel(k, kind, degree, lag, bez);
      for (int a = 0; a < nbrActive; ++a)
        if (!known[active[a]])
          values[static_cast<size_t>(nodes[active[a]]) * ncomp + c] = float(bez[active[a]]);
    }
  }
}

// Row kernels of a fixed shape: node count, vertex count and the length of every other row, in
// canonical node order. The two shapes that dominate real fields get their own element loop in
// which every loop has a compile-time trip count, so the rows unroll and their coefficients stay
// in registers or on the stack instead of being read through the compressed arrays.
struct ShapeTetP2 { // edge rows: twice the edge node less half of each end vertex
  static constexpr int npe = 10, nv = 4;
  static constexpr int len[npe - nv] = {3, 3, 3, 3, 3, 3};
  static constexpr int col[18] = {0, 1, 4, 1, 2, 5, 0, 2, 6, 0, 3, 7, 1, 3, 8, 2, 3, 9};
};
struct ShapeTriP3 { // edge rows read their edge's four nodes, the interior row all ten
  static constexpr int npe = 10, nv = 3;
  static constexpr int len[npe - nv] = {4, 4, 4, 4, 4, 4, 10};
  static constexpr int col[34] = {0, 1, 3, 4, 0, 1, 3, 4, 1, 2, 5, 6, 1, 2, 5, 6, 0,
                                  2, 7, 8, 0, 2, 7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
};

template <class S> constexpr int rowStart(int a) {
  int s = 0;
  for (int i = 0; i < a; ++i) s += S::len[i];
  return s;
}

// Row A of shape S, with the partial sums of rowDot in the same order (same rounding); written to
// the field unless the node was converted already (bit A of fresh clear).
template <class S, int NC, int A>
inline void fixedRow(const double *val, const double *x, uint32_t fresh, const uint32_t *nd,
                     float *values, int c) {
  constexpr int b = rowStart<S>(A), e = rowStart<S>(A + 1);
  if (!((fresh >> A) & 1)) return;
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
  int t = b;
  for (; t + 4 <= e; t += 4) {
    s0 += val[t] * x[S::col[t]];
    s1 += val[t + 1] * x[S::col[t + 1]];
    s2 += val[t + 2] * x[S::col[t + 2]];
    s3 += val[t + 3] * x[S::col[t + 3]];
  }
  for (; t < e; ++t) s0 += val[t] * x[S::col[t]];
  values[static_cast<size_t>(nd[S::nv + A]) * NC + c] = float((s0 + s1) + (s2 + s3));
}

// The value back at non-vertex node A of S when it was converted already (bit A of known set):
// its collocation row over the coefficients in place, summed in the order of convertElements.
// The collocation rows of these shapes have the columns of the inverse rows.
template <class S, int NC, int A>
inline void fixedValueBack(const double *cval, uint32_t known, const uint32_t *nd,
                           const float *values, int c, double *lag) {
  constexpr int b = rowStart<S>(A), e = rowStart<S>(A + 1);
  if (!((known >> A) & 1)) return;
  double sum = 0;
  for (int t = b; t < e; ++t) sum += cval[t] * values[static_cast<size_t>(nd[S::col[t]]) * NC + c];
  lag[S::nv + A] = sum;
}

template <class S, int NC, int... A>
inline void fixedValuesBack(std::integer_sequence<int, A...>, const double *cval, uint32_t known,
                            const uint32_t *nd, const float *values, int c, double *lag) {
  (fixedValueBack<S, NC, A>(cval, known, nd, values, c, lag), ...);
}

// All non-vertex rows of S, unrolled at compile time.
template <class S, int NC, int... A>
inline void fixedRows(std::integer_sequence<int, A...>, const double *val, const double *x,
                      uint32_t fresh, const uint32_t *nd, float *values, int c) {
  (fixedRow<S, NC, A>(val, x, fresh, nd, values, c), ...);
}

// The non-vertex nodes that row A of S reads, bit i for node nv + i.
template <class S> constexpr uint32_t rowReads(int a) {
  uint32_t m = 0;
  for (int t = rowStart<S>(a); t < rowStart<S>(a + 1); ++t)
    if (S::col[t] >= S::nv) m |= uint32_t(1) << (S::col[t] - S::nv);
  return m;
}

template <class S, int... A>
inline uint32_t freshRowReads(std::integer_sequence<int, A...>, uint32_t fresh) {
  return (((fresh >> A) & 1 ? rowReads<S>(A) : 0u) | ...);
}

// Whether the kernel built at run time has exactly the shape S: vertex rows are copies and the
// other rows have the lengths and columns of S (the sparsity is a property of the exact inverse, so
// this only fails if the elimination's round-off changed which entries were dropped).
template <class S> bool hasShape(const Kernel &k) {
  constexpr int nact = S::npe - S::nv;
  if (static_cast<int>(k.rows.start.size()) != S::npe + 1 ||
      static_cast<int>(k.activeRows.size()) != nact)
    return false;
  for (int a = 0; a < nact; ++a) {
    const int r = S::nv + a;
    if (k.activeRows[a] != r || k.rows.start[r + 1] - k.rows.start[r] != S::len[a] ||
        k.colloc.start[r + 1] - k.colloc.start[r] != S::len[a])
      return false;
    for (int t = 0; t < S::len[a]; ++t)
      if (k.rows.col[k.rows.start[r] + t] != S::col[rowStart<S>(a) + t] ||
          k.colloc.col[k.colloc.start[r] + t] != S::col[rowStart<S>(a) + t])
        return false;
  }
  for (int r = 0; r < S::nv; ++r) {
    const int b = k.rows.start[r];
    if (k.rows.start[r + 1] != b + 1 || k.rows.col[b] != r || k.rows.val[b] != 1) return false;
  }
  return true;
}

// The element loop for a kernel of shape S and NC components; same results as convertElements.
template <class S, int NC>
void convertFixed(const Kernel &k, float *values, int64_t nbrNod, int64_t nbrElt,
                  const int32_t *elementNodes, uint64_t *done) {
  constexpr int npe = S::npe, nv = S::nv, nact = npe - nv;
  constexpr int nnz = rowStart<S>(nact);
  static_assert(sizeof S::col / sizeof(int) == nnz, "one column per row entry");
  static_assert(npe <= 32, "known flags are one bit per node of a 32-bit mask");
  constexpr uint32_t all = npe == 32 ? ~0u : (1u << npe) - 1;
  // A local copy of the active rows' coefficients: not aliased by the field, so the compiler
  // may keep them in registers across elements.
  double val[nnz];
  std::memcpy(val, k.rows.val.data() + k.rows.start[nv], sizeof val);
  double cval[nnz];
  std::memcpy(cval, k.colloc.val.data() + k.colloc.start[nv], sizeof cval);
  for (int64_t e = 0; e < nbrElt; ++e) {
    uint32_t nd[npe];
    std::memcpy(nd, elementNodes + e * npe, sizeof nd);
    // As unsigned, a negative index is above any valid one: one maximum checks both ends.
    uint32_t hi = nd[0];
    for (int i = 1; i < npe; ++i) hi = std::max(hi, nd[i]);
    if (hi >= static_cast<uint64_t>(nbrNod)) continue;
    // Test and set the flags a run of nodes in the same flag word at a time: the word is loaded
    // once and stored once per run instead of a load-store pair per node, which chained each
    // node's flag update to the previous one through memory. known has the state before this
    // element (a node repeated within the element sees its first occurrence, as node by node).
    uint32_t known = 0;
    uint32_t cur = nd[0] >> 6;
    uint64_t word = done[cur];
    for (int i = 0; i < npe; ++i) {
      const uint32_t w = nd[i] >> 6;
      if (w != cur) done[cur] = word, cur = w, word = done[w];
      const uint64_t bit = uint64_t(1) << (nd[i] & 63);
      known |= uint32_t((word & bit) != 0) << i;
      word |= bit;
    }
    done[cur] = word;
    if (known == all) continue;
    const uint32_t knownActive = known >> nv;
    const uint32_t back =
        knownActive
            ? knownActive & freshRowReads<S>(std::make_integer_sequence<int, nact>(), ~knownActive)
            : 0;
    for (int c = 0; c < NC; ++c) {
      double lag[npe];
      for (int i = 0; i < npe; ++i) lag[i] = values[static_cast<size_t>(nd[i]) * NC + c];
      // Converted non-vertex nodes (shared edges and faces) get their value back from the
      // coefficients in place, but only those a row still to write reads: none for P2
      // tetrahedra (an edge row reads its own node and vertices), and none for fresh elements.
      if (back)
        fixedValuesBack<S, NC>(std::make_integer_sequence<int, nact>(), cval, back, nd, values, c,
                               lag);
      fixedRows<S, NC>(std::make_integer_sequence<int, nact>(), val, lag, ~knownActive, nd, values,
                       c);
    }
  }
}

// Runs the specialised loop when the kind and component count have one; false otherwise.
template <class S>
bool convertShape(const Kernel &k, float *values, int ncomp, int64_t nbrNod, int64_t nbrElt,
                  const int32_t *elementNodes, uint64_t *done) {
  if (!hasShape<S>(k)) return false;
  if (ncomp == 1)
    convertFixed<S, 1>(k, values, nbrNod, nbrElt, elementNodes, done);
  else if (ncomp == 3)
    convertFixed<S, 3>(k, values, nbrNod, nbrElt, elementNodes, done);
  else
    return false;
  return true;
}

} // namespace

bool hoHasKernel(HoKind kind, int degree) {
  if (degree < 2 || degree > HO_MAX_DEGREE || kind < 0 || kind >= HO_KIND_COUNT) return false;
  if (degree <= 6) return true;
  return kind == HoEdge || kind == HoTriangle || kind == HoQuadrilateral;
}

bool hoLagrangeToBezier(HoKind kind, int degree, const double *lagrange, double *bezier) {
  if (degree == 0 || degree == 1) {
    const int64_t n = hoNodeCount(kind, degree);
    for (int64_t i = 0; i < n; ++i) bezier[i] = lagrange[i];
    return true;
  }
  if (!hoHasKernel(kind, degree)) return false;
  applyKernel(kernel(kind, degree), kind, degree, lagrange, bezier);
  return true;
}

void LagrangeToBezier(int64_t nbrNod, int degree, float *values, int ncomp, int64_t nbrElt,
                      const int32_t *elementNodes, int npe) {
  if (degree > HO_MAX_DEGREE || degree < 0)
    pav_Fatal("error : degree %d not supported for vizualisation \n", degree);
  if (degree <= 1 || nbrNod <= 0 || ncomp <= 0 || !values) return;
  if (degree == 3 && (npe < 4 || npe > 64))
    pav_Fatal(" error : no element of degree %d with %d vertices \n", degree, npe);
  int kindIdx = -1;
  for (int k = 0; k < HO_KIND_COUNT && kindIdx < 0; ++k)
    if (hoNodeCount(static_cast<HoKind>(k), degree) == npe) kindIdx = k;
  if (kindIdx < 0) pav_Fatal(" error : no element of degree %d with %d vertices \n", degree, npe);
  const HoKind kind = static_cast<HoKind>(kindIdx);
  if (!hoHasKernel(kind, degree)) {
    pav_Message(false,
                "warning: conversion LagrangeToBezier not done for %s%d, solution capping possibly "
                "not accurate \n",
                volumeName(kind), degree);
    return;
  }
  if (nbrElt <= 0 || !elementNodes) return;

  const Kernel &k = kernel(kind, degree);
  // The conversion runs in place with no copy of the field. A node already converted by an
  // earlier element has lost its Lagrange value, but it lies on an edge or face that the earlier
  // element converted whole, so its value is the polynomial of that edge or face at the node:
  // the collocation row of the node applied to coefficients that are all in place. Only one
  // flag bit per node is allocated.
  std::vector<uint64_t> done(static_cast<size_t>((nbrNod + 63) / 64), 0);
  // Compile-time sizes for the common cases let the node loops unroll: scalar fields and
  // coordinates, and the ten nodes of P2 tetrahedra and P3 triangles.
  uint64_t *bits = done.data();
  if (kind == HoTetrahedron && degree == 2 &&
      convertShape<ShapeTetP2>(k, values, ncomp, nbrNod, nbrElt, elementNodes, bits))
    return;
  if (kind == HoTriangle && degree == 3 &&
      convertShape<ShapeTriP3>(k, values, ncomp, nbrNod, nbrElt, elementNodes, bits))
    return;
  if (ncomp == 1 && npe == 10)
    convertElements<1, 10>(k, kind, degree, values, 1, nbrNod, nbrElt, elementNodes, 10, bits);
  else if (ncomp == 3 && npe == 10)
    convertElements<3, 10>(k, kind, degree, values, 3, nbrNod, nbrElt, elementNodes, 10, bits);
  else if (ncomp == 1)
    convertElements<1, 0>(k, kind, degree, values, 1, nbrNod, nbrElt, elementNodes, npe, bits);
  else if (ncomp == 3)
    convertElements<3, 0>(k, kind, degree, values, 3, nbrNod, nbrElt, elementNodes, npe, bits);
  else
    convertElements<0, 0>(k, kind, degree, values, ncomp, nbrNod, nbrElt, elementNodes, npe, bits);
}
