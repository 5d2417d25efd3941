#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <array>
#include <cmath>
#include <tuple>

namespace kestrava {
namespace {

using test::Format1Header;
using test::TBytes;

// 14 March 2005 10:30:20 and two seconds later, in packed FAT form.
constexpr std::uint32_t Fat(int Second) {
  return (25u << 25) | (3u << 21) | (14u << 16) | (10u << 11) | (30u << 5) |
         static_cast<std::uint32_t>(Second / 2);
}
constexpr double March14th2005 = 38425 + (10 * 3600 + 30 * 60 + 20) / 86400.0;

void SensorEntry(TBytes& F, float X, float Theta, float Phi, bool Valid) {
  F.F32(X).F32(0).F32(0).F32(Theta).F32(Phi).U8(Valid ? 1 : 0);
}

// Sensor 0 at x = 1 pointing along +z (stored as theta = pi, i.e. -z),
// sensor 1 invalid, the rest valid at x = j.
std::vector<std::uint8_t> Record(std::uint32_t Time, std::uint16_t MarkerSet) {
  TBytes F;
  F.U32(Time);
  for (int J = 0; J < 16; ++J) {
    SensorEntry(F, static_cast<float>(J + 1), static_cast<float>(M_PI), 0, J != 1);
  }
  F.U16(MarkerSet);
  SensorEntry(F, 9, 0, 0, true);
  return F.Zeros(17).Data;
}

std::vector<std::uint8_t> MarkerSets() {
  TBytes F;
  F.Zeros(410);   // set 1: nothing valid
  F.Zeros(41, 3); // set 2: entries 0..2 empty (markers 0, 1 missing)
  F.F64(1).F64(2).F64(3).F64(M_PI / 2).F64(0).U8(0xFF); // marker 2
  return F.Data; // the rest of set 2 is missing from the file
}

class ImagerFileFormat1 : public test::ImagerFileTest {
protected:
  std::string WriteSet(const std::vector<std::uint8_t>& Img) {
    auto Frames = Record(Fat(20), 2);
    const auto Second = Record(Fat(22), 0);
    Frames.insert(Frames.end(), Second.begin(), Second.end());
    Frames.resize(Frames.size() + 100); // a partial record, ignored
    Write("case.end", Frames);
    Write("case.mar", MarkerSets());
    return Write("case.img", Img);
  }
};

TEST_F(ImagerFileFormat1, WithoutTipPointSlotsAreTheSensorsAndMarkersComeFromTheNumberedSet) {
  TImagerProcedure P;
  P.PainUnits = "kept";
  ASSERT_EQ(P.LoadFromFile(WriteSet(Format1Header(4, 0))), 1);
  EXPECT_EQ(std::tuple(P.PatientName, P.ProcedureType, P.PainUnits),
            std::tuple("Smith", 1, "kept"));
  EXPECT_DOUBLE_EQ(P.StartTime, March14th2005);
  ASSERT_EQ(P.FrameCount(), 2);
  EXPECT_EQ(P.GetFrame(0).Time, 0);
  EXPECT_NEAR(P.GetFrame(1).Time * 86400, 2, 1e-6);
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(std::tuple(F.SensorCount, F.TubeRadius, F.EndoscopeValid, F.HandValid),
            std::tuple(4, 0.009f, true, true));
  EXPECT_EQ(std::pair(F.SensorValid[0], F.SensorValid[1]), std::pair(true, false));
  EXPECT_EQ(std::pair(F.SensorPosition[3].X, F.HandPosition.X), std::pair(4.0, 9.0));
  EXPECT_NEAR(F.SensorDirection[0].Z, 1, 1e-6); // stored angles point away from the tip
  EXPECT_NEAR(F.HandDirection.Z, 1, 1e-6);      // the hand is not reversed
  EXPECT_EQ(std::tuple(F.SegmentLength[0], F.SegmentLength[2], F.SegmentLength[3]),
            std::tuple(0.01, 0.03, 0.0));

  // Markers come from the numbered set; bytes missing from the set file read as zero.
  EXPECT_EQ(F.MarkerValid,
            (std::array<bool, MarkerCount>{false, false, true, false, false, false}));
  EXPECT_EQ(F.MarkerPosition[2], (TVector3{1, 2, 3}));
  EXPECT_NEAR(F.MarkerDirection[2].X, 1, 1e-9);
  EXPECT_FALSE(P.GetFrame(1).MarkerValid[2]); // set number 0
  TImagerProcedure NoMarkers;
  std::filesystem::remove(Dir / "case.mar");
  ASSERT_EQ(NoMarkers.LoadFromFile((Dir / "case.img").string()), 1);
  EXPECT_FALSE(NoMarkers.GetFrame(0).MarkerValid[2]);
}

TEST_F(ImagerFileFormat1, TipPointTakesSlotZeroAheadOfTheFirstSensor) {
  TImagerProcedure P;
  P.LoadFromFile(WriteSet(Format1Header(4, 0.025)));
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(std::tuple(F.SensorCount, F.SensorValid[0], F.SensorValid[2]),
            std::tuple(5, true, false));
  EXPECT_NEAR(VectorDistance(F.SensorPosition[0], {1, 0, -0.025}), 0, 1e-6);
  EXPECT_EQ(F.SensorPosition[1].X, 1);
  EXPECT_EQ(std::tuple(F.SegmentLength[0], F.SegmentLength[3], F.SegmentLength[4]),
            std::tuple(0.025, 0.03, 0.0));
}

TEST_F(ImagerFileFormat1, HeaderSizeDecidesTheTypeAndSensorsBeyondSixteenSlotsAreRefused) {
  TImagerProcedure P;
  P.LoadFromFile(WriteSet(Format1Header(4, 0, false)));
  EXPECT_EQ(P.ProcedureType, 0);
  auto Long = Format1Header(4, 0);
  Long.push_back(0);
  ExpectRefused(WriteSet(Long));
  EXPECT_EQ(P.LoadFromFile(WriteSet(Format1Header(16, 0))), 1);
  EXPECT_EQ(P.GetFrame(0).SensorCount, 16);
  ExpectRefused(WriteSet(Format1Header(16, 0.02)));
  ExpectRefused(WriteSet(Format1Header(17, 0)));
}

TEST_F(ImagerFileFormat1, ReportsTheSystemsMessages) {
  TImagerProcedure P;
  const auto Message = [&](const std::string& Path) {
    return test::ErrorText([&] { P.LoadFromFile(Path); });
  };
  EXPECT_EQ(Message(WriteSet(Format1Header(19, 0))), "File error: 'NumSensors' is invalid.");
  const std::string Img = WriteSet(Format1Header(4, 0));
  Write("case.end", std::vector<std::uint8_t>(379));
  EXPECT_EQ(Message(Img), "Imager file " + Img + " is empty");
  std::filesystem::remove(Dir / "case.end");
  EXPECT_EQ(Message(Img), "Cannot open file: " + (Dir / "case.end").string());
  EXPECT_EQ(P.FrameCount(), 0);
}

} // namespace
} // namespace kestrava
