#include "ui/mesh_panels.h"

#include "app_messages.h"

#include "pav_modify.h"
#include "pav_solution.h"

#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>

namespace pavo {

std::vector<PavFieldRow> fieldRows(const PavObject *mesh) {
  std::vector<PavFieldRow> rows;
  if (!mesh) return rows;
  int i = 1;
  for (const PavSolution *s = pav_SolutionList(mesh, SolAtVertices); s; s = s->next, i++)
    rows.push_back({1, i, s->kind, s->degree, QString::fromLatin1(s->name)});
  const int count = pav_GetMaxNumberOfElementSolutions(mesh);
  for (i = 1; i <= count; i++) {
    PavFieldRow row{2, i, 0, 0, {}};
    for (int typ = PAV_FIRST_ELEMENT_SOLTYP; typ <= PAV_LAST_ELEMENT_SOLTYP; typ++) {
      const PavSolution *s = pav_SolutionList(mesh, typ);
      for (int k = 1; s && k < i; k++) s = s->next;
      if (!s) continue;
      if (!row.kind) row.kind = s->kind;
      row.degree = std::max(row.degree, (int)s->degree);
      if (row.name.isEmpty()) row.name = QString::fromLatin1(s->name);
    }
    rows.push_back(row);
  }
  return rows;
}

QString fieldRowText(const PavFieldRow &row) {
  static const char *kinds[5] = {"Solution", "Scalar", "Vector", "Metric", "Matrix"};
  QString text = QString("%1 %2: %3, degree %4")
                     .arg(row.fieldMode == 1 ? "At vertices" : "At elements")
                     .arg(row.index)
                     .arg(kinds[row.kind >= 1 && row.kind <= 4 ? row.kind : 0])
                     .arg(row.degree);
  if (!row.name.isEmpty()) text += ", " + row.name;
  return text;
}

PavDataManagerPanel::PavDataManagerPanel(PavPanelTarget target, QWidget *parent)
    : QWidget(parent, Qt::Window), t(std::move(target)) {
  setWindowTitle("Data Manager");
  auto *form = new QFormLayout(this);
  meshLabel = new QLabel(this);
  meshLabel->setObjectName("meshFile");
  solLabel = new QLabel(this);
  solLabel->setObjectName("solutionFile");
  list = new QListWidget(this);
  list->setObjectName("fields");
  form->addRow("Mesh", meshLabel);
  form->addRow("Solution", solLabel);
  form->addRow(list);
  connect(list, &QListWidget::currentRowChanged, this, [this](int r) {
    if (r < 0 || r >= (int)rows.size()) return;
    const PavFieldRow &row = rows[(size_t)r];
    t.view.fieldMode = row.fieldMode;
    (row.fieldMode == 1 ? t.view.vertexSolution : t.view.elementSolution) = row.index;
    if (t.view.options.SolOn == 0) t.view.options.SolOn = 1;
    t.changed(PavChange::Fields);
  });
  setMesh({}, {}, nullptr);
}

void PavDataManagerPanel::setMesh(const QString &meshName, const QString &solutionName,
                                  const PavObject *mesh) {
  meshLabel->setText(meshName.isEmpty() ? "(none)" : meshName);
  solLabel->setText(solutionName.isEmpty() ? "(none)" : solutionName);
  rows = fieldRows(mesh);
  const QSignalBlocker block(list);
  list->clear();
  for (const PavFieldRow &row : rows) list->addItem(fieldRowText(row));
}

PavMeshModificationsPanel::PavMeshModificationsPanel(PavMeshTarget target, QWidget *parent)
    : QWidget(parent, Qt::Window), t(std::move(target)) {
  setWindowTitle("Mesh Modifications");
  auto *form = new QFormLayout(this);
  struct Entry {
    const char *name, *label;
    int (*modify)(PavObject *);
  };
  static const Entry entries[3] = {
      {"mergeVertices", "Merge vertices at the same position",
       [](PavObject *m) {
         char status[PAV_STATUS_SIZE] = "";
         const int ret = pav_MergeVertices(m, nullptr, status);
         if (ret) appMessage("  ## ERROR: %s", status);
         return ret;
       }},
      {"addBoundaryEdges", "Add the boundary edges of the surface",
       [](PavObject *m) {
         char status[PAV_STATUS_SIZE] = "";
         const int ret = pav_AddBoundaryEdges(m, nullptr, status);
         if (ret) appMessage("  ## ERROR: %s", status);
         return ret;
       }},
      {"reconstructSurface", "Complete the boundary surface of the volume",
       [](PavObject *m) { return checksurfMesh(0, m, nullptr, nullptr); }},
  };
  for (const Entry &e : entries) {
    auto *b = new QPushButton(e.label, this);
    b->setObjectName(e.name);
    form->addRow(b);
    connect(b, &QPushButton::clicked, this, [this, &e] { run(e.modify); });
  }
  auto *write = new QPushButton("Write the mesh...", this);
  write->setObjectName("writeMesh");
  form->addRow(write);
  connect(write, &QPushButton::clicked, this, [this] {
    if (t.write) t.write();
  });
}

void PavMeshModificationsPanel::run(int (*modify)(PavObject *)) {
  PavObject *mesh = t.mesh();
  if (!mesh) {
    appMessage("  ## ERROR: no mesh is loaded\n");
    fflush(stdout);
    return;
  }
  const int ret = modify(mesh);
  fflush(stdout);
  if (ret == 0) t.meshChanged();
}

} // namespace pavo
