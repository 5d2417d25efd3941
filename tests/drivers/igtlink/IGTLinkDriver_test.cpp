// The receiver against real servers on the loopback interface: Kestrava's
// own stream played back through the sampler, and servers of the tests'
// making that misbehave on purpose.

#include "acquisition/ImagerSampler.h"
#include "drivers/igtlink/IGTLinkDriver.h"
#include "streaming/IGTLinkServer.h"
#include "tests/drivers/igtlink/TrackerTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava::igtlink {
namespace {

using namespace std::chrono_literals;
using testing::Joined;
using testing::TBytes;
using testing::TLoopbackServer;
using testing::TrackingDataBytes;
using testing::TransformBytes;
using testing::TTestPose;

// The sampler's wait, and what a wait may overrun it by on a busy machine.
constexpr double SampleLimit = 0.5;
constexpr auto Slack = 250ms;

struct TDriver {
  TComPtr<IUnknown> Root = TComPtr<IUnknown>::Adopt(TIGTLinkDriver::Create());
  TComPtr<IImagerPositionLocator> Locator =
      Root.Query<IImagerPositionLocator>(IID_IImagerPositionLocator);
  TComPtr<IImagerPressureSensor> Pain =
      Root.Query<IImagerPressureSensor>(IID_IImagerPressureSensor);
  TComPtr<IDriverDiagnostics> Diagnostics = Root.Query<IDriverDiagnostics>(IID_IDriverDiagnostics);

  // One sample as the sampler takes it, never longer than its limit.
  HRESULT Sample() const {
    const auto Start = std::chrono::steady_clock::now();
    const HRESULT Triggered = Locator->Trigger();
    const HRESULT Result = Triggered != S_OK ? Triggered : Locator->WaitForSample(SampleLimit);
    EXPECT_LE(std::chrono::steady_clock::now() - Start,
              std::chrono::duration<double>(SampleLimit) + Slack);
    return Result;
  }
  // Position and the direction the sampler computes from the angles.
  std::pair<TVector3, TVector3> Read(int Channel) const {
    double Position[3] = {}, Angles[2] = {};
    EXPECT_EQ(Locator->GetSensor(Channel, 0, Position, Angles, 0.0, 0), S_OK) << Channel;
    return {{Position[0], Position[1], Position[2]}, SphericalToVector(Angles[0], Angles[1])};
  }
  bool Measured(int Channel) const {
    double Position[3] = {}, Angles[2] = {};
    return Locator->GetSensor(Channel, 0, Position, Angles, 0.0, 0) == S_OK;
  }
  // Samples until Done holds, for at most five seconds.
  bool SampleUntil(const std::function<bool()>& Done) const {
    const auto Deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < Deadline) {
      if (Sample() == S_OK && Done()) {
        return true;
      }
    }
    return false;
  }
  std::string Problem() const {
    char Text[512] = {};
    Diagnostics->GetLastErrorText(Text, sizeof Text);
    return Text;
  }
};

void ExpectNear(const TVector3& Got, const TVector3& Expected, double Tolerance,
                const std::string& What) {
  for (std::size_t I = 0; I < 3; ++I) {
    EXPECT_NEAR(Got[I], Expected[I], Tolerance) << What << " [" << I << "]";
  }
}

