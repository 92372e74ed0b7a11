#include "render/scene_marks.h"

#include "pav_object.h"

#include <algorithm>
#include <cmath>

namespace pavo {

namespace {

QVector3D boxCorner(const double b[6], int i) {
  return QVector3D((float)b[i & 1], (float)b[2 + ((i >> 1) & 1)], (float)b[4 + ((i >> 2) & 1)]);
}

} // namespace

void appendSegment(std::vector<float> &out, const QVector3D &a, const QVector3D &b) {
  out.insert(out.end(), {a.x(), a.y(), a.z(), b.x(), b.y(), b.z()});
}

void appendBoxEdges(const double box[6], std::vector<float> &segments) {
  // Corners are numbered by bits (x, y, z); an edge joins two corners one bit apart.
  for (int i = 0; i < 8; i++)
    for (int bit = 1; bit < 8; bit <<= 1)
      if (!(i & bit)) appendSegment(segments, boxCorner(box, i), boxCorner(box, i | bit));
}

std::vector<QVector3D> cutPlaneOutline(const double plane[4], const double box[6]) {
  std::vector<QVector3D> pts;
  const double n[3] = {plane[0], plane[1], plane[2]};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (!(len > 0) || !std::isfinite(len)) return pts;
  const double size = std::max({box[1] - box[0], box[3] - box[2], box[5] - box[4], 1e-30});
  auto dist = [&](const QVector3D &p) {
    return (n[0] * p.x() + n[1] * p.y() + n[2] * p.z() + plane[3]) / len;
  };
  auto add = [&](const QVector3D &p) {
    for (const QVector3D &q : pts)
      if ((q - p).length() <= 1e-6 * size) return;
    pts.push_back(p);
  };
  // The crossings of the box's edges: end points on the plane, or a sign change along the edge.
  for (int i = 0; i < 8; i++)
    for (int bit = 1; bit < 8; bit <<= 1) {
      if (i & bit) continue;
      const QVector3D a = boxCorner(box, i), b = boxCorner(box, i | bit);
      const double da = dist(a), db = dist(b);
      if (da == 0) add(a);
      if (db == 0) add(b);
      if ((da < 0 && db > 0) || (da > 0 && db < 0)) add(a + (float)(da / (da - db)) * (b - a));
    }
  if (pts.size() < 3) return pts;
  // The crossings are the corners of a convex polygon: order them by angle about their centre.
  QVector3D c;
  for (const QVector3D &p : pts) c += p;
  c /= (float)pts.size();
  const QVector3D normal((float)n[0], (float)n[1], (float)n[2]);
  QVector3D u = pts[0] - c;
  for (const QVector3D &p : pts)
    if ((p - c).length() > u.length()) u = p - c;
  const QVector3D v = QVector3D::crossProduct(normal, u);
  std::sort(pts.begin(), pts.end(), [&](const QVector3D &p, const QVector3D &q) {
    return std::atan2(QVector3D::dotProduct(p - c, v), QVector3D::dotProduct(p - c, u)) <
           std::atan2(QVector3D::dotProduct(q - c, v), QVector3D::dotProduct(q - c, u));
  });
  return pts;
}

std::vector<float> cornerPositions(const PavObject *mesh) {
  std::vector<float> out;
  if (!mesh || !mesh->crdDbl) return out;
  const PavEntitySet &crn = mesh->ent[Corners];
  const int nbrVer = mesh->ent[Vertices].nbr;
  if (crn.nbr < 1 || !crn.idx) return out;
  out.reserve(3 * (size_t)crn.nbr);
  for (int32_t i = 1; i <= crn.nbr; i++) {
    const int32_t v = crn.idx[i];
    if (v < 1 || v > nbrVer) continue;
    for (int k = 0; k < 3; k++) out.push_back((float)mesh->crdDbl[3 * (int64_t)v + k]);
  }
  return out;
}

} // namespace pavo
