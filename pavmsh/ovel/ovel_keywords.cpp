// The keyword table of the format and the rules derived from it: kinds, format expansion and the
// sizes of solution fields.
#include "ovel_internal.h"

#include <string_view>
#include <unordered_map>

namespace {

struct Row {
  const char *name, *header, *format; // "i*28" stands for 28 letters i
};

// Code, name, header format ("i": a line count is stored) and line format of every keyword.
const Row kRows[OVEL_MAX_KEYWORD + 1] = {
    {"Reserved", "", ""},
    {"MeshVersionFormatted", "", "i"},                      // 1
    {"Reserved", "", ""},                                   // 2
    {"Dimension", "", "i"},                                 // 3
    {"Vertices", "i", "dri"},                               // 4
    {"Edges", "i", "iii"},                                  // 5
    {"Triangles", "i", "iiii"},                             // 6
    {"Quadrilaterals", "i", "iiiii"},                       // 7
    {"Tetrahedra", "i", "iiiii"},                           // 8
    {"Prisms", "i", "i*7"},                                 // 9
    {"Hexahedra", "i", "i*9"},                              // 10
    {"Reserved", "", ""},                                   // 11
    {"Reserved", "", ""},                                   // 12
    {"Corners", "i", "i"},                                  // 13
    {"Ridges", "i", "i"},                                   // 14
    {"RequiredVertices", "i", "i"},                         // 15
    {"RequiredEdges", "i", "i"},                            // 16
    {"RequiredTriangles", "i", "i"},                        // 17
    {"RequiredQuadrilaterals", "i", "i"},                   // 18
    {"TangentAtEdgeVertices", "i", "iii"},                  // 19
    {"NormalAtVertices", "i", "ii"},                        // 20
    {"NormalAtTriangleVertices", "i", "iii"},               // 21
    {"NormalAtQuadrilateralVertices", "i", "iiii"},         // 22
    {"AngleOfCornerBound", "", "r"},                        // 23
    {"TrianglesP2", "i", "i*7"},                            // 24
    {"EdgesP2", "i", "iiii"},                               // 25
    {"SolAtPyramids", "i", "sr"},                           // 26
    {"QuadrilateralsQ2", "i", "i*10"},                      // 27
    {"ISolAtPyramids", "i", "iiiii"},                       // 28
    {"SubDomainFromGeom", "i", "iii"},                      // 29
    {"TetrahedraP2", "i", "i*11"},                          // 30
    {"Fault_NearTri", "i", "i"},                            // 31
    {"Fault_Inter", "i", "i"},                              // 32
    {"HexahedraQ2", "i", "i*28"},                           // 33
    {"ExtraVerticesAtEdges", "i", "in"},                    // 34
    {"ExtraVerticesAtTriangles", "i", "in"},                // 35
    {"ExtraVerticesAtQuadrilaterals", "i", "in"},           // 36
    {"ExtraVerticesAtTetrahedra", "i", "in"},               // 37
    {"ExtraVerticesAtPrisms", "i", "in"},                   // 38
    {"ExtraVerticesAtHexahedra", "i", "in"},                // 39
    {"VerticesOnGeometricVertices", "i", "ii"},             // 40
    {"VerticesOnGeometricEdges", "i", "iirr"},              // 41
    {"VerticesOnGeometricTriangles", "i", "iirrr"},         // 42
    {"VerticesOnGeometricQuadrilaterals", "i", "iirrr"},    // 43
    {"EdgesOnGeometricEdges", "i", "ii"},                   // 44
    {"Fault_FreeEdge", "i", "i"},                           // 45
    {"Polyhedra", "i", "i*33"},                             // 46
    {"Polygons", "", "i*9"},                                // 47
    {"Fault_Overlap", "i", "i"},                            // 48
    {"Pyramids", "i", "iiiiii"},                            // 49
    {"BoundingBox", "", "drdr"},                            // 50
    {"Reserved", "", ""},                                   // 51
    {"PrivateTable", "i", "i"},                             // 52
    {"Fault_BadShape", "i", "i"},                           // 53
    {"End", "", ""},                                        // 54
    {"TrianglesOnGeometricTriangles", "i", "ii"},           // 55
    {"TrianglesOnGeometricQuadrilaterals", "i", "ii"},      // 56
    {"QuadrilateralsOnGeometricTriangles", "i", "ii"},      // 57
    {"QuadrilateralsOnGeometricQuadrilaterals", "i", "ii"}, // 58
    {"Tangents", "i", "dr"},                                // 59
    {"Normals", "i", "dr"},                                 // 60
    {"TangentAtVertices", "i", "ii"},                       // 61
    {"SolAtVertices", "i", "sr"},                           // 62
    {"SolAtEdges", "i", "sr"},                              // 63
    {"SolAtTriangles", "i", "sr"},                          // 64
    {"SolAtQuadrilaterals", "i", "sr"},                     // 65
    {"SolAtTetrahedra", "i", "sr"},                         // 66
    {"SolAtPrisms", "i", "sr"},                             // 67
    {"SolAtHexahedra", "i", "sr"},                          // 68
    {"DSolAtVertices", "i", "sr"},                          // 69
    {"ISolAtVertices", "i", "i"},                           // 70
    {"ISolAtEdges", "i", "ii"},                             // 71
    {"ISolAtTriangles", "i", "iii"},                        // 72
    {"ISolAtQuadrilaterals", "i", "iiii"},                  // 73
    {"ISolAtTetrahedra", "i", "iiii"},                      // 74
    {"ISolAtPrisms", "i", "iiiiii"},                        // 75
    {"ISolAtHexahedra", "i", "i*8"},                        // 76
    {"Iterations", "", "i"},                                // 77
    {"Time", "", "r"},                                      // 78
    {"Fault_SmallTri", "i", "i"},                           // 79
    {"CoarseHexahedra", "i", "i"},                          // 80
    {"Comments", "i", "c"},                                 // 81
    {"PeriodicVertices", "i", "ii"},                        // 82
    {"PeriodicEdges", "i", "ii"},                           // 83
    {"PeriodicTriangles", "i", "ii"},                       // 84
    {"PeriodicQuadrilaterals", "i", "ii"},                  // 85
    {"PrismsP2", "i", "i*19"},                              // 86
    {"PyramidsP2", "i", "i*15"},                            // 87
    {"QuadrilateralsQ3", "i", "i*17"},                      // 88
    {"QuadrilateralsQ4", "i", "i*26"},                      // 89
    {"TrianglesP3", "i", "i*11"},                           // 90
    {"TrianglesP4", "i", "i*16"},                           // 91
    {"EdgesP3", "i", "iiiii"},                              // 92
    {"EdgesP4", "i", "iiiiii"},                             // 93
    {"IRefGroups", "i", "ciii"},                            // 94
    {"DRefGroups", "i", "iii"},                             // 95
    {"TetrahedraP3", "i", "i*21"},                          // 96
    {"TetrahedraP4", "i", "i*36"},                          // 97
    {"HexahedraQ3", "i", "i*65"},                           // 98
    {"HexahedraQ4", "i", "i*126"},                          // 99
    {"PyramidsP3", "i", "i*31"},                            // 100
    {"PyramidsP4", "i", "i*56"},                            // 101
    {"PrismsP3", "i", "i*41"},                              // 102
    {"PrismsP4", "i", "i*76"},                              // 103
    {"HOSolAtEdgesP1", "i", "hr"},                          // 104
    {"HOSolAtEdgesP2", "i", "hr"},                          // 105
    {"HOSolAtEdgesP3", "i", "hr"},                          // 106
    {"HOSolAtTrianglesP1", "i", "hr"},                      // 107
    {"HOSolAtTrianglesP2", "i", "hr"},                      // 108
    {"HOSolAtTrianglesP3", "i", "hr"},                      // 109
    {"HOSolAtQuadrilateralsQ1", "i", "hr"},                 // 110
    {"HOSolAtQuadrilateralsQ2", "i", "hr"},                 // 111
    {"HOSolAtQuadrilateralsQ3", "i", "hr"},                 // 112
    {"HOSolAtTetrahedraP1", "i", "hr"},                     // 113
    {"HOSolAtTetrahedraP2", "i", "hr"},                     // 114
    {"HOSolAtTetrahedraP3", "i", "hr"},                     // 115
    {"HOSolAtPyramidsP1", "i", "hr"},                       // 116
    {"HOSolAtPyramidsP2", "i", "hr"},                       // 117
    {"HOSolAtPyramidsP3", "i", "hr"},                       // 118
    {"HOSolAtPrismsP1", "i", "hr"},                         // 119
    {"HOSolAtPrismsP2", "i", "hr"},                         // 120
    {"HOSolAtPrismsP3", "i", "hr"},                         // 121
    {"HOSolAtHexahedraQ1", "i", "hr"},                      // 122
    {"HOSolAtHexahedraQ2", "i", "hr"},                      // 123
    {"HOSolAtHexahedraQ3", "i", "hr"},                      // 124
    {"BezierBasis", "", "i"},                               // 125
    {"ByteFlow", "i", "i"},                                 // 126
    {"EdgesP2Ordering", "i", "i"},                          // 127
    {"EdgesP3Ordering", "i", "i"},                          // 128
    {"TrianglesP2Ordering", "i", "iii"},                    // 129
    {"TrianglesP3Ordering", "i", "iii"},                    // 130
    {"QuadrilateralsQ2Ordering", "i", "ii"},                // 131
    {"QuadrilateralsQ3Ordering", "i", "ii"},                // 132
    {"TetrahedraP2Ordering", "i", "iiii"},                  // 133
    {"TetrahedraP3Ordering", "i", "iiii"},                  // 134
    {"PyramidsP2Ordering", "i", "iii"},                     // 135
    {"PyramidsP3Ordering", "i", "iii"},                     // 136
    {"PrismsP2Ordering", "i", "iiii"},                      // 137
    {"PrismsP3Ordering", "i", "iiii"},                      // 138
    {"HexahedraQ2Ordering", "i", "iii"},                    // 139
    {"HexahedraQ3Ordering", "i", "iii"},                    // 140
    {"EdgesP1Ordering", "i", "i"},                          // 141
    {"EdgesP4Ordering", "i", "i"},                          // 142
    {"TrianglesP1Ordering", "i", "iii"},                    // 143
    {"TrianglesP4Ordering", "i", "iii"},                    // 144
    {"QuadrilateralsQ1Ordering", "i", "ii"},                // 145
    {"QuadrilateralsQ4Ordering", "i", "ii"},                // 146
    {"TetrahedraP1Ordering", "i", "iiii"},                  // 147
    {"TetrahedraP4Ordering", "i", "iiii"},                  // 148
    {"PyramidsP1Ordering", "i", "iii"},                     // 149
    {"PyramidsP4Ordering", "i", "iii"},                     // 150
    {"PrismsP1Ordering", "i", "iiii"},                      // 151
    {"PrismsP4Ordering", "i", "iiii"},                      // 152
    {"HexahedraQ1Ordering", "i", "iii"},                    // 153
    {"HexahedraQ4Ordering", "i", "iii"},                    // 154
    {"FloatingPointPrecision", "", "i"},                    // 155
    {"HOSolAtEdgesP4", "i", "hr"},                          // 156
    {"HOSolAtTrianglesP4", "i", "hr"},                      // 157
    {"HOSolAtQuadrilateralsQ4", "i", "hr"},                 // 158
    {"HOSolAtTetrahedraP4", "i", "hr"},                     // 159
    {"HOSolAtPyramidsP4", "i", "hr"},                       // 160
    {"HOSolAtPrismsP4", "i", "hr"},                         // 161
    {"HOSolAtHexahedraQ4", "i", "hr"},                      // 162
    {"HOSolAtEdgesP1NodesPositions", "i", "rr"},            // 163
    {"HOSolAtEdgesP2NodesPositions", "i", "rr"},            // 164
    {"HOSolAtEdgesP3NodesPositions", "i", "rr"},            // 165
    {"HOSolAtEdgesP4NodesPositions", "i", "rr"},            // 166
    {"HOSolAtTrianglesP1NodesPositions", "i", "rrr"},       // 167
    {"HOSolAtTrianglesP2NodesPositions", "i", "rrr"},       // 168
    {"HOSolAtTrianglesP3NodesPositions", "i", "rrr"},       // 169
    {"HOSolAtTrianglesP4NodesPositions", "i", "rrr"},       // 170
    {"HOSolAtQuadrilateralsQ1NodesPositions", "i", "rr"},   // 171
    {"HOSolAtQuadrilateralsQ2NodesPositions", "i", "rr"},   // 172
    {"HOSolAtQuadrilateralsQ3NodesPositions", "i", "rr"},   // 173
    {"HOSolAtQuadrilateralsQ4NodesPositions", "i", "rr"},   // 174
    {"HOSolAtTetrahedraP1NodesPositions", "i", "rrrr"},     // 175
    {"HOSolAtTetrahedraP2NodesPositions", "i", "rrrr"},     // 176
    {"HOSolAtTetrahedraP3NodesPositions", "i", "rrrr"},     // 177
    {"HOSolAtTetrahedraP4NodesPositions", "i", "rrrr"},     // 178
    {"HOSolAtPyramidsP1NodesPositions", "i", "rrr"},        // 179
    {"HOSolAtPyramidsP2NodesPositions", "i", "rrr"},        // 180
    {"HOSolAtPyramidsP3NodesPositions", "i", "rrr"},        // 181
    {"HOSolAtPyramidsP4NodesPositions", "i", "rrr"},        // 182
    {"HOSolAtPrismsP1NodesPositions", "i", "rrrr"},         // 183
    {"HOSolAtPrismsP2NodesPositions", "i", "rrrr"},         // 184
    {"HOSolAtPrismsP3NodesPositions", "i", "rrrr"},         // 185
    {"HOSolAtPrismsP4NodesPositions", "i", "rrrr"},         // 186
    {"HOSolAtHexahedraQ1NodesPositions", "i", "rrr"},       // 187
    {"HOSolAtHexahedraQ2NodesPositions", "i", "rrr"},       // 188
    {"HOSolAtHexahedraQ3NodesPositions", "i", "rrr"},       // 189
    {"HOSolAtHexahedraQ4NodesPositions", "i", "rrr"},       // 190
    {"EdgesReferenceElement", "", "rr"},                    // 191
    {"TriangleReferenceElement", "", "rrrrrr"},             // 192
    {"QuadrilateralReferenceElement", "", "r*8"},           // 193
    {"TetrahedronReferenceElement", "", "r*12"},            // 194
    {"PyramidReferenceElement", "", "r*15"},                // 195
    {"PrismReferenceElement", "", "r*18"},                  // 196
    {"HexahedronReferenceElement", "", "r*24"},             // 197
    {"BoundaryLayers", "i", "iii"},                         // 198
    {"ReferenceStrings", "i", "iic"},                       // 199
    {"Prisms9", "i", "i*10"},                               // 200
    {"Hexahedra12", "i", "i*13"},                           // 201
    {"Quadrilaterals6", "i", "i*7"},                        // 202
    {"BoundaryPolygonHeaders", "i", "ii"},                  // 203
    {"BoundaryPolygonVertices", "i", "i"},                  // 204
    {"InnerPolygonHeaders", "i", "ii"},                     // 205
    {"InnerPolygonVertices", "i", "i"},                     // 206
    {"PolyhedraHeaders", "i", "ii"},                        // 207
    {"PolyhedraFaces", "i", "i"},                           // 208
    {"Domains", "", "ii"},                                  // 209
    {"VerticesGID", "i", "iii"},                            // 210
    {"EdgesGID", "i", "iii"},                               // 211
    {"TrianglesGID", "i", "iii"},                           // 212
    {"QuadrilateralsGID", "i", "iii"},                      // 213
    {"TetrahedraGID", "i", "iii"},                          // 214
    {"PyramidsGID", "i", "iii"},                            // 215
    {"PrismsGID", "i", "iii"},                              // 216
    {"HexahedraGID", "i", "iii"},                           // 217
};

int kindOf(const Row &row) {
  if (!*row.header) return OvelKwdInfo;
  if (!std::strcmp(row.format, "sr") || !std::strcmp(row.format, "hr")) return OvelKwdSolution;
  return OvelKwdRegular;
}

struct Table {
  OvelKeywordInfo info[OVEL_MAX_KEYWORD + 1];
  std::string formats[OVEL_MAX_KEYWORD + 1];
  std::unordered_map<std::string_view, int> codes;
  Table() {
    for (int c = 0; c <= OVEL_MAX_KEYWORD; c++) {
      const Row &r = kRows[c];
      for (const char *p = r.format; *p; p++) {
        if (p[1] == '*') {
          formats[c].append(static_cast<size_t>(std::atoi(p + 2)), *p);
          break;
        }
        formats[c] += *p;
      }
      info[c] = {r.name, r.header, formats[c].c_str(), kindOf(r)};
      // The first code of a name wins (several codes are "Reserved").
      if (c > 0) codes.emplace(r.name, c);
    }
  }
};

const Table &table() {
  static const Table t;
  return t;
}

} // namespace

