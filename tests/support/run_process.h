// Runs a program as a child process with a chosen environment and collects what it prints.
#pragma once

#include <string>
#include <vector>

namespace pavo_test {

struct ProcessResult {
  bool started = false;  // false when the program could not be spawned
  bool timedOut = false; // killed after the time limit
  int exitCode = -1;     // exit status when the child exited normally, else -1
  int signal = 0;        // the signal that ended the child, 0 when it exited normally
  std::string out;       // everything written to standard output
  std::string err;       // everything written to standard error
};

struct ProcessOptions {
  // Variables removed from the parent's environment for the child.
  std::vector<std::string> unset;
  // Variables set for the child, as "NAME=value" (they replace inherited values).
  std::vector<std::string> set;
  // Working directory of the child; empty keeps the parent's. A relative program path is
  // resolved in it.
  std::string workDir;
  // The child is killed after this many seconds.
  double timeoutSeconds = 30.0;
};

// Runs program with the arguments args (argv[0] is the program itself), standard input closed.
ProcessResult runProcess(const std::string &program, const std::vector<std::string> &args,
                         const ProcessOptions &options = {});

} // namespace pavo_test
