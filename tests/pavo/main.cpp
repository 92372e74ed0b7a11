// Entry of the application tests. A QApplication exists for the whole run when an X server is
// available (the tests run under xvfb-run); tests that need a display skip themselves otherwise.
#include <QApplication>
#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The GL tests leave driver threads running; a forked death-test child of a threaded process
  // can hang, so every death test runs in a fresh process.
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  std::unique_ptr<QApplication> app;
  // Qt warns on standard error when XDG_RUNTIME_DIR is unset, which would reach the output that
  // death tests match: give it a private folder.
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string runtime = "/tmp/pavo-tests-runtime-" + std::to_string(getuid());
    mkdir(runtime.c_str(), 0700);
    chmod(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  // Settings written by the windows under test go to a private folder, never the user's: the
  // variable is read when the first QSettings is made, so it is set before anything else.
  QTemporaryDir settingsDir;
  if (settingsDir.isValid())
    setenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit().constData(), 1);
  const char *display = std::getenv("DISPLAY");
  if (display && *display) app = std::make_unique<QApplication>(argc, argv);
  std::setlocale(LC_ALL, "C");
  return RUN_ALL_TESTS();
}
