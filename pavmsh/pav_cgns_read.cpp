// CGNS files into the mesh object, through the CGNS library.
//
// The file is scanned once for its zones and sections (sizes, element ranges, the MIXED and
// polygon connectivities, which must be read to be counted), the object's arrays are sized from
// the totals, and fixed-kind sections are then read straight into the object's index arrays and
// renumbered in place, so that the peak memory stays that of the object plus one coordinate.
// The library reports errors through its handler; a fatal one (which would end the process)
// jumps back to the entry of the reader, which closes the file and reports it.
#include "pav_cgns.h"

#include "pav_io.h"
#include "pav_solution.h"
#include "pav_types.h"

#include <cgnslib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ---- The library's error funnel ----

std::jmp_buf *gFatalJump = nullptr;

void onLibraryError(int isError, char *message) {
  if (isError < 0 && gFatalJump) std::longjmp(*gFatalJump, 1);
  (void)message; // errors are read back with cg_get_error; warnings are not printed
}

void configureLibrary() {
  static bool done = false;
  if (done) return;
  done = true;
  cg_configure(CG_CONFIG_ERROR, reinterpret_cast<void *>(&onLibraryError));
}

// ---- Element kinds ----

// The entity type of a complete CGNS kind of degree 1 to 4; 0 for kinds without storage.
int entityType(int cgType) {
  switch (cgType) {
  case CGNS_ENUMV(BAR_2):
    return Edges;
  case CGNS_ENUMV(BAR_3):
    return EdgesP2;
  case CGNS_ENUMV(BAR_4):
    return EdgesP3;
  case CGNS_ENUMV(BAR_5):
    return EdgesP4;
  case CGNS_ENUMV(TRI_3):
    return Triangles;
  case CGNS_ENUMV(TRI_6):
    return TrianglesP2;
  case CGNS_ENUMV(TRI_10):
    return TrianglesP3;
  case CGNS_ENUMV(TRI_15):
    return TrianglesP4;
  case CGNS_ENUMV(QUAD_4):
    return Quadrilaterals;
  case CGNS_ENUMV(QUAD_9):
    return QuadrilateralsQ2;
  case CGNS_ENUMV(QUAD_16):
    return QuadrilateralsQ3;
  case CGNS_ENUMV(QUAD_25):
    return QuadrilateralsQ4;
  case CGNS_ENUMV(TETRA_4):
    return Tetrahedra;
  case CGNS_ENUMV(TETRA_10):
    return TetrahedraP2;
  case CGNS_ENUMV(TETRA_20):
    return TetrahedraP3;
  case CGNS_ENUMV(TETRA_35):
    return TetrahedraP4;
  case CGNS_ENUMV(PYRA_5):
    return Pyramids;
  case CGNS_ENUMV(PYRA_14):
    return PyramidsP2;
  case CGNS_ENUMV(PYRA_30):
    return PyramidsP3;
  case CGNS_ENUMV(PYRA_55):
    return PyramidsP4;
  case CGNS_ENUMV(PENTA_6):
    return Prisms;
  case CGNS_ENUMV(PENTA_18):
    return PrismsP2;
  case CGNS_ENUMV(PENTA_40):
    return PrismsP3;
  case CGNS_ENUMV(PENTA_75):
    return PrismsP4;
  case CGNS_ENUMV(HEXA_8):
    return Hexahedra;
  case CGNS_ENUMV(HEXA_27):
    return HexahedraQ2;
  case CGNS_ENUMV(HEXA_64):
    return HexahedraQ3;
  case CGNS_ENUMV(HEXA_125):
    return HexahedraQ4;
  default:
    return 0;
  }
}

// Topological dimension of a CGNS element kind (NODE 0, bars 1, faces 2, cells 3); -1 unknown.
int kindDimension(int cgType) {
  if (cgType == CGNS_ENUMV(NODE)) return 0;
  if (cgType == CGNS_ENUMV(NGON_n)) return 2;
  if (cgType == CGNS_ENUMV(NFACE_n)) return 3;
  if (cgType < CGNS_ENUMV(NODE) || cgType >= NofValidElementTypes) return -1;
  const std::string n = cg_ElementTypeName(CGNS_ENUMT(ElementType_t)(cgType));
  if (n.compare(0, 3, "BAR") == 0) return 1;
  if (n.compare(0, 3, "TRI") == 0 || n.compare(0, 4, "QUAD") == 0) return 2;
  if (n == "MIXED") return -1;
  return 3;
}

int typeDimension(int type) {
  switch (pav_ElementKind(type)) {
  case PavKindEdge:
    return 1;
  case PavKindTriangle:
  case PavKindQuadrilateral:
    return 2;
  case PavKindNone:
    return -1;
  default:
    return 3;
  }
}

// ---- The scan of a file ----

enum SectionKind { Fixed, Mixed, Polygons, Polyhedra, Skipped };

struct Section {
  int index = 0; // S in the library's numbering
  std::string name;
  int cgType = 0;
  SectionKind kind = Skipped;
  int type = 0;      // entity type of a Fixed section
  int dimension = 0; // of a Fixed, Polygons, Polyhedra or Skipped section
  int64_t start = 0, end = 0;
  int32_t first = 0;                   // index in the object of the section's first element (Fixed)
  int32_t ref = 0;                     // the reference of its elements
  std::vector<cgsize_t> data, offsets; // MIXED, NGON_n and NFACE_n connectivity
  std::vector<int8_t> elementType;     // MIXED: entity type of each element (0: skipped)
  std::vector<int32_t> elementIndex;   // MIXED: index in the object of each element
};

