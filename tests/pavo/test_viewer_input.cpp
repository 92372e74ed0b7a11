// The input of a mesh viewer on a real window, driven by synthesized Qt events: clicks pick
// entities, the bottom bar (selectors, solution choices, numbers within bounds, reference lists)
// and a picking demand pick, and bad input leaves a working window (the keys' effect on the
// picture: test_keys.cpp).
#include "app_messages.h"
#include "gl_viewer_events.h"
#include "mesh_builders.h"
#include "pav_solution.h"
#include "pavmsh.h"
#include "render/glyph_packing.h"
#include "scene/mesh_viewer_input.h"
#include "scene/picked_normals.h"
#include "ui/bottom_bar.h"
#include "ui/bottom_bar_link.h"
#include "ui/preferences_apply.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace pavo;
using namespace pavo_test;

namespace {

// Unit square of two triangles in z = 0: T1 (1, 2, 3) reference 1, T2 (2, 4, 3) reference 2.
const std::vector<double> kSquare = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
const QVector3D kT1(1.0f / 3, 1.0f / 3, 0), kT2(2.0f / 3, 2.0f / 3, 0);

// The square with a scalar vertex field f = x and a metric vertex field (pushed last: first).
PavObject *square(bool fields) {
  PavObject *obj = meshOf(kSquare, Triangles, {1, 2, 3, 2, 4, 3}, {1, 2});
  if (!fields) return obj;
  pushVertexField(obj, [](double x, double, double) { return x; });
  char st[PAV_STATUS_SIZE];
  PavSolution *m = pav_NewSolutionRecord(3, PavSolSymMatrix, 4, 1, 1, st);
  for (int v = 1; v <= 4; v++) {
    const double met[6] = {4, 1, 0, 2, 0, 1.0 + v};
    for (int c = 0; c < 6; c++) m->data[6 * v + c] = met[c];
  }
  pav_PushSolution(obj, SolAtVertices, m, st);
  return obj;
}

bool isCyan(const std::array<int, 3> &c) { return c[0] < 60 && c[1] > 150 && c[2] > 150; }

// The vertex numbers of the bracket of a report's first line.
std::set<int> bracketVertices(const std::string &report) {
  std::set<int> out;
  const size_t a = report.find('['), b = report.find(']');
  if (a == std::string::npos || b == std::string::npos) return out;
  std::istringstream in(report.substr(a + 1, b - a - 1));
  for (int v; in >> v;) out.insert(v);
  return out;
}

void typeAndReturn(PavBottom &bar, const QString &text) {
  bar.numberInput()->setText(text);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(bar.numberInput(), &press);
}

class ViewerInput : public ::testing::Test {
protected:
  void SetUp() override {
    viewer = shownViewer();
    if (!viewer) GTEST_SKIP() << "no display";
    input = PavViewerInput::of(viewer.get());
    ASSERT_NE(input, nullptr);
    input->traceHighlight = true;
  }
  QPoint at(const QVector3D &p) { return pixelOf(*viewer, p.x(), p.y(), p.z()); }
  std::unique_ptr<PavMeshViewer> viewer;
  PavViewerInput *input = nullptr;
};

} // namespace