class IGTLinkDriver : public ::testing::Test {
protected:
  void SetUp() override {
    std::string Pattern = (std::filesystem::temp_directory_path() / "kestrava-igt-XXXXXX").string();
    ASSERT_NE(mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::u16string WriteDsp(const std::string& Settings) const {
    std::ofstream(Dir / "DSP.DAT", std::ios::binary) << Settings;
    return (Dir / "DSP.DAT").u16string();
  }
  static std::string Server(std::uint16_t Port) {
    return "server 127.0.0.1 " + std::to_string(Port) + "\n";
  }

  std::filesystem::path Dir;
};

// Source frames whose sensors point every way, the tip straight back included.
void FillSource(TImagerFrame& Frame, int Number) {
  Frame.Time = Number / 86400.0;
  Frame.SensorCount = MaxSensors;
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    const double Angle = 0.4 * static_cast<double>(Slot) + 0.1 * Number;
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = {0.01 * static_cast<double>(Slot), 0.2 * std::sin(Angle),
                                  -0.3 + 0.001 * Number};
    Frame.SensorDirection[Slot] = Slot == 0
                                      ? TVector3{0, 0, -1}
                                      : TVector3{std::cos(Angle) * 0.6, std::sin(Angle) * 0.6, 0.8};
  }
  Frame.HandValid = true;
  Frame.HandPosition = {0.5, -0.25, 0.125 * Number};
  Frame.HandDirection = {0, 0.6, -0.8};
  Frame.OvertubeKind = 1;
  Frame.OvertubeData1.Valid = true;
  Frame.OvertubeData1.Position = {0.25f, 0.5f, -0.125f * static_cast<float>(Number)};
  Frame.PainValid = true;
  Frame.Pain = 12.5 + Number;
}

TEST_F(IGTLinkDriver, PlaysKestravasOwnStreamBackThroughTheSamplerSensorForSensor) {
  TIGTLinkServerSettings ServerSettings;
  ServerSettings.Port = 0;
  TIGTLinkServer Stream(ServerSettings);
  // Half the sensors by their TDATA element names, half by their TRANSFORMs.
  std::string Dsp = Server(Stream.Port()) + "hand HandToTracker\novertube Overtube\n"
                                            "pain PatientPain\n";
  char Name[32];
  for (int Slot = 0; Slot < MaxSensors; ++Slot) {
    std::snprintf(Name, sizeof Name, Slot < 8 ? "Sensor%02d" : "Sensor%02dToTracker", Slot);
    Dsp += "sensor " + std::to_string(Slot) + " " + Name + "\n";
  }
  WriteDsp(Dsp);
  TDriver Driver;
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TImagerSampler Sampler(QueryImagerDriver(Driver.Root.Get()), {"", Dir.string()}, User, Platform);
  const std::filesystem::path Calibration = KESTRAVA_CALIBRATION_SOURCE_DIR;
  ASSERT_TRUE(Sampler.Setup(
      ProcedureColonoscopy, (Calibration / "Sampler.dat").string(),
      (Calibration / "Pain Sensor.dat").string(), true, (Calibration / "Overtube1.otb").string(),
      true, (Calibration / "Remote.dat").string(), (Calibration / "Catheter16.msd").string(),
      (Calibration / "Generator.gen").string()))
      << Driver.Problem();
  ASSERT_TRUE(Sampler.UsePainSensor());
  const auto Deadline = std::chrono::steady_clock::now() + 5s;
  while (Stream.Statistics().Clients.empty() && std::chrono::steady_clock::now() < Deadline) {
    std::this_thread::sleep_for(2ms);
  }
  const TStreamContext Context{ProcedureColonoscopy, 45000, true, "mmHg", true, std::nullopt};
  for (int Number = 1; Number <= 3; ++Number) {
    TImagerFrame Source;
    FillSource(Source, Number);
    Stream.Publish(Source, Context);
    TImagerFrame Got;
    ASSERT_NO_THROW(Sampler.Sample(Got, false)) << Driver.Problem();
    ASSERT_EQ(Got.SensorCount, MaxSensors);
    for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
      const std::string What = "frame " + std::to_string(Number) + " slot " + std::to_string(Slot);
      ASSERT_TRUE(Got.SensorValid[Slot]) << What;
      ExpectNear(Got.SensorPosition[Slot], Source.SensorPosition[Slot], 1e-4, What);
      ExpectNear(Got.SensorDirection[Slot], Source.SensorDirection[Slot], 1e-6, What);
    }
    ASSERT_TRUE(Got.HandValid);
    ExpectNear(Got.HandPosition, Source.HandPosition, 1e-4, "hand");
    ExpectNear(Got.HandDirection, Source.HandDirection, 1e-6, "hand");
    ASSERT_TRUE(Got.OvertubeData1.Valid);
    ExpectNear(SingleToVector3(Got.OvertubeData1.Position),
               SingleToVector3(Source.OvertubeData1.Position), 1e-4, "overtube");
    ASSERT_TRUE(Got.PainValid);
    EXPECT_EQ(Got.Pain, Source.Pain);
  }
}

