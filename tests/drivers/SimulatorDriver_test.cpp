#include "DriverTestSupport.h"
#include "drivers/simulator/SimulatorDriver.h"

#include <chrono>
#include <numeric>
#include <optional>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

using simulator::TSimulatedProcedure;
using simulator::TSimulatorSettings;

std::string Unpaced() {
  return "pacing none\n";
}
// Spelled out rather than added to Unpaced(): gcc 12 warns falsely about the
// short string's copy when the two are inlined together.
std::string Exact() {
  return "pacing none\nposition_noise 0\ndirection_noise 0\npain_noise 0\n";
}

class SimulatorDriver : public TDriverTest {};

TEST_F(SimulatorDriver, AnswersItsInterfacesAsOneReferenceCountedComponentKeepingItsTable) {
  TDriverInterfaces Driver(simulator::TSimulatorDriver::Create());
  ASSERT_TRUE(Driver.Locator && Driver.Remote && Driver.Pain && Driver.Control);
  // Every interface leads back to the same root.
  const TComPtr<IUnknown> FromPain = Driver.Pain.Query<IUnknown>(IID_IUnknown);
  EXPECT_EQ(FromPain.Get(), Driver.Root.Get());
  const TComPtr<IImagerRemoteControl> FromControl =
      Driver.Control.Query<IImagerRemoteControl>(IID_IImagerRemoteControl);
  EXPECT_EQ(FromControl.Get(), Driver.Remote.Get());
  // Root, four interfaces and the two queries above.
  EXPECT_EQ(Driver.Root->AddRef(), 8u);
  EXPECT_EQ(Driver.Root->Release(), 7u);

  void* Object = reinterpret_cast<void*>(1);
  const TGuid Unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(Driver.Root->QueryInterface(Unknown, &Object), E_NOINTERFACE);
  EXPECT_EQ(Object, nullptr);
  EXPECT_EQ(Driver.Root->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  // The calibration readers fetch the channel table and send it back changed.
  double Table[2 * ChannelCount], Back[2 * ChannelCount] = {};
  std::iota(std::begin(Table), std::end(Table), 0.5);
  ASSERT_EQ(Driver.Locator->SetChannelParameters(Table), S_OK);
  ASSERT_EQ(Driver.Locator->GetChannelParameters(Back), S_OK);
  EXPECT_TRUE(std::equal(std::begin(Table), std::end(Table), std::begin(Back)));
}

TEST_F(SimulatorDriver, InitialiseFailsWithAReasonForAMissingBadOrFailingSettingsFile) {
  TDriverInterfaces Driver(simulator::TSimulatorDriver::Create());
  char Text[200];
  const std::u16string Missing = (Dir / "absent" / "DSP.DAT").u16string();
  EXPECT_NE(Driver.Locator->Initialise(Missing.c_str()), S_OK);
  ASSERT_EQ(Driver.Control->GetLastErrorText(Text, sizeof Text), S_OK);
  EXPECT_NE(std::string(Text).find("cannot open"), std::string::npos) << Text;
  EXPECT_NE(Driver.Locator->Trigger(), S_OK) << "no sampling without a working Initialise";

  EXPECT_NE(Driver.Locator->Initialise(WriteDsp("seed x\n").c_str()), S_OK);
  Driver.Control->GetLastErrorText(Text, sizeof Text);
  EXPECT_STREQ(Text, "DSP.DAT line 1: 'x' is not a whole number");

  EXPECT_NE(Driver.Locator->Initialise(WriteDsp("fail_initialise\n").c_str()), S_OK);
  EXPECT_EQ(Driver.Locator->Initialise(WriteDsp(Unpaced()).c_str()), S_OK);
  Driver.Control->GetLastErrorText(Text, sizeof Text);
  EXPECT_STREQ(Text, "");
  char Small[4];
  EXPECT_NE(Driver.Locator->Initialise(WriteDsp("bogus\n").c_str()), S_OK);
  Driver.Control->GetLastErrorText(Small, sizeof Small);
  EXPECT_STREQ(Small, "DSP") << "a short buffer gets a cut, terminated text";
}

TEST_F(SimulatorDriver, SamplesFollowTheModelAtTheirProcedureTimes) {
  TDriverInterfaces Driver = MakeSimulator(Exact() + "insertion_start 1\ninsertion_speed 0.05\n");
  TSimulatorSettings Settings;
  Settings.InsertionStart = 1;
  Settings.InsertionSpeed = 0.05;
  const TSimulatedProcedure Model(Settings);
  for (int N = 0; N < 100; ++N) {
    ASSERT_EQ(Driver.Sample(), S_OK);
    double Time = -1;
    Driver.Control->GetSampleTime(&Time);
    ASSERT_DOUBLE_EQ(Time, N / 25.0);
    if (N % 20 != 0) {
      continue;
    }
    const simulator::TScopeShape Shape = Model.ShapeAt(Time);
    for (int Channel = 0; Channel < 4; ++Channel) {
      const TReading Reading = Driver.Read(Channel);
      const simulator::TSensorReading Expected = Model.EndoscopeSensor(Shape, Channel * 0.08);
      ASSERT_EQ(Reading.Result, S_OK);
      EXPECT_NEAR(VectorDistance(Reading.Position, Expected.Position), 0, 1e-12);
      EXPECT_NEAR(VectorDistance(Reading.Direction, Expected.Direction), 0, 1e-12);
    }
    const TReading Overtube = Driver.Read(17);
    EXPECT_NEAR(VectorDistance(Overtube.Position, Model.OvertubeSensor(Shape, 0.25).Position), 0,
                1e-12);
  }
  EXPECT_EQ(Driver.Read(5).Result, DRIVER_E_NOT_MEASURED) << "nothing wired";
  EXPECT_EQ(Driver.Read(18).Result, DRIVER_E_INVALIDARG);
  EXPECT_EQ(Driver.Read(-1).Result, DRIVER_E_INVALIDARG);
}

TEST_F(SimulatorDriver, NoiseIsRepeatableForASeedAndDiffersBetweenSeeds) {
  const auto Positions = [&](const std::string& Settings, std::optional<std::uint64_t> Seed = {}) {
    TDriverInterfaces Driver = MakeSimulator(Settings);
    if (Seed) {
      Driver.Control->OverrideSeed(*Seed);
    }
    std::vector<double> Values;
    for (int N = 0; N < 10; ++N) {
      Driver.Sample();
      const TReading R = Driver.Read(1);
      double Pain = 0;
      Driver.Pain->Initialise();
      Driver.Pain->GetPain(&Pain);
      Values.insert(Values.end(), {R.Position.X, R.Position.Y, R.Position.Z, Pain});
    }
    return Values;
  };
  const std::vector<double> First = Positions(Unpaced() + "seed 5\n");
  EXPECT_EQ(First, Positions(Unpaced() + "seed 5\n"));
  EXPECT_NE(First, Positions(Unpaced() + "seed 6\n"));
  EXPECT_EQ(First, Positions(Unpaced() + "seed 6\n", 5)) << "the override replaces the seed";
  // The noise is of the configured size.
  const std::vector<double> Exactly = Positions(Exact());
  double Largest = 0;
  for (std::size_t I = 0; I < First.size(); ++I) {
    if (I % 4 != 3) {
      Largest = std::max(Largest, std::abs(First[I] - Exactly[I]));
    }
  }
  EXPECT_GT(Largest, 0);
  EXPECT_LT(Largest, 6 * 0.0005);
}

TEST_F(SimulatorDriver, ScriptedFaultsHappenAtTheirTimes) {
  TDriverInterfaces Driver = MakeSimulator(
      Unpaced() + "coils_disconnected 0.2 0.4\nsample_timeout 0.8\npain_timeout 0.6\n");
  ASSERT_EQ(Driver.Pain->Initialise(), S_OK);
  for (int N = 0; N < 20; ++N) {
    const double T = N / 25.0;
    const HRESULT Waited = Driver.Sample();
    const HRESULT PainWaited = Driver.Pain->WaitForSample(0.1);
    const TReading Reading = Driver.Read(0);
    const TReading Hand = Driver.Read(16);
    EXPECT_EQ(Waited, S_OK) << T;
    EXPECT_EQ(PainWaited, T >= 0.6 - 1e-9 ? DRIVER_E_TIMEOUT : S_OK) << T;
    const bool Unplugged = T >= 0.2 - 1e-9 && T < 0.4 - 1e-9;
    EXPECT_EQ(Reading.Result, Unplugged ? IMAGER_E_GENERATOR_COILS_DISCONNECTED : S_OK) << T;
    EXPECT_EQ(Hand.Result, Reading.Result) << T;
  }
  EXPECT_EQ(Driver.Sample(), DRIVER_E_TIMEOUT) << "the sample at 0.8 s never comes";
  EXPECT_EQ(Driver.Sample(), DRIVER_E_TIMEOUT) << "nor any after it";
}

TEST_F(SimulatorDriver, PainSensorFailsItsScriptedInitialisesThenReadsScaledPain) {
  TDriverInterfaces Driver = MakeSimulator(Exact() + "fail_pain_initialise 2\n");
  double Pain = -1;
  EXPECT_NE(Driver.Pain->GetPain(&Pain), S_OK) << "no reading before the sensor is ready";
  EXPECT_NE(Driver.Pain->Initialise(), S_OK);
  EXPECT_NE(Driver.Pain->Initialise(), S_OK);
  EXPECT_EQ(Driver.Pain->Initialise(), S_OK);
  ASSERT_EQ(Driver.Pain->SetCalibration(2.0), S_OK);
  ASSERT_EQ(Driver.Sample(), S_OK);
  ASSERT_EQ(Driver.Pain->Trigger(), S_OK);
  ASSERT_EQ(Driver.Pain->WaitForSample(0.1), S_OK);
  ASSERT_EQ(Driver.Pain->GetPain(&Pain), S_OK);
  EXPECT_DOUBLE_EQ(Pain, 2 * 5.0);
  // A new Initialise of the hardware runs the script again.
  const std::u16string Dsp = (Dir / "DSP.DAT").u16string();
  ASSERT_EQ(Driver.Locator->Initialise(Dsp.c_str()), S_OK);
  EXPECT_NE(Driver.Pain->Initialise(), S_OK);
}

TEST_F(SimulatorDriver, PacedSamplesKeepToTheWallClock) {
  TDriverInterfaces Driver = MakeSimulator("pacing realtime\n");
  const auto Start = std::chrono::steady_clock::now();
  for (int N = 0; N < 6; ++N) {
    ASSERT_EQ(Driver.Sample(), S_OK);
  }
  const double Elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  double Time = 0;
  Driver.Control->GetSampleTime(&Time);
  EXPECT_GE(Time, 5 / 25.0 - 1e-9);
  EXPECT_GE(Elapsed, Time - 0.005) << "a paced sample never comes before its time";
  // Unpaced() by request, the next samples follow at once, one sample period apart.
  Driver.Control->SetPacing(0);
  double Before = 0, After = 0;
  Driver.Sample();
  Driver.Control->GetSampleTime(&Before);
  Driver.Sample();
  Driver.Control->GetSampleTime(&After);
  EXPECT_NEAR(After - Before, 1 / 25.0, 1e-12);
}

} // namespace
} // namespace kestrava::testing