TEST_F(ViewerInput, ClicksPickReportColourAndUnpick) {
  showMesh(*viewer, square(true));
  viewer->view.options.SolOn = 0; // faces in their plain colour
  key(*viewer, 0, "M");           // without the ellipses of the metric field
  EXPECT_FALSE(viewer->metricGlyphsOn);
  const std::array<int, 3> grey = colourAt(*viewer, at(kT2));

  // Shift: triangle 2 is picked, its report (with the metric's eigen decomposition) printed and
  // sent to this window's panel (not to another window's), and it is painted in the picked colour.
  std::string panel, elsewhere;
  const int mine =
      addMessageListener([&](const std::string &l) { panel += l + "\n"; }, viewer.get());
  const int other = addMessageListener([&](const std::string &l) { elsewhere += l; }, &panel);
  std::string out = captured([&] { click(*viewer, at(kT2), Qt::ShiftModifier); });
  removeMessageListener(mine);
  removeMessageListener(other);
  const std::string expected = pickReport(viewer->meshObject(), {DrawTriangle, 2}).text;
  EXPECT_EQ(input->lastReport(), expected);
  EXPECT_NE(out.find(expected), std::string::npos);
  EXPECT_NE(expected.find("EigenValues"), std::string::npos);
  EXPECT_EQ(bracketVertices(expected), (std::set<int>{2, 3, 4}));
  EXPECT_NE(panel.find(expected), std::string::npos);
  EXPECT_EQ(elsewhere, "");
  EXPECT_TRUE(isCyan(colourAt(*viewer, at(kT2))));
  EXPECT_EQ(colourAt(*viewer, at(kT1)), grey);

  // The same click again unpicks; a click on the background clears an earlier pick.
  out = captured([&] { click(*viewer, at(kT2), Qt::ShiftModifier); });
  EXPECT_EQ(input->pickState().lastPicked(), nullptr);
  EXPECT_EQ(colourAt(*viewer, at(kT2)), grey);
  out = captured([&] { click(*viewer, at(kT1), Qt::ShiftModifier); });
  ASSERT_NE(input->pickState().lastPicked(), nullptr);
  click(*viewer, QPoint(2, 2), Qt::ShiftModifier);
  EXPECT_EQ(input->pickState().lastPicked(), nullptr);
  EXPECT_EQ(colourAt(*viewer, at(kT1)), grey);

  // Alt, or Meta (window managers may keep Alt-clicks), selects T2's object whole; T1 unpicked.
  for (Qt::KeyboardModifier mod : {Qt::AltModifier, Qt::MetaModifier}) {
    captured([&] { click(*viewer, at(kT1), Qt::ShiftModifier), click(*viewer, at(kT2), mod); });
    EXPECT_EQ(colourAt(*viewer, at(kT1)), grey) << mod;
    const PavDrawObject *o = input->pickState().lastPicked();
    EXPECT_TRUE(o && o->highlightAll && isCyan(colourAt(*viewer, at(kT2)))) << mod;
    captured([&] { click(*viewer, at(kT2), mod); });
    EXPECT_EQ(colourAt(*viewer, at(kT2)), grey) << mod;
  }
}

TEST_F(ViewerInput, BottomBarPicksByNumberAndHighlightsReferences) {
  showMesh(*viewer, square(false));
  PavBottom bar(1);
  bar.messageMs = 1;
  bar.fill(viewer->meshObject());
  connectBottomBar(&bar, viewer.get());
  auto type = [&](const char *text) { captured([&] { typeAndReturn(bar, text); }); };
  bar.kindSelector()->setCurrentIndex(2);
  emit bar.kindSelector()->activated(2);
  type("2");
  EXPECT_EQ(input->lastReport(), pickReport(viewer->meshObject(), {DrawTriangle, 2}).text);
  EXPECT_TRUE(isCyan(colourAt(*viewer, at(kT2))));
  type("3"); // out of bound (the bar's message): cleared, nothing picked
  EXPECT_EQ(input->pickState().lastPicked(), nullptr);
  type("ref 2");
  EXPECT_TRUE(isCyan(colourAt(*viewer, at(kT2))));
  EXPECT_FALSE(isCyan(colourAt(*viewer, at(kT1))));
  for (const char *bad : {"-3", "99999999999999999999", "abc", "ref 1-", "ref 1-2000000000"})
    type(bad);
  EXPECT_EQ(input->pickState().lastPicked(), nullptr);
}

TEST_F(ViewerInput, PickingDemandReturnsThePickedObjectsOnReturn) {
  showMesh(*viewer, square(false));
  QList<PavDrawObject *> all;
  for (PavDrawObject *o : viewer->objectsOfType(DrawTriangle)) all << o;
  QTimer::singleShot(0, [&] {
    click(*viewer, at(kT2), Qt::ShiftModifier);
    key(*viewer, Qt::Key_Return);
  });
  QList<PavDrawObject *> picked;
  const std::string out = captured([&] { picked = input->pickingDemand(all); });
  ASSERT_EQ(picked.size(), 1);
  EXPECT_EQ(picked[0]->id, 2);
  EXPECT_NE(out.find(" multi-picking return list default 2\n"), std::string::npos);
  EXPECT_NE(out.find("  End of picking demand "), std::string::npos);
  EXPECT_FALSE(input->pickingDemandActive());
}

