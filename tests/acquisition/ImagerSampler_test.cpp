#include "FakeImagerDriver.h"
#include "acquisition/ImagerSampler.h"
#include "tests/support/ScratchDirectory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrava {
namespace {

using ::testing::ElementsAre;
using testing::FakeFailure;
using ::testing::ThrowsMessage;

constexpr int HandChannel = 10;
constexpr int OvertubeChannel = 12;

class ImagerSampler : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Scratch.Made());
    WriteGoodFiles();
    MakeSampler();
    for (int Channel = 0; Channel < 3; ++Channel) {
      Driver.SetReading(Channel, {0.1 * Channel, 0.2, 0.3}, 0.4, 0.5);
    }
  }

  void MakeSampler() {
    Sampler = std::make_unique<TImagerSampler>(
        Driver.AsDriver(), TImagerSamplerPlaces{"", Dir.string()}, User, Platform);
  }
  void Write(const std::string& Name, const std::string& Text) const {
    std::ofstream(Dir / Name, std::ios::binary) << Text;
  }
  void WriteGoodFiles() const {
    Write("Sampler.dat", "1\n2.5\n");
    std::string Generator;
    for (int Line = 0; Line < 12; ++Line) {
      Generator += "1 2\n";
    }
    Write("coils.gen", Generator);
    WriteCatheter(0.0, 3);
    Write("Remote.dat", std::to_string(HandChannel) + " 1 1\n");
    Write("tube.otb", "2\n0.1\n0.2\n0.3\n" + std::to_string(OvertubeChannel) + " 1 1\n");
    Write("Pain Sensor.dat", "0.5\n30\nmm Hg\n");
  }
  // Sensors on channels 0, 1, ... spaced TipOffset, 0.04, 0.05, ...
  void WriteCatheter(double TipOffset, int Count) const {
    std::string Text = std::to_string(Count) + "\n";
    for (int I = 0; I < Count; ++I) {
      Text +=
          std::to_string(I) + " 0 0 " + std::to_string(I == 0 ? TipOffset : 0.03 + 0.01 * I) + "\n";
    }
    Write("cath.msd", Text);
  }
  std::string PathOf(const char* Name) const { return (Dir / Name).string(); }
  bool RunSetup(std::int32_t ProcedureType = 0, bool UsePain = true, bool UseOvertube = true) {
    return Sampler->Setup(ProcedureType, PathOf("Sampler.dat"), PathOf("Pain Sensor.dat"), UsePain,
                          PathOf("tube.otb"), UseOvertube, PathOf("Remote.dat"), PathOf("cath.msd"),
                          PathOf("coils.gen"));
  }
  long CallCount(const std::string& Call) const {
    return std::count(Driver.Calls.begin(), Driver.Calls.end(), Call);
  }
  std::vector<bool> Slots(const TImagerFrame& Frame) const {
    return std::vector<bool>(Frame.SensorValid.begin(),
                             Frame.SensorValid.begin() + Frame.SensorCount);
  }

  support::TScratchDirectory Scratch{"kestrava-sampler"};
  const std::filesystem::path& Dir = Scratch.Dir;
  testing::TFakeImagerDriver Driver;
  TScriptedUserInteraction User;
  testing::TRecordingPlatform Platform;
  std::unique_ptr<TImagerSampler> Sampler;
  TImagerFrame Frame;
};

void ExpectNear(const TVector3& Actual, const TVector3& Expected) {
  EXPECT_NEAR(Actual.X, Expected.X, 1e-12);
  EXPECT_NEAR(Actual.Y, Expected.Y, 1e-12);
  EXPECT_NEAR(Actual.Z, Expected.Z, 1e-12);
}

// What set-up guarantees is that the hardware starts once, after all of
// its calibration, whatever order the files are read in.
TEST_F(ImagerSampler, SetupStartsTheHardwareOnceAfterAllOfItsCalibration) {
  ASSERT_TRUE(RunSetup(1));
  ASSERT_EQ(CallCount("Initialise"), 1);
  const auto Started = std::find(Driver.Calls.begin(), Driver.Calls.end(), "Initialise");
  EXPECT_THAT(std::vector<std::string>(Driver.Calls.begin(), Started),
              ::testing::IsSupersetOf({"SetSamplerCalibration", "SetGeneratorCalibration1",
                                       "SetGeneratorCalibration2", "SetChannelParameters",
                                       "Pain SetCalibration"}));
  EXPECT_THAT(std::vector<std::string>(Started, Driver.Calls.end()),
              ElementsAre("Initialise", "Pain Initialise"));
  EXPECT_EQ(std::tuple(Sampler->Ready(), Sampler->ProcedureType(), Sampler->PainUnits(),
                       Sampler->PainFullScale(), Sampler->Calibration().HandChannel),
            std::tuple(true, 1, "mm Hg", 30.0, HandChannel));
  EXPECT_EQ(std::filesystem::path(Driver.DspFile), Dir / "DSP.DAT");
  EXPECT_TRUE(User.Messages().empty());
  Sampler->Stop();
  EXPECT_FALSE(Sampler->Ready());
}

