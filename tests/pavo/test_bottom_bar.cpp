// The bottom bar on a hand-made mesh: selector contents, solution choices, picking by number with
// its bounds and messages, and highlighting by reference (malformed and huge lists included).
#include "ui/bottom_bar.h"

#include "pav_solution.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <vector>

using namespace pavo;

namespace {

// 10 triangles and 2 tetrahedra on 4 vertices; vertex solutions 1 scalar, 2 vector; one
// element solution on the triangles.
struct BarMesh {
  PavObject *obj = nullptr;
  char status[PAV_STATUS_SIZE] = "";
  BarMesh() {
    pav_NewInterface(&obj);
    obj->dim = 3;
    pav_AllocEntityArrays(obj, Vertices, 4, status);
    pav_AllocEntityArrays(obj, Triangles, 10, status);
    pav_AllocEntityArrays(obj, Tetrahedra, 2, status);
    pav_PushSolution(obj, SolAtVertices, pav_NewSolutionRecord(3, PavSolVector, 4, 1, 1, status),
                     status);
    pav_PushSolution(obj, SolAtVertices, pav_NewSolutionRecord(3, PavSolScalar, 4, 1, 1, status),
                     status);
    pav_PushSolution(obj, SolAtTrianglesP1,
                     pav_NewSolutionRecord(3, PavSolScalar, 10, 0, 1, status), status);
  }
  ~BarMesh() { pav_DeleteInterface(&obj); }
};

struct Events {
  std::vector<std::pair<int, int>> solutions, picks, volumes;
  std::vector<int> menus;
  std::vector<QVector<int>> refs;
  int clears = 0;
  void listen(PavBottom &bar) {
    auto into = [](std::vector<std::pair<int, int>> &v) {
      return [&v](int a, int b) { v.push_back({a, b}); };
    };
    QObject::connect(&bar, &PavBottom::solutionChosen, into(solutions));
    QObject::connect(&bar, &PavBottom::pickRequested, into(picks));
    QObject::connect(&bar, &PavBottom::volumeElementRequested, into(volumes));
    QObject::connect(&bar, &PavBottom::menuChosen, [this](int p) { menus.push_back(p); });
    QObject::connect(&bar, &PavBottom::referencesRequested,
                     [this](int, const QVector<int> &r) { refs.push_back(r); });
    QObject::connect(&bar, &PavBottom::clearHighlight, [this] { clears++; });
  }
};

QStringList items(const QComboBox *c) {
  QStringList out;
  for (int i = 0; i < c->count(); i++) out << c->itemText(i);
  return out;
}

void typeAndReturn(PavBottom &bar, const QString &text) {
  bar.numberInput()->setText(text);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(bar.numberInput(), &press);
}

void choose(QComboBox *c, const QString &text) {
  const int i = c->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  c->setCurrentIndex(i);
  emit c->activated(i);
}

} // namespace

TEST(BottomBar, SelectorsPickingAndReferenceListsFollowTheMesh) {
  if (!qApp) GTEST_SKIP() << "needs an X server";
  BarMesh mesh;
  PavBottom bar(2);
  Events ev;
  ev.listen(bar);
  bar.fill(mesh.obj);

  EXPECT_EQ(bar.objectName(), "Bottom Widget 2");
  EXPECT_EQ(items(bar.kindSelector()),
            (QStringList{"Picking", "Vertex", "Triangle", "Tetrahedron"}));
  EXPECT_EQ(
      items(bar.vertexSolutionSelector()),
      (QStringList{"NoSolution at Vertices", "1 Scalar at Vertices ", "2 Vector at Vertices "}));
  EXPECT_EQ(items(bar.elementSolutionSelector()),
            (QStringList{"NoSolution at Elements", "1 Solution at Elements"}));

  choose(bar.vertexSolutionSelector(), "2 Vector at Vertices ");
  choose(bar.vertexSolutionSelector(), "NoSolution at Vertices");
  choose(bar.elementSolutionSelector(), "1 Solution at Elements");
  EXPECT_EQ(ev.solutions, (std::vector<std::pair<int, int>>{{1, 2}, {1, 0}, {2, 1}}));

  // Picking by number: a kind first, then a number within its bounds.
  bar.messageMs = 0;
  const int clears = ev.clears;
  typeAndReturn(bar, "3");
  EXPECT_EQ(bar.lastMessage(), "Please select a type of element for picking");
  choose(bar.kindSelector(), "Triangle");
  EXPECT_EQ(bar.selectedKind(), (int)Triangles);
  typeAndReturn(bar, "12");
  EXPECT_EQ(bar.lastMessage(), "Out Of Bound\nMax Number of Triangle = 10");
  EXPECT_TRUE(ev.picks.empty());
  typeAndReturn(bar, "10");
  choose(bar.kindSelector(), "Tetrahedron");
  typeAndReturn(bar, " 2 ");
  typeAndReturn(bar, "3");
  EXPECT_EQ(ev.picks, (std::vector<std::pair<int, int>>{{Triangles, 10}}));
  EXPECT_EQ(ev.volumes, (std::vector<std::pair<int, int>>{{Tetrahedra, 2}}));
  EXPECT_EQ(bar.lastNumber(), 3);
  EXPECT_EQ(ev.clears - clears, 5);

  // Reference lists highlight; malformed and huge ones are refused.
  ev.picks.clear();
  choose(bar.kindSelector(), "Triangle");
  typeAndReturn(bar, "ref 3,5-7");
  typeAndReturn(bar, "ref abc");         // nothing readable: nothing highlighted
  typeAndReturn(bar, "ref 1-999999999"); // far too many: refused before expanding
  EXPECT_EQ(bar.lastMessage(), "Too many references: at most 1000000");
  typeAndReturn(bar, "ref 9 2");
  EXPECT_EQ(ev.refs, (std::vector<QVector<int>>{{3, 5, 6, 7}, {9, 2}}));
  EXPECT_TRUE(ev.picks.empty());
  QApplication::processEvents(); // the boxes close themselves
}
