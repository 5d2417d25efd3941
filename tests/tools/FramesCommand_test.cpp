#include "ToolTestSupport.h"
#include "tools/FramesCommand.h"

#include <algorithm>
#include <limits>

namespace kestrava::testing {
namespace {

class FramesCommand : public TToolTest {
protected:
  // Three frames: no overtube; overtube kind 1 with unreadable numbers;
  // kind 2 with no sensors.
  std::string SaveMixedFrames() {
    TImagerProcedure Procedure;
    FillProcedure(Procedure, {5, std::numeric_limits<double>::quiet_NaN(), 7});
    TImagerFrame& Second = Procedure.GetFrame(1);
    Second.OvertubeKind = 1;
    Second.OvertubeData1 = {0.25f, 0.5f, true, {1, 2, 3}};
    Second.SensorPosition[0] = Vector3(std::numeric_limits<double>::infinity(), 0, 0);
    Second.MarkerValid[5] = true;
    Second.MarkerPosition[5] = Vector3(0.5, -0.25, 2);
    Second.HandValid = true;
    Second.HandDirection = Vector3(0, 0, -1);
    TImagerFrame& Third = Procedure.GetFrame(2);
    Third.SensorCount = 0;
    Third.OvertubeKind = 2;
    Third.OvertubeData2 = {0.1f, 0.2f, 0.3f, false, {4, 5, 6}};
    return Procedure.SaveToFile(PathOf("mixed.img"));
  }

  static std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> Result;
    std::istringstream Stream(Text);
    for (std::string Line; std::getline(Stream, Line);)
      Result.push_back(Line);
    return Result;
  }
};

TEST_F(FramesCommand, JsonDescribesEachFrameNumberedFromOneAndRangesSelectByThoseNumbers) {
  const TToolRun Result = Run({"frames", SaveMixedFrames(), "--json"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const TJson Frames = Result.Json(); // NaN and infinity must not break the document
  ASSERT_EQ(Frames.size(), 3u);
  const TJson& First = Frames[0];
  EXPECT_EQ(First["frame"], 1);
  EXPECT_EQ(First["tube_radius"], 0.009);
  EXPECT_EQ(First["sensors"][1], TJson::parse(R"({"valid": true, "position": [0, 0, 0.0625],
                                                  "direction": [0, 0, 0]})"));
  EXPECT_EQ(First["segment_lengths"], TJson::parse("[0.0625]"));
  EXPECT_TRUE(First["pain"] == 5.0 && First["overtube"].is_null());

  const TJson& Second = Frames[1];
  EXPECT_EQ(Second["frame"], 2);
  EXPECT_TRUE(Second["pain"].is_null() && Second["sensors"][0]["position"][0].is_null());
  EXPECT_EQ(Second["overtube"], TJson::parse(R"({"length1": 0.25, "length2": 0, "length3": 0.5,
                                                 "valid": true, "position": [1, 2, 3]})"));

  const TJson& Third = Frames[2];
  EXPECT_TRUE(Third["sensors"] == TJson::array() && Third["segment_lengths"] == TJson::array());
  EXPECT_EQ(Third["overtube"]["length2"], 0.2);

  const TJson Ranged = Run({"frames", PathOf("mixed.img"), "--range", "2:3", "--json"}).Json();
  ASSERT_EQ(Ranged.size(), 2u);
  EXPECT_EQ(Ranged[0], Frames[1]);
  EXPECT_EQ(Ranged[1], Frames[2]);
}

TEST_F(FramesCommand, CsvRowsMatchTheHeaderWithEmptyUnusedSlotsAndFixedMarkerAndHandColumns) {
  const TToolRun Result = Run({"frames", SaveMixedFrames(), "--csv"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const std::vector<std::string> Rows = Lines(Result.Out);
  ASSERT_EQ(Rows.size(), 4u);
  EXPECT_EQ(Rows[0], FramesCsvHeader());
  const auto Commas = [](const std::string& Row) {
    return std::count(Row.begin(), Row.end(), ',');
  };
  constexpr int PoseCells = 7;
  EXPECT_EQ(Commas(Rows[0]) + 1, 9 + (MaxSensors + MarkerCount + 1) * PoseCells + MaxSegments);
  for (std::size_t Row = 1; Row < Rows.size(); ++Row)
    EXPECT_EQ(Commas(Rows[Row]), Commas(Rows[0])) << Rows[Row];
  EXPECT_EQ(Rows[1].substr(0, 22), "1,0,0,2,0.009,0,1,5,0,");
  EXPECT_TRUE(Rows[0].starts_with("frame,time,time_seconds,"));
  EXPECT_TRUE(Rows[0].ends_with(
      ",marker6_valid,marker6_x,marker6_y,marker6_z,marker6_dx,marker6_dy,marker6_dz,"
      "hand_valid,hand_x,hand_y,hand_z,hand_dx,hand_dy,hand_dz"));
  // Markers and hand are always there, as flags and numbers.
  EXPECT_TRUE(Rows[1].ends_with(",0,0,0,0,0,0,0,0,0,0,0,0,0,0")) << Rows[1];
  EXPECT_TRUE(Rows[2].ends_with(",1,0.5,-0.25,2,0,0,0,1,0,0,0,0,0,-1")) << Rows[2];
  // Frame 3 has no sensors: after pain 7 and overtube kind 2 the slot cells are empty.
  EXPECT_NE(Rows[3].find(",7,2" + std::string(MaxSensors * PoseCells + MaxSegments, ',') + ",0,"),
            std::string::npos);
}

} // namespace
} // namespace kestrava::testing