TEST_F(ViewerInput, BadInputLeavesAWorkingWindow) {
  // Clicks before a mesh is loaded (every key on an empty window: the viewer smoke) pick nothing.
  captured([&] {
    click(*viewer, QPoint(120, 120), Qt::ShiftModifier);
    doubleClick(*viewer, QPoint(-40, 5000));
  });
  EXPECT_EQ(input->pickState().lastPicked(), nullptr);
  showMesh(*viewer, square(true));
  // The scene rebuilt under a pick (a reload): events in between touch no deleted object.
  captured([&] { click(*viewer, at(kT1), Qt::ShiftModifier); });
  ASSERT_NE(input->pickState().lastPicked(), nullptr);
  viewer->adoptMesh(square(false)); // the picked object is gone
  captured([&] {
    // Before any render the pick list still names the deleted objects.
    click(*viewer, QPoint(-5, -5), Qt::ShiftModifier);
    input->clearHighlight();
    for (const char *k : {"s", "S", "V", "d", "m", ">"}) key(*viewer, 0, k);
    doubleClick(*viewer, QPoint(-5, -5));
    click(*viewer, at(kT1), Qt::ControlModifier);
    input->pickEntity(Triangles, 1);
    viewer->displayObject();
  });
  viewer->view.options.DiscardUnPicked = false; // d above
  captured([&] { click(*viewer, at(kT1), Qt::ShiftModifier); });
  EXPECT_NE(input->pickState().lastPicked(), nullptr);

  // q prints the farewell, closes the window and ends the application (not this test run).
  int quits = 0;
  input->quitApplication = [&] { quits++; };
  EXPECT_EQ(captured([&] { key(*viewer, Qt::Key_Q); }), "\n  Thank you for using PAVO 4\n");
  EXPECT_FALSE(viewer->isVisible());
  EXPECT_EQ(quits, 1);
}

// The preferences act: the wheel zooms only with scrolling, the scene brings the numbering report
// only when asked (a 2-D mesh), metrics are the ellipse of their longest axes or ellipsoids.
TEST_F(ViewerInput, PreferencesDecideWheelNumberingReportAndMetricGlyphs) {
  showMesh(*viewer, square(true)); // its first field: a metric at the 4 vertices
  for (bool on : {false, true}) {
    PavPreferences p;
    p.scrolling = p.renumbering = p.ellipsoidMetric = on;
    applyPreferencesToViewer(p, *viewer);
    EXPECT_EQ(viewer->glyphTriangles(PavGlyphKind::Metric),
              4 * (on ? 2 * kEllipsoidSegments * (kEllipsoidSegments / 2 - 1) : kEllipseSegments));
    const double fovy = viewer->view.fovy;
    QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewer.get(), &wheel);
    EXPECT_EQ(viewer->view.fovy != fovy, on);
    viewer->adoptMesh(buildMesh(2, kSquare, Triangles, {1, 2, 3, 2, 4, 3}));
    const std::string out = captured([&] { viewer->displayObject(); });
    EXPECT_EQ(out.find("  Quality of numbering of Triangles      : ") != std::string::npos, on);
    showMesh(*viewer, square(true));
  }
}

// An arrow from the centroid of a face (corners in order: Newell's normal) along its normal.
TEST(PickedNormals, ArrowRunsFromTheCentroidAlongTheNormal) {
  const double quad[12] = {0, 0, 0, 2, 0, 0, 2, 0, 2, 0, 0, 2},
               line[9] = {0, 0, 0, 1, 1, 1, 2, 2, 2};
  PavNormalArrows a;
  EXPECT_FALSE(addNormalArrow(line, 3, 1, a)); // no normal: nothing added
  ASSERT_TRUE(addNormalArrow(quad, 4, 3, a));
  const std::vector<float> xyz = {1, 0, 1, 1, -3, 1, 1.3f, -2.4f, 1, 0.7f, -2.4f, 1};
  ASSERT_EQ(a.xyz.size(), xyz.size());
  for (size_t i = 0; i < xyz.size(); i++) EXPECT_NEAR(a.xyz[i], xyz[i], 1e-6) << i;
  EXPECT_EQ(a.edges, (std::vector<int>{0, 1, 1, 2, 1, 3}));
}

