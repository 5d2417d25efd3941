#include "DriverTestSupport.h"
#include "drivers/replay/ReplayDriver.h"
#include "imagerdata/ImagerProcedure.h"

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

// Three frames a second apart; slot 0 of each is the tip, the sensors 0.1 m apart.
void FillRecording(TImagerProcedure& Procedure, bool WithPain) {
  Procedure.PatientName = "Replayed";
  Procedure.HasPainData = WithPain;
  Procedure.PainUnits = "mmHg";
  for (int F = 0; F < 3; ++F) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = F / 86400.0;
    Frame.SensorCount = 3;
    Frame.TubeRadius = DefaultTubeRadius;
    for (int S = 0; S < 3; ++S) {
      Frame.SensorValid[S] = !(F == 2 && S == 1);
      Frame.SensorPosition[S] = Vector3(0.25 * F, 0, 0.5 - 0.125 * S);
      Frame.SensorDirection[S] = Vector3(0, 0, -1); // towards the operator
    }
    Frame.SegmentLength[0] = Frame.SegmentLength[1] = 0.125;
    Frame.HandValid = true;
    Frame.HandPosition = Vector3(0, -0.25, F);
    Frame.HandDirection = Vector3(0, 1, 0);
    Frame.MarkerValid[0] = Frame.MarkerValid[2] = true;
    Frame.MarkerPosition[0] = Vector3(0.5, 0, 0);
    Frame.MarkerPosition[2] = Vector3(-0.5, 0, 0);
    Frame.Pain = 10.0 * F;
    Frame.OvertubeKind = 1;
    Frame.OvertubeData1.Valid = F != 1;
    Frame.OvertubeData1.Position = {0.5f, 0.25f, 0.125f};
  }
}

class ReplayDriver : public TDriverTest {
protected:
  TDriverInterfaces MakeReplay(bool WithPain = true) {
    TImagerProcedure Procedure;
    FillRecording(Procedure, WithPain);
    Procedure.SaveToFile((Dir / "recorded.img").string());
    WriteText(Dir / "Replay.dat", "# played back\nfile recorded.img\npacing none\n");
    TDriverInterfaces Driver(replay::TReplayDriver::Create());
    Driver.Wire({{0, 0.0, 1},
                 {1, 0.125, 1},
                 {2, 0.0625, 1},
                 {3, 0.25, 1},
                 {4, 0.4, 1},
                 {16, 0, 2},
                 {17, 0, 3}});
    EXPECT_EQ(Driver.Locator->Initialise((Dir / "DSP.DAT").u16string().c_str()), S_OK);
    return Driver;
  }
  static void SampleUntil(TDriverInterfaces& Driver, double Seconds) {
    double Time = -1;
    while (Driver.Control->GetSampleTime(&Time), Time + 1e-9 < Seconds) {
      ASSERT_EQ(Driver.Sample(), S_OK);
    }
  }
};

TEST_F(ReplayDriver, PlaysTheRecordedSlotsAndInterpolatesBetweenThem) {
  TDriverInterfaces Driver = MakeReplay();
  ASSERT_EQ(Driver.Sample(), S_OK);
  const TReading Slot1 = Driver.Read(1);
  ASSERT_EQ(Slot1.Result, S_OK);
  EXPECT_NEAR(VectorDistance(Slot1.Position, Vector3(0, 0, 0.375)), 0, 1e-15);
  // The sensor points to the tip: against the recorded direction.
  EXPECT_NEAR(VectorDistance(Slot1.Direction, Vector3(0, 0, 1)), 0, 1e-12);
  const TReading Between = Driver.Read(2);
  EXPECT_NEAR(VectorDistance(Between.Position, Vector3(0, 0, 0.4375)), 0, 1e-12);
  EXPECT_EQ(Driver.Read(3).Result, S_OK) << "the last slot";
  EXPECT_EQ(Driver.Read(4).Result, DRIVER_E_NOT_MEASURED) << "beyond the recorded endoscope";

  // Frame 1 from 1 s on; frame 2 (slot 1 not valid) from 2 s, then held.
  SampleUntil(Driver, 1.0);
  EXPECT_NEAR(Driver.Read(0).Position.X, 0.25, 1e-15);
  SampleUntil(Driver, 5.0);
  EXPECT_NEAR(Driver.Read(0).Position.X, 0.5, 1e-15);
  EXPECT_EQ(Driver.Read(1).Result, DRIVER_E_NOT_MEASURED);
  EXPECT_EQ(Driver.Read(2).Result, DRIVER_E_NOT_MEASURED)
      << "half-way to a slot that was not measured";
}

