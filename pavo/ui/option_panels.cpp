#include "ui/option_panels.h"

#include "app_messages.h"

#include "render/colormaps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <cfloat>
#include <cmath>

namespace pavo {

namespace {

// Controls are made and found by object name: the refresh of a panel reads the same names the
// panel was built with.
QCheckBox *check(QWidget *panel, QFormLayout *form, const char *name, const QString &label) {
  auto *box = new QCheckBox(label, panel);
  box->setObjectName(name);
  form->addRow(box);
  return box;
}

QDoubleSpinBox *real(QWidget *panel, QFormLayout *form, const char *name, const QString &label,
                     double lo = -DBL_MAX, double hi = DBL_MAX, int decimals = 6) {
  auto *box = new QDoubleSpinBox(panel);
  box->setObjectName(name);
  box->setRange(lo, hi);
  box->setDecimals(decimals);
  box->setKeyboardTracking(false);
  form->addRow(label, box);
  return box;
}

QSpinBox *integer(QWidget *panel, QFormLayout *form, const char *name, const QString &label, int lo,
                  int hi) {
  auto *box = new QSpinBox(panel);
  box->setObjectName(name);
  box->setRange(lo, hi);
  box->setKeyboardTracking(false);
  form->addRow(label, box);
  return box;
}

QComboBox *choice(QWidget *panel, QFormLayout *form, const char *name, const QString &label,
                  const QStringList &items) {
  auto *box = new QComboBox(panel);
  box->setObjectName(name);
  box->addItems(items);
  form->addRow(label, box);
  return box;
}

QPushButton *button(QWidget *panel, QFormLayout *form, const char *name, const QString &label) {
  auto *b = new QPushButton(label, panel);
  b->setObjectName(name);
  form->addRow(b);
  return b;
}

template <class T> T *child(const QWidget *panel, const char *name) {
  return panel->findChild<T *>(name);
}

void setValue(QWidget *panel, const char *name, double v) {
  if (auto *box = child<QDoubleSpinBox>(panel, name)) {
    const QSignalBlocker block(box);
    box->setValue(v);
  } else if (auto *ibox = child<QSpinBox>(panel, name)) {
    const QSignalBlocker block(ibox);
    ibox->setValue((int)v);
  }
}

void setChecked(QWidget *panel, const char *name, bool on) {
  auto *box = child<QAbstractButton>(panel, name);
  const QSignalBlocker block(box);
  box->setChecked(on);
}

void setIndex(QWidget *panel, const char *name, int i) {
  auto *box = child<QComboBox>(panel, name);
  const QSignalBlocker block(box);
  box->setCurrentIndex(i);
}

double value(const QWidget *panel, const char *name) {
  return child<QDoubleSpinBox>(panel, name)->value();
}

QFormLayout *panelForm(QWidget *panel, const char *title) {
  panel->setWindowFlag(Qt::Window);
  panel->setWindowTitle(title);
  return new QFormLayout(panel);
}

constexpr const char *kPlaneBoxes[4] = {"cutA", "cutB", "cutC", "cutD"};
constexpr const char *kPointBoxes[3] = {"pointX", "pointY", "pointZ"};
constexpr const char *kNormalBoxes[3] = {"normalX", "normalY", "normalZ"};
constexpr const char *kPaletteBoxes[5] = {"pal0", "pal1", "pal2", "pal3", "pal4"};

} // namespace

// ---------------------------------------------------------------------------------- Cut Plane

PavCutPlanePanel::PavCutPlanePanel(PavPanelTarget target, PavSceneSwitches &switches,
                                   QWidget *parent)
    : QWidget(parent), t(std::move(target)), sw(switches) {
  QFormLayout *form = panelForm(this, "Cut Plane");
  connect(check(this, form, "cutOn", "Cut plane on"), &QCheckBox::toggled, this, [this](bool on) {
    t.view.hasCutPlane = on;
    t.view.options.CutOn = on;
    t.changed(PavChange::Cut);
  });
  const char *names[4] = {"a", "b", "c", "d"};
  for (int i = 0; i < 4; i++)
    connect(real(this, form, kPlaneBoxes[i], QString("Plane %1").arg(names[i])),
            QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this, i](double v) {
              t.view.cutPlane[i] = v;
              t.changed(PavChange::Cut);
            });
  for (int i = 0; i < 3; i++) real(this, form, kPointBoxes[i], QString("Point %1").arg("xyz"[i]));
  for (int i = 0; i < 3; i++) real(this, form, kNormalBoxes[i], QString("Normal %1").arg("xyz"[i]));
  connect(button(this, form, "applyPointNormal", "Plane through point with normal"),
          &QPushButton::clicked, this, [this] {
            double n[3], dot = 0, len = 0;
            for (int i = 0; i < 3; i++) {
              n[i] = value(this, kNormalBoxes[i]);
              dot += n[i] * value(this, kPointBoxes[i]);
              len += n[i] * n[i];
            }
            if (!(len > 0)) {
              appMessage(" warning : the normal of the cut plane is zero, plane unchanged\n");
              return;
            }
            for (int i = 0; i < 3; i++) t.view.cutPlane[i] = n[i];
            t.view.cutPlane[3] = -dot;
            refresh();
            t.changed(PavChange::Cut);
          });
  connect(button(this, form, "resetPlane", "Reset plane"), &QPushButton::clicked, this, [this] {
    const double plane[4] = {1, 0, 0, -centre[0]};
    for (int i = 0; i < 4; i++) t.view.cutPlane[i] = plane[i];
    refresh();
    t.changed(PavChange::Cut);
  });
  auto *clip = new QRadioButton("Clip", this), *cap = new QRadioButton("Cap", this);
  clip->setObjectName("clipMode");
  cap->setObjectName("capMode");
  form->addRow(clip, cap);
  connect(cap, &QRadioButton::toggled, this, [this](bool on) {
    t.view.capping = on;
    t.changed(PavChange::Cut);
  });
  connect(check(this, form, "showPlane", "Show plane"), &QCheckBox::toggled, this, [this](bool on) {
    sw.showCutPlane = on;
    t.changed({});
  });
  refresh();
}

