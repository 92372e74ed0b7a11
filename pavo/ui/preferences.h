// User preferences of a main window: one table of check boxes (label, object name, settings
// key, the flag it sets), the text-size choice, their reading from and writing to the settings
// store, and the "Preferences" panel that shows them. A damaged store (values of another type,
// text, out-of-range numbers) reads as the defaults.
#pragma once

#include <QWidget>
#include <vector>

class QComboBox;
class QCheckBox;
class QSettings;

namespace pavo {

struct PavPreferences {
  bool solutionInfo = true;       // print solution values when picking
  bool angles = false;            // print angles when picking
  bool scrolling = true;          // the mouse wheel zooms
  bool axis = true;               // orientation axes (view option AxisOn, key a)
  bool metric = true;             // print the metric's eigen decomposition when picking
  bool ellipsoidMetric = false;   // metrics drawn as ellipsoids
  bool renumbering = false;       // print renumbering qualities
  bool vertexCoordinates = false; // print vertex coordinates when picking elements
  bool propagateKeys = false;
  bool propagateSolution = false;
  bool propagateViews = false;
  bool propagateClip = false;
  bool propagatePicking = false;
  bool propagateCentre = false;
  bool propagateBoundingBox = true;
  int textSizeIndex = 0; // entry of the text-size combo box, 0..9
};

struct PavPreferenceRow {
  const char *label;      // "Print Solution Info when picking"
  const char *objectName; // "cli:solBox:%1" (%1: the window index)
  const char *settingsKey;
  bool PavPreferences::*flag;
  bool propagation; // in the group "Propagate events on other windows"
};

const std::vector<PavPreferenceRow> &preferenceRows();
constexpr const char *kTextSizeKey = "SizeText Pref";

// Text height in pixels of a text-size entry: 24 for entries 0 and 3, 16 + 4 (index - 1) for
// 1..9; -1 (after printing "unkwown setting size text \n") for any other index.
int textHeightForIndex(int index);

PavPreferences readPreferences(const QSettings &settings);
// Stores a check-box state: 2 (ticked) stores 1, 0 stores 0; another state prints
// "%%Warning: Pref Menu: unknown check box status: <state> \n", stores nothing and returns false.
bool storePreferenceState(QSettings &settings, const PavPreferenceRow &row, int state);

// The panel. Every change is written to the settings store at once and announced by changed().
class PavPreferencesPanel : public QWidget {
  Q_OBJECT
public:
  PavPreferencesPanel(QSettings &settings, int windowIndex, QWidget *parent = nullptr);
  const PavPreferences &preferences() const { return prefs; }

signals:
  void changed(const pavo::PavPreferences &prefs);

private:
  void setState(size_t row, int state);
  QSettings &store;
  PavPreferences prefs;
  QComboBox *textSize = nullptr;
};

} // namespace pavo
