// The mesh file library: reads and writes keyword-based mesh and solution files (.mesh, .meshb,
// .sol, .solb), ASCII or binary, versions 1 to 4, either byte order.
//
// A file is opened into a handle (a non-zero 64-bit value; 0 means failure). Reading: open with
// mode OvelRead, ask line counts with OvelStatKwd, then either OvelGotoKwd followed by one
// OvelGetLin per line, or one OvelGetBlock for a range of lines; close. Writing: open with mode
// OvelWrite, for each keyword OvelSetKwd then its lines with OvelSetLin or one OvelSetBlock;
// OvelCloseMesh ends the file with End.
//
// Nothing is thrown and nothing is printed, except by the binary block reader, which prints its
// diagnostics on a failed read (and then returns 0). Lines are numbered from 1. Keyword codes are
// 1 to 217 (OvelVertices, OvelTriangles, ...). Failure never leaves the handle unusable, except
// for OvelOpenMesh, which releases everything it allocated.
//
// Value widths of the line interfaces (OvelGetLin, OvelSetLin) follow the file:
//   - integers are `int` for versions 1 to 3 and `int64_t` for version 4;
//   - reals are `float` for version 1 and `double` for versions 2 to 4 (OvelSetLin takes every
//     real as a double, as the variadic promotion does);
//   - strings are `char` arrays of at least OVEL_STRING_SIZE bytes (OvelGetLin) or terminated
//     strings (OvelSetLin; at most 255 characters are kept, up to the first line end).
// Block transfers (OvelGetBlock, OvelSetBlock) convert instead, see below.
#pragma once

#include <cstdint>

// Opening modes.
constexpr int OvelRead = 1;
constexpr int OvelWrite = 2;

// Limits of the format.
constexpr int OVEL_MAX_KEYWORD = 217; // codes run from 1 to OVEL_MAX_KEYWORD
constexpr int OVEL_MAX_FIELDS = 1000; // fields of one solution keyword
// Letters of one expanded line format: the format grows with the fields and nodes of a keyword
// (a degree-10 hexahedron has 1331 nodes), this only stops headers that no file could fill.
constexpr int OVEL_MAX_FORMAT = 1 << 24;
constexpr int OVEL_MAX_NAME = 1023;         // characters of a file name, with 7 to spare
constexpr int OVEL_STRING_SIZE = 256;       // bytes of one string field (255 characters + 0)
constexpr int OVEL_POLYGON_MAX = 257;       // entries returned for one polygon or polyhedron
constexpr int64_t OVEL_BLOCK_LINES = 10000; // least lines per binary block transfer

// Keyword kinds.
constexpr int OvelKwdInfo = 0;     // exactly one line, no line count stored
constexpr int OvelKwdRegular = 1;  // line count stored, fixed line format
constexpr int OvelKwdSolution = 2; // line count, fields and their types ("sr" or "hr" lines)

// Solution field types.
constexpr int OvelSolScalar = 1;
constexpr int OvelSolVector = 2;
constexpr int OvelSolSymMat = 3;
constexpr int OvelSolMat = 4;

// Field types of block transfers.
constexpr int OvelFloat = 1;
constexpr int OvelDouble = 2;
constexpr int OvelInt = 3;
constexpr int OvelLong = 4;
constexpr int OvelFloatVec = 5;  // followed by its length
constexpr int OvelDoubleVec = 6; // followed by its length
constexpr int OvelIntVec = 7;    // followed by its length
constexpr int OvelLongVec = 8;   // followed by its length
constexpr int OvelFieldTables = 100;

