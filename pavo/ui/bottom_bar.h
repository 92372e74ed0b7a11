// The bottom bar of a main window: the kind of entity to pick by number, the number input (an
// entity number, or "ref" and a list of references to highlight), the vertex- and element-
// solution selectors and the selector of option panels. It reads the mesh object to fill its
// selectors and checks numbers against its counts; what it asks of the viewer and the main window
// goes out as signals, so that it can be used and tested without them.
#pragma once

#include <QHash>
#include <QString>
#include <QVector>
#include <QWidget>

class QComboBox;
class QLineEdit;
struct PavObject;

namespace pavo {

// Entity codes of the kinds the bar offers beyond the mesh object's types.
constexpr int kPickPolygon = 131;
constexpr int kPickPolyhedron = 132;

class PavBottom : public QWidget {
  Q_OBJECT
public:
  // The bar of window `index` (object names "Bottom Widget %1", "Pick_%1", ...).
  explicit PavBottom(int index, QWidget *parent = nullptr);

  // Rebuilds the selectors from a mesh object (after each mesh or solution load); null empties
  // them to their first entries.
  void fill(const PavObject *mesh);
  // The selectors show the solution displayed: solution `index` (from 1) of field mode 1
  // (vertices) or 2 (elements) in its selector, the other selector on its first entry (no
  // solution); mode 0 puts both there. No signal is emitted.
  void showSolution(int fieldMode, int index);

  QComboBox *kindSelector() const { return kinds; }
  QLineEdit *numberInput() const { return input; }
  QComboBox *vertexSolutionSelector() const { return verSol; }
  QComboBox *elementSolutionSelector() const { return eltSol; }
  QComboBox *menuSelector() const { return menus; }

  // The entity code of the selected kind (0: "Picking"), and the last number read.
  int selectedKind() const { return kind; }
  int lastNumber() const { return number; }
  // The text of the last message box (empty when none was shown); boxes close themselves after
  // messageMs milliseconds so that nobody has to be there.
  const QString &lastMessage() const { return message; }
  int messageMs = 3000;

  // Most references one "ref" list may name.
  static constexpr int64_t kMaxReferences = 1000000;

signals:
  // Field mode 1 (vertices) or 2 (elements) and the solution index from 1; index 0 switches the
  // solution display off.
  void solutionChosen(int fieldMode, int index);
  // Option panel 1 cut plane, 2 view, 3 data manager.
  void menuChosen(int panel);
  // Before a number or a list is acted on: the viewer clears its highlighting.
  void clearHighlight();
  // Pick entity `number` (from 1, within the counts) of a face, edge, vertex or polygon kind; the
  // viewer marks it as a mouse pick does and reports it (or prints that no object holds it).
  void pickRequested(int entityType, int number);
  // Add volume element `number` of a volume kind to the elements shown one by one.
  void volumeElementRequested(int entityType, int number);
  // Highlight the objects of the selected kind (0: any kind) whose reference is listed.
  void referencesRequested(int entityType, const QVector<int> &references);

public slots:
  void setVerSolution(int i);
  void setEltSolution(int i);
  void setMenu(int i);
  void setPicking(int i);
  // Return in the number input: picking by number, or highlighting by reference.
  void validRegExp();

private:
  void showMessage(const QString &text);

  QComboBox *kinds = nullptr;
  QLineEdit *input = nullptr;
  QComboBox *verSol = nullptr;
  QComboBox *eltSol = nullptr;
  QComboBox *menus = nullptr;
  QHash<int, int> counts; // entity code -> count, for the kinds the selector offers
  int kind = 0;
  int number = 0;
  QString message;
};

} // namespace pavo
