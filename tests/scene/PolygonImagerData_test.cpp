#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "scene/PolygonImagerData.h"
#include "tests/scene/SceneTestSupport.h"

#include <memory>
#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace testing; // the scene test helpers

// Markers 0..2 that put a cutoff plane at x = PlaneX, its normal along +X.
void SetCutoffMarkers(TImagerFrame& Frame, double PlaneX) {
  Frame.MarkerValid = {true, true, true, false, false, false};
  Frame.MarkerPosition[0] = {PlaneX - 0.1, 1, 0};
  Frame.MarkerPosition[1] = {PlaneX - 0.1, -1, 0};
  Frame.MarkerPosition[2] = {PlaneX, 0, 0};
}

TVector3 Centroid(const TGraphics3DMesh& Mesh, std::size_t Count) {
  TVector3 Sum;
  for (std::size_t I = 0; I < Count; ++I) {
    Sum = AddVectors(Sum, PositionOf(Mesh.Vertices()[I]));
  }
  return ScaleVector(Sum, 1.0 / static_cast<double>(Count));
}

class PolygonImagerDataTest : public ::testing::Test {
protected:
  const TGraphics3DMesh& Endoscope(std::size_t I) const {
    return *Model->EndoscopeFrame().Meshes().at(I);
  }
  const TGraphics3DMesh& Overtube(std::size_t I) const {
    return *Model->OvertubeFrame().Meshes().at(I);
  }
  std::size_t EndoscopeMeshes() const { return Model->EndoscopeFrame().Meshes().size(); }
  std::size_t OvertubeMeshes() const { return Model->OvertubeFrame().Meshes().size(); }

  std::unique_ptr<TPolygonImagerData> Model = std::make_unique<TPolygonImagerData>();
};

TEST_F(PolygonImagerDataTest, BuildsOneTubeWithATipDomeAndAnEndDisc) {
  const auto Frame = ArcFrame();
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
  ASSERT_EQ(3u, EndoscopeMeshes());
  ASSERT_EQ(std::tuple(1210, 40, 11),
            std::tuple(Endoscope(0).VertexCount(), Endoscope(1).VertexCount(),
                       Endoscope(2).VertexCount()));
  for (std::size_t I = 0; I < 3; ++I) {
    ExpectFacesWoundLikeNormals(Endoscope(I));
  }
  // The dome rounds the tip off beyond sensor 0, away from the tube.
  const TVector3 FromTip =
      SubtractVectors(PositionOf(Endoscope(1).Vertices()[35]), Frame->SensorPosition[0]);
  EXPECT_NEAR(DefaultTubeRadius, VectorLength(FromTip), 1e-6);
  EXPECT_NEAR(-DefaultTubeRadius, DotProduct(FromTip, Frame->SensorDirection[0]), 1e-5);
  ExpectNear(Frame->SensorPosition[15], PositionOf(Endoscope(2).Vertices()[10]), 1e-6);
  ExpectNear(Frame->SensorDirection[15], NormalOf(Endoscope(2).Vertices()[0]), 0.02);
}

TEST_F(PolygonImagerDataTest, SplitsTheTubeAtInvalidSensorsAndDomesOnlyTheTip) {
  auto Frame = ArcFrame();
  Frame->SensorValid[3] = false;
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, false);
  ASSERT_EQ(6u, EndoscopeMeshes());
  // Sensors 0..2 give 17 rings and a dome, sensors 4..15 89 rings.
  EXPECT_EQ(std::tuple(170, 40, 890),
            std::tuple(Endoscope(0).VertexCount(), Endoscope(1).VertexCount(),
                       Endoscope(3).VertexCount()));
  ExpectNear(NegateVector(Frame->SensorDirection[4]), NormalOf(Endoscope(4).Vertices()[0]), 0.02);

  Frame->SensorValid[3] = true;
  Frame->SensorValid[0] = false;
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, false);
  ASSERT_EQ(3u, EndoscopeMeshes());
  EXPECT_EQ(11, Endoscope(1).VertexCount()) << "no dome without the tip sensor";
}

TEST(PolygonImagerDataScopeLength, CountsUpToTheFirstGapOrThePlane) {
  auto Frame = StraightFrame();
  const auto Length = [&](std::int32_t Type) {
    return TPolygonImagerData::ScopeLength(*Frame, Type, true);
  };
  EXPECT_NEAR(0.75, Length(ProcedureColonoscopy), 1e-12);
  SetCutoffMarkers(*Frame, 0.32);
  EXPECT_NEAR(0.32, Length(ProcedureColonoscopy), 1e-12);
  EXPECT_NEAR(0.75, Length(ProcedurePeg), 1e-12); // the plane only cuts colonoscopies
  SetCutoffMarkers(*Frame, -0.1);
  EXPECT_EQ(0, Length(ProcedureColonoscopy));
  Frame->SensorValid[4] = false;
  EXPECT_NEAR(0.15, Length(ProcedureTop), 1e-12);
  Frame->SensorValid[0] = false;
  EXPECT_EQ(0, Length(ProcedureTop));
}