struct Zone {
  int index = 0;
  std::string name;
  int64_t nbrVer = 0, nbrCell = 0;
  int32_t verOffset = 0;         // vertices of the zones before
  std::vector<Section> sections; // sorted by start
};

struct Scan {
  std::string fileName;
  int fn = 0;
  int cellDim = 0, physDim = 0;
  std::vector<Zone> zones;
  int64_t count[PAV_NBR_STORED_TYPES] = {};
  int64_t nbrVer = 0;
  int nbrBoco = 0, nbrSections = 0;
  int64_t nbrPolygons = 0, nbrPolygonNodes = 0, nbrPolyhedra = 0, nbrPolyhedronFaces = 0;
  ~Scan() {
    if (fn) cg_close(fn);
  }
};

const char *libraryError() { return cg_get_error(); }

int failLib(char *status, const char *what, const Scan &s) {
  return pav_Fail(status, "CGNS error while reading %s of %s: %.300s\n", what, s.fileName.c_str(),
                  libraryError());
}

// MIXED: counts the elements of each entity type and records each element's type and index.
int scanMixed(Scan &s, Zone &z, Section &sec, char *status) {
  const int64_t n = sec.end - sec.start + 1;
  sec.elementType.assign(size_t(n), 0);
  sec.elementIndex.assign(size_t(n), 0);
  const int64_t size = int64_t(sec.data.size());
  for (int64_t e = 0; e < n; e++) {
    const int64_t at = sec.offsets[size_t(e)], next = sec.offsets[size_t(e) + 1];
    if (at < 0 || next > size || at >= next)
      return pav_Fail(status, "Invalid offsets in MIXED section %s of zone %s of %s\n",
                      sec.name.c_str(), z.name.c_str(), s.fileName.c_str());
    const int cg = int(sec.data[size_t(at)]);
    int npe = 0;
    if (cg <= CGNS_ENUMV(NODE) || cg >= NofValidElementTypes || cg == CGNS_ENUMV(MIXED) ||
        cg == CGNS_ENUMV(NGON_n) || cg == CGNS_ENUMV(NFACE_n) ||
        cg_npe(CGNS_ENUMT(ElementType_t)(cg), &npe) || npe != next - at - 1)
      return pav_Fail(status, "Unknown element type %d in MIXED section %s of zone %s of %s\n", cg,
                      sec.name.c_str(), z.name.c_str(), s.fileName.c_str());
    const int type = entityType(cg);
    if (!type) continue;
    sec.elementType[size_t(e)] = int8_t(type);
    sec.elementIndex[size_t(e)] = int32_t(++s.count[type]);
    if (s.count[type] >= INT32_MAX)
      return pav_Fail(status, "Too many elements in %s\n", s.fileName.c_str());
  }
  return PAV_SUCCESS;
}

int scanSection(Scan &s, Zone &z, int S, char *status) {
  Section sec;
  sec.index = S;
  char name[64] = {0};
  CGNS_ENUMT(ElementType_t) cg = CGNS_ENUMV(ElementTypeNull);
  cgsize_t start = 0, end = 0;
  int nbndry = 0, parent = 0;
  if (cg_section_read(s.fn, 1, z.index, S, name, &cg, &start, &end, &nbndry, &parent))
    return failLib(status, "a section", s);
  sec.name = name;
  sec.cgType = int(cg);
  sec.start = start;
  sec.end = end;
  if (start < 1 || end < start || end - start + 1 >= INT32_MAX)
    return pav_Fail(status, "Invalid element range %lld..%lld in section %s of zone %s of %s\n",
                    (long long)start, (long long)end, name, z.name.c_str(), s.fileName.c_str());
  const int64_t n = int64_t(end) - start + 1;
  const int dim = kindDimension(sec.cgType);
  sec.ref = ++s.nbrSections;
  if (sec.cgType == CGNS_ENUMV(MIXED) || sec.cgType == CGNS_ENUMV(NGON_n) ||
      sec.cgType == CGNS_ENUMV(NFACE_n)) {
    cgsize_t size = 0;
    if (cg_ElementDataSize(s.fn, 1, z.index, S, &size) || size < n)
      return failLib(status, "a section size", s);
    sec.data.resize(size_t(size));
    sec.offsets.resize(size_t(n) + 1);
    if (cg_poly_elements_read(s.fn, 1, z.index, S, sec.data.data(), sec.offsets.data(), nullptr))
      return failLib(status, "a section", s);
    if (sec.offsets[0] != 0 || sec.offsets[size_t(n)] != size)
      return pav_Fail(status, "Invalid offsets in section %s of zone %s of %s\n", name,
                      z.name.c_str(), s.fileName.c_str());
    for (int64_t e = 0; e < n; e++)
      if (sec.offsets[size_t(e) + 1] < sec.offsets[size_t(e)])
        return pav_Fail(status, "Invalid offsets in section %s of zone %s of %s\n", name,
                        z.name.c_str(), s.fileName.c_str());
    if (sec.cgType == CGNS_ENUMV(MIXED)) {
      sec.kind = Mixed;
      if (int rc = scanMixed(s, z, sec, status)) return rc;
    } else if (sec.cgType == CGNS_ENUMV(NGON_n)) {
      sec.kind = Polygons;
      sec.dimension = 2;
      s.nbrPolygons += n;
      s.nbrPolygonNodes += size;
    } else {
      sec.kind = Polyhedra;
      sec.dimension = 3;
      s.nbrPolyhedra += n;
      s.nbrPolyhedronFaces += size;
    }
  } else if (dim < 0) {
    return pav_Fail(status, "Unknown element type %d in section %s of zone %s of %s\n", sec.cgType,
                    name, z.name.c_str(), s.fileName.c_str());
  } else if (const int type = entityType(sec.cgType)) {
    sec.kind = Fixed;
    sec.type = type;
    sec.dimension = dim;
    sec.first = int32_t(s.count[type] + 1);
    s.count[type] += n;
    if (s.count[type] >= INT32_MAX)
      return pav_Fail(status, "Too many elements in %s\n", s.fileName.c_str());
  } else {
    sec.dimension = dim;
    std::printf("  Section %s (%s) of zone %s skipped: no such element kind here\n", name,
                cg_ElementTypeName(cg), z.name.c_str());
  }
  z.sections.push_back(std::move(sec));
  return PAV_SUCCESS;
}

