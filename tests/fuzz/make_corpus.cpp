// Writes the seed corpora of the file-reader fuzz targets: small files of every version, in both
// forms (and both byte orders for binary), holding every keyword kind.
#include "ovel.h"
#include "ovel_internal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

template <typename Int> void content(int64_t h, int version) {
  const int n = 4;
  std::vector<double> xyz = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 1, 1};
  std::vector<int> ref = {0, 1, 2, 3, 4}, tet = {0, 0, 0, 0, 1, 2, 3, 4};
  OvelSetKwd(h, OvelVertices, n);
  OvelSetBlock(h, OvelVertices, 1, n, 0, nullptr, nullptr, OvelDoubleVec, 3, &xyz[3], &xyz[3 * n],
               OvelInt, &ref[1], &ref[n]);
  OvelSetKwd(h, OvelTetrahedra, 1);
  OvelSetBlock(h, OvelTetrahedra, 1, 1, 0, nullptr, nullptr, OvelIntVec, 4, &tet[4], &tet[4],
               OvelInt, &ref[1], &ref[1]);
  OvelSetKwd(h, OvelTriangles, 1);
  OvelSetLin(h, OvelTriangles, Int(1), Int(2), Int(3), Int(5));
  OvelSetKwd(h, OvelTrianglesP2Ordering, 6);
  const int p2[6][3] = {{2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}};
  for (auto &c : p2) OvelSetLin(h, OvelTrianglesP2Ordering, Int(c[0]), Int(c[1]), Int(c[2]));
  OvelSetKwd(h, OvelTrianglesP2, 1);
  OvelSetLin(h, OvelTrianglesP2, Int(1), Int(2), Int(3), Int(4), Int(1), Int(2), Int(0));
  const int types[3] = {OvelSolScalar, OvelSolVector, OvelSolSymMat};
  OvelSetKwd(h, OvelSolAtVertices, n, 3, types);
  std::vector<double> sol(10 * (n + 1), 0.5);
  OvelSetBlock(h, OvelSolAtVertices, 1, n, 0, nullptr, nullptr, OvelDoubleVec, 10, &sol[10],
               &sol[10 * n]);
  OvelSetKwd(h, OvelHOSolAtTrianglesP2, 1, 1, types, 2, 6);
  OvelSetBlock(h, OvelHOSolAtTrianglesP2, 1, 1, 0, nullptr, nullptr, OvelDoubleVec, 6, &sol[0],
               &sol[0]);
  OvelSetKwd(h, OvelComments, 1);
  OvelSetLin(h, OvelComments, "seed file");
  OvelSetKwd(h, OvelReferenceStrings, 1);
  OvelSetLin(h, OvelReferenceStrings, Int(62), Int(1), "density 1");
  OvelSetKwd(h, OvelTime, 0);
  OvelSetLin(h, OvelTime, 0.25);
  OvelSetKwd(h, OvelIterations, 0);
  OvelSetLin(h, OvelIterations, Int(version));
  OvelSetKwd(h, OvelBoundaryPolygonHeaders, 2);
  OvelSetLin(h, OvelBoundaryPolygonHeaders, Int(1), Int(1));
  OvelSetLin(h, OvelBoundaryPolygonHeaders, Int(3), Int(2));
  OvelSetKwd(h, OvelBoundaryPolygonVertices, 5);
  for (int v = 1; v <= 5; v++) OvelSetLin(h, OvelBoundaryPolygonVertices, Int(v));
}

void write(const std::string &name, int version, bool foreign) {
  int64_t h = foreign ? ovel::openForeignOrder(name.c_str(), version, 3)
                      : OvelOpenMesh(name.c_str(), OvelWrite, version, 3);
  if (!h) {
    std::printf("cannot create %s\n", name.c_str());
    return;
  }
  if (version == 4)
    content<int64_t>(h, version);
  else
    content<int>(h, version);
  OvelCloseMesh(h);
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::printf("usage: make_ovel_corpus <tests/fuzz/corpus>\n");
    return 1;
  }
  const std::string root = argv[1];
  for (int v = 1; v <= 4; v++) {
    write(root + "/fuzz_ovel_ascii/v" + std::to_string(v) + ".mesh", v, false);
    write(root + "/fuzz_ovel_binary/v" + std::to_string(v) + ".meshb", v, false);
    write(root + "/fuzz_ovel_binary/v" + std::to_string(v) + "_swapped.meshb", v, true);
  }
  return 0;
}
