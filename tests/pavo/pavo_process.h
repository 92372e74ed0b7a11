// pavo4 run as a child process for the tests that check what it prints and writes.
#pragma once

#include <QProcess>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pavo_test {

struct ProcessResult {
  int exitCode = -1; // exit status when the child exited normally, else -1
  std::string out;   // everything written to standard output
  std::string err;   // everything written to standard error
};

// Runs pavo4 with args in dir, standard input closed, with `env` ("NAME=value") added and, when
// `headless`, no display in its environment. Expects it to start and to end by itself, without a
// signal, within a minute (it is killed after that).
inline ProcessResult runPavo(const std::string &dir, const std::vector<std::string> &args,
                             const std::vector<std::string> &env = {}, bool headless = false) {
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  if (headless)
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) e.remove(name);
  for (const std::string &s : env) {
    const size_t eq = s.find('=');
    e.insert(QString::fromStdString(s.substr(0, eq)), QString::fromStdString(s.substr(eq + 1)));
  }
  QStringList arguments;
  for (const std::string &a : args) arguments << QString::fromStdString(a);
  QProcess p;
  p.setProcessEnvironment(e);
  p.setWorkingDirectory(QString::fromStdString(dir));
  p.setStandardInputFile(QProcess::nullDevice());
  p.start(PAVO4_EXE, arguments);
  const bool ended = p.waitForStarted(-1) && p.waitForFinished(60000);
  if (!ended) p.kill(), p.waitForFinished(-1);
  ProcessResult r;
  r.out = p.readAllStandardOutput().toStdString();
  r.err = p.readAllStandardError().toStdString();
  const bool normal = ended && p.exitStatus() == QProcess::NormalExit;
  if (normal) r.exitCode = p.exitCode();
  EXPECT_TRUE(normal) << r.out << r.err;
  return r;
}

inline bool has(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

} // namespace pavo_test