int scanZone(Scan &s, int Z, char *status) {
  CGNS_ENUMT(ZoneType_t) zt = CGNS_ENUMV(ZoneTypeNull);
  char name[64] = {0};
  cgsize_t size[9] = {0};
  if (cg_zone_type(s.fn, 1, Z, &zt) || cg_zone_read(s.fn, 1, Z, name, size))
    return failLib(status, "a zone", s);
  if (zt != CGNS_ENUMV(Unstructured)) {
    std::printf("  Zone %s of %s is structured: skipped (only unstructured zones are read)\n", name,
                s.fileName.c_str());
    return PAV_SUCCESS;
  }
  Zone z;
  z.index = Z;
  z.name = name;
  z.nbrVer = size[0];
  z.nbrCell = size[1];
  if (z.nbrVer < 0 || s.nbrVer + z.nbrVer >= INT32_MAX)
    return pav_Fail(status, "Invalid number of vertices %lld in zone %s of %s\n",
                    (long long)z.nbrVer, name, s.fileName.c_str());
  z.verOffset = int32_t(s.nbrVer);
  s.nbrVer += z.nbrVer;
  int nsec = 0, nbc = 0;
  if (cg_nsections(s.fn, 1, Z, &nsec)) return failLib(status, "the sections", s);
  for (int S = 1; S <= nsec; S++)
    if (int rc = scanSection(s, z, S, status)) return rc;
  std::sort(z.sections.begin(), z.sections.end(),
            [](const Section &a, const Section &b) { return a.start < b.start; });
  for (size_t k = 1; k < z.sections.size(); k++)
    if (z.sections[k].start <= z.sections[k - 1].end)
      return pav_Fail(status, "Sections %s and %s of zone %s of %s overlap\n",
                      z.sections[k - 1].name.c_str(), z.sections[k].name.c_str(), name,
                      s.fileName.c_str());
  if (cg_nbocos(s.fn, 1, Z, &nbc)) return failLib(status, "the boundary conditions", s);
  s.nbrBoco += nbc;
  s.zones.push_back(std::move(z));
  return PAV_SUCCESS;
}

int scanFile(Scan &s, char *status) {
  if (cg_open(s.fileName.c_str(), CG_MODE_READ, &s.fn)) {
    s.fn = 0;
    return pav_Fail(status, "Cannot open CGNS file %s: %.300s\n", s.fileName.c_str(),
                    libraryError());
  }
  int nbases = 0, nzones = 0;
  char name[64] = {0};
  if (cg_nbases(s.fn, &nbases) || nbases < 1)
    return pav_Fail(status, "No base in CGNS file %s\n", s.fileName.c_str());
  if (cg_base_read(s.fn, 1, name, &s.cellDim, &s.physDim)) return failLib(status, "the base", s);
  if (s.physDim < 2 || s.physDim > 3 || s.cellDim < 1 || s.cellDim > 3)
    return pav_Fail(status, "Invalid dimensions (cell %d, physical %d) in CGNS file %s\n",
                    s.cellDim, s.physDim, s.fileName.c_str());
  if (cg_nzones(s.fn, 1, &nzones) || nzones < 1)
    return pav_Fail(status, "No zone in CGNS file %s\n", s.fileName.c_str());
  for (int Z = 1; Z <= nzones; Z++)
    if (int rc = scanZone(s, Z, status)) return rc;
  if (s.zones.empty())
    return pav_Fail(status, "No unstructured zone in CGNS file %s\n", s.fileName.c_str());
  if (s.nbrPolygons >= INT32_MAX || s.nbrPolygonNodes >= INT32_MAX || s.nbrPolyhedra >= INT32_MAX ||
      s.nbrPolyhedronFaces >= INT32_MAX)
    return pav_Fail(status, "Too many polygons in %s\n", s.fileName.c_str());
  return PAV_SUCCESS;
}

// The entity (type, index) of element number e of a zone; type 0 when it has no storage, -1
// when no section holds it.
int locate(const Zone &z, int64_t e, int32_t *index) {
  auto it = std::upper_bound(z.sections.begin(), z.sections.end(), e,
                             [](int64_t v, const Section &sec) { return v < sec.start; });
  if (it == z.sections.begin()) return -1;
  const Section &sec = *(it - 1);
  if (e > sec.end) return -1;
  const size_t k = size_t(e - sec.start);
  if (sec.kind == Fixed) {
    *index = sec.first + int32_t(k);
    return sec.type;
  }
  if (sec.kind == Mixed) {
    *index = sec.elementIndex[k];
    return sec.elementType[k];
  }
  return 0;
}

// ---- Mesh ----

