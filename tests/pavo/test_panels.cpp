// Option panels driven in code: a control changes the view state (or the palette choice or the
// window switches) at once and reports what changed; bad answers change nothing.
#include "ui/mesh_panels.h"
#include "ui/option_panels.h"

#include "gl_fixture.h"
#include "mesh_builders.h"
#include "pav_solution.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <cstring>
#include <gtest/gtest.h>

using namespace pavo;

namespace {

struct Probe {
  PavViewState view;
  PavSceneSwitches sw;
  PavPaletteChoice pal;
  std::vector<PavChanges> changes;
  PavPanelTarget target() {
    return {view, [this](PavChanges c) { changes.push_back(c); }};
  }
};

void click(QWidget *p, const char *name) { p->findChild<QAbstractButton *>(name)->click(); }
void set(QWidget *p, const char *name, double v) {
  if (auto *d = p->findChild<QDoubleSpinBox *>(name))
    d->setValue(v);
  else
    p->findChild<QSpinBox *>(name)->setValue((int)v);
}
void pick(QWidget *p, const char *name, int i) {
  p->findChild<QComboBox *>(name)->setCurrentIndex(i);
}

struct Case {
  const char *what;
  std::function<void(QWidget *)> act;
  std::function<bool(const Probe &)> expect;
  PavChanges change;
};

// Each case runs on a fresh panel and state: the state must satisfy the expectation and the
// last change reported must be the expected kind.
void runCases(const std::function<QWidget *(Probe &)> &make, const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    Probe probe;
    std::unique_ptr<QWidget> panel(make(probe));
    probe.changes.clear();
    c.act(panel.get());
    EXPECT_TRUE(c.expect(probe)) << c.what;
    ASSERT_FALSE(probe.changes.empty()) << c.what;
    EXPECT_EQ(probe.changes.back(), c.change) << c.what;
  }
}

// What each control says it changed; the palette choices change the fields shown.
struct C {
  static constexpr PavChanges Render{}, Cut{PavChange::Cut}, Fields{PavChange::Fields},
      Palette{PavChange::Fields}, Colours{PavChange::Colours}, Numbers{PavChange::Numbers};
};

TEST(Panels, CutPlaneControls) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  auto make = [](Probe &p) {
    auto *panel = new PavCutPlanePanel(p.target(), p.sw);
    panel->setBoxCentre(5, 1, 1);
    return panel;
  };
  auto plane = [](const Probe &p, std::array<double, 4> e) {
    for (int i = 0; i < 4; i++)
      if (p.view.cutPlane[i] != e[(size_t)i]) return false;
    return true;
  };
  runCases(make, {
                     {"on", [](QWidget *w) { click(w, "cutOn"); },
                      [](const Probe &p) { return p.view.cutActive(); }, C::Cut},
                     {"b", [](QWidget *w) { set(w, "cutB", 2); },
                      [&](const Probe &p) {
                        return plane(p, {1, 2, 0, 0});
                      },
                      C::Cut},
                     {"point+normal",
                      [](QWidget *w) {
                        set(w, "pointX", 1), set(w, "pointY", 2), set(w, "pointZ", 3),
                            set(w, "normalX", 0), set(w, "normalZ", 2);
                        click(w, "applyPointNormal");
                      },
                      [&](const Probe &p) {
                        return plane(p, {0, 0, 2, -6});
                      },
                      C::Cut},
                     {"cap", [](QWidget *w) { click(w, "capMode"); },
                      [](const Probe &p) { return p.view.capping; }, C::Cut},
                     {"show", [](QWidget *w) { click(w, "showPlane"); },
                      [](const Probe &p) { return p.sw.showCutPlane; }, C::Render},
                 });
  // A zero normal leaves the plane alone and asks for nothing.
  Probe p;
  PavCutPlanePanel panel(p.target(), p.sw);
  set(&panel, "normalX", 0);
  click(&panel, "applyPointNormal");
  EXPECT_TRUE(plane(p, {1, 0, 0, 0}));
  EXPECT_TRUE(p.changes.empty());
}

