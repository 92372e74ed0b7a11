#include "ui/bottom_bar.h"

#include "app_messages.h"

#include "pav_list.h"
#include "pav_solution.h"
#include "pav_types.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace pavo {

namespace {

struct KindEntry {
  const char *name;
  int type;
};

// The kinds of the selector, in the order they are offered.
const KindEntry kKinds[] = {
    {"Vertex", Vertices},
    {"Edge", Edges},
    {"Edge P2", EdgesP2},
    {"Edge P3", EdgesP3},
    {"Edge P4", EdgesP4},
    {"Triangle", Triangles},
    {"Triangle P2", TrianglesP2},
    {"Triangle P3", TrianglesP3},
    {"Triangle P4", TrianglesP4},
    {"Quadrilateral", Quadrilaterals},
    {"Quadrilateral Q2", QuadrilateralsQ2},
    {"Quadrilateral Q3", QuadrilateralsQ3},
    {"Quadrilateral Q4", QuadrilateralsQ4},
    {"Tetrahedron", Tetrahedra},
    {"Tetrahedron P2", TetrahedraP2},
    {"Tetrahedron P3", TetrahedraP3},
    {"Tetrahedron P4", TetrahedraP4},
    {"Prism", Prisms},
    {"Prism P2", PrismsP2},
    {"Prism P3", PrismsP3},
    {"Prism P4", PrismsP4},
    {"Pyramid", Pyramids},
    {"Pyramid P2", PyramidsP2},
    {"Pyramid P3", PyramidsP3},
    {"Pyramid P4", PyramidsP4},
    {"Hexahedron", Hexahedra},
    {"Hexahedron Q2", HexahedraQ2},
    {"Hexahedron Q3", HexahedraQ3},
    {"Hexahedron Q4", HexahedraQ4},
    {"Polygon", kPickPolygon},
    {"Polyhedron", kPickPolyhedron},
};

const char *kindName(int type) {
  for (const KindEntry &k : kKinds)
    if (k.type == type) return k.name;
  return "";
}

bool isVolumeKind(int type) {
  if (type == kPickPolyhedron) return true;
  const PavElementKind k = pav_ElementKind(type);
  return k == PavKindTetrahedron || k == PavKindPyramid || k == PavKindPrism ||
         k == PavKindHexahedron;
}

int meshCount(const PavObject *mesh, int type) {
  if (!mesh) return 0;
  if (type == kPickPolygon) return mesh->pol ? mesh->pol->nbrBndPol : 0;
  if (type == kPickPolyhedron) return mesh->pol ? mesh->pol->nbrPolyhedra : 0;
  return pav_Count(mesh, type);
}

// Values a reference list would expand to, counted without expanding it (same tokens as
// pav_ParseIntList: numbers and ranges a-b separated by blanks and commas).
int64_t listedValues(const QString &text) {
  static const QRegularExpression separators("[\\s,]+");
  static const QRegularExpression range("^(\\d+)-(\\d+)$");
  int64_t total = 0;
  for (const QString &token : text.split(separators, Qt::SkipEmptyParts)) {
    const QRegularExpressionMatch m = range.match(token);
    if (m.hasMatch()) {
      const int64_t a = m.captured(1).toLongLong(), b = m.captured(2).toLongLong();
      if (a <= b) total += b - a + 1;
    } else {
      total += 1;
    }
  }
  return total;
}

} // namespace

PavBottom::PavBottom(int index, QWidget *parent) : QWidget(parent) {
  setObjectName(QString("Bottom Widget %1").arg(index));
  auto *layout = new QHBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->setContentsMargins(0, 0, 0, 0);
  kinds = new QComboBox(this);
  kinds->setObjectName(QString("Pick_%1").arg(index));
  input = new QLineEdit(this);
  input->setObjectName(QString("Input_%1").arg(index));
  verSol = new QComboBox(this);
  verSol->setObjectName(QString("SolVer_%1").arg(index));
  eltSol = new QComboBox(this);
  eltSol->setObjectName(QString("SolElt_%1").arg(index));
  menus = new QComboBox(this);
  menus->setObjectName(QString("SelMenu_%1").arg(index));
  menus->addItems(
      {"Select a menu to open", "Cut Plane Visualization", "Modify View", "Data Manager"});
  for (QWidget *w :
       {(QWidget *)kinds, (QWidget *)input, (QWidget *)verSol, (QWidget *)eltSol, (QWidget *)menus})
    layout->addWidget(w);
  fill(nullptr);
  connect(kinds, QOverload<int>::of(&QComboBox::activated), this, &PavBottom::setPicking);
  connect(verSol, QOverload<int>::of(&QComboBox::activated), this, &PavBottom::setVerSolution);
  connect(eltSol, QOverload<int>::of(&QComboBox::activated), this, &PavBottom::setEltSolution);
  connect(menus, QOverload<int>::of(&QComboBox::activated), this, &PavBottom::setMenu);
  connect(input, &QLineEdit::returnPressed, this, &PavBottom::validRegExp);
}

