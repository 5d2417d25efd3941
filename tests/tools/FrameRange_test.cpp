#include "tools/FrameRange.h"
#include "tools/ToolErrors.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(FrameRange, ParsesFirstAndLastAndRejectsMalformedOrReversedTextNamingTheOption) {
  EXPECT_EQ(ParseFrameRange("3:7", "--range"), (TFrameRange{3, 7}));
  EXPECT_EQ(ParseFrameRange("10800:10800", "--range"), (TFrameRange{10800, 10800}));
  for (const char* Text : {"", "3", "3:", ":7", "a:b", "-1:5", "0:5", "3:7:9", " 3:7", "+3:7",
                           "3.5:7", "99999999999:99999999999", "7:3"}) {
    try {
      ParseFrameRange(Text, "--analysis");
      ADD_FAILURE() << "accepted '" << Text << "'";
    } catch (const EUsageError& Error) {
      EXPECT_NE(std::string(Error.what()).find("--analysis"), std::string::npos) << Text;
    }
  }
}

TEST(FrameRange, ChecksBothEndsAgainstTheFrameCount) {
  EXPECT_NO_THROW(CheckFrameRange({1, 10}, 10, "--range"));
  EXPECT_THROW(CheckFrameRange({1, 11}, 10, "--range"), EUsageError);
  EXPECT_THROW(CheckFrameRange({11, 11}, 10, "--range"), EUsageError);
  EXPECT_THROW(CheckFrameRange({1, 1}, 0, "--range"), EUsageError);
}

} // namespace
} // namespace kestrava