void PavCutPlanePanel::setBoxCentre(double x, double y, double z) {
  centre[0] = x;
  centre[1] = y;
  centre[2] = z;
}

void PavCutPlanePanel::refresh() {
  setChecked(this, "cutOn", t.view.cutActive());
  for (int i = 0; i < 4; i++) setValue(this, kPlaneBoxes[i], t.view.cutPlane[i]);
  setChecked(this, t.view.capping ? "capMode" : "clipMode", true);
  setChecked(this, "showPlane", sw.showCutPlane);
}

// -------------------------------------------------------------------------------- Modify View

PavModifyViewPanel::PavModifyViewPanel(PavPanelTarget target, PavPaletteChoice &palette,
                                       QWidget *parent)
    : QWidget(parent), t(std::move(target)), pal(palette) {
  QFormLayout *form = panelForm(this, "Modify View");
  QStringList maps{"Field's own"};
  for (int i = 0; i < PAV_NBR_COLORMAPS; i++) maps << colormapName(i);
  connect(choice(this, form, "colormap", "Colour map", maps),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.colormap = i - 1;
            t.changed(PavChange::Fields);
          });
  connect(check(this, form, "autoPalette", "Automatic palette"), &QCheckBox::toggled, this,
          [this](bool on) {
            pal.automatic = on;
            t.changed(PavChange::Fields);
          });
  for (int i = 0; i < 5; i++)
    real(this, form, kPaletteBoxes[i], QString("Palette value %1").arg(i));
  message = new QLabel(this);
  message->setObjectName("paletteMessage");
  connect(button(this, form, "applyPalette", "Apply palette"), &QPushButton::clicked, this, [this] {
    float v[5];
    for (int i = 0; i < 5; i++) {
      v[i] = (float)value(this, kPaletteBoxes[i]);
      if (i > 0 && !(v[i] >= v[i - 1])) {
        message->setText("Please provide a correct palette (values must not decrease)");
        return;
      }
    }
    message->clear();
    for (int i = 0; i < 5; i++) pal.values[i] = v[i];
    pal.automatic = false;
    setChecked(this, "autoPalette", false);
    t.changed(PavChange::Fields);
  });
  form->addRow(message);
  connect(integer(this, form, "isolines", "Isolines per interval", 0, 9),
          QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int n) {
            pal.isolines = n;
            t.changed(PavChange::Fields);
          });
  connect(integer(this, form, "subIsolines", "Sub-isolines", 0, 9),
          QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int n) {
            pal.subIsolines = n;
            t.changed(PavChange::Fields);
          });
  connect(choice(this, form, "renderMode", "Render mode",
                 {"Wireframe", "Lit faces and lines", "Colours by reference", "Plain grey"}),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.options.setRenderMode(i);
            t.changed(PavChange::Colours);
          });
  connect(choice(this, form, "shading", "Shading", {"Diffuse", "Phong", "Toon", "Flat"}),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.options.UsePhong = (uint8_t)i;
            t.changed({});
          });
  connect(integer(this, form, "tessLevel", "Tessellation level", kMinTessLevel, kMaxTessLevel),
          QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int n) {
            t.view.options.tessLevel = (int8_t)n;
            t.changed({});
          });
  connect(real(this, form, "lineWidth", "Line width", 0, 20, 3),
          QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this](double w) {
            t.view.options.lineWidth = (float)w;
            t.changed({});
          });
  connect(choice(this, form, "background", "Background", {"White", "Black"}),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.whiteBackground = i == 0;
            t.changed(PavChange::Colours);
          });
  refresh();
}

