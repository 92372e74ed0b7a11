#include "pav_types.h"

#include "pav_status.h"

#include <cstdio>
#include <cstring>

namespace {

// The axioms: what each element kind is called and how big it is. Everything per code is derived
// from these rows and the code numbering rule.
struct KindRule {
  const char *plural;    // summary label: "Triangles"
  const char *display;   // display name: "Triangle"
  const char *label;     // index message: "triangle"
  const char *allocP1;   // allocation message at degree 1: "triangle"
  const char *allocHigh; // allocation message at degrees 2..4, after "P2": "Triangle"
  char letter;           // 'P' or 'Q' (tensor kinds)
  int vertices;          // corner vertices of the kind
  int bezierWidth;       // indices of a control-point multi-index
  int p1Code;            // entity code at degree 1
  int highPosition;      // position in the 7-code block of degrees 2..10
};

constexpr KindRule kKinds[PavKindCount] = {
    {"Edges", "Edge", "edge", "Edge", "Edge", 'P', 2, 2, Edges, 0},
    {"Triangles", "Triangle", "triangle", "triangle", "Triangle", 'P', 3, 3, Triangles, 1},
    {"Quadrilaterals", "Quadrilateral", "quadrilateral", "Quad", "Quad", 'Q', 4, 2, Quadrilaterals,
     2},
    {"Tetrahedra", "Tetrahedra", "tetrahedron", "Tet", "Tet", 'P', 4, 4, Tetrahedra, 3},
    {"Pyramids", "Pyramid", "pyramid", "Pyramid", "Pyramid", 'P', 5, 3, Pyramids, 5},
    {"Prisms", "Prism", "prism", "Prism", "Prism", 'P', 6, 4, Prisms, 6},
    {"Hexahedra", "Hexahedra", "hexahedron", "Hex", "Hex", 'Q', 8, 3, Hexahedra, 4},
};

// First code of the 7-code block of a degree 2..10 (degree 6 skips 39, Reference).
int blockStart(int degree) {
  if (degree <= 4) return EdgesP2 + 7 * (degree - 2);
  if (degree == 5) return 32;
  return 40 + 7 * (degree - 6);
}

struct TypeInfo {
  PavElementKind kind = PavKindNone;
  int degree = 0;
  char display[24] = "unknown type";
  char label[24] = "";
  char arrays[24] = "";
  char alloc[24] = "";
  char count[24] = "";
};

constexpr int kTableSize = PAV_MAX_SIZED_TYPE + 1;

struct TypeTable {
  TypeInfo info[kTableSize];

