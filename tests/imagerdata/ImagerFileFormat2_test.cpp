#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <tuple>

namespace kestrava {
namespace {

using test::Format2File;

using ImagerFileFormat2 = test::ImagerFileTest;

TEST_F(ImagerFileFormat2, DecodesAHandBuiltFile) {
  TImagerProcedure P;
  ASSERT_EQ(P.LoadFromFile(Write("old.img", Format2File())), 2);
  EXPECT_EQ(std::tuple(P.PatientName, P.ProcedureType, P.StartTime, P.HasPainData, P.PainUnits),
            std::tuple("Old €", ProcedurePeg, 39000.25, true, "kPa"));
  ASSERT_EQ(P.FrameCount(), 1);
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(std::tuple(F.SensorCount, F.TubeRadius, F.EndoscopeValid, F.HandValid, F.PainValid),
            std::tuple(3, 0.009f, true, false, false));
  EXPECT_EQ(std::tuple(F.SensorValid[0], F.SensorValid[1], F.SensorValid[2]),
            std::tuple(true, false, true));
  EXPECT_EQ(F.SensorPosition[2], (TVector3{3, 0, 0}));
  EXPECT_EQ(F.SensorDirection[0], (TVector3{0, 0, 1}));
  EXPECT_EQ(F.SensorDirection[2], (TVector3{-1, 0, 0}));
  EXPECT_EQ(std::tuple(F.SegmentLength[0], F.SegmentLength[1], F.SegmentLength[2]),
            std::tuple(0.5, 0.25, 0.0));
  EXPECT_TRUE(F.MarkerValid[0]);
  EXPECT_EQ(std::pair(F.MarkerPosition[0], F.MarkerDirection[0]),
            std::pair(TVector3{1, 1, 1}, TVector3{0, 1, 0}));
  EXPECT_EQ(F.HandPosition, (TVector3{5, 6, 7}));
  EXPECT_EQ(std::tuple(F.Time, F.Pain, F.OvertubeKind), std::tuple(0.125, 3.5, 0));
}

TEST_F(ImagerFileFormat2, RefusesTruncationsVersionsAndOversizedCounts) {
  ExpectEveryTruncationRefused(Format2File());
  ExpectRefused(Write("v1.bin", Format2File(1)));
  ExpectRefused(Write("s17.bin", Format2File(0, 17)));
}

} // namespace
} // namespace kestrava
