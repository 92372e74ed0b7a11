// The command line: the built executable run as a child process without any display (as on a
// cluster node), its standard output compared byte for byte with the texts in tests/expected/
// (where @YEAR@ stands for the current year); start-up pieces in this process (platform choice,
// sample count clamp, the driver's sample limit, special settings files); the movie and sequence
// modes run under the test's X server: the images they write and how they end.
#include "app_startup.h"
#include "pavo_process.h"
#include "test_paths.h"

#include <QDate>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSettings>
#include <QStandardPaths>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

using pavo_test::has;
using pavo_test::ProcessResult;
using pavo_test::runPavo;

namespace {

int thisYear() { return QDate::currentDate().year(); }

std::string expected(const std::string &name) {
  std::string text = pavo_test::expectedText(name);
  const std::string placeholder = "@YEAR@";
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at))
    text.replace(at, placeholder.size(), std::to_string(thisYear()));
  return text;
}

// Runs pavo4 with no display in its environment, in a scratch folder of the running test (ctest
// runs tests in parallel, and later modes write their outputs there).
ProcessResult runHeadless(const std::vector<std::string> &args,
                          std::vector<std::string> extraEnv = {}) {
  const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
  return pavo_test::runPavo(
      pavo_test::scratchDir(std::string("cli_") + test->test_suite_name() + "_" + test->name()),
      args, std::move(extraEnv), true);
}

std::string joined(const std::vector<std::string> &args) {
  std::string line = "pavo4";
  for (const std::string &a : args) line += " " + a;
  return line;
}

struct Case {
  std::vector<std::string> args;
  const char *expectedFile;
  std::vector<std::string> env = {};
  int exitCode = 0;
};

// Every case ends normally with its status (0 unless given) and prints the expected text (only its
// beginning, with prefix, for the batch modes whose work comes after).
void expectOutputs(const std::vector<Case> &cases, bool prefix = false) {
  for (const Case &c : cases) {
    SCOPED_TRACE(joined(c.args));
    const ProcessResult r = runHeadless(c.args, c.env);
    EXPECT_EQ(r.exitCode, c.exitCode);
    const std::string text = expected(c.expectedFile);
    EXPECT_EQ(prefix ? r.out.substr(0, text.size()) : r.out, text);
  }
}

// Help, a mode called without its arguments, a line selecting no mode (options are
// case-sensitive), and batch modes whose inputs do not exist (status 1, text up to the format).
TEST(Cli, CommandLinesPrintTheExpectedTexts) {
  std::vector<Case> cases = {{{"-help"}, "cli_help.txt", {"DISPLAY=:9731"}},
                             {{"-checksurf", "wing.meshb"}, "cli_checksurf_alone.txt"},
                             {{"-extr"}, "cli_extr_alone.txt"}};
  for (const std::vector<std::string> &args :
       std::vector<std::vector<std::string>>{{"--help"}, {"mesh.meshb"}, {"-Extr", "-in", "x"}})
    cases.push_back({args, "cli_nothing_to_display.txt"});
  expectOutputs(cases);
  expectOutputs({{{"-merge", "x.meshb"}, "cli_merge_start.txt", {}, 1},
                 {{"-solana", "-in", "x.meshb"}, "cli_solana_start.txt", {}, 1}},
                true);
}