// The keyword codes the program uses by name; every code of the table can be used by number.
enum OvelKeyword {
  OvelMeshVersionFormatted = 1,
  OvelDimension = 3,
  OvelVertices = 4,
  OvelEdges = 5,
  OvelTriangles = 6,
  OvelQuadrilaterals = 7,
  OvelTetrahedra = 8,
  OvelPrisms = 9,
  OvelHexahedra = 10,
  OvelCorners = 13,
  OvelRidges = 14,
  OvelRequiredVertices = 15,
  OvelAngleOfCornerBound = 23,
  OvelTrianglesP2 = 24,
  OvelEdgesP2 = 25,
  OvelQuadrilateralsQ2 = 27,
  OvelTetrahedraP2 = 30,
  OvelHexahedraQ2 = 33,
  OvelPolyhedra = 46,
  OvelPolygons = 47,
  OvelPyramids = 49,
  OvelBoundingBox = 50,
  OvelEnd = 54,
  OvelNormals = 60,
  OvelSolAtVertices = 62,
  OvelSolAtEdges = 63,
  OvelSolAtTriangles = 64,
  OvelSolAtQuadrilaterals = 65,
  OvelSolAtTetrahedra = 66,
  OvelSolAtPrisms = 67,
  OvelSolAtHexahedra = 68,
  OvelIterations = 77,
  OvelTime = 78,
  OvelComments = 81,
  OvelPrismsP2 = 86,
  OvelPyramidsP2 = 87,
  OvelTrianglesP3 = 90,
  OvelTrianglesP4 = 91,
  OvelEdgesP3 = 92,
  OvelEdgesP4 = 93,
  OvelIRefGroups = 94,
  OvelTetrahedraP3 = 96,
  OvelTetrahedraP4 = 97,
  OvelHexahedraQ3 = 98,
  OvelHexahedraQ4 = 99,
  OvelHOSolAtEdgesP1 = 104,
  OvelHOSolAtTrianglesP2 = 108,
  OvelHOSolAtTetrahedraP2 = 114,
  OvelTrianglesP2Ordering = 129,
  OvelFloatingPointPrecision = 155,
  OvelHOSolAtTetrahedraP2NodesPositions = 176,
  OvelReferenceStrings = 199,
  OvelBoundaryPolygonHeaders = 203,
  OvelBoundaryPolygonVertices = 204,
  OvelInnerPolygonHeaders = 205,
  OvelInnerPolygonVertices = 206,
  OvelPolyhedraHeaders = 207,
  OvelPolyhedraFaces = 208,
};

// The static description of one keyword code (0 to OVEL_MAX_KEYWORD).
struct OvelKeywordInfo {
  const char *name;   // the ASCII token, exact case ("Reserved" for unused codes)
  const char *header; // "i" when a line count is stored, "" for information keywords
  const char *format; // line format before expansion ("dri", "sr", "hr", "iiii", ...)
  int kind;           // OvelKwdInfo, OvelKwdRegular or OvelKwdSolution
};

// The table entry of a code, or null outside 0 to OVEL_MAX_KEYWORD.
const OvelKeywordInfo *OvelKeywordEntry(int code);
// The code of a keyword name (exact case), or 0 when the name is not a keyword.
int OvelKeywordCode(const char *name);
// The number of reals one field of the given type holds in dimension dim (0 for unknown types).
int OvelSolutionFieldSize(int type, int dim);

// Opens a file. The kind comes from the name: ".meshb" binary mesh, else ".mesh" ASCII mesh,
// else ".solb" binary solution, else ".sol" ASCII solution.
//   OvelOpenMesh(name, OvelRead, int *version, int *dimension): reads the header and indexes
//     every keyword; hands back the version (1-4) and the dimension (2 or 3).
//   OvelOpenMesh(name, OvelWrite, int version, int dimension): creates the file and writes its
//     header.
// Returns the handle, or 0 for a name too long (length + 7 > 1023), no known extension, a file
// that cannot be opened or created, a damaged header or keyword index, a version outside 1-4 or a
// dimension other than 2 or 3. A failed open leaves nothing allocated.
int64_t OvelOpenMesh(const char *name, int mode, ...);

// Closes the file and releases the handle; a written file is first ended with End. Returns 1, or
// 0 when writing the file failed at any point (the handle is released all the same).
// A written file goes to a temporary file beside the name and replaces the name only here, once
// every byte is written and flushed: after a failure the earlier file of that name is unchanged.
int OvelCloseMesh(int64_t handle);

