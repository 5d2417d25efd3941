// kestrava-tool scope: the inserted length and model size of each frame.

#include "ToolTestSupport.h"
#include "tests/scene/SceneTestSupport.h"

namespace kestrava::testing {
namespace {

class ScopeCommand : public TToolTest {
protected:
  // A straight scope of four sensors with the three body markers of a
  // colonoscopy, so that the cut-off plane and the axes exist.
  static TImagerFrame& AddStraightFrame(TImagerProcedure& Procedure) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Assign(*StraightFrame(4));
    Frame.Time = Procedure.FrameCount() / 86400.0;
    Frame.MarkerValid = {true, true, true};
    Frame.MarkerPosition = {{{0.2, 0.1, 0.1}, {0.2, 0.1, -0.1}, {0.2, -0.1, 0}}};
    return Frame;
  }

  TJson Scope(const std::vector<std::string>& Options) {
    std::vector<std::string> Arguments = {"scope", File, "--json"};
    Arguments.insert(Arguments.end(), Options.begin(), Options.end());
    const TToolRun Result = Run(Arguments);
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    return Result.Json();
  }

  std::string File;
};

TEST_F(ScopeCommand, ReportsWholeCatheterLengthWithoutCutoffAndNumbersFramesFromOne) {
  TImagerProcedure Procedure;
  for (int I = 0; I < 3; ++I) {
    AddStraightFrame(Procedure);
  }
  File = Procedure.SaveToFile(PathOf("scope.img"));
  const TJson Json = Scope({"--range", "2:3", "--no-cutoff"});
  ASSERT_EQ(Json.size(), 2u);
  EXPECT_EQ(Json[0]["frame"], 2);
  EXPECT_EQ(Json[1]["frame"], 3);
  EXPECT_NEAR(Json[0]["scope_length"].get<double>(), 3 * Spacing, 1e-7); // stored as singles
  EXPECT_TRUE(Json[0]["model_complete"].get<bool>());
  EXPECT_GT(Json[0]["mesh_vertices"].get<long>(), 0);
  EXPECT_GT(Json[0]["mesh_faces"].get<long>(), 0);
  ASSERT_TRUE(Json[0]["patient_axes"].is_object());
  EXPECT_EQ(Json[0]["patient_axes"]["axis"].size(), 3u);

  const TJson Cut = Scope({}); // the cut-off never lengthens the scope
  EXPECT_LE(Cut[1]["scope_length"].get<double>(), Json[0]["scope_length"].get<double>());
  EXPECT_LE(Cut[1]["mesh_vertices"].get<long>(), Json[0]["mesh_vertices"].get<long>());
}

TEST_F(ScopeCommand, FrameWithoutMarkersHasNoAxesAndCoincidentSensorsStillReport) {
  TImagerProcedure Procedure;
  TImagerFrame& Bad = AddStraightFrame(Procedure);
  Bad.MarkerValid = {};
  Bad.SensorPosition[2] = Bad.SensorPosition[1];
  File = Procedure.SaveToFile(PathOf("bad.img"));
  const TJson Json = Scope({});
  EXPECT_TRUE(Json[0]["patient_axes"].is_null());
  EXPECT_FALSE(Json[0]["model_complete"].get<bool>());
  EXPECT_EQ(Json[0]["model_problem"], "sensors 1 and 2: coincident sensors");
}

} // namespace
} // namespace kestrava::testing