void PavModifyViewPanel::refresh() {
  setIndex(this, "colormap", t.view.colormap + 1);
  setChecked(this, "autoPalette", pal.automatic);
  for (int i = 0; i < 5; i++) setValue(this, kPaletteBoxes[i], pal.values[i]);
  setValue(this, "isolines", pal.isolines);
  setValue(this, "subIsolines", pal.subIsolines);
  setIndex(this, "renderMode", t.view.options.renderMode());
  setIndex(this, "shading", t.view.options.UsePhong);
  setValue(this, "tessLevel", t.view.options.tessLevel);
  setValue(this, "lineWidth", t.view.options.lineWidth);
  setIndex(this, "background", t.view.whiteBackground ? 0 : 1);
}

// --------------------------------------------------------------------- Solution Visualization

PavSolutionPanel::PavSolutionPanel(PavPanelTarget target, QWidget *parent)
    : QWidget(parent), t(std::move(target)) {
  QFormLayout *form = panelForm(this, "Solution Visualization");
  connect(choice(this, form, "fieldMode", "Field", {"None", "At vertices", "At elements"}),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.fieldMode = i;
            if (i > 0 && t.view.options.SolOn == 0) t.view.options.SolOn = 1;
            t.changed(PavChange::Fields);
          });
  connect(integer(this, form, "vertexSolution", "Vertex solution", 1, 1),
          QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int i) {
            t.view.vertexSolution = i;
            t.changed(PavChange::Fields);
          });
  connect(integer(this, form, "elementSolution", "Element solution", 1, 1),
          QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int i) {
            t.view.elementSolution = i;
            t.changed(PavChange::Fields);
          });
  connect(choice(this, form, "vectorMode", "Vector shown as", {"Length", "x", "y", "z"}),
          QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this](int i) {
            t.view.vectorMode = i;
            t.changed(PavChange::Fields);
          });
  struct Cut {
    const char *box, *val, *label;
    bool PavRenderOption::*on;
    float PavRenderOption::*at;
  };
  static const Cut cuts[2] = {{"cutoffBelow", "cutoffBelowValue", "Hide values below",
                               &PavRenderOption::CutoffBelowOn, &PavRenderOption::CutoffBelowVal},
                              {"cutoffAbove", "cutoffAboveValue", "Hide values above",
                               &PavRenderOption::CutoffAboveOn, &PavRenderOption::CutoffAboveVal}};
  for (const Cut &c : cuts) {
    connect(check(this, form, c.box, c.label), &QCheckBox::toggled, this, [this, &c](bool on) {
      t.view.options.*c.on = on;
      t.changed({});
    });
    connect(real(this, form, c.val, "Cut-off value"),
            QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this, &c](double v) {
              t.view.options.*c.at = (float)v;
              t.changed({});
            });
  }
  refresh();
}

void PavSolutionPanel::setSolutionCounts(int vertexCount, int elementCount) {
  child<QSpinBox>(this, "vertexSolution")->setMaximum(std::max(1, vertexCount));
  child<QSpinBox>(this, "elementSolution")->setMaximum(std::max(1, elementCount));
  refresh();
}

