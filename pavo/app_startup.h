// Start-up of the process: the Qt platform when there is no display, the console on Windows, the
// default OpenGL surface format, and the checks a mode makes before it opens a window.
#pragma once

#include <QSurfaceFormat>
#include <string>

namespace pavo {

// Exit status of a mode that must open a window and finds no usable display.
constexpr int kNoDisplayStatus = 1;

// The line printed in that case (without its newline).
extern const char *const kNoDisplayMessage;

// Qt platform to force before the application object exists, from the values of DISPLAY,
// WAYLAND_DISPLAY and QT_QPA_PLATFORM (null or empty when unset). Returns an empty string when
// Qt's own choice is to be kept (QT_QPA_PLATFORM given by the user), "offscreen" when there is no
// display at all, and otherwise the display's platform followed by "offscreen" as a fallback, so
// that a display that cannot be reached does not abort the process.
std::string choosePlatform(const char *display, const char *waylandDisplay,
                           const char *qpaPlatform);

// Applies choosePlatform to this process's environment (QT_QPA_PLATFORM) on X11/Wayland systems;
// does nothing elsewhere. Call it before constructing the QApplication.
void selectQtPlatform();

// On Windows, attaches to the console of the parent process and reopens standard output and
// standard error on it; does nothing elsewhere.
void attachParentConsole();

// The default surface format: OpenGL 4.5, core profile, 24-bit depth buffer, 16 samples.
QSurfaceFormat defaultSurfaceFormat();

// Number of samples to request: `requested` limited to `probed`, the GL_MAX_SAMPLES of the
// driver. A probed limit below 2 means no multisampling (0); a negative probe (unknown) keeps the
// request; a request of 0 or less is kept as it is.
int clampSamples(int requested, int probed);

// The format windows are created with: `base` with its samples clamped to `probed` and no alpha
// channel (an alpha channel together with multisampling gives a single-buffered window on some
// drivers).
QSurfaceFormat drawingFormat(const QSurfaceFormat &base, int probed);

// GL_MAX_SAMPLES read from a small temporary context made with `format` on an off-screen
// surface; -1 when no such context can be made (no display, no OpenGL). Needs the QApplication.
int probeMaxSamples(const QSurfaceFormat &format);

// The user's settings files (the application's and its organisation's) that are there but are not
// regular files would stop the settings' first read for ever (a FIFO waits for a writer, a device
// never ends). Each such file is named in one line ("  ## ERROR: <file>: not a regular file:
// settings not read, defaults used"), and the settings of this run then live in a private folder
// (defaults in, nothing kept). Returns the number of files refused. Call it before any QSettings.
int refuseSpecialSettingsFiles();

// For a mode about to open a window: checks that the platform can show windows and make an
// OpenGL context. On success sets the default surface format to the drawing format and returns
// true; otherwise prints kNoDisplayMessage and returns false.
bool prepareDrawing();

} // namespace pavo