TEST_F(ImagerSampler, FirstFileThatFailsStopsSetupWithItsMessage) {
  const std::pair<const char*, const char*> Cases[] = {
      {"Sampler.dat", "Failed to load sampler calibration data"},
      {"coils.gen", "Failed to load generator calibration data"},
      {"cath.msd", "Failed to load sensor catheter calibration data"},
      {"Remote.dat", "Failed to load remote control calibration data"},
      {"tube.otb", "Failed to load overtube calibration data"},
      {"Pain Sensor.dat", "Failed to load patient pain sensor calibration data"},
  };
  for (const auto& [File, Message] : Cases) {
    WriteGoodFiles();
    ASSERT_TRUE(RunSetup());
    std::filesystem::remove(Dir / File);
    Driver.Calls.clear();
    EXPECT_THAT([this] { RunSetup(); }, ThrowsMessage<Exception>(Message)) << File;
    EXPECT_FALSE(Sampler->Ready()) << File;
    EXPECT_EQ(CallCount("Initialise"), 0) << File;
  }
}

TEST_F(ImagerSampler, OptionalFilesAreReadOnlyWhenTheirPartIsUsed) {
  std::filesystem::remove(Dir / "tube.otb");
  std::filesystem::remove(Dir / "Pain Sensor.dat");
  ASSERT_TRUE(RunSetup(0, false, false));
  EXPECT_FALSE(Sampler->UsePainSensor());
  // A driver without a pain sensor reads no pain file, asked or not.
  Driver.HasPressure = false;
  MakeSampler();
  ASSERT_TRUE(RunSetup(0, true, false));
  EXPECT_FALSE(Sampler->UsePainSensor());
}

TEST_F(ImagerSampler, HardwareThatWillNotStartFailsSetup) {
  ASSERT_TRUE(RunSetup());
  Driver.InitialiseResult = 1;
  EXPECT_FALSE(RunSetup());
  EXPECT_THAT(User.Texts(), ElementsAre("Failed to initialise DSP hardware"));
  EXPECT_FALSE(Sampler->Ready()); // the earlier good set-up does not survive
  EXPECT_FALSE(Sampler->InitialiseHardware());
}

TEST_F(ImagerSampler, PainSensorRetriesUntilTheUserStopsOrIgnoresIt) {
  Driver.PainInitialiseResults = {1, 1};
  User.QueueAnswer(TMessageAnswer::Retry);
  User.QueueAnswer(TMessageAnswer::Retry);
  ASSERT_TRUE(RunSetup());
  EXPECT_EQ(CallCount("Pain Initialise"), 3);
  ASSERT_EQ(User.Messages().size(), 2u);
  EXPECT_EQ(User.Messages()[0].Text, "Failed to initialise patient pain sensor.");
  EXPECT_EQ(User.Messages()[0].Buttons, TMessageButtons::AbortRetryIgnore);

  Driver.PainInitialiseResults = {1, 1};
  User.QueueAnswer(TMessageAnswer::Retry);
  User.QueueAnswer(TMessageAnswer::Abort);
  EXPECT_FALSE(RunSetup());
  EXPECT_FALSE(Sampler->Ready());

  // Ignored, the sensor is never asked and the frames carry no pain.
  Driver.PainInitialiseResults = {1};
  Driver.PainValue = 5;
  User.QueueAnswer(TMessageAnswer::Ignore);
  ASSERT_TRUE(RunSetup());
  Driver.Calls.clear();
  Frame.Pain = 9;
  Frame.PainValid = true;
  Sampler->Sample(Frame, false);
  EXPECT_EQ(std::tuple(Frame.PainValid, Frame.Pain, CallCount("Pain Trigger")),
            std::tuple(false, 0.0, 0));
}

