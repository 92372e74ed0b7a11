// Seeds of the loading fuzz targets: per kind and degree 1..2, a one-element mesh and a solution
// file (vertex fields, a high-order field with NodesPositions, Time, Iterations, ReferenceStrings),
// packed as load_pair.h reads them, ASCII and binary.
#include "ovel.h"
#include "pav_io.h"
#include "pav_io_keywords.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace pav_io;

namespace {

std::string readAll(const std::string &path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

bool writeMesh(int type, const std::string &name) {
  PavObject *obj = nullptr;
  char status[2 * PAV_STATUS_SIZE];
  pav_NewInterface(&obj);
  obj->dim = 3;
  const int n = pav_MshTyp2Siz(type, status);
  pav_AllocEntityArrays(obj, Vertices, n, status);
  for (int i = 1; i <= n; i++)
    for (int c = 0; c < 3; c++) obj->crdDbl[3 * i + c] = double((i * (c + 2)) % 5) * 0.25;
  pav_AllocEntityArrays(obj, type, 1, status);
  for (int k = 0; k < n; k++) obj->ent[type].idx[n + k] = k + 1;
  obj->ent[type].ref[1] = 3;
  const bool ok = pav_WriteMesh(obj, name.c_str(), status) == PAV_SUCCESS;
  pav_DeleteInterface(&obj);
  return ok;
}

bool writeSolution(int type, int vertices, const std::string &name) {
  const PavElementKind kind = pav_ElementKind(type);
  const int g = type == pav_ElementType(kind, 1) ? 1 : 2;
  const int64_t h = OvelOpenMesh(name.c_str(), OvelWrite, 3, 3);
  if (!h) return false;
  const int types[2] = {OvelSolScalar, OvelSolVector};
  OvelSetKwd(h, kSolAtVerticesKeyword, vertices, 2, types);
  for (int i = 1; i <= vertices; i++) {
    const double v[4] = {double(i), 0.5, -0.5, 1.0 / i};
    OvelSetLin(h, kSolAtVerticesKeyword, v);
  }
  const int m = pav_KindNbrNod(kind, 2);
  const int ho = hoSolKeyword(kind, g);
  OvelSetKwd(h, ho, 1, 1, types, 2, m);
  std::vector<double> values(static_cast<size_t>(m));
  for (int k = 0; k < m; k++) values[size_t(k)] = 0.1 * k;
  OvelSetLin(h, ho, values.data());
  const int width = pav_NodesPositionsWidth(kind);
  const int np = nodesPositionsKeyword(kind, g);
  OvelSetKwd(h, np, m);
  for (int k = 0; k < m; k++) {
    double p[4] = {0, 0, 0, 0};
    p[k % width] = 1.0 - 0.5 * (k / width) / double(m);
    p[(k + 1) % width] += 0.5 * (k / width) / double(m);
    if (width == 2) OvelSetLin(h, np, p[0], p[1]);
    if (width == 3) OvelSetLin(h, np, p[0], p[1], p[2]);
    if (width == 4) OvelSetLin(h, np, p[0], p[1], p[2], p[3]);
  }
  OvelSetKwd(h, kTimeKeyword, 1);
  OvelSetLin(h, kTimeKeyword, 0.5);
  OvelSetKwd(h, kIterationsKeyword, 1);
  OvelSetLin(h, kIterationsKeyword, 7);
  OvelSetKwd(h, kReferenceStringsKeyword, 3);
  OvelSetLin(h, kReferenceStringsKeyword, kSolAtVerticesKeyword, 1, "density 1");
  OvelSetLin(h, kReferenceStringsKeyword, kSolAtVerticesKeyword, 1, "velocity 2");
  OvelSetLin(h, kReferenceStringsKeyword, ho, 1, "pressure 1");
  return OvelCloseMesh(h) == 1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::printf("usage: make_load_corpus <tests/fuzz/corpus> <scratch folder>\n");
    return 1;
  }
  const std::string root = argv[1], tmp = argv[2];
  int written = 0;
  for (int kind = 0; kind < PavKindCount; kind++)
    for (int degree = 1; degree <= 2; degree++) {
      const int type = pav_ElementType(PavElementKind(kind), degree);
      for (bool binary : {false, true}) {
        const std::string mesh = tmp + "/seed" + (binary ? ".meshb" : ".mesh");
        const std::string sol = tmp + "/seed" + (binary ? ".solb" : ".sol");
        char status[PAV_STATUS_SIZE];
        if (!writeMesh(type, mesh) || !writeSolution(type, pav_MshTyp2Siz(type, status), sol)) {
          std::printf("cannot write the seed of type %d\n", type);
          return 1;
        }
        const std::string m = readAll(mesh), s = readAll(sol);
        const uint32_t n = uint32_t(m.size());
        const char size[4] = {char(n & 255), char(n >> 8 & 255), char(n >> 16 & 255),
                              char(n >> 24 & 255)};
        std::ofstream out(root + (binary ? "/fuzz_load_binary/" : "/fuzz_load_ascii/") +
                              std::to_string(type) + ".pair",
                          std::ios::binary);
        if (!out.write(size, 4) || !(out << m << s)) return 1;
        written++;
      }
    }
  std::printf("%d seeds written\n", written);
  return 0;
}
