// pavo4 run as a child process for the tests that check what it prints and writes.
#pragma once

#include "run_process.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pavo_test {

// Runs pavo4 with args in dir, with `env` ("NAME=value") added and, when `headless`, no display
// in its environment. Expects it to start and to end by itself, without a signal, within a minute.
inline ProcessResult runPavo(const std::string &dir, const std::vector<std::string> &args,
                             std::vector<std::string> env = {}, bool headless = false) {
  ProcessOptions o;
  o.workDir = dir;
  o.set = std::move(env);
  if (headless) o.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  o.timeoutSeconds = 60;
  ProcessResult r = runProcess(PAVO4_EXE, args, o);
  EXPECT_TRUE(r.started && !r.timedOut && r.signal == 0) << r.out << r.err;
  return r;
}

inline bool has(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

} // namespace pavo_test