void PavBottom::fill(const PavObject *m) {
  // Rebuilding must not look like a user's choice: no signal while the selectors change.
  const QSignalBlocker b1(kinds), b2(verSol), b3(eltSol);
  counts.clear();
  kinds->clear();
  kinds->addItem("Picking", 0);
  for (const KindEntry &k : kKinds) {
    const int n = meshCount(m, k.type);
    if (n < 1) continue;
    counts.insert(k.type, n);
    kinds->addItem(k.name, k.type);
  }
  kind = 0;

  verSol->clear();
  verSol->addItem("NoSolution at Vertices", -1);
  int i = 0;
  for (const PavSolution *s = m ? m->ent[Vertices].sol : nullptr; s; s = s->next) {
    static const char *names[] = {"Scalar", "Vector", "Metric", "Matrix"};
    const char *name = s->kind >= 1 && s->kind <= 4 ? names[s->kind - 1] : "Solution";
    ++i;
    verSol->addItem(QString("%1 %2 at Vertices ").arg(i).arg(name), i);
  }

  eltSol->clear();
  eltSol->addItem("NoSolution at Elements", -1);
  const int nElt = m ? pav_GetMaxNumberOfElementSolutions(m) : 0;
  for (int k = 1; k <= nElt; k++) eltSol->addItem(QString("%1 Solution at Elements").arg(k), k);
}

void PavBottom::showSolution(int fieldMode, int index) {
  const QSignalBlocker b1(verSol), b2(eltSol);
  for (QComboBox *box : {verSol, eltSol}) {
    const bool shown = fieldMode == (box == verSol ? 1 : 2);
    const int at = shown ? box->findData(index) : 0;
    box->setCurrentIndex(at >= 0 ? at : 0);
  }
}

void PavBottom::setVerSolution(int i) { emit solutionChosen(1, i < 0 ? 0 : i); }

void PavBottom::setEltSolution(int i) { emit solutionChosen(2, i < 0 ? 0 : i); }

void PavBottom::setMenu(int i) {
  if (i >= 1 && i <= 3) emit menuChosen(i);
  menus->setCurrentIndex(0);
}

void PavBottom::setPicking(int i) {
  kind = i >= 0 && i < kinds->count() ? kinds->itemData(i).toInt() : 0;
}

void PavBottom::showMessage(const QString &text) {
  message = text;
  // Not modal and closing itself: a batch or test run never waits for a click.
  auto *box = new QMessageBox(QMessageBox::Information, "PAVO", text, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
  QTimer::singleShot(messageMs, box, &QMessageBox::close);
}

void PavBottom::validRegExp() {
  const QString text = input->text();
  bool ok = false;
  number = text.trimmed().toInt(&ok);
  if (!ok) number = 0;
  emit clearHighlight();

  if (number >= 1) {
    if (kind == 0) {
      showMessage("Please select a type of element for picking");
      return;
    }
    const int count = counts.value(kind, 0);
    if (number > count) {
      const QByteArray name = kindName(kind);
      appMessage("Out Of Bound\nMax Number of %s = %d \n", name.constData(), count);
      showMessage(QString("Out Of Bound\nMax Number of %1 = %2").arg(kindName(kind)).arg(count));
      return;
    }
    if (isVolumeKind(kind))
      emit volumeElementRequested(kind, number);
    else
      emit pickRequested(kind, number);
    return;
  }

  if (!text.contains("ref")) return;
  QString list = text;
  list.remove("ref");
  if (listedValues(list) > kMaxReferences) {
    appMessage("  Warning: more than %lld references listed, nothing highlighted\n",
               (long long)kMaxReferences);
    showMessage(QString("Too many references: at most %1").arg(kMaxReferences));
    return;
  }
  const QByteArray bytes = list.toLatin1();
  int32_t n = 0;
  int32_t *refs = pav_ParseIntList(bytes.constData(), &n);
  if (n < 1 || !refs) {
    std::free(refs);
    if (!list.trimmed().isEmpty())
      appMessage("  Warning: no reference read from \"%s\"\n", bytes.constData());
    return;
  }
  QVector<int> out(n);
  for (int32_t k = 0; k < n; k++) out[k] = refs[k];
  std::free(refs);
  emit referencesRequested(kind, out);
}

} // namespace pavo
