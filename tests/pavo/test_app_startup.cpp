// Start-up pieces that need no child process: the platform choice, the sample count clamp and,
// on a real display, the probe of the driver's sample limit.
#include "app_startup.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSettings>
#include <QStandardPaths>
#include <QWindow>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "test_paths.h"

namespace {

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

} // namespace