void PavSolutionPanel::refresh() {
  setIndex(this, "fieldMode", t.view.fieldMode);
  setValue(this, "vertexSolution", t.view.vertexSolution);
  setValue(this, "elementSolution", t.view.elementSolution);
  setIndex(this, "vectorMode",
           t.view.vectorMode >= 1 && t.view.vectorMode <= 3 ? t.view.vectorMode : 0);
  setChecked(this, "cutoffBelow", t.view.options.CutoffBelowOn);
  setValue(this, "cutoffBelowValue", t.view.options.CutoffBelowVal);
  setChecked(this, "cutoffAbove", t.view.options.CutoffAboveOn);
  setValue(this, "cutoffAboveValue", t.view.options.CutoffAboveVal);
}

// ----------------------------------------------------------------- Other Specific Parameters

PavSpecificPanel::PavSpecificPanel(PavPanelTarget target, PavSceneSwitches &switches,
                                   QWidget *parent)
    : QWidget(parent), t(std::move(target)), sw(switches) {
  QFormLayout *form = panelForm(this, "Other Specific Parameters");
  connect(check(this, form, "shrinkOn", "Shrink elements"), &QCheckBox::toggled, this,
          [this](bool on) {
            t.view.options.shrink = on ? (float)value(this, "shrink") : kMaxShrink;
            t.changed({});
          });
  auto *factor = real(this, form, "shrink", "Shrink factor", kMinShrink, kMaxShrink, 2);
  factor->setSingleStep(kShrinkStep);
  factor->setValue(kShrunk);
  connect(factor, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this](double v) {
    if (!child<QCheckBox>(this, "shrinkOn")->isChecked()) return;
    t.view.options.shrink = (float)v;
    t.changed({});
  });
  connect(check(this, form, "transparency", "Transparency"), &QCheckBox::toggled, this,
          [this](bool on) {
            t.view.options.TransOn = on;
            t.changed(PavChange::Colours);
          });
  connect(check(this, form, "pointNumbers", "Show point numbers"), &QCheckBox::toggled, this,
          [this](bool on) {
            sw.showPointNumbers = on;
            t.changed(PavChange::Numbers);
          });
  connect(check(this, form, "corners", "Show corners"), &QCheckBox::toggled, this, [this](bool on) {
    sw.showCorners = on;
    t.changed(PavChange::Corners);
  });
  refresh();
}

void PavSpecificPanel::refresh() {
  const bool shrunk = t.view.options.shrink < kMaxShrink;
  setChecked(this, "shrinkOn", shrunk);
  if (shrunk) setValue(this, "shrink", t.view.options.shrink);
  setChecked(this, "transparency", t.view.options.TransOn);
  setChecked(this, "pointNumbers", sw.showPointNumbers);
  setChecked(this, "corners", sw.showCorners);
}

// -------------------------------------------------------------------------------------- Filters

PavFilterPanel::PavFilterPanel(const QString &title, std::function<PavFilterSpan()> compute,
                               std::function<int64_t(const double *range)> apply, QWidget *parent)
    : QWidget(parent), computeValues(std::move(compute)), applyRange(std::move(apply)) {
  QFormLayout *form = panelForm(this, "");
  setWindowTitle(title);
  QPushButton *run = button(this, form, "compute", "Compute");
  QDoubleSpinBox *low = real(this, form, "low", "Lowest value shown");
  QDoubleSpinBox *high = real(this, form, "high", "Highest value shown");
  QPushButton *show = button(this, form, "apply", "Show only the elements in the range");
  QPushButton *all = button(this, form, "clear", "Show all elements");
  auto *count = new QLabel("No values computed", this);
  count->setObjectName("count");
  form->addRow(count);
  connect(run, &QPushButton::clicked, this, [this, low, high, count] {
    span = computeValues();
    if (!span.any) {
      count->setText("No values computed");
      return;
    }
    const QSignalBlocker b1(low), b2(high);
    // The boxes round to their decimals: round outwards so that the extreme elements stay in.
    low->setValue(std::floor(span.low * 1e6) / 1e6);
    high->setValue(std::ceil(span.high * 1e6) / 1e6);
    count->setText(
        QString("%1 elements, values from %2 to %3").arg(span.total).arg(span.low).arg(span.high));
  });
  connect(show, &QPushButton::clicked, this, [this, low, high, count] {
    if (!span.any) return;
    const double range[2] = {low->value(), high->value()};
    count->setText(QString("%1 of %2 elements").arg(applyRange(range)).arg(span.total));
  });
  connect(all, &QPushButton::clicked, this, [this, count] {
    if (!span.any) return;
    count->setText(QString("%1 of %2 elements").arg(applyRange(nullptr)).arg(span.total));
  });
}

} // namespace pavo
