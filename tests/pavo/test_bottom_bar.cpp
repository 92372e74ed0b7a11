// The bottom bar on a hand-made mesh: selectors, solution choices, picking by number within its
// bounds, and highlighting by reference (malformed and huge lists refused).
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
