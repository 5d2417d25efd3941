// kestrava-tool scope: the inserted length and model size of each frame.

#include "ToolTestSupport.h"

namespace kestrava::testing {
namespace {

class ScopeCommand : public TToolTest {
protected:
  // A straight scope of four sensors 5 cm apart along +Z with the three body
  // markers of a colonoscopy, so the cut-off plane and the axes exist. Sensor
  // directions point away from the tip, as the catheter runs.
  static void AddStraightFrame(TImagerProcedure& Procedure, double Seconds) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Seconds / 86400.0;
    Frame.SensorCount = 4;
    Frame.TubeRadius = DefaultTubeRadius;
    Frame.EndoscopeValid = true;
    for (int Slot = 0; Slot < 4; ++Slot) {
      Frame.SensorValid[Slot] = true;
      Frame.SensorPosition[Slot] = Vector3(0, 0, 0.25 - 0.0625 * Slot);
      Frame.SensorDirection[Slot] = Vector3(0, 0, -1);
    }
    Frame.SegmentLength.fill(0.0625);
    Frame.MarkerValid = {true, true, true};
    Frame.MarkerPosition[0] = Vector3(-0.1, 0.1, 0.3);
    Frame.MarkerPosition[1] = Vector3(0.1, 0.1, 0.3);
    Frame.MarkerPosition[2] = Vector3(0, -0.1, 0.3);
  }

  std::string SaveStraightScope(int Frames) {
    TImagerProcedure Procedure;
    for (int I = 0; I < Frames; ++I)
      AddStraightFrame(Procedure, I);
    return Procedure.SaveToFile(PathOf("scope.img"));
  }
};

TEST_F(ScopeCommand, ReportsWholeCatheterLengthWithoutCutoffAndNumbersFramesFromOne) {
  const std::string File = SaveStraightScope(3);
  const TToolRun Run =
      ScopeCommand::Run({"scope", File, "--range", "2:3", "--no-cutoff", "--json"});
  ASSERT_EQ(Run.Code, 0) << Run.Err;
  const TJson Json = Run.Json();
  ASSERT_EQ(Json.size(), 2u);
  EXPECT_EQ(Json[0]["frame"], 2);
  EXPECT_EQ(Json[1]["frame"], 3);
  EXPECT_DOUBLE_EQ(Json[0]["scope_length"].get<double>(), 3 * 0.0625);
  EXPECT_TRUE(Json[0]["model_complete"].get<bool>());
  EXPECT_GT(Json[0]["mesh_vertices"].get<long>(), 0);
  EXPECT_GT(Json[0]["mesh_faces"].get<long>(), 0);
  ASSERT_TRUE(Json[0]["patient_axes"].is_object());
  EXPECT_EQ(Json[0]["patient_axes"]["axis"].size(), 3u);
}

TEST_F(ScopeCommand, CutoffNeverLengthensTheScope) {
  const std::string File = SaveStraightScope(1);
  const TJson With = ScopeCommand::Run({"scope", File, "--json"}).Json();
  const TJson Without = ScopeCommand::Run({"scope", File, "--no-cutoff", "--json"}).Json();
  EXPECT_LE(With[0]["scope_length"].get<double>(), Without[0]["scope_length"].get<double>());
  EXPECT_LE(With[0]["mesh_vertices"].get<long>(), Without[0]["mesh_vertices"].get<long>());
}

TEST_F(ScopeCommand, FrameWithoutMarkersHasNoAxesAndCoincidentSensorsStillReport) {
  TImagerProcedure Procedure;
  AddStraightFrame(Procedure, 0);
  TImagerFrame& Bad = Procedure.GetFrame(0);
  Bad.MarkerValid = {};
  Bad.SensorPosition[2] = Bad.SensorPosition[1];
  const std::string File = Procedure.SaveToFile(PathOf("bad.img"));

  const TToolRun Run = ScopeCommand::Run({"scope", File, "--json"});
  ASSERT_EQ(Run.Code, 0) << Run.Err;
  const TJson Json = Run.Json();
  EXPECT_TRUE(Json[0]["patient_axes"].is_null());
  EXPECT_FALSE(Json[0]["model_complete"].get<bool>());
}

TEST_F(ScopeCommand, RangeBeyondTheLastFrameIsAUsageError) {
  const std::string File = SaveStraightScope(2);
  const TToolRun Run = ScopeCommand::Run({"scope", File, "--range", "1:3"});
  EXPECT_EQ(Run.Code, 1);
  EXPECT_NE(Run.Err.find("--range"), std::string::npos);
}

} // namespace
} // namespace kestrava::testing