  TypeTable() {
    for (int k = 0; k < PavKindCount; k++) {
      for (int d = 1; d <= PAV_MAX_DEGREE; d++) {
        const KindRule &rule = kKinds[k];
        TypeInfo &t = info[pav_ElementType(PavElementKind(k), d)];
        t.kind = PavElementKind(k);
        t.degree = d;
        if (d > 4) continue; // size-only codes: no names
        char prefix[8] = "";
        if (d > 1) std::snprintf(prefix, sizeof prefix, "%c%d", rule.letter, d);
        const char *dash = d > 1 ? "-" : "";
        const char *blank = d > 1 ? " " : "";
        char name[24];
        std::snprintf(name, sizeof name, " %s%s%s", prefix, blank, rule.display);
        std::snprintf(t.display, sizeof t.display, "%-18s", name);
        std::snprintf(t.label, sizeof t.label, "%s%s%s", prefix, dash, rule.label);
        std::snprintf(t.arrays, sizeof t.arrays, "%s%s%s", prefix, dash, rule.label);
        char *first = t.arrays + std::strlen(prefix) + std::strlen(dash);
        *first = char(*first - 'a' + 'A');
        if (d == 1)
          std::snprintf(t.alloc, sizeof t.alloc, "%s", rule.allocP1);
        else
          std::snprintf(t.alloc, sizeof t.alloc, "%s%s", prefix, rule.allocHigh);
        std::snprintf(t.count, sizeof t.count, "%s%s%s", prefix, dash, rule.plural);
      }
    }
    std::snprintf(info[Any].display, sizeof info[Any].display, " Any       type   ");
    std::snprintf(info[Vertices].display, sizeof info[Vertices].display, " Vertex           ");
    std::snprintf(info[Reference].display, sizeof info[Reference].display, " Reference        ");
    std::snprintf(info[Vertices].label, sizeof info[Vertices].label, "vertex");
    std::snprintf(info[Vertices].arrays, sizeof info[Vertices].arrays, "Vertex");
    std::snprintf(info[Vertices].alloc, sizeof info[Vertices].alloc, "vertex");
    std::snprintf(info[Vertices].count, sizeof info[Vertices].count, "Vertices");
    std::snprintf(info[Corners].label, sizeof info[Corners].label, "corner");
    std::snprintf(info[Corners].arrays, sizeof info[Corners].arrays, "Corner");
    std::snprintf(info[Corners].alloc, sizeof info[Corners].alloc, "corners");
    std::snprintf(info[Corners].count, sizeof info[Corners].count, "Corners");
  }
};

const TypeTable &table() {
  static const TypeTable instance;
  return instance;
}

const TypeInfo *infoOf(int type) {
  if (type < 0 || type >= kTableSize) return nullptr;
  return &table().info[type];
}

bool isSizedElement(int type) { return pav_ElementKind(type) != PavKindNone; }

int undefined(const char *function, int type, char *status) {
  pav_SetStatus(status, " %s is undefined for Typ %d !\n", function, type);
  return 0;
}

const char *nonEmpty(const char *text) { return text && *text ? text : nullptr; }

} // namespace

PavElementKind pav_ElementKind(int type) {
  const TypeInfo *t = infoOf(type);
  return t ? t->kind : PavKindNone;
}

int pav_ElementDegree(int type) {
  const TypeInfo *t = infoOf(type);
  return t ? t->degree : 0;
}

int pav_ElementType(PavElementKind kind, int degree) {
  if (kind < 0 || kind >= PavKindCount || degree < 1 || degree > PAV_MAX_DEGREE) return 0;
  if (degree == 1) return kKinds[kind].p1Code;
  return blockStart(degree) + kKinds[kind].highPosition;
}

int pav_KindNbrNod(PavElementKind kind, int degree) {
  if (degree < 0 || degree > PAV_MAX_DEGREE) return 0;
  const int d = degree;
  switch (kind) {
  case PavKindEdge:
    return d + 1;
  case PavKindTriangle:
    return (d + 1) * (d + 2) / 2;
  case PavKindQuadrilateral:
    return (d + 1) * (d + 1);
  case PavKindTetrahedron:
    return (d + 1) * (d + 2) * (d + 3) / 6;
  case PavKindPyramid:
    return (d + 1) * (d + 2) * (2 * d + 3) / 6;
  case PavKindPrism:
    return (d + 1) * (d + 1) * (d + 2) / 2;
  case PavKindHexahedron:
    return (d + 1) * (d + 1) * (d + 1);
  default:
    return 0;
  }
}

int pav_GetDegree(int type) { return pav_IsElementType(type) ? pav_ElementDegree(type) : 0; }

const char *pav_EntityTypeName(int type) {
  const TypeInfo *t = infoOf(type);
  if (!t || type == Corners || (type > PrismsP4 && type != Reference)) return "unknown type";
  return t->display;
}

int pav_MshTyp2Siz(int type, char *status) {
  if (type == Corners || type == Normals) return 1;
  if (!isSizedElement(type)) return undefined("pav_MshTyp2Siz", type, status);
  return pav_KindNbrNod(pav_ElementKind(type), pav_ElementDegree(type));
}

int pav_MshTyp2SizElt(int type, char *status) {
  if (!isSizedElement(type)) return undefined("pav_MshTyp2SizElt", type, status);
  return kKinds[pav_ElementKind(type)].vertices;
}

int pav_Typ2NbrBezCoe(int type, char *status) {
  if (!isSizedElement(type)) return undefined("pav_Typ2NbrBezCoe", type, status);
  return kKinds[pav_ElementKind(type)].bezierWidth;
}

