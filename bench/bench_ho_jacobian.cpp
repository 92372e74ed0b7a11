// Jacobians of P2 tetrahedra and Q2 hexahedra, per element and through the mesh driver, against a
// baseline of the same loop doing one dense matrix-vector product per element whose size is that
// of the element's linear map from node coordinates to output values (20 x 30 for the P2
// tetrahedron, 216 x 81 for the Q2 hexahedron).
//
// Element counts default to 1 000 000 tetrahedra and 100 000 hexahedra; the environment variable
// PAV_BENCH_SCALE (a fraction, e.g. 0.05) shrinks both for quick runs.
#include "ho_jacobian.h"
#include "ho_lattice.h"
#include "pav_quality.h"
#include "pav_solution.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

int32_t scaled(int32_t n) {
  const char *s = std::getenv("PAV_BENCH_SCALE");
  const double f = s ? std::atof(s) : 1.;
  return std::max<int32_t>(1, static_cast<int32_t>(n * (f > 0. ? f : 1.)));
}

// A pool of distinct curved elements (their nodes as vertices) and an index array that cycles
// through it, so that memory stays small whatever the element count.
struct Mesh {
  int nbrNod = 0;
  int32_t nbrElt = 0;
  std::vector<double> crd;  // 3 per vertex, numbered from 1
  std::vector<int32_t> idx; // nbrNod per element, numbered from 1
};

constexpr int kPool = 997;

Mesh makeMesh(HoKind kind, int degree, int32_t nbrElt) {
  Mesh m;
  m.nbrNod = static_cast<int>(hoNodeCount(kind, degree));
  m.nbrElt = nbrElt;
  const int w = hoRefWidth(kind);
  const double *ref = hoNodeRefCoords(kind, degree);
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> u(-0.03, 0.03);
  m.crd.assign(3, 0.);
  for (int p = 0; p < kPool; p++)
    for (int k = 0; k < m.nbrNod; k++) {
      const double *r = ref + k * w;
      // Cartesian reference point: barycentric 1..3 for tetrahedra, the coordinates for hexahedra.
      const double x = kind == HoTetrahedron ? r[1] : r[0];
      const double y = kind == HoTetrahedron ? r[2] : r[1];
      const double z = kind == HoTetrahedron ? r[3] : r[2];
      m.crd.insert(m.crd.end(), {x + u(rng), y + u(rng), z + u(rng)});
    }
  m.idx.resize(static_cast<std::size_t>(nbrElt + 1) * m.nbrNod);
  for (int32_t e = 1; e <= nbrElt; e++)
    for (int k = 0; k < m.nbrNod; k++)
      m.idx[static_cast<std::size_t>(e) * m.nbrNod + k] = (e % kPool) * m.nbrNod + k + 1;
  return m;
}

void gather(const Mesh &m, int32_t e, double *crd) {
  const int32_t *nodes = &m.idx[static_cast<std::size_t>(e) * m.nbrNod];
  for (int k = 0; k < m.nbrNod; k++)
    for (int c = 0; c < 3; c++) crd[3 * k + c] = m.crd[3 * static_cast<std::size_t>(nodes[k]) + c];
}

void kernel(benchmark::State &state, int type, HoKind kind, int32_t nbrElt) {
  const Mesh m = makeMesh(kind, 2, nbrElt);
  HoJacobian jac(type);
  std::vector<double> crd(3 * m.nbrNod), val(jac.nbrValues());
  for (auto _ : state) {
    double acc = 0.;
    for (int32_t e = 1; e <= m.nbrElt; e++) {
      gather(m, e, crd.data());
      acc += jac.compute(crd.data(), val.data());
    }
    benchmark::DoNotOptimize(acc);
  }
  state.counters["elements/s"] =
      benchmark::Counter(double(m.nbrElt) * state.iterations(), benchmark::Counter::kIsRate);
}

void baseline(benchmark::State &state, HoKind kind, int nbrOut, int32_t nbrElt) {
  const Mesh m = makeMesh(kind, 2, nbrElt);
  const int nin = 3 * m.nbrNod;
  std::vector<double> a(static_cast<std::size_t>(nbrOut) * nin), crd(nin), val(nbrOut);
  std::mt19937 rng(2);
  std::uniform_real_distribution<double> u(-1., 1.);
  for (double &x : a) x = u(rng);
  for (auto _ : state) {
    double acc = 0.;
    for (int32_t e = 1; e <= m.nbrElt; e++) {
      gather(m, e, crd.data());
      for (int i = 0; i < nbrOut; i++) {
        const double *row = &a[static_cast<std::size_t>(i) * nin];
        double s = 0.;
        for (int k = 0; k < nin; k++) s += row[k] * crd[k];
        val[i] = s;
      }
      acc += val[0];
    }
    benchmark::DoNotOptimize(acc);
  }
  state.counters["elements/s"] =
      benchmark::Counter(double(m.nbrElt) * state.iterations(), benchmark::Counter::kIsRate);
}

// The whole mesh path: object, driver, record (mode 2: one value per element).
void meshDriver(benchmark::State &state, int type, HoKind kind, int32_t nbrElt) {
  const Mesh m = makeMesh(kind, 2, nbrElt);
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  const int32_t nbrVer = static_cast<int32_t>(m.crd.size() / 3 - 1);
  pav_AllocEntityArrays(obj, Vertices, nbrVer, status);
  std::copy(m.crd.begin(), m.crd.end(), obj->crdDbl);
  pav_AllocEntityArrays(obj, type, nbrElt, status);
  std::copy(m.idx.begin(), m.idx.end(), obj->ent[type].idx);
  for (auto _ : state) {
    benchmark::DoNotOptimize(pav_ComputeVolumeJacobians(obj, 2, nullptr));
    state.PauseTiming();
    pav_FreeSolutionList(obj->ent[type].jac);
    obj->ent[type].jac = nullptr;
    state.ResumeTiming();
  }
  state.counters["elements/s"] =
      benchmark::Counter(double(nbrElt) * state.iterations(), benchmark::Counter::kIsRate);
  pav_DeleteInterface(&obj);
}

void BM_JacobianP2Tetrahedra(benchmark::State &s) {
  kernel(s, TetrahedraP2, HoTetrahedron, scaled(1000000));
}
void BM_BaselineMatVec20x30(benchmark::State &s) {
  baseline(s, HoTetrahedron, 20, scaled(1000000));
}
void BM_MeshJacobiansP2Tetrahedra(benchmark::State &s) {
  meshDriver(s, TetrahedraP2, HoTetrahedron, scaled(1000000));
}
void BM_JacobianQ2Hexahedra(benchmark::State &s) {
  kernel(s, HexahedraQ2, HoHexahedron, scaled(100000));
}
void BM_BaselineMatVec216x81(benchmark::State &s) {
  baseline(s, HoHexahedron, 216, scaled(100000));
}
void BM_MeshJacobiansQ2Hexahedra(benchmark::State &s) {
  meshDriver(s, HexahedraQ2, HoHexahedron, scaled(100000));
}

} // namespace

BENCHMARK(BM_JacobianP2Tetrahedra)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BaselineMatVec20x30)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MeshJacobiansP2Tetrahedra)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_JacobianQ2Hexahedra)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BaselineMatVec216x81)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MeshJacobiansQ2Hexahedra)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
