#include "ToolTestSupport.h"
#include "tools/LoopTruthFile.h"

#include <filesystem>
#include <fstream>

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
  // Where the tip was: just inside, past the descending colon where the loop
  // forms, and on into the transverse; the caecum is not reached in 45 s.
  EXPECT_EQ(Truth.front().Segment, TColonSegment::Rectum);
  EXPECT_NEAR(Truth.front().Depth.value_or(0), 0.05, 1e-9);
  EXPECT_EQ(Truth.back().Segment, TColonSegment::Transverse);
  EXPECT_FALSE(Truth.back().CaecumArrival);
  // Files of the loop columns alone, as earlier simulators wrote them, still read.
  std::ofstream(PathOf("old.csv"))
      << "frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m\n1,1,n,0.1,0.5\n";
  const std::vector<TLoopTruthRow> Old = ReadLoopTruth(PathOf("old.csv"));
  ASSERT_EQ(Old.size(), 1u);
  EXPECT_EQ(Old[0].Class, TLoopClass::N);
  EXPECT_FALSE(Old[0].Segment);

  const testing::TToolRun Scored =
      Run({"loops", PathOf("rec.img"), "--json", "--truth", PathOf("truth.csv")});
  ASSERT_EQ(Scored.Code, 0) << Scored.Err;
  EXPECT_GE(Scored.Json()["truth"]["sensitivity"].get<double>(), 0.9);
  EXPECT_GE(Scored.Json()["truth"]["class_accuracy"].get<double>(), 0.9);
}

} // namespace
} // namespace kestrava