int readCoordinates(Scan &s, const Zone &z, PavObject *obj, std::vector<double> &buf,
                    char *status) {
  if (z.nbrVer == 0) return PAV_SUCCESS;
  buf.resize(size_t(z.nbrVer));
  static const char *names[3] = {"CoordinateX", "CoordinateY", "CoordinateZ"};
  int ncoords = 0;
  if (cg_ncoords(s.fn, 1, z.index, &ncoords)) return failLib(status, "the coordinates", s);
  double *crd = obj->crdDbl + 3 * (size_t(z.verOffset) + 1);
  for (int c = 0; c < s.physDim; c++) {
    bool present = false;
    for (int k = 1; k <= ncoords; k++) {
      char cname[64] = {0};
      CGNS_ENUMT(DataType_t) dt;
      if (cg_coord_info(s.fn, 1, z.index, k, &dt, cname) == 0 && std::strcmp(cname, names[c]) == 0)
        present = true;
    }
    if (!present) {
      if (c == 2) continue; // a flat 3-D zone may omit z
      return pav_Fail(status, "No %s in zone %s of %s\n", names[c], z.name.c_str(),
                      s.fileName.c_str());
    }
    cgsize_t lo = 1, hi = cgsize_t(z.nbrVer);
    if (cg_coord_read(s.fn, 1, z.index, names[c], CGNS_ENUMV(RealDouble), &lo, &hi, buf.data()))
      return failLib(status, names[c], s);
    for (int64_t v = 0; v < z.nbrVer; v++) crd[3 * v + c] = buf[size_t(v)];
  }
  return PAV_SUCCESS;
}

int badVertex(const Scan &s, const Zone &z, const Section &sec, int64_t vertex, char *status) {
  return pav_Fail(status, "Invalid vertex %lld in section %s of zone %s of %s\n", (long long)vertex,
                  sec.name.c_str(), z.name.c_str(), s.fileName.c_str());
}

// Renumbers the nodes of element e of a type from CGNS to canonical order and from zone vertices
// to object vertices; false when a node lies outside the zone.
inline bool placeElement(int32_t *idx, const cgsize_t *from, int nodes, const int *table,
                         const Zone &z) {
  int32_t tmp[125];
  for (int k = 0; k < nodes; k++) {
    const cgsize_t v = from[k];
    if (v < 1 || v > z.nbrVer) return false;
    tmp[table[k]] = int32_t(v) + z.verOffset;
  }
  std::memcpy(idx, tmp, sizeof(int32_t) * size_t(nodes));
  return true;
}

int readFixedSection(Scan &s, const Zone &z, const Section &sec, PavObject *obj, char *status) {
  PavEntitySet &set = obj->ent[sec.type];
  const int nodes = pav_MshTyp2Siz(sec.type, nullptr);
  const int *table = pav_CgnsToCanonical(sec.type);
  const int64_t n = sec.end - sec.start + 1;
  int32_t *at = set.idx + size_t(nodes) * size_t(sec.first);
  static_assert(sizeof(cgsize_t) == sizeof(int32_t), "connectivity read in place");
  if (cg_elements_read(s.fn, 1, z.index, sec.index, reinterpret_cast<cgsize_t *>(at), nullptr))
    return failLib(status, "a section", s);
  std::fill(set.ref + sec.first, set.ref + sec.first + n, sec.ref);
  bool identity = true;
  for (int k = 0; k < nodes; k++) identity = identity && table[k] == k;
  if (identity) { // first-order kinds: one branch-free pass over the whole section
    const int64_t total = n * nodes;
    const uint32_t limit = uint32_t(z.nbrVer);
    bool bad = false;
    for (int64_t i = 0; i < total; i++) bad |= uint32_t(at[i]) - 1u >= limit;
    if (bad)
      for (int64_t i = 0; i < total; i++)
        if (uint32_t(at[i]) - 1u >= limit) return badVertex(s, z, sec, at[i], status);
    if (z.verOffset)
      for (int64_t i = 0; i < total; i++) at[i] += z.verOffset;
    return PAV_SUCCESS;
  }
  for (int64_t e = 0; e < n; e++) {
    int32_t *el = at + size_t(nodes) * size_t(e);
    if (!placeElement(el, reinterpret_cast<const cgsize_t *>(el), nodes, table, z)) {
      for (int k = 0; k < nodes; k++)
        if (el[k] < 1 || el[k] > z.nbrVer) return badVertex(s, z, sec, el[k], status);
    }
  }
  return PAV_SUCCESS;
}

int readMixedSection(const Scan &s, const Zone &z, const Section &sec, PavObject *obj,
                     char *status) {
  for (size_t e = 0; e < sec.elementType.size(); e++) {
    const int type = sec.elementType[e];
    if (!type) continue;
    PavEntitySet &set = obj->ent[type];
    const int nodes = pav_MshTyp2Siz(type, nullptr);
    const cgsize_t *from = &sec.data[size_t(sec.offsets[e]) + 1];
    const int32_t i = sec.elementIndex[e];
    if (!placeElement(set.idx + size_t(nodes) * size_t(i), from, nodes, pav_CgnsToCanonical(type),
                      z)) {
      for (int k = 0; k < nodes; k++)
        if (from[k] < 1 || from[k] > z.nbrVer) return badVertex(s, z, sec, from[k], status);
    }
    set.ref[i] = sec.ref;
  }
  return PAV_SUCCESS;
}

