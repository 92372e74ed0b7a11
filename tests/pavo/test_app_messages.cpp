// The message funnel: the terminal gets every byte, the panels whole lines of the right windows.
#include "app_messages.h"
#include "pav_status.h"
#include "test_paths.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace pavo;

TEST(Messages, PanelsGetWholeLinesOfTheirWindowsWhileTheTerminalGetsEveryByte) {
  routeCoreMessages();
  std::vector<std::string> all, mine;
  const int a = addMessageListener([&](const std::string &l) { all.push_back(l); });
  const int b = addMessageListener([&](const std::string &l) { mine.push_back(l); }, &mine);
  testing::internal::CaptureStderr();
  const std::string out = pavo_test::captured([&] {
    appMessage("  pav_OpenSolution failed error %3d : ", 2); // no line end yet: it waits
    EXPECT_TRUE(all.empty());
    appError("ERROR: on ");
    appMessage("%s\n\n   \n", "no file  "); // blank lines stay off the panels
    appError("stderr\n");
    appMessageFrom(&mine, " Triangle %d\n", 1);
    appMessageFrom(&all, "for another window\n");
    pav_Message(false, "warning: from the core\n");
  });
  const std::string err = testing::internal::GetCapturedStderr();
  removeMessageListener(a);
  removeMessageListener(b);
  EXPECT_EQ(out, "  pav_OpenSolution failed error   2 : no file  \n\n   \n Triangle 1\n"
                 "for another window\nwarning: from the core\n");
  EXPECT_EQ(err, "ERROR: on stderr\n");
  const std::string opened = "  pav_OpenSolution failed error   2 : no file  ";
  EXPECT_EQ(all, (std::vector<std::string>{opened, "ERROR: on stderr", " Triangle 1",
                                           "for another window", "warning: from the core"}));
  EXPECT_EQ(mine, (std::vector<std::string>{opened, "ERROR: on stderr", " Triangle 1",
                                            "warning: from the core"}));
  pav_SetMessageSink(nullptr);
}