// Releases the handle without finishing the file: a file being written is removed and the earlier
// file of its name left unchanged; a file being read is closed. 1, or 0 for an unknown handle.
int OvelDiscardMesh(int64_t handle);

// Why the last failed OvelOpenMesh or OvelCloseMesh of this thread failed, and the reason of a
// failed read where one is known: the keyword, the byte offset and the cause ("Vertices: truncated
// at byte 120", "version 7 unknown (1 to 4)", "No such file or directory"). "" when unknown.
// Valid until the next call of the library on this thread.
const char *OvelErrorText();
// Empties the text of OvelErrorText (before a read whose failure the caller wants to explain).
void OvelClearErrorText();

// Lines (each ended by "\n") about data that the index of a file opened for reading skipped or
// found suspicious: unknown keyword codes, a keyword chain that ends before End. "" when none.
const char *OvelWarningText(int64_t handle);

// The first-order element keyword (Edges, Triangles, ..., Hexahedra) of an ASCII file whose lines
// held the node numbers of the higher-degree keyword `code` of the same kind (as Gmsh writes
// curved meshes) and were therefore indexed as `code`; 0 otherwise.
int OvelPromotedKeyword(int64_t handle, int code);

// Line count of a keyword in a file opened for reading (1 for a present information keyword);
// 0 when absent or when code is outside 1-217. For solution keywords the caller passes three more
// pointers: int *numberOfFields, int *solutionSize (reals of one line, all nodes included) and
// int *types (room for OVEL_MAX_FIELDS entries); for "hr" keywords two more: int *degree and
// int *numberOfNodes. Null pointers are skipped. An absent solution keyword reports 0 fields.
int64_t OvelStatKwd(int64_t handle, int code, ...);

// Positions the reading at the first line of a present keyword: 1, or 0 when absent.
int OvelGotoKwd(int64_t handle, int code);

// Starts a keyword in a file opened for writing. Solution keywords take two more arguments:
// int numberOfFields (0-1000) and const int *types; "hr" keywords two more: int degree and
// int numberOfNodes. Information keywords ignore lines (they hold one line). Returns 1, or 0 for a
// code outside 1-217, a read-only handle, or a solution header out of bounds.
int OvelSetKwd(int64_t handle, int code, int64_t lines, ...);

// Reads the next line of the keyword last positioned with OvelGotoKwd: one pointer per field of
// the expanded format (widths as in the file, see above); solution keywords take one pointer to
// an array of solutionSize reals. Returns 1, or 0 on a read error.
int OvelGetLin(int64_t handle, int code, ...);

// Writes one line of the keyword last started with OvelSetKwd: one value per field (integers as
// int, or int64_t in version 4; reals as double; strings as const char *); solution keywords take
// one pointer to an array of solutionSize reals (float in version 1, else double). Returns 1, or 0
// for a bad code.
int OvelSetLin(int64_t handle, int code, ...);

// Called as the lines arrive, with the first and last lines of each group transferred: in binary
// a group of at most 32 KiB of file lines (still in the cache when the call comes), in ASCII one
// line. A binary read without a map table converts its blocks on several threads at once: the
// calls then come from those threads, for disjoint groups, in no fixed order, and must not throw.
typedef void (*OvelProgress)(int64_t firstLine, int64_t lastLine, void *argument);

