// Node orderings of high-order element keywords: which caller position each file node goes to.
#include "ovel_internal.h"

#include <algorithm>

namespace {

struct ElementNodes {
  int code, nodes, coordinates;
};

// Nodes and integer coordinates per node of each element keyword, by kind and degree.
constexpr ElementNodes kElements[] = {
    {OvelEdges, 2, 1},
    {OvelEdgesP2, 3, 1},
    {OvelEdgesP3, 4, 1},
    {OvelEdgesP4, 5, 1},
    {OvelTriangles, 3, 3},
    {OvelTrianglesP2, 6, 3},
    {OvelTrianglesP3, 10, 3},
    {OvelTrianglesP4, 15, 3},
    {OvelQuadrilaterals, 4, 2},
    {OvelQuadrilateralsQ2, 9, 2},
    {88, 16, 2},
    {89, 25, 2},
    {OvelTetrahedra, 4, 4},
    {OvelTetrahedraP2, 10, 4},
    {OvelTetrahedraP3, 20, 4},
    {OvelTetrahedraP4, 35, 4},
    {OvelPyramids, 5, 3},
    {OvelPyramidsP2, 14, 3},
    {100, 30, 3},
    {101, 55, 3},
    {OvelPrisms, 6, 4},
    {OvelPrismsP2, 18, 4},
    {102, 40, 4},
    {103, 75, 4},
    {OvelHexahedra, 8, 3},
    {OvelHexahedraQ2, 27, 3},
    {OvelHexahedraQ3, 64, 3},
    {OvelHexahedraQ4, 125, 3},
};

} // namespace

int OvelElementNodes(int code, int *coordinates) {
  for (const ElementNodes &e : kElements)
    if (e.code == code) {
      if (coordinates) *coordinates = e.coordinates;
      return e.nodes;
    }
  return 0;
}

int OvelSetHONodesOrdering(int64_t handle, int code, const int *referenceNodes,
                           const int *fileNodes) {
  ovel::File *f = ovel::lookup(handle);
  int dims = 0;
  const int nodes = OvelElementNodes(code, &dims);
  if (!f || !nodes || !referenceNodes || !fileNodes) return 0;
  std::vector<int> &order = f->keywords[code].order;
  order.assign(static_cast<size_t>(nodes), -1);
  // At most 125 nodes: the quadratic matching costs nothing next to reading the elements.
  for (int i = 0; i < nodes; i++)
    for (int j = 0; j < nodes; j++)
      if (std::equal(referenceNodes + i * dims, referenceNodes + (i + 1) * dims,
                     fileNodes + j * dims))
        order[static_cast<size_t>(j)] = i;
  std::vector<char> seen(static_cast<size_t>(nodes), 0);
  for (int v : order)
    if (v >= 0) seen[static_cast<size_t>(v)] = 1;
  if (std::find(seen.begin(), seen.end(), 0) == seen.end()) return 1;
  for (int j = 0; j < nodes; j++) order[static_cast<size_t>(j)] = j;
  return 0;
}