TEST_F(ImagerSampler, TipOffsetAddsATipPointAheadOfTheFirstSensor) {
  WriteCatheter(0.025, 3);
  ASSERT_TRUE(RunSetup());
  Driver.SetReading(0, {0.1, 0.2, 0.3}, 0.7, 1.1);
  Sampler->Sample(Frame, true);
  ASSERT_THAT(Slots(Frame), ElementsAre(true, true, true, true));
  const TVector3 D0 = NegateVector(SphericalToVector(0.7, 1.1));
  ExpectNear(Frame.SensorPosition[0], SubtractVectors({0.1, 0.2, 0.3}, ScaleVector(D0, 0.025)));
  ExpectNear(Frame.SensorDirection[0], D0);
  ExpectNear(Frame.SensorPosition[1], {0.1, 0.2, 0.3});
  ExpectNear(Frame.SensorDirection[1], D0);
  ExpectNear(Frame.SensorPosition[3], {0.2, 0.2, 0.3});
  EXPECT_THAT((std::vector<double>(Frame.SegmentLength.begin(), Frame.SegmentLength.begin() + 3)),
              ElementsAre(0.025, 0.04, 0.05));
  EXPECT_FLOAT_EQ(Frame.TubeRadius, 0.009f);
  // Phase correction is for the catheter; hand and overtube are read without.
  EXPECT_THAT(Driver.PhaseCorrectionsSeen, ElementsAre(1, 1, 1, 0, 0));
}

TEST_F(ImagerSampler, SensorsNotMeasuredLeaveInvalidSlots) {
  ASSERT_TRUE(RunSetup());
  Driver.SetReading(1, {1, 1, 1}, 0, 0, FakeFailure);
  Sampler->Sample(Frame, false);
  EXPECT_THAT(Slots(Frame), ElementsAre(true, false, true));
  // Without a tip point, slot j's segment is the spacing to sensor j + 1.
  EXPECT_THAT((std::vector<double>(Frame.SegmentLength.begin(), Frame.SegmentLength.begin() + 2)),
              ElementsAre(0.04, 0.05));

  WriteCatheter(0.025, 3);
  ASSERT_TRUE(RunSetup());
  Driver.SetReading(0, {1, 1, 1}, 0, 0, FakeFailure);
  Driver.SetReading(1, {1, 1, 1}, 0, 0);
  // A reading reported good but not a number is no measurement either.
  Driver.SetReading(2, {std::numeric_limits<double>::quiet_NaN(), 0, 0}, 0, 0);
  Sampler->Sample(Frame, false);
  EXPECT_THAT(Slots(Frame), ElementsAre(false, false, true, false));
}

TEST_F(ImagerSampler, EndoscopeIsValidOnlyWithTheMarkersItsProcedureNeeds) {
  const std::tuple<std::int32_t, int, bool> Cases[] = {{0, 2, false}, {0, 3, true},  {1, 3, false},
                                                       {1, 4, true},  {2, 3, false}, {2, 4, true},
                                                       {7, 0, true}};
  for (const auto& [Type, Markers, Valid] : Cases) {
    ASSERT_TRUE(RunSetup(Type));
    Frame.MarkerValid = {};
    std::fill_n(Frame.MarkerValid.begin(), Markers, true);
    Sampler->Sample(Frame, false);
    EXPECT_EQ(Frame.EndoscopeValid, Valid) << Type << " " << Markers;
  }
  Driver.Readings.clear();
  Sampler->Sample(Frame, false);
  EXPECT_FALSE(Frame.EndoscopeValid);
}

TEST_F(ImagerSampler, SampleFillsHandOvertubeAndPainButLeavesMarkers) {
  ASSERT_TRUE(RunSetup());
  Driver.SetReading(HandChannel, {0.5, 0.6, 0.7}, 0.3, 0.2);
  Driver.SetReading(OvertubeChannel, {0.25, 0.5, 0.75}, 0, 0);
  Driver.PainValue = 12.5;
  Frame.MarkerValid[1] = true;
  Frame.MarkerPosition[1] = {9, 9, 9};
  Sampler->Sample(Frame, false);
  EXPECT_EQ(std::tuple(Frame.HandValid, Frame.OvertubeKind, Frame.PainValid, Frame.Pain,
                       Frame.MarkerValid[1], Frame.MarkerPosition[1]),
            std::tuple(true, 2, true, 12.5, true, TVector3{9, 9, 9}));
  ExpectNear(Frame.HandPosition, {0.5, 0.6, 0.7});
  ExpectNear(Frame.HandDirection, SphericalToVector(0.3, 0.2)); // not turned round
  EXPECT_EQ(Frame.OvertubeData2, (TOvertubeData2{0.1f, 0.2f, 0.3f, true, {0.25f, 0.5f, 0.75f}}));

  Driver.Readings.erase(HandChannel);
  Driver.Readings.erase(OvertubeChannel);
  Driver.PainResult = FakeFailure;
  Sampler->Sample(Frame, false);
  EXPECT_FALSE(Frame.HandValid || Frame.OvertubeData2.Valid || Frame.PainValid);
  EXPECT_EQ(Frame.Pain, 0.0); // a failed reading must not count towards the maximum

  Write("tube.otb", "1\n0.1\n0.3\n" + std::to_string(OvertubeChannel) + " 1 1\n");
  ASSERT_TRUE(RunSetup(0, false, true));
  Driver.SetReading(OvertubeChannel, {1, 2, 3}, 0, 0);
  Sampler->Sample(Frame, false);
  EXPECT_EQ(Frame.OvertubeKind, 1);
  EXPECT_EQ(Frame.OvertubeData1, (TOvertubeData1{0.1f, 0.3f, true, {1, 2, 3}}));
  ASSERT_TRUE(RunSetup(0, false, false));
  Sampler->Sample(Frame, false);
  EXPECT_EQ(Frame.OvertubeKind, 0);
}

