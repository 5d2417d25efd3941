#include "ToolTestSupport.h"
#include "tools/ToolErrors.h"

namespace kestrava::testing {
namespace {

class CurvatureCommand : public TToolTest {
protected:
  // Two frames of three slots along +Z; the second has slot 2 unmeasured.
  void SetUp() override {
    TToolTest::SetUp();
    TImagerProcedure Procedure;
    FillProcedure(Procedure, {0, 0});
    for (int Index = 0; Index < 2; ++Index) {
      TImagerFrame& Frame = Procedure.GetFrame(Index);
      Frame.SensorCount = 3;
      Frame.SensorValid = {true, true, Index == 0};
      for (std::size_t Slot = 0; Slot < 3; ++Slot) {
        Frame.SensorPosition[Slot] = Vector3(0, 0, 0.0625 * static_cast<double>(Slot));
        Frame.SensorDirection[Slot] = Vector3(0, 0, 1);
      }
      Frame.SegmentLength[1] = 0.0625;
    }
    File = Procedure.SaveToFile(PathOf("scope.img"));
  }
  std::string File;
};

TEST_F(CurvatureCommand, JsonListsEveryPlottedPointWithItsPlaceOnTheScope) {
  const TToolRun Result = Run({"curvature", File, "--frame", "1", "--json"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const TJson J = Result.Json();
  EXPECT_EQ(J["graph_point_count"], 101);
  const TJson& Points = J["points"];
  ASSERT_EQ(Points.size(), 99u);
  EXPECT_EQ(Points[0], TJson::parse(R"({"index": 0, "kappa": 0.0, "valid": true, "segment": 0,
                                        "t": 0.0, "point": [0.0, 0.0, 0.0]})"));
  EXPECT_EQ(Points[98]["index"], 98);
  EXPECT_EQ(Points[98]["segment"], 1);
  EXPECT_EQ(Points[98]["t"], 1.0);
  EXPECT_NEAR(Points[98]["point"][2].get<double>(), 0.125, 1e-7);
}

TEST_F(CurvatureCommand, CsvRowsMarkTheUnmeasuredSegmentNotValid) {
  const TToolRun Result = Run({"curvature", File, "--frame", "2", "--csv"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  std::istringstream Lines(Result.Out);
  std::string Line;
  std::getline(Lines, Line);
  EXPECT_EQ(Line, "index,kappa,valid,segment,t,x,y,z");
  std::vector<std::string> Rows;
  while (std::getline(Lines, Line))
    Rows.push_back(Line);
  ASSERT_EQ(Rows.size(), 99u);
  EXPECT_EQ(Rows[49].substr(0, 9), "49,0,1,0,"); // segment 0 is measured
  EXPECT_EQ(Rows[50].substr(0, 9), "50,0,0,1,");
  EXPECT_EQ(Rows[98], "98,0,0,1,1,0,0,0");
}

TEST_F(CurvatureCommand, RefusesFramesOutsideTheProcedureAndBadFiles) {
  for (const char* Frame : {"0", "3", "-1"}) {
    const TToolRun Result = Run({"curvature", File, "--frame", Frame});
    EXPECT_EQ(Result.Code, ExitUsageError) << Frame;
    EXPECT_TRUE(Result.Out.empty()) << Frame;
  }
  EXPECT_EQ(Run({"curvature", File}).Code, ExitUsageError); // --frame is required
  EXPECT_EQ(Run({"curvature", File, "--frame", "1", "--json", "--csv"}).Code, ExitUsageError);
  WriteBytes("junk.img", "not an imager file");
  EXPECT_EQ(Run({"curvature", PathOf("junk.img"), "--frame", "1"}).Code, ExitFileError);
}

} // namespace
} // namespace kestrava::testing
