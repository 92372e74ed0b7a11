// Parameter, view-state, movie and sequence files: lookup, keyword values, messages, clamping of
// absurd values, the written layout, and writes that never lose the earlier file.
#include "modes/movie_seq_files.h"
#include "modes/param_file.h"
#include "modes/view_state_file.h"
#include "scene/view_state_io.h"

#include "test_paths.h"

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace pavo;

namespace {

// Runs each test inside a scratch folder: the files are looked for in the working directory.
class ViewFiles : public ::testing::Test {
protected:
  void SetUp() override {
    old = std::filesystem::current_path();
    dir = pavo_test::scratchDir("view_files");
    std::filesystem::current_path(dir);
  }
  void TearDown() override { std::filesystem::current_path(old); }
  static void put(const std::string &name, const std::string &text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  std::filesystem::path old;
  std::string dir;
};

struct ParamCase {
  const char *text;
  std::vector<std::string> messages; // after the "OPENED" line
  std::function<void(const PavParameters &)> check;
};

using Plane = PavPlaneEquation;
const std::array<int32_t, 3> kGrey = {214, 214, 214};

const ParamCase kParamCases[] = {
    {"NumberOfSubIsolines 15 numberofjacobiansubisolines -3",
     {},
     [](const PavParameters &p) {
       EXPECT_EQ(p.numberOfSubIsolines, 9);
       EXPECT_EQ(p.numberOfJacobianSubIsolines, 0);
     }},
    {"displayfield 0",
     {"  Display Solution Field 1 \n"},
     [](const PavParameters &p) { EXPECT_EQ(p.displayField, 1); }},
    {"cutplane 1 0 0 0 1 0 0",
     {},
     [](const PavParameters &p) {
       EXPECT_EQ(clippingPlanes(p), (std::vector<Plane>{{1, 0, 0, 0}}));
     }},
    // Point-normal planes come before equations, whatever the order in the file.
    {"cutplaneequation 1 0 1 0 -0.5 CUTPLANE 1 1 2 3 0 0 2 capplaneequation 1 1 1 1 1",
     {},
     [](const PavParameters &p) {
       EXPECT_EQ(clippingPlanes(p), (std::vector<Plane>{{0, 0, 2, -6}, {0, 1, 0, -0.5f}}));
       EXPECT_EQ(cappingPlanes(p), (std::vector<Plane>{{1, 1, 1, 1}}));
     }},
    {"refcolor 2 255 0 0",
     {"  ## ERROR: PAVO: refcolor: MISSING INTEGER VALUE \n", "  2 colors (references) defined\n"},
     [](const PavParameters &p) {
       EXPECT_EQ(p.refColor, (std::vector<std::array<int32_t, 3>>{{255, 0, 0}, kGrey}));
     }},
    {"refcolor 1 300 0 -1",
     {"% Warning 300 is an invalid value for keyword refcolor, should be between 0 and 255 or 1\n",
      "% Warning -1 is an invalid value for keyword refcolor, should be between 0 and 255 or 1\n",
      "  1 colors (references) defined\n"},
     [](const PavParameters &p) {
       EXPECT_EQ(p.refColor[0], (std::array<int32_t, 3>{214, 0, 214}));
     }},
    {"colormap Viridis",
     {"  Viridis colormap used\n"},
     [](const PavParameters &p) { EXPECT_EQ(p.colormap, 6); }},
    {"colormap CUBEHELIXBLUEREV colormap Hot",
     {"  Reverse cubehelix blue colormap used\n", "  unknown colormap ! Hot\n"},
     [](const PavParameters &p) { EXPECT_EQ(p.colormap, 9); }},
    // A bad palette value abandons the keyword only: reading goes on.
    {"palette 0 1 2 3 x isolines 2 0.5 0.25",
     {"  ## ERROR: PAVO: palette: ERROR WHILE READING DOUBLE VALUE(x)\n"},
     [](const PavParameters &p) {
       EXPECT_FALSE(p.palette);
       EXPECT_EQ(p.isolines, (std::vector<float>{0.5f, 0.25f}));
     }},
    {"palette 0 2 1 3 4 jacobianpalette 0.1 0.2 0.3 0.4 1e39",
     {"  ## ERROR: PAVO: palette: VALUES NOT IN INCREASING ORDER \n",
      "  ## ERROR: PAVO: jacobianpalette: ERROR WHILE READING DOUBLE VALUE(1e39)\n"},
     [](const PavParameters &p) { EXPECT_FALSE(p.palette || p.jacobianPalette); }},
    {"palette 0.1 0.2 0.3 0.4 0.5",
     {},
     [](const PavParameters &p) { EXPECT_EQ((*p.palette)[0], 0.1f); }},
    // Errors in counts and in displayfield stop the reading; what came before stays.
    {"scrolling 1 isolines abc displayfield 3",
     {"  ## ERROR: PAVO: isolines: ERROR WHILE READING INTEGER VALUE(abc)\n"},
     [](const PavParameters &p) {
       EXPECT_EQ(p.scrolling, 1);
       EXPECT_FALSE(p.isolines || p.displayField);
     }},
    {"displayfield 2.5 boundingbox 0 1 0 1 0 1",
     {"  ## ERROR: PAVO: displayfield: ERROR WHILE READING INTEGER VALUE(2.5)\n"},
     [](const PavParameters &p) { EXPECT_FALSE(p.boundingBox || p.displayField); }},
    {"jacobianisolines 2000000000 checksurf 1",
     {"  ## ERROR: PAVO: jacobianisolines: ERROR WHILE READING INTEGER VALUE(2000000000)\n"},
     [](const PavParameters &p) { EXPECT_FALSE(p.checkSurf); }},
    {"cutplane 2 0 0 0 1 0 0 5 5 5 0 q 1 checksurf 99999999999",
     {"  ## ERROR: PAVO: cutplane: ERROR WHILE READING DOUBLE VALUE(q)\n",
      "  ## ERROR: PAVO: checksurf: ERROR WHILE READING INTEGER VALUE(99999999999)\n"},
     [](const PavParameters &p) { EXPECT_EQ(clippingPlanes(p).size(), 1u); }},
    {"foo 12 bar DisplayField 2 displayfield 5 boundingbox -1 1 -2 2 -3 nan",
     {"  Display Solution Field 2 \n", "  Display Solution Field 5 \n",
      "  ## ERROR: PAVO: boundingbox: ERROR WHILE READING DOUBLE VALUE(nan)\n"},
     [](const PavParameters &p) {
       EXPECT_EQ(p.displayField, 5);
       EXPECT_FALSE(p.boundingBox);
     }},
    {"colormap", {}, [](const PavParameters &p) { EXPECT_FALSE(p.colormap); }},
};

TEST_F(ViewFiles, ParameterKeywordsValuesAndMessages) {
  for (const ParamCase &c : kParamCases) {
    SCOPED_TRACE(c.text);
    put("DEFAULT.pavo", c.text);
    PavParameters p;
    PavFileMessages m;
    ASSERT_TRUE(readParameterFile(nullptr, p, m));
    std::vector<std::string> expected = {"  % DEFAULT.pavo OPENED\n"};
    expected.insert(expected.end(), c.messages.begin(), c.messages.end());
    EXPECT_EQ(m.lines, expected);
    c.check(p);
  }
}

TEST_F(ViewFiles, ParameterFileLookupOrder) {
  struct Case {
    std::vector<const char *> present;
    const char *mesh;
    const char *read; // nullptr: none
  };
  const Case cases[] = {
      {{"wing.pavo", "DEFAULT.pavo"}, "wing.meshb", "wing.pavo"},
      {{"wing.pavo", "DEFAULT.pavo"}, "wing.mesh", "wing.pavo"},
      {{"DEFAULT.pavo", "Default.pavo"}, "wing.meshb", "DEFAULT.pavo"},
      {{"Default.pavo"}, "wing.meshb", "Default.pavo"},
      {{"wing.su2.pavo"}, "wing.su2", "wing.su2.pavo"},
      {{"wing.pavo"}, nullptr, nullptr},
      {{}, "wing.meshb", nullptr},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.mesh ? c.mesh : "(null)");
    for (const char *f : {"wing.pavo", "DEFAULT.pavo", "Default.pavo", "wing.su2.pavo"})
      std::filesystem::remove(f);
    for (const char *f : c.present) put(f, std::string("scrolling 1"));
    PavParameters p;
    PavFileMessages m;
    EXPECT_EQ(readParameterFile(c.mesh, p, m), c.read != nullptr);
    if (c.read) {
      EXPECT_EQ(p.fileName, c.read);
      EXPECT_EQ(m.lines[0], std::string("  % ") + c.read + " OPENED\n");
      EXPECT_EQ(p.scrolling, 1);
    } else {
      EXPECT_EQ(m.lines, (std::vector<std::string>{"  %% WARNING: NO PARAMETER FILE FOUND.",
                                                   " USE DEFAULT VALUES\n"}));
      EXPECT_FALSE(p.scrolling);
    }
  }
}

// Every setting a valid file can hold, at values the layout's precision writes exactly.
PavViewStateData fullState() {
  PavViewStateData d;
  d.windowSize = {{800, 600}};
  d.center = {{0.1, -1e-7, 3.3}};
  d.rotation = {{0.5f, -0.5f, 0.5f, 0.5f}};
  d.translation = {{0.25f, 0, -1.5f}};
  d.fovy = 33.3;
  d.cutPlaneEquation = {{1, 0, 0, -0.125f}};
  d.useCutPlane = d.showCut = d.capping = d.lineOn = d.tessOn = d.edgeOn = 1;
  d.tessLevel = 125;
  d.solOn = 2, d.isoOn = 1, d.palOn = 1, d.usePalette = 1;
  d.palette = {{-1, 0, 0, 2.5f, 4}};
  d.curSol = 2, d.ithSol = 3;
  d.isoSiz = 1.5f;
  d.colormap = 11;
  d.textOn = 0, d.lineSurfOn = 1, d.hideSurfOn = 0, d.cutoffBelowOn = 1, d.cutoffAboveOn = 0;
  d.cutoffBelowVal = -0.75f, d.cutoffAboveVal = 2;
  d.transOn = 1, d.shaMod = 3, d.renMod = 2;
  d.wireSiz = 0.025f * 4;
  d.useBoundingBox = 1;
  d.boundingBox = {{-1, 1, -2, 2, 0, 0.5f}};
  d.hiddenRefs = std::vector<PavHiddenRef>{{6, 4}, {7, -2}, {75, 1000000}};
  return d;
}

TEST_F(ViewFiles, ViewStateWriteThenReadGivesTheSameData) {
  PavViewStateData d = fullState(), back;
  PavFileMessages m;
  ASSERT_EQ(writeViewStateFile(d, "view.data", m), "view.data");
  ASSERT_TRUE(readViewStateFile("view.data", back, m));
  EXPECT_TRUE(back == d);
  EXPECT_EQ(m.lines,
            (std::vector<std::string>{"  writing view.data file \n", "  opening view.data \n",
                                      "  Cf Map Tecplot used\n"}));
  // The hidden pairs carry the draw-type name with its blank, then the reference.
  const std::string text = viewStateText(d, 0);
  EXPECT_EQ(text.rfind("#### Generated by Pavo 4 - ", 0), 0u);
  EXPECT_NE(text.find("\nUseBoundingBox\n1 \nBoundingBox\n-1.000000 1.000000 -2.000000 "
                      "2.000000 0.000000 0.500000\nNumberOfHiddenRefObjects\n3\nTriangle  4\n"
                      "TriangleP2  -2\nPolygon  1000000\n"),
            std::string::npos);
  // Without a palette, UsePalette and the values are zeros; ithSol is 0 without a solution.
  PavViewStateData empty;
  empty.usePalette = 1, empty.ithSol = 4;
  const std::string e = viewStateText(empty, 0);
  EXPECT_NE(e.find("\nUsePalette\n0\nPalette\n0.000000 0.000000 0.000000 0.000000 0.000000\n"
                   "CurSol\n0\nithSol\n0\n"),
            std::string::npos);
}

TEST_F(ViewFiles, ViewStateNameRules) {
  const char *warning = "  %% Warning The name should have '.data' as extension ! \n";
  const struct {
    const char *name, *written;
    bool warned;
  } cases[] = {{nullptr, "pavo.data", false},
               {"view.txt", "pavo.data", true},
               {"a.data", "a.data", false},
               {"b.data.bak", "b.data.bak", false}};
  for (const auto &c : cases) {
    PavFileMessages m;
    EXPECT_EQ(writeViewStateFile(PavViewStateData(), c.name, m), c.written);
    EXPECT_TRUE(std::filesystem::is_regular_file(c.written));
    EXPECT_EQ(!m.lines.empty() && m.lines[0] == warning, c.warned);
  }
}

struct StateCase {
  const char *text;
  std::vector<std::string> messages; // after the "opening" line
  std::function<void(const PavViewStateData &)> check;
};

const StateCase kStateCases[] = {
    {"WindowSize 0 1000000",
     {"% Warning 0 is an invalid value for keyword windowsize, should be between 16 and 16384\n",
      "% Warning 1000000 is an invalid value for keyword windowsize, should be between 16 and "
      "16384\n"},
     [](const PavViewStateData &d) {
       EXPECT_EQ(d.windowSize, (std::array<int32_t, 2>{16, 16384}));
     }},
    {"TessLevel 1000",
     {"% Warning 1000 is an invalid value for keyword tesslevel, should be between 1 and 125\n"},
     [](const PavViewStateData &d) { EXPECT_EQ(d.tessLevel, 125); }},
    {"Fovy nan fovy 1e300",
     {"  ## ERROR: PAVO: fovy: ERROR WHILE READING DOUBLE VALUE(nan)\n",
      "% Warning 1e+300 is an invalid value for keyword fovy, should be between 1e-09 and 179\n"},
     [](const PavViewStateData &d) { EXPECT_EQ(d.fovy, 179.0); }},
    {"SolOn 3 LineOn 2 CurSol 1",
     {"% Warning 3 is an invalid value for keyword solon, should be equal to 0, 1 or 2\n",
      "% Warning 2 is an invalid value for keyword lineon, should be equal to 0 or 1\n"},
     [](const PavViewStateData &d) {
       EXPECT_FALSE(d.solOn || d.lineOn);
       EXPECT_EQ(d.curSol, 1);
     }},
    {"UseBoundingBox 2",
     {"% Warning 2 is an invalid value for keyword useboundingbox, should be "
      "equal to 0 or 1\n"},
     [](const PavViewStateData &d) { EXPECT_FALSE(d.useBoundingBox); }},
    {"UseBoundingBox -3 RenMod 7",
     {"% Warning 7 is an invalid value for keyword renmod, should be between 0 and 3\n"},
     [](const PavViewStateData &d) {
       EXPECT_EQ(d.useBoundingBox, 1);
       EXPECT_FALSE(d.renMod);
     }},
    {"Palette 1 0 2 3 4 Rotation 0 0 0 0 WireSiz -1",
     {"% Warning the values of keyword palette should be in increasing order, ignored\n",
      "% Warning the values of keyword rotation give no rotation, ignored\n",
      "% Warning -1 is an invalid value for keyword wiresiz, should be between 0 and 64\n"},
     [](const PavViewStateData &d) {
       EXPECT_FALSE(d.palette || d.rotation);
       EXPECT_EQ(d.wireSiz, 0.0f);
     }},
    {"NumberOfHiddenRefObjects 3 Bogus 1 edge 2 Triangle",
     {"% Warning Bogus is an invalid value for keyword numberofhiddenrefobjects, should be a draw "
      "type name\n",
      "  ## ERROR: PAVO: numberofhiddenrefobjects: MISSING INTEGER VALUE \n"},
     [](const PavViewStateData &d) {
       EXPECT_EQ(d.hiddenRefs, (std::vector<PavHiddenRef>{{2, 2}}));
     }},
    {"NumberOfHiddenRefObjects -1 LineOn 1",
     {"  ## ERROR: PAVO: numberofhiddenrefobjects: ERROR WHILE READING INTEGER VALUE(-1)\n"},
     [](const PavViewStateData &d) { EXPECT_FALSE(d.lineOn || d.hiddenRefs); }},
    {"center 1 2 x colormap coolwarm",
     {"  ## ERROR: PAVO: center: ERROR WHILE READING DOUBLE VALUE(x)\n",
      "  Coolwarm colormap used\n"},
     [](const PavViewStateData &d) {
       EXPECT_FALSE(d.center);
       EXPECT_EQ(d.colormap, 2);
     }},
};

TEST_F(ViewFiles, ViewStateWarnsAndClampsAbsurdValues) {
  for (const StateCase &c : kStateCases) {
    SCOPED_TRACE(c.text);
    put("s.data", c.text);
    PavViewStateData d;
    PavFileMessages m;
    ASSERT_TRUE(readViewStateFile("s.data", d, m));
    std::vector<std::string> expected = {"  opening s.data \n"};
    expected.insert(expected.end(), c.messages.begin(), c.messages.end());
    EXPECT_EQ(m.lines, expected);
    c.check(d);
  }
  // A thousand hidden references are all kept.
  std::string many = "NumberOfHiddenRefObjects 1000\n";
  for (int i = 0; i < 1000; i++) many += "QuadrilateralQ2 " + std::to_string(i) + "\n";
  put("many.data", many);
  PavViewStateData d;
  PavFileMessages m;
  ASSERT_TRUE(readViewStateFile("many.data", d, m));
  ASSERT_EQ(d.hiddenRefs->size(), 1000u);
  EXPECT_EQ(d.hiddenRefs->back(), (PavHiddenRef{11, 999}));
  EXPECT_FALSE(readViewStateFile("absent.data", d, m));
  EXPECT_EQ(m.lines.back(), "error while loading absent.data \n");
}

template <class T> bool within(const std::optional<T> &v, double lo, double hi) {
  return !v || (*v >= lo && *v <= hi);
}

// Every keyword followed by every kind of garbage: whatever is stored lies in its range.
TEST_F(ViewFiles, ViewStateGarbageSweepKeepsValuesInRange) {
  const char *keys[] = {"windowsize", "center",         "rotation", "fovy",
                        "tesslevel",  "solon",          "isoon",    "cursol",
                        "ithsol",     "shamod",         "renmod",   "wiresiz",
                        "isosiz",     "useboundingbox", "palette",  "numberofhiddenrefobjects",
                        "colormap",   "lineon"};
  const char *junk[] = {"",           "x",  "nan", "-inf", "1e999",         "-2147483649",
                        "2147483647", "-7", "3.5", "0x10", "1 1 1 1 1 1 1", "5 4 3 2 1 0"};
  for (const char *k : keys)
    for (const char *j : junk) {
      put("g.data", std::string(k) + " " + j);
      PavViewStateData d;
      PavFileMessages m;
      std::string tag = std::string(k) + " " + j;
      ASSERT_TRUE(readViewStateFile("g.data", d, m)) << tag;
      const auto windowOk = [](const auto &w) { return w[0] >= 16 && w[1] <= 16384; };
      EXPECT_TRUE(!d.windowSize || windowOk(*d.windowSize)) << tag;
      EXPECT_TRUE(within(d.fovy, 1e-9, 179) && within(d.tessLevel, 1, 125)) << tag;
      EXPECT_TRUE(within(d.solOn, 0, 2) && within(d.isoOn, 0, 2) && within(d.curSol, 0, 2)) << tag;
      EXPECT_TRUE(within(d.shaMod, 0, 3) && within(d.renMod, 0, 3)) << tag;
      EXPECT_TRUE(within(d.useBoundingBox, 0, 1) && within(d.lineOn, 0, 1)) << tag;
      EXPECT_TRUE(within(d.ithSol, 0, PAV_MAX_FILE_COUNT)) << tag;
      EXPECT_TRUE(within(d.wireSiz, 0, 64) && within(d.isoSiz, 0, 64)) << tag;
      EXPECT_TRUE(!d.palette || std::is_sorted(d.palette->begin(), d.palette->end())) << tag;
      EXPECT_TRUE(!d.center || std::isfinite((*d.center)[0] + (*d.center)[1] + (*d.center)[2]))
          << tag;
    }
}

// The same for the parameter file.
TEST_F(ViewFiles, ParameterGarbageSweepKeepsValuesInRange) {
  const char *keys[] = {"numberofsubisolines",
                        "displayfield",
                        "palette",
                        "refcolor",
                        "isolines",
                        "cutplane",
                        "colormap"};
  const char *junk[] = {"",   "x",   "nan",           "1e999",       "-2147483649", "2147483647",
                        "-7", "3.5", "1 1 1 1 1 1 1", "5 4 3 2 1 0", "2 300 -1 7"};
  for (const char *k : keys)
    for (const char *j : junk) {
      put("DEFAULT.pavo", std::string(k) + " " + j);
      PavParameters p;
      PavFileMessages m;
      std::string tag = std::string(k) + " " + j;
      ASSERT_TRUE(readParameterFile(nullptr, p, m)) << tag;
      EXPECT_TRUE(within(p.numberOfSubIsolines, 0, 9) && within(p.displayField, 1, INT32_MAX))
          << tag;
      EXPECT_TRUE(!p.palette || std::is_sorted(p.palette->begin(), p.palette->end())) << tag;
      for (const auto &c : p.refColor)
        EXPECT_TRUE(*std::min_element(c.begin(), c.end()) >= 0 &&
                    *std::max_element(c.begin(), c.end()) <= 255)
            << tag;
      for (const auto &e : clippingPlanes(p))
        EXPECT_TRUE(std::isfinite(e[0] + e[1] + e[2] + e[3])) << tag;
    }
}

// The earlier file stays byte for byte when the new one cannot be written, and no temporary is
// left behind.
TEST_F(ViewFiles, FailedViewStateWriteKeepsTheEarlierFile) {
  const std::string earlier = "WindowSize\n640 480\n";
  put("keep.data", earlier);
  put("plain", "x");
  std::filesystem::create_directory("folder.data");
  PavFileMessages m;
  EXPECT_EQ(writeViewStateFile(fullState(), "plain/sub.data", m), "");
  EXPECT_EQ(writeViewStateFile(fullState(), "folder.data", m), "");
  EXPECT_NE(m.lines.back().find("folder.data"), std::string::npos);
  // A file-size limit makes the write itself fail half-way.
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 64;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  std::string written = writeViewStateFile(fullState(), "keep.data", m);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(written, "");
  EXPECT_EQ(pavo_test::readFile("keep.data"), earlier);
  size_t entries = 0;
  for (const auto &e : std::filesystem::directory_iterator(dir)) entries += !e.path().empty();
  EXPECT_EQ(entries, 3u); // keep.data, plain, folder.data
}

TEST_F(ViewFiles, MovieAndSequenceLines) {
  const std::string longName(600, 'a');
  put("pavo.movie", "a.meshb\n\n  b.meshb b.solb  \nc.mesh c.sol c.png extra\n");
  put("pavo.seq", "v1.data\n \nv2.data img2.jpg\n" + longName + "\n");
  std::vector<PavMovieLine> movie;
  std::vector<PavSequenceLine> seq;
  PavFileMessages m;
  ASSERT_TRUE(readMovieFile(nullptr, movie, m));
  EXPECT_EQ(movie, (std::vector<PavMovieLine>{{"a.meshb", "", "a.meshb"},
                                              {"b.meshb", "b.solb", "b.solb"},
                                              {"c.mesh", "c.sol", "c.png"}}));
  ASSERT_TRUE(readSequenceFile("pavo.seq", seq, m));
  // A line longer than 511 characters goes on as the next line.
  const std::string head(511, 'a'), tail(89, 'a');
  EXPECT_EQ(seq, (std::vector<PavSequenceLine>{
                     {"v1.data", "v1.data"}, {"v2.data", "img2.jpg"}, {head, head}, {tail, tail}}));
  PavFileMessages missing;
  EXPECT_FALSE(readMovieFile("none.movie", movie, missing));
  EXPECT_FALSE(readSequenceFile("none.seq", seq, missing));
  EXPECT_TRUE(movie.empty() && seq.empty());
  EXPECT_EQ(missing.lines,
            (std::vector<std::string>{
                "  Launching movie frames generator\n", "  no file none.movie found \n",
                "  Please specify your sequence of meshes and solution in a file named "
                "\"pavo.movie\" \n",
                "  opening none.seq file \n", "  Launching the sequence data generator\n", "\n",
                "  no file none.seq found \n",
                "  Please specify your sequence of meshes and solution in a file named "
                "\"pavo.seq\" \n"}));
}

// A view goes to the file and comes back: every setting the file holds survives.
TEST_F(ViewFiles, ViewThroughTheFileComesBackTheSame) {
  PavViewState v;
  v.trackball.rotation = QQuaternion(0.5f, -0.5f, 0.5f, 0.5f);
  v.trackball.translation = QVector3D(0.25f, 0, -1.5f);
  v.fovy = 12.5;
  v.sceneCentre = QVector3D(0.1f, -2, 3);
  v.hasCutPlane = true, v.capping = true;
  v.cutPlane[0] = 0, v.cutPlane[1] = 1, v.cutPlane[2] = 0, v.cutPlane[3] = -0.5;
  v.colormap = 6, v.fieldMode = 2, v.elementSolution = 3;
  PavRenderOption &o = v.options;
  o.LineOn = false, o.TessOn = false, o.EdgeOn = false, o.CutOn = true, o.TextOn = false;
  o.TransOn = true, o.LineSurfOn = true, o.HideSurfOn = true, o.PalOn = false;
  o.CutoffBelowOn = true, o.CutoffBelowVal = -0.5f, o.CutoffAboveVal = 4;
  o.UsePhong = 3, o.IsoOn = 2, o.SolOn = 1, o.tessLevel = 17, o.lineWidth = 0.125f;
  o.setRenderMode(3);
  PavViewStateData window;
  window.windowSize = {{640, 480}};
  window.hiddenRefs = std::vector<PavHiddenRef>{{6, 4}, {10, 4}, {6, 2}};
  PavFileMessages m;
  ASSERT_EQ(writeViewStateFile(viewStateData(v, window), "v.data", m), "v.data");
  PavViewStateData d;
  ASSERT_TRUE(readViewStateFile("v.data", d, m));
  PavViewState back;
  applyViewStateData(d, back);
  EXPECT_EQ(d.windowSize, window.windowSize);
  EXPECT_EQ(back.trackball.rotation, v.trackball.rotation);
  EXPECT_EQ(back.trackball.translation, v.trackball.translation);
  EXPECT_EQ(back.sceneCentre, v.sceneCentre);
  EXPECT_EQ(std::make_tuple(back.fovy, back.hasCutPlane, back.capping, back.colormap,
                            back.fieldMode, back.elementSolution, back.vertexSolution),
            std::make_tuple(v.fovy, true, true, 6, 2, 3, 1));
  EXPECT_TRUE(std::equal(v.cutPlane, v.cutPlane + 4, back.cutPlane));
  EXPECT_EQ(back.hiddenReferences, (std::vector<int>{2, 4}));
  const PavRenderOption &b = back.options;
  EXPECT_EQ(std::make_tuple(b.LineOn, b.TessOn, b.EdgeOn, b.CutOn, b.TextOn, b.TransOn,
                            b.LineSurfOn, b.HideSurfOn, b.PalOn, b.CutoffBelowOn, b.CutoffAboveOn),
            std::make_tuple(o.LineOn, o.TessOn, o.EdgeOn, o.CutOn, o.TextOn, o.TransOn,
                            o.LineSurfOn, o.HideSurfOn, o.PalOn, o.CutoffBelowOn, o.CutoffAboveOn));
  EXPECT_EQ(std::make_tuple(b.CutoffBelowVal, b.CutoffAboveVal, (int)b.UsePhong, b.IsoOn, b.SolOn,
                            (int)b.tessLevel, b.lineWidth, b.renderMode()),
            std::make_tuple(-0.5f, 4.0f, 3, 2, 1, 17, 0.125f, 3));
}

// A parameter file's planes, colormap, field, palettes and colours reach the display.
TEST_F(ViewFiles, ParametersReachTheView) {
  const struct {
    const char *text;
    bool cut, capping;
    double plane[4];
  } cases[] = {{"cutplane 1 0 0 0 1 0 0 capplaneequation 1 0 0 1 -2", true, false, {1, 0, 0, 0}},
               {"capplane 1 0 0 2 0 0 -1", true, true, {0, 0, -1, 2}},
               {"cutplane 0", false, false, {1, 0, 0, 0}}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    put("DEFAULT.pavo", c.text);
    PavParameters p;
    PavFileMessages m;
    ASSERT_TRUE(readParameterFile("none.meshb", p, m));
    PavViewState v;
    applyParameters(p, v);
    EXPECT_EQ(v.cutActive(), c.cut);
    EXPECT_EQ(v.capping, c.capping);
    EXPECT_TRUE(std::equal(c.plane, c.plane + 4, v.cutPlane));
  }
  put("DEFAULT.pavo", "colormap jet displayfield 3 palette 0 1 1 2 3 numberofsubisolines 4 "
                      "jacobianisolines 12 1 2 3 4 5 6 7 8 9 10 11 12 refcolor 1 0 255 0");
  PavParameters p;
  PavFileMessages m;
  ASSERT_TRUE(readParameterFile(nullptr, p, m));
  PavViewState v;
  applyParameters(p, v);
  EXPECT_EQ(std::make_tuple(v.colormap, v.vertexSolution, v.elementSolution),
            std::make_tuple(7, 3, 3));
  PavPalette sol, jac;
  applyParameterPalettes(p, sol, jac);
  EXPECT_TRUE(sol.paletteSet && sol.paletteFixed && !jac.paletteSet);
  EXPECT_EQ(std::make_tuple(sol.palette[3], sol.nbrIso, jac.nbrUsrIso, jac.usrIso[8]),
            std::make_tuple(2.0f, 4, 9, 9.0f));
  PavReferenceColours colours;
  applyParameterColours(p, colours);
  float rgb[3];
  colours.colour(7, 1, rgb);
  EXPECT_EQ(std::make_tuple(rgb[0], rgb[1], rgb[2]), std::make_tuple(0.0f, 1.0f, 0.0f));
}

} // namespace