namespace {

void choose(QComboBox *c, const QString &text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

} // namespace

TEST(BottomBar, SelectorsPickingAndReferenceListsFollowTheMesh) {
  if (!qApp) GTEST_SKIP() << "needs an X server";
  // 10 triangles and 2 tetrahedra; vertex solutions 1 scalar, 2 vector; one on the triangles.
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  pav_NewInterface(&obj);
  obj->dim = 3;
  pav_AllocEntityArrays(obj, Vertices, 4, status);
  pav_AllocEntityArrays(obj, Triangles, 10, status);
  pav_AllocEntityArrays(obj, Tetrahedra, 2, status);
  pav_PushSolution(obj, SolAtVertices, pav_NewSolutionRecord(3, PavSolVector, 4, 1, 1, status),
                   status);
  pav_PushSolution(obj, SolAtVertices, pav_NewSolutionRecord(3, PavSolScalar, 4, 1, 1, status),
                   status);
  pav_PushSolution(obj, SolAtTrianglesP1, pav_NewSolutionRecord(3, PavSolScalar, 10, 0, 1, status),
                   status);
  PavBottom bar(2);
  std::vector<std::pair<int, int>> solutions, picks, volumes;
  std::vector<QVector<int>> refs;
  auto into = [](std::vector<std::pair<int, int>> &v) {
    return [&v](int a, int b) { v.push_back({a, b}); };
  };
  QObject::connect(&bar, &PavBottom::solutionChosen, into(solutions));
  QObject::connect(&bar, &PavBottom::pickRequested, into(picks));
  QObject::connect(&bar, &PavBottom::volumeElementRequested, into(volumes));
  QObject::connect(&bar, &PavBottom::referencesRequested,
                   [&refs](int, const QVector<int> &r) { refs.push_back(r); });
  bar.fill(obj);

  QStringList kinds;
  for (int i = 0; i < bar.kindSelector()->count(); i++) kinds << bar.kindSelector()->itemText(i);
  EXPECT_EQ(kinds, (QStringList{"Picking", "Vertex", "Triangle", "Tetrahedron"}));
  choose(bar.vertexSolutionSelector(), "2 Vector at Vertices ");
  choose(bar.elementSolutionSelector(), "1 Solution at Elements");
  EXPECT_EQ(solutions, (std::vector<std::pair<int, int>>{{1, 2}, {2, 1}}));

  // Picking by number: a kind first, then a number within its bounds.
  bar.messageMs = 0;
  typeAndReturn(bar, "3");
  EXPECT_EQ(bar.lastMessage(), "Please select a type of element for picking");
  choose(bar.kindSelector(), "Triangle");
  typeAndReturn(bar, "12");
  EXPECT_EQ(bar.lastMessage(), "Out Of Bound\nMax Number of Triangle = 10");
  typeAndReturn(bar, "10");
  choose(bar.kindSelector(), "Tetrahedron");
  typeAndReturn(bar, " 2 ");
  EXPECT_EQ(picks, (std::vector<std::pair<int, int>>{{Triangles, 10}}));
  EXPECT_EQ(volumes, (std::vector<std::pair<int, int>>{{Tetrahedra, 2}}));

  // Reference lists highlight; malformed and huge ones are refused.
  choose(bar.kindSelector(), "Triangle");
  typeAndReturn(bar, "ref 3,5-7");
  typeAndReturn(bar, "ref abc");         // nothing readable: nothing highlighted
  typeAndReturn(bar, "ref 1-999999999"); // far too many: refused before expanding
  EXPECT_EQ(bar.lastMessage(), "Too many references: at most 1000000");
  EXPECT_EQ(refs, (std::vector<QVector<int>>{{3, 5, 6, 7}}));
  QApplication::processEvents(); // the boxes close themselves
  pav_DeleteInterface(&obj);
}