const OvelKeywordInfo *OvelKeywordEntry(int code) {
  if (code < 0 || code > OVEL_MAX_KEYWORD) return nullptr;
  return &table().info[code];
}

int OvelKeywordCode(const char *name) {
  if (!name) return 0;
  auto it = table().codes.find(std::string_view(name));
  return it == table().codes.end() ? 0 : it->second;
}

int OvelSolutionFieldSize(int type, int dim) {
  switch (type) {
  case OvelSolScalar:
    return 1;
  case OvelSolVector:
    return dim;
  case OvelSolSymMat:
    return dim * (dim + 1) / 2;
  case OvelSolMat:
    return dim * dim;
  default:
    return 0;
  }
}

namespace ovel {

const std::string &baseFormat(int code) {
  static const std::string none;
  return code < 0 || code > OVEL_MAX_KEYWORD ? none : table().formats[code];
}

int keywordCode(std::string_view token) {
  auto it = table().codes.find(token);
  return it == table().codes.end() ? 0 : it->second;
}

void expandFormat(const File &file, int code, Keyword &kw) {
  const std::string &base = baseFormat(code);
  int64_t perNode = 0;
  for (int t : kw.types) perNode += OvelSolutionFieldSize(t, file.dimension);
  std::string fmt;
  for (size_t i = 0; i < base.size(); i++) {
    char c = base[i];
    if ((c == 'd' || c == 's' || c == 'h') && i + 1 < base.size()) {
      int64_t n = c == 'd' ? file.dimension : perNode;
      if (n > OVEL_MAX_FORMAT) fail();
      fmt.append(static_cast<size_t>(n), base[++i]);
    } else {
      fmt += c;
    }
  }
  const bool ho = base == "hr";
  if (ho && kw.nodes >= 2) {
    if (static_cast<int64_t>(fmt.size()) * kw.nodes > OVEL_MAX_FORMAT) fail();
    std::string one = fmt;
    for (int k = 1; k < kw.nodes; k++) fmt += one;
  }
  if (static_cast<int64_t>(fmt.size()) > OVEL_MAX_FORMAT) fail();
  kw.format = fmt;
  kw.fields.clear();
  kw.lineBytes = 0;
  for (char c : fmt) {
    if (c == 'n') continue;
    kw.fields += c;
    kw.lineBytes += c == 'i' ? file.intBytes : c == 'r' ? file.realBytes : OVEL_STRING_SIZE;
  }
  kw.solutionSize = OvelKeywordEntry(code)->kind == OvelKwdSolution ? int(kw.fields.size()) : 0;
}

} // namespace ovel
