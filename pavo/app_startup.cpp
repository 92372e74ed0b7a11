#include "app_startup.h"

#include "app_messages.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

#ifndef GL_MAX_SAMPLES
#define GL_MAX_SAMPLES 0x8D57
#endif

namespace pavo {

const char *const kNoDisplayMessage =
    "  ## ERROR: no display available: this mode opens a window (run it under an X server or with "
    "xvfb-run)";

namespace {
bool isSet(const char *value) { return value && *value; }
} // namespace

std::string choosePlatform(const char *display, const char *waylandDisplay,
                           const char *qpaPlatform) {
  if (isSet(qpaPlatform)) return {};
  // Qt tries the names in order and takes the first that starts; xcb gives up cleanly when its
  // server cannot be reached, so a stale DISPLAY ends in the off-screen platform, not an abort.
  if (isSet(display)) return "xcb;offscreen";
  if (isSet(waylandDisplay)) return "wayland;offscreen";
  return "offscreen";
}

void selectQtPlatform() {
#if defined(__unix__) && !defined(__APPLE__)
  const std::string platform = choosePlatform(
      std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"), std::getenv("QT_QPA_PLATFORM"));
  if (!platform.empty()) setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
#endif
}

void attachParentConsole() {
#ifdef _WIN32
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
#endif
}

QSurfaceFormat defaultSurfaceFormat() {
  QSurfaceFormat format;
  format.setVersion(4, 5);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setSamples(16);
  return format;
}

int clampSamples(int requested, int probed) {
  if (requested <= 0 || probed < 0) return requested;
  if (probed < 2) return 0;
  return std::min(requested, probed);
}

QSurfaceFormat drawingFormat(const QSurfaceFormat &base, int probed) {
  QSurfaceFormat format = base;
  format.setSamples(clampSamples(base.samples(), probed));
  format.setAlphaBufferSize(0);
  return format;
}

int probeMaxSamples(const QSurfaceFormat &format) {
  // The probe itself needs no multisampling; asking for it could make the context fail.
  QSurfaceFormat probeFormat = format;
  probeFormat.setSamples(0);
  probeFormat.setAlphaBufferSize(0);

  QOpenGLContext context;
  context.setFormat(probeFormat);
  if (!context.create()) return -1;
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return -1;
  GLint samples = 0;
  context.functions()->glGetIntegerv(GL_MAX_SAMPLES, &samples);
  context.doneCurrent();
  return samples;
}

int refuseSpecialSettingsFiles() {
  QString org = QCoreApplication::organizationName();
  if (org.isEmpty()) org = QStringLiteral("Unknown Organization"); // Qt's name for none
  const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  const QString files[] = {home + "/" + org + "/" + QCoreApplication::applicationName() + ".conf",
                           home + "/" + org + ".conf"};
  int refused = 0;
  for (const QString &f : files) {
    struct stat st;
    const QByteArray name = f.toLocal8Bit();
    if (::stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode)) continue;
    appMessage("  ## ERROR: %s: not a regular file: settings not read, defaults used\n",
               name.constData());
    refused++;
  }
  if (refused) {
    static QTemporaryDir privateHome;
    for (QSettings::Format f : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(f, QSettings::UserScope, privateHome.path());
  }
  std::fflush(stdout);
  return refused;
}

bool prepareDrawing() {
  // The off-screen and minimal platforms cannot show a window even when they can make a context.
  const QString platform = QGuiApplication::platformName();
  const bool windowing = platform != QLatin1String("offscreen") &&
                         platform != QLatin1String("minimal") && !platform.isEmpty();
  const QSurfaceFormat base = QSurfaceFormat::defaultFormat();
  const int probed = windowing ? probeMaxSamples(base) : -1;
  if (probed < 0) {
    appMessage("%s\n", kNoDisplayMessage);
    std::fflush(stdout);
    return false;
  }
  QSurfaceFormat::setDefaultFormat(drawingFormat(base, probed));
  return true;
}

} // namespace pavo