// Polygons and polyhedra of all zones, in the polygon set of the object: NGON_n faces become
// inner polygons when some zone has NFACE_n cells (which become polyhedra), boundary polygons
// otherwise.
int readPolygons(const Scan &s, PavObject *obj, char *status) {
  if (s.nbrPolygons == 0) return PAV_SUCCESS;
  auto *set = static_cast<PavPolygonSet *>(std::calloc(1, sizeof(PavPolygonSet)));
  if (!set) return pav_Fail(status, "Allocation failed for polygon-arrays\n");
  obj->pol = set;
  const bool inner = s.nbrPolyhedra > 0;
  const int32_t nbrPol = int32_t(s.nbrPolygons);
  const int32_t nbrVer = int32_t(s.nbrPolygonNodes);
  auto *hdr = static_cast<int32_t *>(std::calloc(2 * (size_t(nbrPol) + 1), sizeof(int32_t)));
  auto *ver = static_cast<int32_t *>(std::calloc(size_t(nbrVer) + 1, sizeof(int32_t)));
  const int32_t nbrPhd = int32_t(s.nbrPolyhedra);
  const int32_t nbrFac = int32_t(s.nbrPolyhedronFaces);
  auto *phd = static_cast<int32_t *>(std::calloc(2 * (size_t(nbrPhd) + 1), sizeof(int32_t)));
  auto *fac = static_cast<int32_t *>(std::calloc(size_t(nbrFac) + 1, sizeof(int32_t)));
  (inner ? set->innHdr : set->bndHdr) = hdr;
  (inner ? set->innVer : set->bndVer) = ver;
  set->phdHdr = phd;
  set->phdFac = fac;
  if (!hdr || !ver || !phd || !fac)
    return pav_Fail(status, "Allocation failed for polygon-arrays\n");
  int32_t p = 0, v = 0, h = 0, f = 0;
  for (const Zone &z : s.zones) {
    // Polygon number of each NGON_n element of the zone, for the faces of its NFACE_n cells.
    std::vector<std::pair<int64_t, int32_t>> firstOfSection;
    for (const Section &sec : z.sections) {
      if (sec.kind != Polygons) continue;
      firstOfSection.push_back({sec.start, p + 1});
      const int64_t n = sec.end - sec.start + 1;
      for (int64_t e = 0; e < n; e++) {
        hdr[2 * (++p)] = v + 1;
        hdr[2 * p + 1] = sec.ref;
        for (cgsize_t k = sec.offsets[size_t(e)]; k < sec.offsets[size_t(e) + 1]; k++) {
          const cgsize_t vertex = sec.data[size_t(k)];
          if (vertex < 1 || vertex > z.nbrVer) return badVertex(s, z, sec, vertex, status);
          if (v < nbrVer) ver[++v] = int32_t(vertex) + z.verOffset;
        }
      }
    }
    for (const Section &sec : z.sections) {
      if (sec.kind != Polyhedra) continue;
      const int64_t n = sec.end - sec.start + 1;
      for (int64_t e = 0; e < n; e++) {
        phd[2 * (++h)] = f + 1;
        phd[2 * h + 1] = sec.ref;
        for (cgsize_t k = sec.offsets[size_t(e)]; k < sec.offsets[size_t(e) + 1]; k++) {
          const cgsize_t face = sec.data[size_t(k)];
          const int64_t a = face < 0 ? -int64_t(face) : face;
          int32_t number = 0;
          for (size_t q = 0; q < z.sections.size(); q++) {
            const Section &g = z.sections[q];
            if (g.kind == Polygons && a >= g.start && a <= g.end) {
              for (const auto &fs : firstOfSection)
                if (fs.first == g.start) number = fs.second + int32_t(a - g.start);
            }
          }
          if (!number)
            return pav_Fail(status, "Face %lld of section %s of zone %s of %s is no polygon\n",
                            (long long)face, sec.name.c_str(), z.name.c_str(), s.fileName.c_str());
          if (f < nbrFac) fac[++f] = face < 0 ? -number : number;
        }
      }
    }
  }
  if (inner) {
    set->nbrInnPol = p;
    set->nbrInnVer = v;
  } else {
    set->nbrBndPol = p;
    set->nbrBndVer = v;
  }
  set->nbrPolyhedra = h;
  set->nbrPolyhedraFaces = f;
  return PAV_SUCCESS;
}