// Moves lines first to last (1 <= first <= last <= line count) of a regular or solution keyword
// between the file and the caller's arrays, converting float <-> double and 32 <-> 64-bit
// integers (integers narrowed by truncation). Arguments after `progress`:
//   - only when progress is not null, its void *argument;
//   - the field list: per group, its type (OvelFloat .. OvelLong), or a vector type (OvelFloatVec
//     .. OvelLongVec) followed by its int length, then the address of the value for line first and
//     the address of the value for line last. The stride of a group is (last address - first
//     address) / (last - first); a vector's entries are contiguous. Groups are taken until they
//     cover every field of the file line.
//   - or OvelFieldTables followed by four tables: const int *types, const int *lengths, void
//     **firstAddresses, void **lastAddresses, read until they cover every field.
// mapType 0: line i goes to position i - first; mapType 3 (map of int) or 4 (of int64_t): line i
// goes to position map[i] - 1 (map indexed by line number, entries >= 1). Real fields must go to
// real types and integer fields to integer types; keywords with string fields are refused. When
// the keyword has a node ordering (OvelSetHONodesOrdering), file node j goes to caller field
// order[j] (the reference stays last). Returns 1, or 0 with nothing transferred for a bad range
// or field list; a read failure returns 0 after printing the diagnostics.
int OvelGetBlock(int64_t handle, int code, int64_t first, int64_t last, int mapType,
                 const void *map, OvelProgress progress, ...);
// The mirror of OvelGetBlock for a keyword started with OvelSetKwd: lines first to last of the
// caller's arrays are converted to the file's types and written.
int OvelSetBlock(int64_t handle, int code, int64_t first, int64_t last, int mapType,
                 const void *map, OvelProgress progress, ...);

// Gives the element keyword `code` (Edges .. HexahedraQ4, in any degree) a node order:
// referenceNodes and fileNodes each hold the integer coordinates of every node (nodes x coordinates
// ints, as in the keywords ending in Ordering). File node j is stored by OvelGetBlock at the
// reference position i whose coordinates equal its own (and OvelSetBlock writes position i as
// file node j). Returns 1 when the file nodes are a permutation of the reference nodes; else the
// order is reset to the identity and 0 is returned (also for codes that are no element keyword).
int OvelSetHONodesOrdering(int64_t handle, int code, const int *referenceNodes,
                           const int *fileNodes);
// Number of nodes and of integer coordinates per node of an element keyword; 0 when `code` is no
// element keyword.
int OvelElementNodes(int code, int *coordinates);

// Percentage (0-100) of hits of a direct-mapped cache of 256 vertex slots walking `lines` lines of
// `intsPerLine` vertex numbers from firstLine to lastLine (stride (last - first) / (lines - 1)).
// 0 for no lines, no integers, a null address or lastLine before firstLine.
float OvelEvaluateNumbering(int64_t lines, int intsPerLine, const int *firstLine,
                            const int *lastLine);

// The polygon and polyhedron keywords of a file. Headers are 1-based tables of pairs (first entry
// in the vertex or face table, reference); entry 0 is unused.
struct OvelPolygonSet {
  int64_t boundaryCount = 0, boundaryVertexCount = 0;
  int64_t innerCount = 0, innerVertexCount = 0;
  int64_t polyhedronCount = 0, polyhedronFaceCount = 0;
  int *boundaryHeaders = nullptr; // 2 * (boundaryCount + 1)
  int *boundaryVertices = nullptr;
  int *innerHeaders = nullptr;
  int *innerVertices = nullptr;
  int *polyhedronHeaders = nullptr;
  int *polyhedronFaces = nullptr;
};

// Reads the polygon keywords of a file opened for reading. Boundary tables are read when both
// boundary counts are non-zero, inner polygon and polyhedron tables when all four of their counts
// are. Null when neither is present or on a read failure. Release with OvelFreePolygonSet.
OvelPolygonSet *OvelReadPolygonSet(int64_t handle);
void OvelFreePolygonSet(OvelPolygonSet *set);
// The entries of boundary polygon i (1 <= i <= boundaryCount) copied into out (room for
// OVEL_POLYGON_MAX ints), at most OVEL_POLYGON_MAX of them; returns their number (0 when i is out
// of range or the set lacks the table).
int OvelGetBoundaryPolygon(const OvelPolygonSet *set, int64_t i, int *out);
// As above for inner polygons; a negative i gives polygon |i| in reverse order.
int OvelGetInnerPolygon(const OvelPolygonSet *set, int64_t i, int *out);
// The face numbers of polyhedron i.
int OvelGetPolyhedron(const OvelPolygonSet *set, int64_t i, int *out);