class OvertubeTest : public PolygonImagerDataTest {
protected:
  OvertubeTest() {
    // Sensor 1 cm off the middle of interval 5 (x = 0.25 .. 0.30).
    Frame->OvertubeKind = 1;
    Frame->OvertubeData1 = {0.012f, 0.05f, true, {0.275f, 0.01f, 0}};
    Frame->OvertubeData2 = {0.012f, 0.1f, 0.05f, true, {0.275f, 0.01f, 0}};
  }
  void ExpectTubeFrom(double X, int Rings) {
    Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
    ASSERT_EQ(4u, OvertubeMeshes());
    ExpectNear({X, 0, 0}, Centroid(Overtube(1), 20), 1e-6);
    EXPECT_EQ(Rings * 20, Overtube(1).VertexCount());
  }
  std::unique_ptr<TImagerFrame> Frame = StraightFrame();
};

TEST_F(OvertubeTest, StartsAtTheEndoscopePointNearestItsSensorOrReachesBackTowardsTheTip) {
  ExpectTubeFrom(0.275, 81);
  ExpectNear({0.275, 0.01, 0}, Centroid(Overtube(0), 861), 1e-4); // the sensor sphere
  ExpectNear({0.75, 0, 0}, PositionOf(Overtube(3).Vertices()[20]), 1e-6);

  // The second kind reaches back towards the tip, but not past it.
  Frame->OvertubeKind = 2;
  ExpectTubeFrom(0.175, 97);
  Frame->OvertubeData2.Length2 = 10;
  ExpectTubeFrom(0, 121);
}

TEST_F(OvertubeTest, ShowsOnlyTheSensorWhenNoTubeCanBeDrawn) {
  Frame->OvertubeData1.Length3 = 0.005f; // farther from the endoscope than allowed
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
  EXPECT_EQ(1u, OvertubeMeshes());
  Frame->OvertubeData1.Length3 = 0.05f;
  SetCutoffMarkers(*Frame, 0.2765); // leaves the overtube one centre-line point
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
  EXPECT_EQ(1u, OvertubeMeshes());
}

TEST_F(PolygonImagerDataTest, SurvivesCoincidentSensorsWithADrawableScene) {
  auto Frame = ArcFrame();
  Frame->SensorValid[3] = false;
  Frame->SensorPosition[9] = Frame->SensorPosition[8];
  Frame->SegmentLength[8] = 0;
  const TFrameCheck Check = Model->BuildFromFrame(*Frame, ProcedureColonoscopy, false);
  EXPECT_EQ(FrameCheckText(Check), "sensors 8 and 9: coincident sensors");
  ASSERT_EQ(3u, EndoscopeMeshes()) << "the run before the fault stays, complete";
  for (const auto& Mesh : Model->EndoscopeFrame().Meshes()) {
    ExpectFacesWoundLikeNormals(*Mesh);
    for (const auto& V : Mesh->Vertices()) {
      EXPECT_TRUE(std::isfinite(V.X + V.Y + V.Z));
    }
  }
  Frame->SegmentLength[8] = 0.06;
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, false);
  EXPECT_EQ(6u, EndoscopeMeshes()) << "with catheter between them the tube loops through";
}

TEST_F(PolygonImagerDataTest, ShowsOnlyTheSpheresThatAreMeasuredAndAskedFor) {
  auto Frame = StraightFrame();
  Frame->MarkerValid[0] = Frame->MarkerValid[2] = Frame->HandValid = true;
  Frame->MarkerPosition[2] = {0.1, 0.2, 0.3};
  Model->ShowEndoscope = false;
  Model->ShowCurvaturePoint = true;
  Model->BuildFromFrame(*Frame, ProcedureTop, true);
  EXPECT_FALSE(Model->MarkerFrame(1).Visible);
  const TMatrix4& M = Model->MarkerFrame(2).GetWorldMatrix();
  ExpectNear({0.1, 0.2, 0.3}, {M.M[0][3], M.M[1][3], M.M[2][3]}, 0);
  EXPECT_EQ(4 * 861, Model->TotalVertexCount()); // two markers, hand, curvature point

  Model->ShowMarkers = Model->ShowHand = Model->ShowCurvaturePoint = false;
  Model->BuildFromFrame(*Frame, ProcedureTop, true);
  EXPECT_EQ(0, Model->TotalVertexCount());
}

TEST_F(PolygonImagerDataTest, ReadsNoSlotBeyondTheSixteenOfACorruptFrame) {
  auto Frame = StraightFrame();
  Frame->SensorCount = 1000;
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
  EXPECT_EQ(1210, Endoscope(0).VertexCount());
  EXPECT_NEAR(0.75, TPolygonImagerData::ScopeLength(*Frame, ProcedureTop, true), 1e-12);
  Frame->SensorCount = -2;
  Model->BuildFromFrame(*Frame, ProcedureColonoscopy, true);
  EXPECT_EQ(0u, EndoscopeMeshes());
}

} // namespace
} // namespace kestrava