// Boundary conditions: the faces they name get their number as reference.
int readBoundaryConditions(Scan &s, const Zone &z, int *bocoNumber, PavObject *obj,
                           std::vector<uint8_t> &mark, char *status) {
  int nbc = 0;
  if (cg_nbocos(s.fn, 1, z.index, &nbc)) return failLib(status, "the boundary conditions", s);
  for (int BC = 1; BC <= nbc; BC++) {
    const int ref = ++*bocoNumber;
    char name[64] = {0}, family[64] = {0};
    CGNS_ENUMT(BCType_t) bt;
    CGNS_ENUMT(PointSetType_t) pt;
    CGNS_ENUMT(DataType_t) ndt;
    CGNS_ENUMT(GridLocation_t) loc = CGNS_ENUMV(Vertex);
    cgsize_t npnts = 0, nlist = 0;
    int nindex[3], ndataset = 0;
    if (cg_boco_info(s.fn, 1, z.index, BC, name, &bt, &pt, &npnts, nindex, &nlist, &ndt,
                     &ndataset) ||
        cg_boco_gridlocation_read(s.fn, 1, z.index, BC, &loc))
      return failLib(status, "a boundary condition", s);
    if (cg_goto(s.fn, 1, "Zone_t", z.index, "ZoneBC_t", 1, "BC_t", BC, "end") == 0)
      cg_famname_read(family);
    std::printf("  Reference %d: boundary condition %s%s%s\n", ref, name,
                family[0] ? " family " : "", family);
    const bool range = pt == CGNS_ENUMV(PointRange) || pt == CGNS_ENUMV(ElementRange);
    const bool list = pt == CGNS_ENUMV(PointList) || pt == CGNS_ENUMV(ElementList);
    if ((!range && !list) || npnts < 0 || (range && npnts != 2)) {
      std::printf("  Boundary condition %s: point set kind %d skipped\n", name, int(pt));
      continue;
    }
    std::vector<cgsize_t> pts(size_t(npnts) + 1);
    if (npnts > 0 && cg_boco_read(s.fn, 1, z.index, BC, pts.data(), nullptr))
      return failLib(status, "a boundary condition", s);
    const bool onElements = pt == CGNS_ENUMV(ElementRange) || pt == CGNS_ENUMV(ElementList) ||
                            loc != CGNS_ENUMV(Vertex);
    const int64_t lo = range ? pts[0] : 0, hi = range ? pts[1] : npnts - 1;
    if (range && hi < lo) continue;
    if (onElements) {
      for (int64_t k = lo; k <= hi; k++) {
        const int64_t e = range ? k : pts[size_t(k)];
        int32_t i = 0;
        const int type = locate(z, e, &i);
        if (type < 0)
          return pav_Fail(status,
                          "Boundary condition %s of zone %s names element %lld, "
                          "which no section holds, in %s\n",
                          name, z.name.c_str(), (long long)e, s.fileName.c_str());
        if (type > 0) obj->ent[type].ref[i] = ref;
      }
      continue;
    }
    // Vertex sets: the faces whose corners all belong to the set.
    mark.assign(size_t(z.nbrVer) + 1, 0);
    for (int64_t k = lo; k <= hi; k++) {
      const int64_t v = range ? k : pts[size_t(k)];
      if (v < 1 || v > z.nbrVer)
        return pav_Fail(status,
                        "Boundary condition %s of zone %s names vertex %lld outside "
                        "the zone in %s\n",
                        name, z.name.c_str(), (long long)v, s.fileName.c_str());
      mark[size_t(v)] = 1;
      obj->ent[Vertices].ref[z.verOffset + v] = ref;
    }
    auto tagFace = [&](int type, int32_t i) {
      if (typeDimension(type) != s.cellDim - 1) return;
      const int nodes = pav_MshTyp2Siz(type, nullptr);
      const int corners = pav_MshTyp2SizElt(type, nullptr);
      const int32_t *el = obj->ent[type].idx + size_t(nodes) * size_t(i);
      for (int k = 0; k < corners; k++)
        if (!mark[size_t(el[k] - z.verOffset)]) return;
      obj->ent[type].ref[i] = ref;
    };
    for (const Section &sec : z.sections) {
      if (sec.kind == Fixed)
        for (int64_t e = 0; e <= sec.end - sec.start; e++)
          tagFace(sec.type, sec.first + int32_t(e));
      else if (sec.kind == Mixed)
        for (size_t e = 0; e < sec.elementType.size(); e++)
          if (sec.elementType[e]) tagFace(sec.elementType[e], sec.elementIndex[e]);
    }
  }
  return PAV_SUCCESS;
}

int readMesh(Scan &s, PavObject *obj, char *status) {
  if (int rc = scanFile(s, status)) return rc;
  obj->dim = s.physDim;
  if (pav_AllocEntityArrays(obj, Vertices, int32_t(s.nbrVer), status)) return PAV_FAILURE;
  for (int type = 3; type < PAV_NBR_STORED_TYPES; type++)
    if (s.count[type] && pav_AllocEntityArrays(obj, type, int32_t(s.count[type]), status))
      return PAV_FAILURE;
  std::vector<double> buf;
  std::vector<uint8_t> mark;
  int bocoNumber = 0;
  for (Zone &z : s.zones) {
    if (int rc = readCoordinates(s, z, obj, buf, status)) return rc;
    for (Section &sec : z.sections) {
      sec.ref += s.nbrBoco;
      int rc = PAV_SUCCESS;
      if (sec.kind == Fixed)
        rc = readFixedSection(s, z, sec, obj, status);
      else if (sec.kind == Mixed)
        rc = readMixedSection(s, z, sec, obj, status);
      if (rc) return rc;
      if (sec.kind != Skipped)
        std::printf("  Reference %d: section %s of zone %s\n", int(sec.ref), sec.name.c_str(),
                    z.name.c_str());
    }
  }
  for (Zone &z : s.zones)
    if (int rc = readBoundaryConditions(s, z, &bocoNumber, obj, mark, status)) return rc;
  return readPolygons(s, obj, status);
}

// Runs a reader with the library's fatal errors caught; the scan closes the file.
template <class Reader> int guarded(Scan &s, char *status, Reader read) {
  configureLibrary();
  std::jmp_buf jump;
  std::jmp_buf *previous = gFatalJump;
  gFatalJump = &jump;
  int rc = PAV_FAILURE;
  if (setjmp(jump) == 0)
    rc = read();
  else
    rc = pav_Fail(status, "CGNS library error while reading %s: %.300s\n", s.fileName.c_str(),
                  libraryError());
  gFatalJump = previous;
  return rc;
}

} // namespace

bool pav_IsCgnsFile(const char *name) {
  if (!name) return false;
  // Opened without blocking and only when it is a regular file: a FIFO would wait for a writer.
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  std::FILE *f = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::fdopen(fd, "rb") : nullptr;
  if (!f) {
    ::close(fd);
    return false;
  }
  const size_t len = std::strlen(name);
  auto endsWith = [&](const char *suffix) {
    const size_t n = std::strlen(suffix);
    return len >= n && std::strcmp(name + len - n, suffix) == 0;
  };
  bool found = endsWith(".cgns") || endsWith(".hdf");
  static const unsigned char sig[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1a, '\n'};
  for (long at : {0L, 512L, 1024L, 2048L}) {
    unsigned char head[8] = {0};
    if (found || std::fseek(f, at, SEEK_SET) != 0 || std::fread(head, 1, 8, f) != 8) break;
    if (std::memcmp(head, sig, 8) == 0) {
      found = true;
      break;
    }
  }
  std::fclose(f);
  return found;
}