TEST_F(ImagerSampler, HardwareFaultsRaiseTheirExceptions) {
  ASSERT_TRUE(RunSetup());
  const auto Sample = [this] {
    Sampler->Sample(Frame, false);
  };
  Driver.WaitResult = 1;
  EXPECT_THAT(Sample, ThrowsMessage<EImagerHardwareTimeout>("Timeout waiting for imager hardware"));
  Driver.WaitResult = 0;
  Driver.PainWaitResult = 1;
  EXPECT_THAT(Sample,
              ThrowsMessage<EPressureSensorTimeout>("Timeout waiting for pain sensor hardware."));
  Driver.PainWaitResult = 0;
  Driver.SetReading(1, {0, 0, 0}, 0, 0, IMAGER_E_GENERATOR_COILS_DISCONNECTED);
  EXPECT_THAT(Sample, ThrowsMessage<EGenCoilsDisconnected>("Generator coils disconnected"));
  // For the hand sensor the same answer is only a missing reading.
  Driver.SetReading(1, {0, 0, 0}, 0, 0);
  Driver.SetReading(HandChannel, {0, 0, 0}, 0, 0, IMAGER_E_GENERATOR_COILS_DISCONNECTED);
  EXPECT_NO_THROW(Sample());
  EXPECT_FALSE(Frame.HandValid);
}

TEST_F(ImagerSampler, MarkersArePlacedOnlyWhileReadyButClearedAlways) {
  Driver.SetReading(HandChannel, {0.3, 0.2, 0.1}, 1.0, 2.0);
  Sampler->SetMarker(Frame, 2, false);
  EXPECT_FALSE(Frame.MarkerValid[2]);
  ASSERT_TRUE(RunSetup());
  Sampler->SetMarker(Frame, 2, false);
  EXPECT_TRUE(Frame.MarkerValid[2]);
  ExpectNear(Frame.MarkerPosition[2], {0.3, 0.2, 0.1});
  ExpectNear(Frame.MarkerDirection[2], SphericalToVector(1.0, 2.0));

  Driver.Readings.erase(HandChannel);
  Frame.MarkerValid[4] = true;
  Sampler->SetMarker(Frame, 4, false);
  EXPECT_FALSE(Frame.MarkerValid[4]);
  Sampler->Stop();
  Sampler->SetMarker(Frame, 2, true);
  EXPECT_FALSE(Frame.MarkerValid[2]);
  using TTone = std::pair<std::int32_t, std::int32_t>;
  EXPECT_THAT(Platform.Tones, ElementsAre(TTone{994, 250}, TTone{239, 250}, TTone{994, 250}));
  EXPECT_THROW(Sampler->SetMarker(Frame, 6, true), E_Qel_InvalidArg);
  EXPECT_THROW(Sampler->SetMarker(Frame, -1, false), E_Qel_InvalidArg);
}

TEST_F(ImagerSampler, WithoutDriverNothingWorksAndNothingCrashes) {
  TImagerSampler Bare(true, "not an identifier", {"/nonexistent", Dir.string()}, User, Platform);
  EXPECT_FALSE(Bare.DriverCreated() || Bare.InitialiseHardware());
  EXPECT_FALSE(Bare.Setup(0, PathOf("Sampler.dat"), "", false, "", false, PathOf("Remote.dat"),
                          PathOf("cath.msd"), PathOf("coils.gen")));
  EXPECT_THAT(User.Texts(), ElementsAre("Failed to initialise DSP hardware"));
  EXPECT_THROW(Bare.Sample(Frame, false), EImagerHardwareTimeout);
  EXPECT_EQ(Bare.GetRemoteButtons(), 0u);
  EXPECT_EQ(Bare.SetRemoteIndicators(1), E_POINTER);
}

TEST_F(ImagerSampler, DriverInterfacesAreHeldUntilTheSamplerGoes) {
  EXPECT_TRUE(Sampler->DriverCreated());
  EXPECT_EQ(Driver.References, 3);
  Sampler.reset();
  EXPECT_EQ(Driver.References, 0);
}

} // namespace
} // namespace kestrava
