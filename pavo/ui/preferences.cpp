#include "ui/preferences.h"

#include "app_messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSettings>
#include <QVBoxLayout>
#include <cstdio>

namespace pavo {

using P = PavPreferences;

const std::vector<PavPreferenceRow> &preferenceRows() {
  static const std::vector<PavPreferenceRow> rows = {
      {"Print Solution Info when picking", "cli:solBox:%1", "Sol Pref", &P::solutionInfo, false},
      {"Print Angles when picking", "cli:angBox:%1", "Ang Pref", &P::angles, false},
      {"Activate Scrolling Wheel", "cli:scrollBox:%1", "Scroll Pref", &P::scrolling, false},
      {"Display Orientation Axis", "cli:axisBox:%1", "Axis Pref", &P::axis, false},
      {"Show metric when picking", "cli:metBox:%1", "Met Pref", &P::metric, false},
      {"Ellipsoids metrix", "cli:ellipsMetBox:%1", "EllipsMet Pref", &P::ellipsoidMetric, false},
      {"Display renumbering qualities", "cli:renumInfoBox:%1", "Renum Info Pref", &P::renumbering,
       false},
      {"Print Vertices Crd when picking elts", "cli:verEltBox:%1", "Ver Elt Pref",
       &P::vertexCoordinates, false},
      {"Propagate Buttons", "cli:propKeysBox:%1", "Prop Keys Pref", &P::propagateKeys, true},
      {"Propagate Solution", "cli:propSolBox:%1", "Prop Sol Pref", &P::propagateSolution, true},
      {"Propagate Views", "cli:propViewsBox:%1", "Prop Views Pref", &P::propagateViews, true},
      {"Propagate Clip Plane", "cli:propClipBox:%1", "Prop Clip Pref", &P::propagateClip, true},
      {"Propagate Picking", "cli:propPickBox:%1", "Prop Pick Pref", &P::propagatePicking, true},
      {"Propagate Coordinates Center Scene", "cli:propCentBox:%1", "Prop Cent Pref",
       &P::propagateCentre, true},
      {"Set same Bounding Box when several windows", "cli:propBbBox:%1", "Prop Bb Pref",
       &P::propagateBoundingBox, true},
  };
  return rows;
}

int textHeightForIndex(int index) {
  if (index == 0 || index == 3) return 24;
  if (index >= 1 && index <= 9) return 16 + 4 * (index - 1);
  appMessage("unkwown setting size text \n");
  return -1;
}

PavPreferences readPreferences(const QSettings &settings) {
  PavPreferences p;
  for (const PavPreferenceRow &row : preferenceRows()) {
    bool ok = false;
    const int v = settings.value(row.settingsKey).toInt(&ok);
    if (ok && (v == 0 || v == 1)) p.*row.flag = v == 1;
  }
  bool ok = false;
  const int size = settings.value(kTextSizeKey).toInt(&ok);
  if (ok && size >= 0 && size <= 9) p.textSizeIndex = size;
  return p;
}

bool storePreferenceState(QSettings &settings, const PavPreferenceRow &row, int state) {
  if (state != Qt::Checked && state != Qt::Unchecked) {
    appMessage("%%%%Warning: Pref Menu: unknown check box status: %d \n", state);
    return false;
  }
  settings.setValue(row.settingsKey, state == Qt::Checked ? 1 : 0);
  return true;
}

PavPreferencesPanel::PavPreferencesPanel(QSettings &settings, int windowIndex, QWidget *parent)
    : QWidget(parent, Qt::Window), store(settings), prefs(readPreferences(settings)) {
  setWindowTitle("Preferences");
  auto *layout = new QVBoxLayout(this);
  QGroupBox *groups[2] = {new QGroupBox("General / Mesh / Solution", this),
                          new QGroupBox("Propagate events on other windows", this)};
  QVBoxLayout *inner[2] = {new QVBoxLayout(groups[0]), new QVBoxLayout(groups[1])};
  const std::vector<PavPreferenceRow> &rows = preferenceRows();
  for (size_t i = 0; i < rows.size(); i++) {
    auto *box = new QCheckBox(rows[i].label, this);
    box->setObjectName(QString(rows[i].objectName).arg(windowIndex));
    box->setChecked(prefs.*rows[i].flag);
    connect(box, &QCheckBox::stateChanged, this, [this, i](int state) { setState(i, state); });
    inner[rows[i].propagation ? 1 : 0]->addWidget(box);
  }
  textSize = new QComboBox(this);
  textSize->setObjectName(QString("sizeTextBox:%1").arg(windowIndex));
  textSize->addItem("Size Text");
  for (int size = 16; size <= 48; size += 4) textSize->addItem(QString("Size Text: %1").arg(size));
  textSize->setCurrentIndex(prefs.textSizeIndex);
  connect(textSize, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
    if (textHeightForIndex(i) < 0) return;
    prefs.textSizeIndex = i;
    store.setValue(kTextSizeKey, i);
    emit changed(prefs);
  });
  inner[0]->addWidget(textSize);
  layout->addWidget(groups[0]);
  layout->addWidget(groups[1]);
}

void PavPreferencesPanel::setState(size_t row, int state) {
  const PavPreferenceRow &r = preferenceRows()[row];
  if (!storePreferenceState(store, r, state)) return;
  prefs.*r.flag = state == Qt::Checked;
  emit changed(prefs);
}

} // namespace pavo
