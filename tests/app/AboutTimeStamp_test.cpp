// The about box's time stamp line.

#include "app/AboutTimeStamp.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(AboutTimeStamp, CountsDaysAndSecondsOfTheUtcTimeAndSurvivesAMissingFile) {
  using namespace std::chrono;
  const auto Written = sys_days{2009y / May / 20} + 14h + 30min + 15s + 900ms;
  EXPECT_EQ(SoftwareTimeStampLine(Written), "Software time stamp: 747523-52215");
  EXPECT_EQ(SoftwareTimeStampLineOfFile("/no/such/program"), "Software time stamp: ");
}

} // namespace
} // namespace kestrava
