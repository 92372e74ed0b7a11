// The command line, seen from outside: the built executable runs as a child process without any
// display (as on a cluster node), and its standard output is compared byte for byte with the
// texts in tests/expected/ (where @YEAR@ stands for the current year).
#include "pavo_process.h"
#include "test_paths.h"

#include <QDate>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using pavo_test::ProcessResult;

int thisYear() { return QDate::currentDate().year(); }

std::string expected(const std::string &name) {
  std::string text = pavo_test::readFile(pavo_test::sourceDir() + "/tests/expected/" + name);
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

} // namespace