// Modes that open a window say that there is no display and fail, instead of aborting in the
// platform plugin or returning success without having done anything.
TEST(CliNoDisplay, WindowModesFailCleanly) {
  const std::vector<std::string> commandLines[] = {{}, {"-in", "x.meshb"}};
  for (const auto &args : commandLines) {
    SCOPED_TRACE(joined(args));
    const ProcessResult r = runHeadless(args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.out.find("no display"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Launching"), std::string::npos) << r.out;
  }
}

TEST(CliStartup, PlatformIsChosenOnlyWhenTheUserDidNot) {
  using pavo::choosePlatform;
  // No display at all (empty counts as unset): the off-screen platform, never the default one.
  EXPECT_EQ(choosePlatform(nullptr, nullptr, nullptr), "offscreen");
  EXPECT_EQ(choosePlatform("", "", ""), "offscreen");
  // A display: its platform first, off-screen as the fallback when it cannot be reached.
  EXPECT_EQ(choosePlatform(":0", nullptr, nullptr), "xcb;offscreen");
  EXPECT_EQ(choosePlatform(nullptr, "wayland-0", nullptr), "wayland;offscreen");
  // The user's own choice is kept, with or without a display.
  EXPECT_EQ(choosePlatform(nullptr, nullptr, "minimal"), "");
  EXPECT_EQ(choosePlatform(":0", nullptr, "offscreen"), "");
}

TEST(CliStartup, SampleCountNeverExceedsTheDriverLimit) {
  using pavo::clampSamples;
  EXPECT_EQ(clampSamples(16, 4), 4);   // software rasteriser
  EXPECT_EQ(clampSamples(16, 32), 16); // a GPU allowing more keeps the request
  EXPECT_EQ(clampSamples(16, 1), 0);   // no multisampling at all
  EXPECT_EQ(clampSamples(16, -1), 16); // probe failed: nothing known, request unchanged
  EXPECT_EQ(clampSamples(0, 4), 0);
}

bool glWindowsAvailable() {
  return qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb");
}

// Whether a window made with `format` really got a double-buffered configuration; -1 when no
// context could be made current on it.
int windowIsDoubleBuffered(const QSurfaceFormat &format) {
  QWindow window;
  window.setSurfaceType(QSurface::OpenGLSurface);
  window.setFormat(format);
  window.resize(64, 64);
  window.create();
  QOpenGLContext context;
  context.setFormat(format);
  if (!context.create() || !context.makeCurrent(&window)) return -1;
  unsigned char doubleBuffered = 0;
  context.functions()->glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  context.doneCurrent();
  return doubleBuffered ? 1 : 0;
}

// The probe finds the real limit, and windows made with the clamped format (no alpha, samples
// within the limit) stay double-buffered: asking a software rasteriser for more samples than it
// has, or for alpha, silently gives a single buffer.
TEST(CliStartup, ProbedFormatGivesDoubleBufferedWindows) {
  if (!glWindowsAvailable()) GTEST_SKIP() << "needs an X server";
  const int probed = pavo::probeMaxSamples(pavo::defaultSurfaceFormat());
  ASSERT_GE(probed, 1);
  EXPECT_EQ(windowIsDoubleBuffered(pavo::drawingFormat(pavo::defaultSurfaceFormat(), probed)), 1);
}

// A FIFO, an endless device or a folder in place of the settings file is refused before the
// first read (which would otherwise wait for ever); settings then start from the defaults.
TEST(CliStartup, SpecialSettingsFilesAreRefusedBeforeTheFirstRead) {
  namespace fs = std::filesystem;
  const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const std::string dir = (home + "/Unknown Organization").toStdString();
  const std::string file = dir + "/" + QCoreApplication::applicationName().toStdString() + ".conf";
  fs::create_directories(dir);
  for (int kind = 0; kind < 3; kind++) {
    fs::remove_all(file);
    if (kind == 0) {
      ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    }
    if (kind == 1) fs::create_symlink("/dev/zero", file);
    if (kind == 2) fs::create_directory(file);
    const std::string out =
        pavo_test::captured([] { EXPECT_EQ(pavo::refuseSpecialSettingsFiles(), 1); });
    EXPECT_EQ(out,
              "  ## ERROR: " + file + ": not a regular file: settings not read, defaults used\n");
    QSettings settings;
    EXPECT_EQ(settings.value("Axis Pref", 7).toInt(), 7);
  }
  fs::remove_all(file);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
  EXPECT_EQ(pavo::refuseSpecialSettingsFiles(), 0);
}

// A unit square of two triangles in the plane z = 0, with a vertex field.
void writeSquare(const std::string &dir) {
  std::ofstream(dir + "/sq.mesh") << "MeshVersionFormatted 2\nDimension 3\nVertices\n4\n"
                                     "0 0 0 1\n1 0 0 1\n1 1 0 1\n0 1 0 1\n"
                                     "Triangles\n2\n1 2 3 1\n1 3 4 1\nEnd\n";
  std::ofstream(dir + "/sq.sol") << "MeshVersionFormatted 2\nDimension 3\nSolAtVertices\n4\n1 1\n"
                                    "0\n1\n2\n3\nEnd\n";
}

// The image is a picture of the window's view; with `meshShown` the square, fitted in the middle
// of the view, covers its centre while a corner keeps the white background.
void expectImage(const std::string &file, bool meshShown = true) {
  SCOPED_TRACE(file);
  QImage img(QString::fromStdString(file));
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.pixel(img.width() - 3, img.height() - 3), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(img.width() / 2, img.height() / 2) != qRgb(255, 255, 255), meshShown);
}

} // namespace

// One frame per non-empty line of pavo.movie: three words name the image, two name it after the
// solution, one after the mesh (".jpg" added to names of no image format); a mesh that cannot be
// read is reported and its frame still written.
TEST(MovieMode, WritesOneImagePerLineUnderItsName) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("movie_frames");
  writeSquare(dir);
  std::ofstream(dir + "/pavo.movie") << "sq.mesh sq.sol first.png\n\nsq.mesh sq.sol\n"
                                        "sq.mesh\n  \nnone.mesh none.sol last.bmp\n";
  const pavo_test::ProcessResult r = runPavo(dir, {"-movie", "-data", "view.meshb"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(has(r.out, " pav_OpenMesh failed error   2 : Cannot open mesh file none.mesh"));
  for (const char *image : {"first.png", "sq.sol.jpg", "sq.mesh.jpg"})
    expectImage(dir + "/" + image);
  expectImage(dir + "/last.bmp", false);
}

// One frame per line of the sequence file, named by its second word or else after the view-state
// file; -nameseq picks another list file.
TEST(SeqMode, WritesOneImagePerViewState) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
  const std::string dir = pavo_test::scratchDir("seq_frames");
  writeSquare(dir);
  std::ofstream(dir + "/views.txt") << "top.data top.png\n\nside.data\n";
  const pavo_test::ProcessResult r =
      runPavo(dir, {"-seq", "-in", "sq.mesh", "-sol", "sq.sol", "-nameseq", "views.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(has(r.out, "  opening views.txt file \n  Launching the sequence data generator\n\n"))
      << r.out;
  expectImage(dir + "/top.png");
  expectImage(dir + "/side.data.jpg");
}
