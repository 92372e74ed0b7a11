// Entry of the application tests. A QApplication exists for the whole run when an X server is
// available (the tests run under xvfb-run); tests that need a display skip themselves otherwise.
#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::unique_ptr<QApplication> app;
  const char *display = std::getenv("DISPLAY");
  if (display && *display) app = std::make_unique<QApplication>(argc, argv);
  std::setlocale(LC_ALL, "C");
  return RUN_ALL_TESTS();
}