int pav_OpenCgnsMesh(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (MshFile)   parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  pav_ResetObject(obj);
  Scan s;
  s.fileName = name;
  const int rc = guarded(s, status, [&] { return readMesh(s, obj, status); });
  if (rc != PAV_SUCCESS) {
    pav_ResetObject(obj);
    return PAV_FAILURE;
  }
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name);
  return PAV_SUCCESS;
}

// ---- Solutions ----

namespace {

// One solution of the object to be: a scalar field or the X, Y(, Z) fields of a vector.
struct FieldGroup {
  int sol = 0; // FlowSolution index in the zones
  bool atVertices = true;
  std::string name;
  std::vector<std::string> fields; // 1 (scalar) or dim (vector) names
};

// The iteration and time of the last step of the base's iterative data.
void readIterativeData(Scan &s, int *iteration, double *time) {
  char name[64] = {0};
  int steps = 0;
  if (cg_biter_read(s.fn, 1, name, &steps) || steps < 1) return;
  if (cg_goto(s.fn, 1, "BaseIterativeData_t", 1, "end")) return;
  int narrays = 0;
  if (cg_narrays(&narrays)) return;
  for (int A = 1; A <= narrays; A++) {
    char aname[64] = {0};
    CGNS_ENUMT(DataType_t) dt;
    int ndim = 0;
    cgsize_t dims[12] = {0};
    if (cg_array_info(A, aname, &dt, &ndim, dims) || ndim != 1 || dims[0] != steps) continue;
    if (std::strcmp(aname, "TimeValues") == 0) {
      std::vector<double> v(static_cast<size_t>(steps));
      if (cg_array_read_as(A, CGNS_ENUMV(RealDouble), v.data()) == 0) *time = v.back();
    } else if (std::strcmp(aname, "IterationValues") == 0) {
      std::vector<int> v(static_cast<size_t>(steps));
      if (cg_array_read_as(A, CGNS_ENUMV(Integer), v.data()) == 0) *iteration = v.back();
    }
  }
}

// Groups the fields of the first zone: names ending in X, Y(, Z) with one prefix become vectors.
int groupFields(Scan &s, int dim, std::vector<FieldGroup> &groups, char *status) {
  const Zone &z = s.zones[0];
  int nsols = 0;
  if (cg_nsols(s.fn, 1, z.index, &nsols)) return failLib(status, "the solutions", s);
  static const char axes[3] = {'X', 'Y', 'Z'};
  for (int S = 1; S <= nsols; S++) {
    char sname[64] = {0};
    CGNS_ENUMT(GridLocation_t) loc;
    int nfields = 0;
    if (cg_sol_info(s.fn, 1, z.index, S, sname, &loc) || cg_nfields(s.fn, 1, z.index, S, &nfields))
      return failLib(status, "a solution", s);
    if (loc != CGNS_ENUMV(Vertex) && loc != CGNS_ENUMV(CellCenter)) {
      std::printf("  Solution %s skipped: location %s is not read\n", sname,
                  cg_GridLocationName(loc));
      continue;
    }
    std::vector<std::string> names;
    for (int F = 1; F <= nfields; F++) {
      char fname[64] = {0};
      CGNS_ENUMT(DataType_t) dt;
      if (cg_field_info(s.fn, 1, z.index, S, F, &dt, fname)) return failLib(status, "a field", s);
      names.push_back(fname);
    }
    std::vector<bool> used(names.size(), false);
    for (size_t f = 0; f < names.size(); f++) {
      if (used[f]) continue;
      FieldGroup g;
      g.sol = S;
      g.atVertices = loc == CGNS_ENUMV(Vertex);
      const std::string &n = names[f];
      if (!n.empty() && n.back() == 'X') {
        const std::string prefix = n.substr(0, n.size() - 1);
        std::vector<size_t> parts{f};
        for (int c = 1; c < dim; c++)
          for (size_t k = 0; k < names.size(); k++)
            if (!used[k] && names[k] == prefix + axes[c]) parts.push_back(k);
        if (int(parts.size()) == dim) {
          g.name = prefix;
          for (size_t k : parts) {
            used[k] = true;
            g.fields.push_back(names[k]);
          }
          groups.push_back(g);
          continue;
        }
      }
      used[f] = true;
      g.name = n;
      g.fields.push_back(n);
      groups.push_back(g);
    }
  }
  return PAV_SUCCESS;
}

// Cells of a zone in element-number order: (type, index) of each; type 0 for cells without
// storage (their values are read and dropped).
void zoneCells(const Scan &s, const Zone &z, std::vector<std::pair<int, int32_t>> &cells) {
  cells.clear();
  for (const Section &sec : z.sections) {
    const int64_t n = sec.end - sec.start + 1;
    if (sec.kind == Mixed) {
      for (int64_t e = 0; e < n; e++) {
        const int type = sec.elementType[size_t(e)];
        const int cg = int(sec.data[size_t(sec.offsets[size_t(e)])]);
        if (kindDimension(cg) == s.cellDim) cells.push_back({type, sec.elementIndex[size_t(e)]});
      }
    } else if (sec.dimension == s.cellDim) {
      for (int64_t e = 0; e < n; e++)
        cells.push_back({sec.kind == Fixed ? sec.type : 0, sec.first + int32_t(e)});
    }
  }
}

struct RecordList {
  std::vector<std::pair<int, PavSolution *>> recs; // (solution list, record) in file order
  ~RecordList() {
    for (auto &r : recs) pav_FreeSolutionList(r.second);
  }
};

int readGroup(Scan &s, PavObject *obj, const FieldGroup &g, int iteration, double time,
              RecordList &out, char *status) {
  const int dim = obj->dim;
  const int kind = g.fields.size() == 1 ? PavSolScalar : PavSolVector;
  const int width = int(g.fields.size());
  // One record for the vertices, or one per cell type present.
  PavSolution *recOf[PAV_NBR_STORED_TYPES] = {};
  auto newRecord = [&](int list, int32_t n, int degree) -> PavSolution * {
    PavSolution *rec = pav_NewSolutionRecord(dim, kind, n, degree, 1, status);
    if (!rec) return nullptr;
    std::snprintf(rec->name, PAV_NAME_SIZE, "%s", g.name.c_str());
    rec->iteration = iteration;
    rec->time = time;
    out.recs.push_back({list, rec});
    return rec;
  };
  if (g.atVertices) {
    if (!(recOf[Vertices] = newRecord(SolAtVertices, obj->ent[Vertices].nbr, 1)))
      return PAV_FAILURE;
  } else {
    for (int type = 3; type < PAV_NBR_STORED_TYPES; type++)
      if (typeDimension(type) == s.cellDim && obj->ent[type].nbr > 0 &&
          !(recOf[type] = newRecord(pav_EntTyp2SolTyp(type, nullptr), obj->ent[type].nbr, 0)))
        return PAV_FAILURE;
  }
  std::vector<double> buf;
  std::vector<std::pair<int, int32_t>> cells;
  for (const Zone &z : s.zones) {
    const int64_t n = g.atVertices ? z.nbrVer : z.nbrCell;
    if (!g.atVertices) {
      zoneCells(s, z, cells);
      if (int64_t(cells.size()) != n)
        return pav_Fail(status,
                        "Mismatched solution sizes: zone %s of %s has %lld cells and "
                        "%lld cell elements\n",
                        z.name.c_str(), s.fileName.c_str(), (long long)n, (long long)cells.size());
    }
    if (n == 0) continue;
    buf.resize(size_t(n));
    for (int c = 0; c < width; c++) {
      cgsize_t lo = 1, hi = cgsize_t(n);
      if (cg_field_read(s.fn, 1, z.index, g.sol, g.fields[size_t(c)].c_str(),
                        CGNS_ENUMV(RealDouble), &lo, &hi, buf.data()))
        return pav_Fail(status, "Mismatched solution sizes: field %s of zone %s of %s: %.200s\n",
                        g.fields[size_t(c)].c_str(), z.name.c_str(), s.fileName.c_str(),
                        libraryError());
      const int s3 = pav_SolKindSize(dim, kind);
      if (g.atVertices) {
        double *d = recOf[Vertices]->data + size_t(s3) * (size_t(z.verOffset) + 1);
        for (int64_t v = 0; v < n; v++) d[size_t(s3) * size_t(v) + size_t(c)] = buf[size_t(v)];
      } else {
        for (int64_t k = 0; k < n; k++) {
          const int type = cells[size_t(k)].first;
          if (!type || !recOf[type]) continue;
          recOf[type]->data[size_t(s3) * size_t(cells[size_t(k)].second) + size_t(c)] =
              buf[size_t(k)];
        }
      }
    }
  }
  return PAV_SUCCESS;
}

int readSolutions(Scan &s, PavObject *obj, char *status) {
  if (int rc = scanFile(s, status)) return rc;
  if (s.physDim != obj->dim)
    return pav_Fail(status, "Invalid solution dimension %d should be %d \n", s.physDim, obj->dim);
  if (s.nbrVer != obj->ent[Vertices].nbr)
    return pav_Fail(status, "Mismatched solution sizes: %lld vertices in %s, %d in the mesh\n",
                    (long long)s.nbrVer, s.fileName.c_str(), obj->ent[Vertices].nbr);
  for (int type = 3; type < PAV_NBR_STORED_TYPES; type++)
    if (s.count[type] != obj->ent[type].nbr)
      return pav_Fail(status, "Mismatched solution sizes: %lld %s in %s, %d in the mesh\n",
                      (long long)s.count[type], pav_TypeCountLabel(type), s.fileName.c_str(),
                      obj->ent[type].nbr);
  int iteration = 0;
  double time = 0;
  readIterativeData(s, &iteration, &time);
  std::vector<FieldGroup> groups;
  if (int rc = groupFields(s, obj->dim, groups, status)) return rc;
  if (groups.empty()) return pav_Fail(status, "No solution in CGNS file %s\n", s.fileName.c_str());
  RecordList recs;
  for (const FieldGroup &g : groups)
    if (int rc = readGroup(s, obj, g, iteration, time, recs, status)) return rc;
  // The first field of the file ends at the head of its list.
  for (size_t k = recs.recs.size(); k-- > 0;) {
    char scratch[PAV_STATUS_SIZE];
    if (pav_PushSolution(obj, recs.recs[k].first, recs.recs[k].second, scratch) != PAV_SUCCESS)
      continue; // every list code above is served: not reached
    recs.recs[k].second = nullptr;
  }
  return PAV_SUCCESS;
}

} // namespace

int pav_OpenCgnsSolution(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (Solution Name) parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  Scan s;
  s.fileName = name;
  const int rc = guarded(s, status, [&] { return readSolutions(s, obj, status); });
  if (rc != PAV_SUCCESS) return PAV_FAILURE;
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name);
  return PAV_SUCCESS;
}
