#include "scene/scene_marks.h"

#include "pav_object.h"
#include "scene/scene_window.h"

#include <QOpenGLFunctions_4_0_Core>
#include <algorithm>
#include <cmath>

namespace pavo {

namespace {

QVector3D boxCorner(const double b[6], int i) {
  return QVector3D((float)b[i & 1], (float)b[2 + ((i >> 1) & 1)], (float)b[4 + ((i >> 2) & 1)]);
}

void appendSegment(std::vector<float> &out, const QVector3D &a, const QVector3D &b) {
  out.insert(out.end(), {a.x(), a.y(), a.z(), b.x(), b.y(), b.z()});
}

} // namespace

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

void PavSceneWindow::boundingBox(double box[6]) const {
  // The cube around the scene's sphere (radius 1 / sceneScale).
  const double r = view.sceneScale > 0 ? 1.0 / view.sceneScale : 1.0;
  for (int i = 0; i < 3; i++) {
    box[2 * i] = (double)view.sceneCentre[i] - r;
    box[2 * i + 1] = (double)view.sceneCentre[i] + r;
  }
}

void PavSceneWindow::renderMarks(const PavCameraMatrices &m) {
  std::vector<float> lines;
  double box[6];
  boundingBox(box);
  if (switches.showBox) appendBoxEdges(box, lines);
  if (switches.showCutPlane && view.cutActive()) {
    const std::vector<QVector3D> outline = cutPlaneOutline(view.cutPlane, box);
    for (size_t i = 0; outline.size() > 1 && i < outline.size(); i++)
      appendSegment(lines, outline[i], outline[(i + 1) % outline.size()]);
  }
  // The centre cross lies inside the scene: it is drawn over the faces, not hidden by them.
  const size_t centreFrom = lines.size() / 3;
  if (switches.showSceneCentre) {
    // Three arms of a tenth of the scene's radius.
    const float arm = 0.1f / (view.sceneScale > 0 ? view.sceneScale : 1.0f);
    for (int k = 0; k < 3; k++) {
      QVector3D e;
      e[k] = arm;
      appendSegment(lines, view.sceneCentre - e, view.sceneCentre + e);
    }
  }
  static const std::vector<float> none;
  const std::vector<float> &points = switches.showCorners ? cornerPoints : none;
  // Uploads only when what is shown changed: a frame that changes uniforms uploads nothing.
  auto upload = [&](BufferHandle &buffer, std::vector<float> &shown, const std::vector<float> &xyz,
                    uint32_t type) {
    if (xyz == shown && (buffer || xyz.empty())) return;
    shown = xyz;
    if (xyz.empty()) {
      buffer.reset();
      return;
    }
    if (!buffer) buffer = makeBuffer(createBufferObjectForType(type));
    if (!buffer) return;
    const int n = (int)(xyz.size() / 3);
    std::vector<int> idx((size_t)n);
    for (int i = 0; i < n; i++) idx[(size_t)i] = i;
    buffer->updateVao(gl, n, xyz.data(), type == DrawEdge ? n / 2 : n, idx.data());
  };
  upload(marks, marksShown, lines, DrawEdge);
  upload(markPoints, markPointsShown, points, DrawCorner);
  // Lines and points in the colour of the wire lines: black on white, white on black. They are
  // drawn where they reach the depth of the faces they lie on.
  const float ink = view.whiteBackground ? 0.0f : 1.0f;
  gl->glDepthFunc(GL_LEQUAL);
  GlslProgram *p = marks && marks->vao ? useProgram("CADBoxSha") : nullptr;
  if (p) {
    p->setUniform("MVP", m.mvp);
    p->setUniform("trans", -view.sceneCentre * view.sceneScale);
    p->setUniform("scaling", view.sceneScale);
    p->setUniform("toBlack", !view.whiteBackground);
    gl->glBindVertexArray(marks->vao);
    const size_t n = marksShown.size() / 3, from = std::min(centreFrom, n);
    if (from > 0) gl->glDrawElements(GL_LINES, (GLsizei)from, GL_UNSIGNED_INT, nullptr);
    if (n > from) {
      gl->glDisable(GL_DEPTH_TEST);
      gl->glDrawElements(GL_LINES, (GLsizei)(n - from), GL_UNSIGNED_INT,
                         (const void *)(from * sizeof(GLuint)));
      gl->glEnable(GL_DEPTH_TEST);
    }
    gl->glBindVertexArray(0);
  }
  p = markPoints && markPoints->vao ? useProgramForType(DrawCorner, m) : nullptr;
  if (p) {
    p->setUniform("Material.Kd", QVector3D(ink, ink, ink));
    p->setUniform("PointSize", 8.0f);
    p->setUniform("HighLightAll", false);
    gl->glBindVertexArray(markPoints->vao);
    gl->glDrawArrays(GL_POINTS, 0, (GLsizei)(markPointsShown.size() / 3));
    gl->glBindVertexArray(0);
  }
  gl->glDepthFunc(GL_LESS);
}

} // namespace pavo