TEST_F(IGTLinkDriver, AsksForTrackingDataAndForgetsNamesThatDisappearThenTimesOutOnSilence) {
  TLoopbackServer Tracker;
  WriteDsp(Server(Tracker.Port()) + "request_tdata 25\nsensor 0 Probe0\nsensor 1 Probe1\n"
                                    "hand Stylus\nsample_timeout 0.3\n");
  TDriver Driver;
  ASSERT_EQ(Driver.Locator->Initialise((Dir / "DSP.DAT").u16string().c_str()), S_OK);
  ASSERT_TRUE(Tracker.Accept());
  const TBytes Request = Tracker.Receive(94);
  ASSERT_EQ(Request.size(), 94u);
  EXPECT_EQ(std::string(Request.begin() + 2, Request.begin() + 11), "STT_TDATA");
  EXPECT_EQ(Request[61], 25) << "the resolution asked for";

  const TTestPose Probe0{"Probe0", {10, 20, 30}, {0, 0, 1}};
  const TTestPose Probe1{"Probe1", {-5, 0, 5}, {1, 0, 0}};
  const TTestPose Stylus{"Stylus", {100, 0, 0}, {0, 1, 0}};
  Tracker.Send(Joined({TrackingDataBytes("Tracker", {Probe0, Probe1, {"Other", {}, {0, 0, 1}}}),
                       TransformBytes(Stylus)}));
  ASSERT_TRUE(Driver.SampleUntil([&] { return Driver.Measured(HandIndex); }));
  const auto [TipPosition, TipDirection] = Driver.Read(0);
  ExpectNear(TipPosition, {0.01, 0.02, 0.03}, 1e-7, "millimetres become metres");
  ExpectNear(TipDirection, {0, 0, -1}, 1e-9, "the sampler reverses it back to +Z");
  ExpectNear(Driver.Read(HandIndex).second, {0, 1, 0}, 1e-9, "the hand is taken as it points");
  EXPECT_TRUE(Driver.Measured(1));
  EXPECT_FALSE(Driver.Measured(2) || Driver.Measured(OvertubeIndex));
  std::uint32_t Buttons = 1;
  EXPECT_EQ(Driver.Root.Query<IImagerRemoteControl>(IID_IImagerRemoteControl)->GetButtons(&Buttons),
            S_OK);
  EXPECT_EQ(Buttons, 0u);

  // Left out of the tracker's TDATA: gone at once. A TRANSFORM that stops
  // coming: gone after the sample timeout, while the rest keeps coming.
  Tracker.Send(TrackingDataBytes("Tracker", {Probe0}));
  ASSERT_EQ(Driver.Sample(), S_OK);
  EXPECT_TRUE(Driver.Measured(0));
  EXPECT_FALSE(Driver.Measured(1));
  const auto Until = std::chrono::steady_clock::now() + 400ms;
  while (std::chrono::steady_clock::now() < Until) {
    Tracker.Send(TrackingDataBytes("Tracker", {Probe0}));
    ASSERT_EQ(Driver.Sample(), S_OK);
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(Driver.Measured(0));
  EXPECT_FALSE(Driver.Measured(HandIndex));

  // Half a message, then nothing: the sample times out, never waiting longer
  // than its limit, and the stalled connection is given up for a new one.
  const TBytes Whole = TransformBytes(Stylus);
  Tracker.Send(TBytes(Whole.begin(), Whole.begin() + 30));
  EXPECT_EQ(Driver.Sample(), DRIVER_E_TIMEOUT);
  EXPECT_TRUE(Tracker.Accept(3s)) << Driver.Problem();
}

// A header that claims a body of absurd size takes the same way out as
// garbage (the reader's own tests show it is refused).
TEST_F(IGTLinkDriver, RecoversFromGarbageAndFromAServerThatDiesAndComesBack) {
  auto Tracker = std::make_unique<TLoopbackServer>();
  const std::uint16_t Port = Tracker->Port();
  WriteDsp(Server(Port) + "request_tdata 0\nsensor 0 Probe0\nsample_timeout 10\n");
  TDriver Driver;
  ASSERT_EQ(Driver.Locator->Initialise((Dir / "DSP.DAT").u16string().c_str()), S_OK);
  const auto TipAt = [&](double X) {
    return Driver.SampleUntil([&] { return Driver.Measured(0) && Driver.Read(0).first.X == X; });
  };
  ASSERT_TRUE(Tracker->Accept(3s));
  Tracker->Send(TransformBytes({"Probe0", {125, 0, 0}, {0, 0, 1}}));
  ASSERT_TRUE(TipAt(0.125));
  Tracker->Send(TBytes(64, 'G'));
  ASSERT_TRUE(Tracker->ClientLeft());
  EXPECT_NE(Driver.Problem().find("not OpenIGTLink"), std::string::npos) << Driver.Problem();
  ASSERT_TRUE(Tracker->Accept(3s));
  Tracker.reset();
  // Nobody listening: samples still come within their limit, with the last pose.
  EXPECT_EQ(Driver.Sample(), S_OK);
  Tracker = std::make_unique<TLoopbackServer>(Port);
  ASSERT_TRUE(Tracker->Accept(3s)) << Driver.Problem();
  Tracker->Send(TransformBytes({"Probe0", {500, 0, 0}, {0, 0, 1}}));
  EXPECT_TRUE(TipAt(0.5));
  EXPECT_EQ(Driver.Problem(), "");
}

TEST_F(IGTLinkDriver, ReportsTheSettingsLineThatFailsAndAServerThatIsNotThere) {
  TDriver Driver;
  WriteDsp("hand Stylus\nseed 3\n");
  EXPECT_NE(Driver.Locator->Initialise((Dir / "DSP.DAT").u16string().c_str()), S_OK);
  EXPECT_EQ(Driver.Problem(), "DSP.DAT line 2: unknown setting 'seed'");
  EXPECT_EQ(Driver.Locator->Trigger(), DRIVER_E_NOT_READY);

  // A port nobody listens on (taken and given back), no pain name.
  const std::uint16_t Port = TLoopbackServer().Port();
  WriteDsp(Server(Port) + "hand Stylus\nsample_timeout 0.3\n");
  ASSERT_EQ(Driver.Locator->Initialise((Dir / "DSP.DAT").u16string().c_str()), S_OK);
  EXPECT_NE(Driver.Pain->Initialise(), S_OK) << "no pain name to read";
  ASSERT_EQ(Driver.Locator->Trigger(), S_OK);
  EXPECT_EQ(Driver.Locator->WaitForSample(0.05), S_OK) << "within the sample timeout";
  EXPECT_FALSE(Driver.Measured(HandIndex));
  EXPECT_EQ(Driver.Sample(), DRIVER_E_TIMEOUT);
  EXPECT_NE(Driver.Problem().find("cannot connect to 127.0.0.1:" + std::to_string(Port)),
            std::string::npos)
      << Driver.Problem();
}

} // namespace
} // namespace kestrava::igtlink
