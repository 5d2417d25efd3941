#include "ToolTestSupport.h"
#include "tests/looping/LoopTestShapes.h"

#include <fstream>

namespace kestrava {
namespace {

using testing::TPath;

class LoopsCommand : public testing::TToolTest {
protected:
  // Six straight frames, then six with an alpha loop, then six straight, a
  // second apart, with pain rising in the loop.
  std::string SaveLoopedProcedure() {
    TPath Straight = testing::RisingTo(0, 0.6);
    TPath Alpha = testing::RisingTo(0, 0.08);
    testing::AddCrossingLoop(Alpha, 0.1, 0.08, true, true);
    testing::AddLineTo(Alpha, AddVectors(Alpha.back(), Vector3(0.05, 0, 0.15)));
    TImagerProcedure Procedure;
    Procedure.HasPainData = true;
    for (int I = 0; I < 18; ++I) {
      TImagerFrame& Frame = Procedure.AddFrame();
      const bool Looped = I >= 6 && I < 12;
      testing::FrameAlong(Looped ? Alpha : Straight, Frame);
      Frame.Time = I / 86400.0;
      Frame.PainValid = true;
      Frame.Pain = Looped ? 50 : 5;
    }
    return Procedure.SaveToFile(PathOf("looped.img"));
  }

  std::string WriteTruth(const std::string& Rows) {
    std::ofstream(PathOf("truth.csv"))
        << "frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m\n"
        << Rows;
    return PathOf("truth.csv");
  }
};

TEST_F(LoopsCommand, JsonGivesEachFramesShapeTheAnnouncementEpisodesAndSummary) {
  const testing::TToolRun Result = Run({"loops", SaveLoopedProcedure(), "--json"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const TJson Json = Result.Json();
  ASSERT_EQ(Json["frames"].size(), 18u);
  const TJson& First = Json["frames"][6];
  EXPECT_EQ(First["frame"], 7);
  EXPECT_EQ(First["class"], "alpha");
  EXPECT_EQ(First["loop"], true);
  EXPECT_EQ(First["announced"], false); // seen for the first time
  EXPECT_EQ(Json["frames"][7]["announced"], true);
  EXPECT_EQ(First["extent_from_tip_m"].size(), 2u);
  EXPECT_EQ(First["crossing"].size(), 3u);
  EXPECT_TRUE(Json["frames"][0]["crossing"].is_null());
  EXPECT_EQ(Json["frames"][0]["class"], "none");
  ASSERT_EQ(Json["episodes"].size(), 1u);
  EXPECT_EQ(Json["episodes"][0]["first_frame"], 7);
  EXPECT_EQ(Json["episodes"][0]["last_frame"], 12);
  EXPECT_EQ(Json["episodes"][0]["class"], "alpha");
  const TJson& Summary = Json["summary"];
  EXPECT_NEAR(Summary["seconds_looped"].get<double>(), 5, 1e-9);
  EXPECT_EQ(Summary["pain"]["inside_loops"]["mean"], 50);
  EXPECT_EQ(Summary["pain"]["outside_loops"]["mean"], 5);
}

TEST_F(LoopsCommand, TruthScoresTheDetectionAndABadTruthFileIsAFileError) {
  const std::string File = SaveLoopedProcedure();
  std::string Rows;
  for (int I = 1; I <= 18; ++I) {
    // The truth has the loop one frame earlier than the shapes show it.
    Rows += std::to_string(I) + "," + std::to_string(I - 1) + "," +
            (I >= 6 && I <= 12 ? "alpha,0.2,0.6\n" : "none,,\n");
  }
  const testing::TToolRun Result = Run({"loops", File, "--json", "--truth", WriteTruth(Rows)});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const TJson Truth = Result.Json()["truth"];
  EXPECT_NEAR(Truth["sensitivity"].get<double>(), 6.0 / 7, 1e-9);
  EXPECT_EQ(Truth["specificity"], 1.0);
  EXPECT_EQ(Truth["confusion"]["alpha"]["none"], 1);
  EXPECT_EQ(Truth["onset_delays_seconds"][0], 2);
  EXPECT_EQ(Truth["false_alarms"], 0);

  EXPECT_EQ(Run({"loops", File, "--truth", WriteTruth("1,0,omega,,\n")}).Code, 2);
  EXPECT_EQ(Run({"loops", File, "--truth", WriteTruth("1,0,none,,\n")}).Code, 2);
  EXPECT_EQ(Run({"loops", File, "--truth", WriteTruth(std::string(100000, 'x'))}).Code, 2);
  EXPECT_EQ(Run({"loops", File, "--json", "--csv"}).Code, 1);
}

TEST_F(LoopsCommand, CsvHasOneRowPerFrameAndSaysWhyAFrameIsNotClassified) {
  TImagerProcedure Procedure;
  testing::FrameAlong(testing::RisingTo(0, 0.6), Procedure.AddFrame(), 3);
  const testing::TToolRun Result = Run({"loops", Procedure.SaveToFile(PathOf("few.img")), "--csv"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  // The tip's depth comes last: the timeline places the tip all the same.
  EXPECT_NE(Result.Out.find("\n1,0,0,none,0,,,,,,0,0,fewer than 4 valid sensors,0.6"),
            std::string::npos)
      << Result.Out;
}

} // namespace
} // namespace kestrava