TEST_F(ReplayDriver, PressesTheRecordedMarkersWithTheRemoteOnThemFirst) {
  TDriverInterfaces Driver = MakeReplay();
  std::uint32_t Mask = 0;
  std::vector<std::pair<std::uint32_t, TVector3>> Presses;
  for (int N = 0; N < 25; ++N) {
    Driver.Sample();
    Driver.Remote->GetButtons(&Mask);
    if (Mask != 0 && (Presses.empty() || Presses.back().first != Mask)) {
      Presses.emplace_back(Mask, Driver.Read(16).Position);
    }
  }
  EXPECT_EQ(Presses, (std::vector<std::pair<std::uint32_t, TVector3>>{{0x01, {0.5, 0, 0}},
                                                                      {0x04, {-0.5, 0, 0}}}));
  // Afterwards the remote is back in the hand.
  EXPECT_EQ(Driver.Read(16).Position, Vector3(0, -0.25, 0));
}

TEST_F(ReplayDriver, PlaysPainAndOvertubeAsRecorded) {
  TDriverInterfaces Driver = MakeReplay();
  SampleUntil(Driver, 1.0);
  double Pain = 0;
  ASSERT_EQ(Driver.Pain->Initialise(), S_OK);
  EXPECT_EQ(Driver.Pain->GetPain(&Pain), S_OK);
  EXPECT_EQ(Pain, 10);
  EXPECT_EQ(Driver.Read(17).Result, DRIVER_E_NOT_MEASURED)
      << "frame 1's overtube sensor was not measured";
  SampleUntil(Driver, 2.0);
  EXPECT_EQ(Driver.Read(17).Position, Vector3(0.5, 0.25, 0.125));

  TDriverInterfaces Painless = MakeReplay(false);
  Painless.Sample();
  EXPECT_NE(Painless.Pain->GetPain(&Pain), S_OK) << "a file without pain has no readings";
}

TEST_F(ReplayDriver, InitialiseFailsWithAReasonWhenThereIsNothingToPlay) {
  TDriverInterfaces Driver(replay::TReplayDriver::Create());
  const std::u16string Dsp = (Dir / "DSP.DAT").u16string();
  char Text[300];
  TImagerProcedure Empty;
  Empty.SaveToFile((Dir / "empty.img").string());
  // Whole: the reason is exactly Reason, else it holds it.
  const struct {
    const char *Settings, *Reason;
    bool Whole;
  } Cases[] = {
      {nullptr, "cannot open", false},
      {"pacing none\n", "Replay.dat names no imager file", true},
      {"file missing.img\nspeed 2\n", "Replay.dat line 2: unknown setting 'speed'", true},
      {"file missing.img\n", "cannot replay", false},
      {"file empty.img\n", "The imager file has no frames", false},
  };
  for (const auto& Case : Cases) {
    if (Case.Settings != nullptr) {
      WriteText(Dir / "Replay.dat", Case.Settings);
    }
    EXPECT_NE(Driver.Locator->Initialise(Dsp.c_str()), S_OK) << Case.Reason;
    Driver.Control->GetLastErrorText(Text, sizeof Text);
    const std::string Reason = Text;
    EXPECT_TRUE(Case.Whole ? Reason == Case.Reason : Reason.find(Case.Reason) != std::string::npos)
        << Reason;
  }
  EXPECT_NE(Driver.Locator->Trigger(), S_OK);
}

} // namespace
} // namespace kestrava::testing
