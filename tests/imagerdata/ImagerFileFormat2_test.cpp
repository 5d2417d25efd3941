#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

namespace kestrava {
namespace {

using test::TBytes;

// One frame of three slots, built by hand; directions are stored reversed.
std::vector<std::uint8_t> Format2File(std::uint16_t Version = 0, std::uint16_t Sensors = 3) {
  TBytes F;
  F.U32(0x7149331A).U16(Version).U16(0);
  F.Text("Old \x80", 64).I32(2).F64(39000.25).I32(1).U8(1).Text("kPa", 16);
  F.U16(Sensors).U8(1).U8(0).U8(0xFF).Zeros(13);
  F.F32(1).F32(0).F32(0).F32(2).F32(0).F32(0).F32(3).F32(0).F32(0).Zeros(13 * 12);
  F.F32(0).F32(0).F32(-1).F32(0).F32(0).F32(-1).F32(1).F32(0).F32(0).Zeros(13 * 12);
  F.F32(0.5f).F32(0.25f).F32(99).Zeros(12 * 4); // the third length lies beyond the slots
  F.U8(1).Zeros(5).F32(1).F32(1).F32(1).Zeros(5 * 12).F32(0).F32(1).F32(0).Zeros(5 * 12);
  F.U8(1).U8(0).F32(5).F32(6).F32(7).F32(0).F32(0).F32(1).F64(0.125).F64(3.5);
  return F.Data;
}

using ImagerFileFormat2 = test::ImagerFileTest;

TEST_F(ImagerFileFormat2, DecodesAHandBuiltFile) {
  TImagerProcedure P;
  ASSERT_EQ(P.LoadFromFile(Write("old.img", Format2File())), 2);
  EXPECT_EQ(P.PatientName, "Old €");
  EXPECT_EQ(P.ProcedureType, ProcedurePeg);
  EXPECT_EQ(P.StartTime, 39000.25);
  EXPECT_TRUE(P.HasPainData);
  EXPECT_EQ(P.PainUnits, "kPa");
  ASSERT_EQ(P.FrameCount(), 1);
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(F.SensorCount, 3);
  EXPECT_EQ(F.TubeRadius, 0.009f);
  EXPECT_EQ(F.SensorValid[0], true);
  EXPECT_EQ(F.SensorValid[1], false);
  EXPECT_EQ(F.SensorValid[2], true);
  EXPECT_EQ(F.SensorPosition[2], (TVector3{3, 0, 0}));
  EXPECT_EQ(F.SensorDirection[0], (TVector3{0, 0, 1}));
  EXPECT_EQ(F.SensorDirection[2], (TVector3{-1, 0, 0}));
  EXPECT_EQ(F.SegmentLength[0], 0.5);
  EXPECT_EQ(F.SegmentLength[1], 0.25);
  EXPECT_EQ(F.SegmentLength[2], 0.0);
  EXPECT_TRUE(F.MarkerValid[0]);
  EXPECT_EQ(F.MarkerPosition[0], (TVector3{1, 1, 1}));
  EXPECT_EQ(F.MarkerDirection[0], (TVector3{0, 1, 0}));
  EXPECT_TRUE(F.EndoscopeValid);
  EXPECT_FALSE(F.HandValid);
  EXPECT_EQ(F.HandPosition, (TVector3{5, 6, 7}));
  EXPECT_EQ(F.Time, 0.125);
  EXPECT_EQ(F.Pain, 3.5);
  EXPECT_FALSE(F.PainValid);
  EXPECT_EQ(F.OvertubeKind, 0);
}

TEST_F(ImagerFileFormat2, RefusesTruncationsVersionsAndOversizedCounts) {
  const auto Bytes = Format2File();
  for (std::size_t Length = 0; Length < Bytes.size(); ++Length) {
    TImagerProcedure P;
    P.AddFrame();
    EXPECT_THROW(P.LoadFromFile(
                     Write("cut.bin", {Bytes.begin(), Bytes.begin() + static_cast<long>(Length)})),
                 E_Qel_UnrecognisedDataFormat)
        << Length;
    EXPECT_EQ(P.FrameCount(), 0);
  }
  TImagerProcedure P;
  EXPECT_THROW(P.LoadFromFile(Write("v1.bin", Format2File(1))), E_Qel_UnrecognisedDataFormat);
  EXPECT_THROW(P.LoadFromFile(Write("s17.bin", Format2File(0, 17))), E_Qel_UnrecognisedDataFormat);
}

} // namespace
} // namespace kestrava
