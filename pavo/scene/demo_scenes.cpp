#include "scene/demo_scenes.h"

#include "render/field_packing.h"

#include "ho_bezier.h"
#include "ho_lattice.h"

#include <algorithm>
#include <cmath>

namespace pavo {

int64_t PavDemoItem::elementCount() const {
  if (!polygonData.empty()) return (int64_t)(polygonData.size() / 15);
  int n = object ? PavDrawTyp2Siz(object->type) : 0;
  return n > 0 ? (int64_t)elt.size() / n : 0;
}

namespace {

const double kPi = 3.14159265358979323846;

// The tiles of the demo are unit squares (or triangles) warped in their plane and lifted by a
// bump, so that every curved kind shows its curvature from the front and from the side. Degree 1
// elements use the same map at their vertices and stay flat.
QVector3D warp(double x, double y, double ox, double oy) {
  double wx = x + 0.10 * std::sin(kPi * y), wy = y + 0.10 * std::sin(kPi * x);
  double z = 0.25 * std::sin(kPi * x) * std::sin(kPi * y);
  return QVector3D((float)(ox + wx), (float)(oy + wy), (float)z);
}

void grow(double box[6], const QVector3D &p) {
  for (int k = 0; k < 3; k++) {
    box[2 * k] = std::min(box[2 * k], (double)p[k]);
    box[2 * k + 1] = std::max(box[2 * k + 1], (double)p[k]);
  }
}

// Kind and degree of a draw type of the edge, triangle and quadrilateral families.
HoKind kindOf(uint32_t type) {
  PavDrawFamily f = pavDrawFamily(type);
  return f == PavDrawFamily::Edge       ? HoEdge
         : f == PavDrawFamily::Triangle ? HoTriangle
                                        : HoQuadrilateral;
}

// Appends one element whose nodes are the reference nodes of its kind mapped by `map` (a function
// of the reference point: (x, y) in the unit square for quadrilaterals, u for edges, barycentric
// for triangles). The positions are converted to Bezier control points (canonical node order)
// and the element's index list follows the lexicographic control-point layout the curved
// programs read.
template <typename Map> void addElement(PavDemoItem &item, const Map &map, double box[6]) {
  uint32_t type = item.object->type;
  HoKind kind = kindOf(type);
  int d = pavDrawTypeDegree(type);
  int64_t n = hoNodeCount(kind, d);
  const double *ref = hoNodeRefCoords(kind, d);
  int w = hoRefWidth(kind);
  int base = (int)(item.xyz.size() / 3);
  double lagrange[3][25], bezier[3][25];
  for (int64_t i = 0; i < n; i++) {
    QVector3D p = map(ref + i * w);
    grow(box, p);
    for (int k = 0; k < 3; k++) lagrange[k][i] = p[k];
  }
  for (int k = 0; k < 3; k++)
    if (!hoLagrangeToBezier(kind, d, lagrange[k], bezier[k]))
      std::copy_n(lagrange[k], n, bezier[k]);
  for (int64_t i = 0; i < n; i++)
    item.xyz.insert(item.xyz.end(),
                    {(float)bezier[0][i], (float)bezier[1][i], (float)bezier[2][i]});
  for (int64_t i = 0; i < n; i++) item.elt.push_back(base + (int)i);
}

PavDemoItem makeItem(uint32_t type, int32_t id) {
  PavDemoItem item;
  item.object.reset(createDrawObject(type, id));
  return item;
}

// Element counts, and colours that stand out on the white background for edges and points.
void finish(PavDemoItem &item) {
  item.object->count = (int32_t)item.elementCount();
  PavDrawFamily f = pavDrawFamily(item.object->type);
  float *c = item.object->params.color;
  if (f == PavDrawFamily::Edge) c[0] = 0.1f, c[1] = 0.15f, c[2] = 0.55f;
  if (f == PavDrawFamily::Point) c[0] = 0.8f, c[1] = 0.1f, c[2] = 0.1f;
}

// Two triangles or one quadrilateral per tile, one tile per degree along a row.
void addFaceRow(PavDemoScene &s, bool quads, double oy, int32_t &id) {
  const uint32_t tris[4] = {DrawTriangle, DrawTriangleP2, DrawTriangleP3, DrawTriangleP4};
  const uint32_t quadTypes[4] = {DrawQuad, DrawQuadQ2, DrawQuadQ3, DrawQuadQ4};
  for (int d = 1; d <= 4; d++) {
    double ox = 1.4 * (d - 1);
    PavDemoItem item = makeItem(quads ? quadTypes[d - 1] : tris[d - 1], ++id);
    if (quads) {
      addElement(
          item, [&](const double *r) { return warp(r[0], r[1], ox, oy); }, s.box);
    } else {
      // The unit square split along its diagonal: corners (0,0), (1,0), (0,1) and (1,1).
      addElement(
          item, [&](const double *b) { return warp(b[1], b[2], ox, oy); }, s.box);
      addElement(
          item, [&](const double *b) { return warp(1 - b[1], 1 - b[2], ox, oy); }, s.box);
    }
    finish(item);
    s.items.push_back(std::move(item));
  }
}

// An arc of three edges per degree, along the bottom of the scene.
void addEdgeRow(PavDemoScene &s, double oy, int32_t &id) {
  const uint32_t types[4] = {DrawEdge, DrawEdgeP2, DrawEdgeP3, DrawEdgeP4};
  for (int d = 1; d <= 4; d++) {
    double ox = 1.4 * (d - 1);
    PavDemoItem item = makeItem(types[d - 1], ++id);
    for (int e = 0; e < 3; e++)
      addElement(
          item,
          [&](const double *r) {
            double t = (e + r[0]) / 3.0;
            return QVector3D((float)(ox + t), (float)(oy + 0.3 * std::sin(kPi * t)), 0.1f);
          },
          s.box);
    finish(item);
    s.items.push_back(std::move(item));
  }
}

// A cubic solution on two cubic triangles: a wave whose extrema lie inside the elements.
void addSolutionTile(PavDemoScene &s, double ox, double oy, int degree, int32_t &id) {
  const uint32_t types[4] = {DrawTriangle, DrawTriangleP2, DrawTriangleP3, DrawTriangleP4};
  PavDemoItem item = makeItem(types[std::min(std::max(degree, 1), 4) - 1], ++id);
  int64_t n = hoNodeCount(HoTriangle, degree);
  const double *ref = hoNodeRefCoords(HoTriangle, degree);
  auto field = [](double x, double y) {
    return (float)(std::sin(2 * kPi * x) * std::cos(kPi * y));
  };
  for (int half = 0; half < 2; half++) {
    auto uv = [half](const double *b, double *x, double *y) {
      *x = half ? 1 - b[1] : b[1];
      *y = half ? 1 - b[2] : b[2];
    };
    addElement(
        item,
        [&](const double *b) {
          double x, y;
          uv(b, &x, &y);
          return warp(x, y, ox, oy);
        },
        s.box);
    for (int64_t i = 0; i < n; i++) {
      double x, y;
      uv(ref + 3 * i, &x, &y);
      item.fieldValues.push_back(field(x, y));
    }
  }
  finish(item);
  item.fieldNodes = (int)n;
  item.solution = std::make_unique<PavDrawSolution>(item.object->id);
  // The palette spans the values the field takes inside its elements, not only at its nodes.
  std::vector<float> bezier;
  if (packBezierField(item.object->type, (int)n, 2, item.fieldValues.data(), bezier))
    item.solution->refinePaletteArray(item.object->type, degree, 2, bezier.data());
  if (!item.solution->paletteSet)
    item.solution->setPaletteFromValues((int64_t)item.fieldValues.size(), item.fieldValues.data());
  item.solution->nbrIso = 2;
  item.solution->colormap = 0;
  s.items.push_back(std::move(item));
}

void addPoints(PavDemoScene &s, int32_t &id) {
  PavDemoItem vertices = makeItem(DrawVertex, ++id), corners = makeItem(DrawCorner, ++id);
  for (int d = 0; d < 4; d++) {
    double ox = 1.4 * d;
    for (double y : {0.0, 1.0})
      for (double x : {0.0, 1.0}) {
        QVector3D p = warp(x, y, ox, 1.4);
        vertices.xyz.insert(vertices.xyz.end(), {p.x(), p.y(), p.z()});
        vertices.elt.push_back((int)vertices.elt.size());
      }
    QVector3D c = warp(0, 0, ox, 0);
    corners.xyz.insert(corners.xyz.end(), {c.x(), c.y(), c.z()});
    corners.elt.push_back((int)corners.elt.size());
  }
  finish(vertices);
  finish(corners);
  s.items.push_back(std::move(vertices));
  s.items.push_back(std::move(corners));
}

// Polygon layout from polygons given as closed loops of points: fan triangulation from the first
// point, sides tagged visible when they are sides of the polygon.
void addPolygons(PavDemoItem &item, const std::vector<std::vector<QVector3D>> &loops,
                 double box[6]) {
  auto *faces = dynamic_cast<PavDrawObjectWithPalette *>(item.object.get());
  int32_t parent = 0;
  for (const auto &loop : loops) {
    ++parent;
    size_t m = loop.size();
    for (size_t k = 1; k + 1 < m; k++) {
      const QVector3D *c[3] = {&loop[0], &loop[k], &loop[k + 1]};
      const float bary[3][2] = {{1, 0}, {0, 1}, {0, 0}};
      for (int j = 0; j < 3; j++) {
        grow(box, *c[j]);
        item.polygonData.insert(item.polygonData.end(),
                                {c[j]->x(), c[j]->y(), c[j]->z(), bary[j][0], bary[j][1]});
      }
      // Sides (0,k), (k,k+1), (k+1,0): the middle one is always a polygon side, the others only
      // at the ends of the fan.
      item.edgeTags.push_back(k == 1 ? 1u : 0u);
      item.edgeTags.push_back(1u);
      item.edgeTags.push_back(k + 2 == m ? 1u : 0u);
      QVector3D n = QVector3D::normal(*c[0], *c[1], *c[2]);
      item.normals.insert(item.normals.end(), {n.x(), n.y(), n.z()});
      if (faces) faces->polygonParents.push_back(parent);
    }
  }
  finish(item);
}

std::vector<QVector3D> regular(int sides, double cx, double cy, double r, double z = 0) {
  std::vector<QVector3D> p;
  for (int i = 0; i < sides; i++) {
    double a = 2 * kPi * i / sides + kPi / 2;
    p.emplace_back((float)(cx + r * std::cos(a)), (float)(cy + r * std::sin(a)), (float)z);
  }
  return p;
}

void addPolygonScene(PavDemoScene &s, int32_t &id) {
  PavDemoItem polys = makeItem(DrawPolygon, ++id);
  std::vector<std::vector<QVector3D>> loops = {regular(5, 0.5, 0.5, 0.5), regular(6, 1.8, 0.5, 0.5),
                                               regular(8, 3.1, 0.5, 0.5)};
  // A non-convex but star-shaped L from its corner.
  loops.push_back({QVector3D(4.0f, 0, 0), QVector3D(5.0f, 0, 0), QVector3D(5.0f, 0.4f, 0),
                   QVector3D(4.4f, 0.4f, 0), QVector3D(4.4f, 1, 0), QVector3D(4.0f, 1, 0)});
  addPolygons(polys, loops, s.box);
  s.items.push_back(std::move(polys));
  // A hexagonal prism as a polyhedron: two hexagons and six quadrilateral sides.
  PavDemoItem poly = makeItem(DrawPolyhedra, ++id);
  std::vector<QVector3D> bottom = regular(6, 2, 2.2, 0.6, 0), top = regular(6, 2, 2.2, 0.6, 0.8);
  std::vector<std::vector<QVector3D>> faces = {
      std::vector<QVector3D>(bottom.rbegin(), bottom.rend()), top};
  for (int i = 0; i < 6; i++) {
    int j = (i + 1) % 6;
    faces.push_back({bottom[(size_t)i], bottom[(size_t)j], top[(size_t)j], top[(size_t)i]});
  }
  addPolygons(poly, faces, s.box);
  s.items.push_back(std::move(poly));
  s.labels.push_back({QVector3D(0, -0.3f, 0), "Polygons"});
  s.labels.push_back({QVector3D(1.2f, 3.2f, 0.8f), "Polyhedron"});
}

} // namespace

PavDemoScene buildDemoScene(PavDemoKind kind) {
  PavDemoScene s;
  s.box[0] = s.box[2] = s.box[4] = 1e30;
  s.box[1] = s.box[3] = s.box[5] = -1e30;
  int32_t id = 0;
  if (kind == PavDemoKind::Polygons) {
    addPolygonScene(s, id);
    return s;
  }
  addFaceRow(s, false, 2.8, id);
  addFaceRow(s, true, 1.4, id);
  addEdgeRow(s, 0.0, id);
  addPoints(s, id);
  addSolutionTile(s, 5.6, 2.8, 3, id);
  s.labels.push_back({QVector3D(-0.2f, 4.0f, 0), "Triangles P1 to P4"});
  s.labels.push_back({QVector3D(-0.2f, 2.6f, 0), "Quadrilaterals Q1 to Q4"});
  s.labels.push_back({QVector3D(-0.2f, -0.2f, 0), "Edges P1 to P4"});
  s.labels.push_back({QVector3D(5.6f, 4.0f, 0), "P3 solution"});
  if (kind == PavDemoKind::Full) {
    // The full scene adds a quartic field on a quartic tile and the polygons.
    addSolutionTile(s, 5.6, 1.4, 4, id);
    int32_t polyId = id;
    PavDemoScene polys;
    polys.box[0] = polys.box[2] = polys.box[4] = 1e30;
    polys.box[1] = polys.box[3] = polys.box[5] = -1e30;
    addPolygonScene(polys, polyId);
    for (PavDemoItem &item : polys.items) {
      // Moved below the edges.
      for (size_t i = 0; i < item.polygonData.size(); i += 5) item.polygonData[i + 1] -= 3.5f;
      for (size_t i = 0; i < item.polygonData.size(); i += 5)
        grow(s.box,
             QVector3D(item.polygonData[i], item.polygonData[i + 1], item.polygonData[i + 2]));
      s.items.push_back(std::move(item));
    }
  }
  return s;
}

} // namespace pavo
