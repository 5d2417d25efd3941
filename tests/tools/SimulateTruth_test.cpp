#include "ToolTestSupport.h"
#include "tools/LoopTruthFile.h"

#include <filesystem>

namespace kestrava {
namespace {

using SimulateTruth = testing::TToolTest;

TEST_F(SimulateTruth, WritesTheLoopOfEveryStoredFrameAndTheDetectorFindsIt) {
  // A quick alpha loop.
  const std::filesystem::path Program = ScriptedProgramDir(
      "pacing none\ninsertion_start 4\ninsertion_speed 0.03\nloop_amplitude 0\n"
      "straighten_duration 0\npress 0.5 0.4 0x01\npress 1.5 0.4 0x02\npress 2.5 0.4 0x04\n"
      "loop alpha 3 8 3",
      true);
  const testing::TToolRun Recorded =
      Run({"simulate", "-o", PathOf("rec.img"), "--seconds", "45", "--program-dir",
           Program.string(), "--truth", PathOf("truth.csv")});
  ASSERT_EQ(Recorded.Code, 0) << Recorded.Err;
  const std::vector<TLoopTruthRow> Truth = ReadLoopTruth(PathOf("truth.csv"));
  ASSERT_EQ(Truth.size(), 45u);
  const auto Looped = std::count_if(Truth.begin(), Truth.end(), [](const TLoopTruthRow& Row) {
    return Row.Class == TLoopClass::Alpha && Row.HasExtent && Row.ExtentFar > Row.ExtentNear;
  });
  EXPECT_GE(Looped, 8);
  EXPECT_EQ(Truth.front().Class, TLoopClass::None);

  const testing::TToolRun Scored =
      Run({"loops", PathOf("rec.img"), "--json", "--truth", PathOf("truth.csv")});
  ASSERT_EQ(Scored.Code, 0) << Scored.Err;
  EXPECT_GE(Scored.Json()["truth"]["sensitivity"].get<double>(), 0.9);
  EXPECT_GE(Scored.Json()["truth"]["class_accuracy"].get<double>(), 0.9);
}

} // namespace
} // namespace kestrava