int pav_EntTyp2SolTyp(int type, char *status) {
  if (!pav_IsElementType(type)) return undefined("pav_EntTyp2SolTyp", type, status);
  return PAV_FIRST_ELEMENT_SOLTYP + 7 * (pav_ElementDegree(type) - 1) + pav_ElementKind(type);
}

static bool isElementSolTyp(int solTyp) {
  return solTyp >= PAV_FIRST_ELEMENT_SOLTYP && solTyp <= PAV_LAST_ELEMENT_SOLTYP;
}

int pav_SolTyp2EntTyp(int solTyp, int degree) {
  if (!isElementSolTyp(solTyp)) return 0;
  return pav_ElementType(PavElementKind((solTyp - PAV_FIRST_ELEMENT_SOLTYP) % 7), degree);
}

int pav_SolTyp2NbrNod(int solTyp, int degree) {
  if (!isElementSolTyp(solTyp)) return 0;
  return pav_KindNbrNod(PavElementKind((solTyp - PAV_FIRST_ELEMENT_SOLTYP) % 7), degree);
}

int pav_SolTyp2NodTyp(int solTyp, int degree) {
  return degree == 0 ? 0 : pav_SolTyp2EntTyp(solTyp, degree);
}

int pav_SolTyp2ListTyp(int solTyp) {
  if (solTyp == SolAtVertices) return Vertices;
  if (!isElementSolTyp(solTyp)) return 0;
  return pav_SolTyp2EntTyp(solTyp, (solTyp - PAV_FIRST_ELEMENT_SOLTYP) / 7 + 1);
}

const char *pav_SolutionTypeName(int solTyp) {
  static const struct Names {
    char text[PAV_LAST_ELEMENT_SOLTYP - PAV_FIRST_ELEMENT_SOLTYP + 1][24];
    Names() {
      for (int c = PAV_FIRST_ELEMENT_SOLTYP; c <= PAV_LAST_ELEMENT_SOLTYP; c++) {
        const KindRule &rule = kKinds[(c - PAV_FIRST_ELEMENT_SOLTYP) % 7];
        std::snprintf(text[c - PAV_FIRST_ELEMENT_SOLTYP], sizeof text[0], "SolAt%s%c%d",
                      rule.plural, rule.letter, (c - PAV_FIRST_ELEMENT_SOLTYP) / 7 + 1);
      }
    }
  } names;
  if (solTyp == SolAtVertices) return "SolAtVertices";
  if (!isElementSolTyp(solTyp)) return "unknown";
  return names.text[solTyp - PAV_FIRST_ELEMENT_SOLTYP];
}

int pav_SolKindSize(int dimension, int kind) {
  const bool plane = dimension == 2;
  switch (kind) {
  case PavSolScalar:
    return 1;
  case PavSolVector:
    return plane ? 2 : 3;
  case PavSolSymMatrix:
    return plane ? 3 : 6;
  case PavSolMatrix:
    return plane ? 4 : 9;
  default:
    std::printf("Warning: the following solution type is unkown   %d \n", kind);
    return 0;
  }
}

int pav_SolKindSize(int dimension, int kind, int nbrNod) {
  return pav_SolKindSize(dimension, kind) * nbrNod;
}

const char *pav_TypeIndexLabel(int type) {
  if (type == Vertices || pav_IsElementType(type)) return nonEmpty(infoOf(type)->label);
  return nullptr;
}

const char *pav_TypeArraysName(int type) {
  if (type == Vertices || pav_IsElementType(type)) return nonEmpty(infoOf(type)->arrays);
  return nullptr;
}

const char *pav_TypeAllocName(int type) {
  if (type == Normals) return "normal";
  if (pav_IsStoredType(type)) return nonEmpty(infoOf(type)->alloc);
  return nullptr;
}

const char *pav_TypeCountLabel(int type) {
  if (pav_IsStoredType(type)) return nonEmpty(infoOf(type)->count);
  return nullptr;
}
