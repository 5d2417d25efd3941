#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <cmath>

namespace kestrava {
namespace {

using test::TBytes;

// 14 March 2005 10:30:20 and two seconds later, in packed FAT form.
constexpr std::uint32_t Fat(int Second) {
  return (25u << 25) | (3u << 21) | (14u << 16) | (10u << 11) | (30u << 5) |
         static_cast<std::uint32_t>(Second / 2);
}
constexpr double March14th2005 = 38425 + (10 * 3600 + 30 * 60 + 20) / 86400.0;

std::vector<std::uint8_t> Header(std::uint16_t NumSensors, double Tip, bool WithType = true) {
  TBytes F;
  F.U32(0xF1290001).U8(5).Text("Smith", 32).U16(NumSensors).F64(Tip);
  for (int K = 1; K < 18; ++K) {
    F.F64(0.01 * K);
  }
  if (WithType) {
    F.U8(1);
  }
  return F.Data;
}

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
  F.Zeros(410);    // set 1: nothing valid
  F.Zeros(41 * 3); // set 2: entries 0..2 empty (markers 0, 1 missing)
  F.F64(1).F64(2).F64(3).F64(M_PI / 2).F64(0).U8(0xFF); // marker 2
  return F.Data; // the rest of set 2 is missing from the file
}

class ImagerFileFormat1 : public test::ImagerFileTest {
protected:
  std::string WriteSet(const std::vector<std::uint8_t>& Img, bool WithMarkers = true) {
    auto Frames = Record(Fat(20), 2);
    const auto Second = Record(Fat(22), 0);
    Frames.insert(Frames.end(), Second.begin(), Second.end());
    Frames.resize(Frames.size() + 100); // a partial record, ignored
    Write("case.end", Frames);
    if (WithMarkers) {
      Write("case.mar", MarkerSets());
    }
    return Write("case.img", Img);
  }
};

TEST_F(ImagerFileFormat1, WithoutTipPointSlotsAreTheSensors) {
  TImagerProcedure P;
  P.PainUnits = "kept";
  ASSERT_EQ(P.LoadFromFile(WriteSet(Header(4, 0))), 1);
  EXPECT_EQ(P.PatientName, "Smith");
  EXPECT_EQ(P.ProcedureType, 1);
  EXPECT_EQ(P.PainUnits, "kept");
  EXPECT_DOUBLE_EQ(P.StartTime, March14th2005);
  ASSERT_EQ(P.FrameCount(), 2);
  EXPECT_EQ(P.GetFrame(0).Time, 0);
  EXPECT_NEAR(P.GetFrame(1).Time * 86400, 2, 1e-6);
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(F.SensorCount, 4);
  EXPECT_EQ(F.TubeRadius, 0.009f);
  EXPECT_TRUE(F.EndoscopeValid);
  EXPECT_EQ(F.SensorValid[0], true);
  EXPECT_EQ(F.SensorValid[1], false);
  EXPECT_EQ(F.SensorPosition[3].X, 4);
  EXPECT_NEAR(F.SensorDirection[0].Z, 1, 1e-6); // stored angles point away from the tip
  EXPECT_EQ(F.SegmentLength[0], 0.01);
  EXPECT_EQ(F.SegmentLength[2], 0.03);
  EXPECT_EQ(F.SegmentLength[3], 0);
  EXPECT_TRUE(F.HandValid);
  EXPECT_EQ(F.HandPosition.X, 9);
  EXPECT_NEAR(F.HandDirection.Z, 1, 1e-6); // the hand is not reversed
}

TEST_F(ImagerFileFormat1, TipPointTakesSlotZeroAheadOfTheFirstSensor) {
  TImagerProcedure P;
  P.LoadFromFile(WriteSet(Header(4, 0.025)));
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_EQ(F.SensorCount, 5);
  EXPECT_TRUE(F.SensorValid[0]);
  EXPECT_NEAR(F.SensorPosition[0].X, 1, 1e-6);
  EXPECT_NEAR(F.SensorPosition[0].Z, -0.025, 1e-6);
  EXPECT_EQ(F.SensorPosition[1].X, 1);
  EXPECT_FALSE(F.SensorValid[2]);
  EXPECT_EQ(F.SegmentLength[0], 0.025);
  EXPECT_EQ(F.SegmentLength[3], 0.03);
  EXPECT_EQ(F.SegmentLength[4], 0);
}

TEST_F(ImagerFileFormat1, MarkersComeFromTheNumberedSetAndMissingBytesAreZero) {
  TImagerProcedure P;
  P.LoadFromFile(WriteSet(Header(4, 0)));
  const TImagerFrame& F = P.GetFrame(0);
  EXPECT_FALSE(F.MarkerValid[0]);
  EXPECT_TRUE(F.MarkerValid[2]);
  EXPECT_EQ(F.MarkerPosition[2], (TVector3{1, 2, 3}));
  EXPECT_NEAR(F.MarkerDirection[2].X, 1, 1e-9);
  EXPECT_FALSE(F.MarkerValid[3]);
  EXPECT_FALSE(P.GetFrame(1).MarkerValid[2]); // set number 0

  TImagerProcedure NoMarkers;
  std::filesystem::remove(Dir / "case.mar");
  ASSERT_EQ(NoMarkers.LoadFromFile((Dir / "case.img").string()), 1);
  EXPECT_FALSE(NoMarkers.GetFrame(0).MarkerValid[2]);
}

TEST_F(ImagerFileFormat1, HeaderSizeDecidesTheProcedureType) {
  TImagerProcedure P;
  P.LoadFromFile(WriteSet(Header(4, 0, false)));
  EXPECT_EQ(P.ProcedureType, 0);
  auto Long = Header(4, 0);
  Long.push_back(0);
  EXPECT_THROW(P.LoadFromFile(WriteSet(Long)), E_Qel_UnrecognisedDataFormat);
}

TEST_F(ImagerFileFormat1, RefusesSensorsBeyondTheSixteenSlots) {
  TImagerProcedure P;
  EXPECT_EQ(P.LoadFromFile(WriteSet(Header(16, 0))), 1);
  EXPECT_EQ(P.GetFrame(0).SensorCount, 16);
  EXPECT_THROW(P.LoadFromFile(WriteSet(Header(16, 0.02))), E_Qel_UnrecognisedDataFormat);
  EXPECT_EQ(P.FrameCount(), 0);
  EXPECT_THROW(P.LoadFromFile(WriteSet(Header(17, 0))), E_Qel_UnrecognisedDataFormat);
}

TEST_F(ImagerFileFormat1, ReportsTheSystemsMessages) {
  TImagerProcedure P;
  const auto Message = [&](const std::string& Path) -> std::string {
    try {
      P.LoadFromFile(Path);
    } catch (const Exception& E) {
      return E.what();
    }
    return "loaded";
  };
  EXPECT_EQ(Message(WriteSet(Header(19, 0))), "File error: 'NumSensors' is invalid.");
  const std::string Img = WriteSet(Header(4, 0));
  Write("case.end", std::vector<std::uint8_t>(379));
  EXPECT_EQ(Message(Img), "Imager file " + Img + " is empty");
  std::filesystem::remove(Dir / "case.end");
  EXPECT_EQ(Message(Img), "Cannot open file: " + (Dir / "case.end").string());
  EXPECT_EQ(P.FrameCount(), 0);
}

} // namespace
} // namespace kestrava
