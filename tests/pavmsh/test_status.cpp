// The error funnel: bounded formatting, the lost message of a null buffer, the fatal exit.
#include "pav_status.h"

#include <gtest/gtest.h>
#include <string>

TEST(Status, FormatsBoundedAndReturnsFailure) {
  char status[PAV_STATUS_SIZE + 16];
  std::fill(status, status + sizeof status, 'x');
  EXPECT_EQ(pav_Fail(status, "Index-out-of-bound for triangle %d, must be in [%d %d]\n", 0, 1, 8),
            PAV_FAILURE);
  EXPECT_STREQ(status, "Index-out-of-bound for triangle 0, must be in [1 8]\n");

  const std::string longName(2000, 'a');
  pav_SetStatus(status, "%s", longName.c_str());
  EXPECT_EQ(std::string(status).size(), PAV_STATUS_SIZE - 1);
  EXPECT_EQ(status[PAV_STATUS_SIZE], 'x') << "formatting wrote past the status buffer";
  EXPECT_EQ(pav_Fail(nullptr, PAV_MSG_NULL_STATUS), PAV_FAILURE); // the message is lost
}

TEST(StatusDeathTest, FatalPrintsAndExitsWithOne) {
  EXPECT_EXIT(pav_Fatal("bad degree %d\n", 11), ::testing::ExitedWithCode(1), "");
}