TEST(Panels, ModifyViewControls) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  auto make = [](Probe &p) { return new PavModifyViewPanel(p.target(), p.pal); };
  auto setPalette = [](QWidget *w, std::array<double, 5> v) {
    const char *names[5] = {"pal0", "pal1", "pal2", "pal3", "pal4"};
    for (int i = 0; i < 5; i++) set(w, names[i], v[(size_t)i]);
    click(w, "applyPalette");
  };
  runCases(make, {
                     {"colormap", [](QWidget *w) { pick(w, "colormap", 4); },
                      [](const Probe &p) { return p.view.colormap == 3; }, C::Palette},
                     {"palette",
                      [&](QWidget *w) {
                        setPalette(w, {-1, 0, 2, 2, 9});
                      },
                      [](const Probe &p) {
                        return !p.pal.automatic && p.pal.values[0] == -1 && p.pal.values[2] == 2 &&
                               p.pal.values[4] == 9;
                      },
                      C::Palette},
                     {"isolines", [](QWidget *w) { set(w, "isolines", 3); },
                      [](const Probe &p) { return p.pal.isolines == 3; }, C::Palette},
                     {"render", [](QWidget *w) { pick(w, "renderMode", 3); },
                      [](const Probe &p) { return p.view.options.renderMode() == 3; }, C::Colours},
                     {"shading", [](QWidget *w) { pick(w, "shading", 3); },
                      [](const Probe &p) { return p.view.options.UsePhong == 3; }, C::Render},
                     {"background", [](QWidget *w) { pick(w, "background", 1); },
                      [](const Probe &p) { return !p.view.whiteBackground; }, C::Colours},
                 });
  // A decreasing palette is refused with a message and changes nothing.
  Probe p;
  PavModifyViewPanel panel(p.target(), p.pal);
  setPalette(&panel, {0, 2, 1, 3, 4});
  EXPECT_TRUE(p.pal.automatic);
  EXPECT_EQ(p.pal.values[1], 0.25f);
  EXPECT_TRUE(p.changes.empty());
  EXPECT_TRUE(panel.findChild<QLabel *>("paletteMessage")->text().contains("correct palette"));
}

TEST(Panels, SolutionAndSpecificControls) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  auto solution = [](Probe &p) {
    auto *panel = new PavSolutionPanel(p.target());
    panel->setSolutionCounts(3, 2);
    return panel;
  };
  runCases(solution,
           {
               {"field", [](QWidget *w) { pick(w, "fieldMode", 2); },
                [](const Probe &p) { return p.view.fieldMode == 2 && p.view.options.SolOn == 1; },
                C::Fields},
               {"vertex", [](QWidget *w) { set(w, "vertexSolution", 3); },
                [](const Probe &p) { return p.view.vertexSolution == 3; }, C::Fields},
               {"element bound", [](QWidget *w) { set(w, "elementSolution", 7); },
                [](const Probe &p) { return p.view.elementSolution == 2; }, C::Fields},
               {"above at", [](QWidget *w) { set(w, "cutoffAboveValue", 0.75); },
                [](const Probe &p) { return p.view.options.CutoffAboveVal == 0.75f; }, C::Render},
           });
  auto specific = [](Probe &p) { return new PavSpecificPanel(p.target(), p.sw); };
  runCases(specific, {
                         {"shrink", [](QWidget *w) { click(w, "shrinkOn"), set(w, "shrink", 0.5); },
                          [](const Probe &p) { return p.view.options.shrink == 0.5f; }, C::Render},
                         {"transparency", [](QWidget *w) { click(w, "transparency"); },
                          [](const Probe &p) { return p.view.options.TransOn; }, C::Colours},
                         {"points", [](QWidget *w) { click(w, "pointNumbers"); },
                          [](const Probe &p) { return p.sw.showPointNumbers; }, C::Numbers},
                     });
}

// Two triangles over six vertices, two of them repeated: the fields of the Data Manager, the
// choice of a field, and merging the repeated vertices.
TEST(Panels, DataManagerAndMeshModifications) {
  if (!pavo_test::haveDisplay()) GTEST_SKIP() << "no display";
  const std::vector<double> xyz = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0};
  pavo_test::ObjectPtr mesh(pavo_test::buildMesh(3, xyz, Triangles, {1, 2, 3, 4, 5, 6}));
  char status[PAV_STATUS_SIZE] = "";
  pav_PushSolution(mesh.get(), SolAtVertices,
                   pav_NewSolutionRecord(3, PavSolScalar, 6, 1, 1, status), status);
  pav_PushSolution(mesh.get(), SolAtVertices,
                   pav_NewSolutionRecord(3, PavSolVector, 6, 1, 1, status), status);
  PavSolution *elt = pav_NewSolutionRecord(3, PavSolScalar, 2, 2, 6, status);
  std::strcpy(elt->name, "pressure");
  pav_PushSolution(mesh.get(), SolAtTrianglesP1, elt, status);

  const std::vector<PavFieldRow> rows = fieldRows(mesh.get());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(fieldRowText(rows[2]), "At elements 1: Scalar, degree 2, pressure");

  Probe p;
  PavDataManagerPanel data(p.target());
  data.setMesh("a.meshb", "", mesh.get());
  data.findChild<QListWidget *>("fields")->setCurrentRow(2);
  EXPECT_EQ(p.view.fieldMode, 2);
  EXPECT_EQ(p.view.elementSolution, 1);
  ASSERT_EQ(p.changes.size(), 1u);
  EXPECT_EQ(p.changes[0], C::Fields);

  int rebuilt = 0;
  PavObject *target = nullptr;
  PavMeshModificationsPanel mods({[&] { return target; }, [&] { rebuilt++; }, nullptr});
  testing::internal::CaptureStdout();
  click(&mods, "mergeVertices"); // no mesh: a message, nothing rebuilt
  target = mesh.get();
  click(&mods, "mergeVertices");
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("no mesh is loaded"), std::string::npos);
  EXPECT_EQ(pav_Count(mesh.get(), Vertices), 4); // MergeCloud checks the merge itself
  EXPECT_EQ(rebuilt, 1);
}

} // namespace
