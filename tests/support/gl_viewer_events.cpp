#include "gl_viewer_events.h"

#include "gl_fixture.h"
#include "mesh_builders.h"
#include "pavmsh.h"
#include "render/palette.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSurfaceFormat>
#include <cmath>

using namespace pavo;

namespace pavo_test {

std::unique_ptr<PavMeshViewer> shownViewer(int size) {
  if (!haveDisplay()) return nullptr;
  auto v = std::make_unique<PavMeshViewer>();
  QSurfaceFormat format = QSurfaceFormat::defaultFormat();
  format.setDepthBufferSize(24);
  v->setFormat(format);
  v->resize(size, size);
  v->show();
  // The context is made on the first exposure; a later unmapping is waited out on the events
  // themselves, however long the machine takes, never on a clock.
  v->waitForInit();
  while (!v->isExposed()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  plainFaces(v->view.options);
  return v;
}

void plainFaces(PavRenderOption &o) {
  o.TextOn = o.PalOn = o.AxisOn = o.LineOn = o.TessOn = false;
  o.setRenderMode(3);
  o.UsePhong = 3;
}

void showMesh(PavMeshViewer &v, PavObject *obj) {
  v.adoptMesh(obj);
  captured([&] { v.displayObject(); });
  v.renderNow();
}

Frame::Frame(PavSceneWindow &v) {
  v.renderNowNoSwap();
  rgba = v.grabFrame(&w, &h);
}

std::array<int, 3> Frame::at(int x, int y) const {
  if (x < 0 || y < 0 || x >= w || y >= h || rgba.empty()) return {-1, -1, -1};
  const size_t i = 4 * ((size_t)y * (size_t)w + (size_t)x);
  return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

QPointF windowOf(const PavSceneWindow &v, double x, double y, double z) {
  PavCameraMatrices m = v.matrices();
  QVector3D p = (QVector3D((float)x, (float)y, (float)z) - v.view.sceneCentre) * v.view.sceneScale;
  QVector4D c = m.mvp * QVector4D(p, 1);
  QVector4D w = m.viewport * QVector4D(c.x() / c.w(), c.y() / c.w(), 0, 1);
  return {w.x(), w.y()};
}

QPoint pixelOf(const PavSceneWindow &v, double x, double y, double z) {
  const QPointF w = windowOf(v, x, y, z);
  const double ratio = v.devicePixelRatio();
  return QPoint((int)(w.x() / ratio), v.height() - 1 - (int)(w.y() / ratio));
}

std::array<int, 3> colourAt(PavSceneWindow &v, QPoint p) {
  const Frame f(v);
  const double ratio = v.devicePixelRatio();
  return f.at((int)(p.x() * ratio), f.h - 1 - (int)(p.y() * ratio));
}

bool drawnAt(PavSceneWindow &v, double x, double y, double z) {
  return colourAt(v, pixelOf(v, x, y, z)) != std::array<int, 3>{255, 255, 255};
}

std::array<int, 3> paletteRgb(const float pal[5], int colormap, float value) {
  float rgb[3];
  paletteColour(pal, colormap, value, rgb);
  return {(int)std::lround(rgb[0] * 255), (int)std::lround(rgb[1] * 255),
          (int)std::lround(rgb[2] * 255)};
}

void click(PavMeshViewer &v, QPoint p, Qt::KeyboardModifiers mods, Qt::MouseButton button) {
  QMouseEvent press(QEvent::MouseButtonPress, p, button, button, mods);
  QCoreApplication::sendEvent(&v, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, p, button, Qt::NoButton, mods);
  QCoreApplication::sendEvent(&v, &release);
}

void doubleClick(PavMeshViewer &v, QPoint p) {
  click(v, p, Qt::NoModifier);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&v, &dbl);
}

void drag(PavMeshViewer &v, QPoint a, QPoint b, Qt::MouseButton button) {
  QMouseEvent press(QEvent::MouseButtonPress, a, button, button, Qt::NoModifier);
  QCoreApplication::sendEvent(&v, &press);
  for (int i = 1; i <= 2; i++) {
    QPointF at = QPointF(a) + (QPointF(b) - QPointF(a)) * (i / 2.0);
    QMouseEvent move(QEvent::MouseMove, at, Qt::NoButton, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&v, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, b, button, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&v, &release);
}

void key(PavMeshViewer &v, int qtKey, const char *text) {
  QKeyEvent k(QEvent::KeyPress, qtKey, Qt::NoModifier, QString::fromLatin1(text));
  QCoreApplication::sendEvent(&v, &k);
}

PavObject *meshOf(const std::vector<double> &xyz, int type, const std::vector<int> &nodes,
                  const std::vector<int> &refs) {
  PavObject *obj = buildMesh(3, xyz, type, nodes);
  if (obj && type)
    for (size_t i = 0; i < refs.size() && (int)i < obj->ent[type].nbr; i++)
      obj->ent[type].ref[i + 1] = refs[i];
  return obj;
}

} // namespace pavo_test
