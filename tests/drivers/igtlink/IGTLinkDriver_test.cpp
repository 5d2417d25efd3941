// The receiver against real servers on the loopback interface: Kestrava's
// own stream played back through the sampler, and servers of the tests'
// making that misbehave on purpose.

#include "acquisition/ImagerSampler.h"
#include "drivers/igtlink/IGTLinkDriver.h"
#include "streaming/IGTLinkServer.h"
#include "tests/drivers/igtlink/TrackerTestSupport.h"
#include "tests/support/ScratchDirectory.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
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

// The driver as the sampler meets it, initialised from DSP.DAT in Dir.
struct TDriver {
  TComPtr<IUnknown> Root = TComPtr<IUnknown>::Adopt(TIGTLinkDriver::Create());
  TComPtr<IImagerPositionLocator> Locator =
      Root.Query<IImagerPositionLocator>(IID_IImagerPositionLocator);

  HRESULT Initialise(const std::filesystem::path& Dir, const std::string& Settings) const {
    std::ofstream(Dir / "DSP.DAT", std::ios::binary) << Settings;
    return Locator->Initialise((Dir / "DSP.DAT").u16string().c_str());
  }
  // One sample as the sampler takes it, never longer than its limit.
  HRESULT Sample(double Limit = 0.5) const {
    const auto Start = std::chrono::steady_clock::now();
    const HRESULT Triggered = Locator->Trigger();
    const HRESULT Result = Triggered == S_OK ? Locator->WaitForSample(Limit) : Triggered;
    EXPECT_LE(std::chrono::steady_clock::now() - Start,
              std::chrono::duration<double>(Limit) + 250ms);
    return Result;
  }
  // Position and the direction the sampler makes of the angles, when measured.
  std::optional<std::pair<TVector3, TVector3>> Read(int Channel) const {
    double Position[3] = {}, Angles[2] = {};
    if (Locator->GetSensor(Channel, 0, Position, Angles, 0.0, 0) != S_OK) {
      return std::nullopt;
    }
    return std::pair{TVector3{Position[0], Position[1], Position[2]},
                     SphericalToVector(Angles[0], Angles[1])};
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
    Root.Query<IDriverDiagnostics>(IID_IDriverDiagnostics)->GetLastErrorText(Text, sizeof Text);
    return Text;
  }
};

void ExpectNear(const TVector3& Got, const TVector3& Expected, double Tolerance,
                const std::string& What) {
  for (std::size_t I = 0; I < 3; ++I) {
    EXPECT_NEAR(Got[I], Expected[I], Tolerance) << What << " [" << I << "]";
  }
}

std::string Server(std::uint16_t Port) {
  return "server 127.0.0.1 " + std::to_string(Port) + "\n";
}

class IGTLinkDriver : public ::testing::Test {
protected:
  support::TScratchDirectory Scratch{"kestrava-igt"};
  std::filesystem::path Dir = Scratch.Dir;
  TDriver Driver;
};

// Frames whose sensors point every way, the tip straight back included.
void FillSource(TImagerFrame& Frame, int Number) {
  Frame.SensorCount = MaxSensors;
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    const double Angle = 0.4 * static_cast<double>(Slot) + 0.1 * Number;
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = {0.01 * static_cast<double>(Slot), 0.2 * std::sin(Angle), -0.3};
    Frame.SensorDirection[Slot] = Slot == 0
                                      ? TVector3{0, 0, -1}
                                      : TVector3{std::cos(Angle) * 0.6, std::sin(Angle) * 0.6, 0.8};
  }
  Frame.HandValid = Frame.OvertubeData1.Valid = Frame.PainValid = true;
  Frame.HandPosition = {0.5, -0.25, 0.125 * Number};
  Frame.HandDirection = {0, 0.6, -0.8};
  Frame.OvertubeKind = 1;
  Frame.OvertubeData1.Position = {0.25f, 0.5f, -0.125f * static_cast<float>(Number)};
  Frame.Pain = 12.5 + Number;
}

TEST_F(IGTLinkDriver, PlaysKestravasOwnStreamBackThroughTheSamplerSensorForSensor) {
  TIGTLinkServerSettings ServerSettings;
  ServerSettings.Port = 0;
  TIGTLinkServer Stream(ServerSettings);
  // Half the sensors by their TDATA element names, half by their TRANSFORMs.
  std::ofstream Dsp(Dir / "DSP.DAT");
  Dsp << Server(Stream.Port()) << "hand HandToTracker\novertube Overtube\npain PatientPain\n";
  for (int Slot = 0; Slot < MaxSensors; ++Slot) {
    Dsp << "sensor " << Slot << (Slot < 10 ? " Sensor0" : " Sensor") << Slot
        << (Slot < 8 ? "\n" : "ToTracker\n");
  }
  Dsp.close();
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TImagerSampler Sampler(QueryImagerDriver(Driver.Root.Get()), {"", Dir.string()}, User, Platform);
  const auto File = [](const char* Name) {
    return (std::filesystem::path(KESTRAVA_CALIBRATION_SOURCE_DIR) / Name).string();
  };
  ASSERT_TRUE(Sampler.Setup(ProcedureColonoscopy, File("Sampler.dat"), File("Pain Sensor.dat"),
                            true, File("Overtube1.otb"), true, File("Remote.dat"),
                            File("Catheter16.msd"), File("Generator.gen")));
  ASSERT_TRUE(Sampler.UsePainSensor());
  for (int Wait = 0; Wait < 2500 && Stream.Statistics().Clients.empty(); ++Wait) {
    std::this_thread::sleep_for(2ms);
  }
  for (int Number = 1; Number <= 3; ++Number) {
    TImagerFrame Source, Got;
    FillSource(Source, Number);
    Stream.Publish(Source, {ProcedureColonoscopy, 45000, true, "mmHg", true, std::nullopt});
    ASSERT_NO_THROW(Sampler.Sample(Got, false)) << Driver.Problem();
    ASSERT_EQ(Got.SensorCount, MaxSensors);
    for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
      ASSERT_TRUE(Got.SensorValid[Slot]) << Slot;
      ExpectNear(Got.SensorPosition[Slot], Source.SensorPosition[Slot], 1e-4, "sensor");
      ExpectNear(Got.SensorDirection[Slot], Source.SensorDirection[Slot], 1e-6, "sensor");
    }
    ASSERT_TRUE(Got.HandValid && Got.OvertubeData1.Valid && Got.PainValid);
    ExpectNear(Got.HandPosition, Source.HandPosition, 1e-4, "hand");
    ExpectNear(Got.HandDirection, Source.HandDirection, 1e-6, "hand");
    ExpectNear(SingleToVector3(Got.OvertubeData1.Position),
               SingleToVector3(Source.OvertubeData1.Position), 1e-4, "overtube");
    EXPECT_EQ(Got.Pain, Source.Pain);
  }
}

TEST_F(IGTLinkDriver, AsksForTrackingDataAndForgetsNamesThatDisappearThenTimesOutOnSilence) {
  TLoopbackServer Tracker;
  ASSERT_EQ(Driver.Initialise(Dir, Server(Tracker.Port()) +
                                       "request_tdata 25\nsensor 0 Probe0\nsensor 1 Probe1\n"
                                       "hand Stylus\nsample_timeout 0.3\n"),
            S_OK);
  ASSERT_TRUE(Tracker.Accept());
  bool Left = false;
  const TBytes Request = Tracker.Receive(94, 5s, Left);
  ASSERT_EQ(Request.size(), 94u);
  EXPECT_EQ(std::string(Request.begin() + 2, Request.begin() + 11), "STT_TDATA");
  EXPECT_EQ(Request[61], 25) << "the resolution asked for";

  const TTestPose Probe0{"Probe0", {10, 20, 30}, {0, 0, 1}};
  const TTestPose Probe1{"Probe1", {-5, 0, 5}, {1, 0, 0}};
  const TTestPose Stylus{"Stylus", {100, 0, 0}, {0, 1, 0}};
  Tracker.Send(Joined({TrackingDataBytes("Tracker", {Probe0, Probe1, {"Other", {}, {0, 0, 1}}}),
                       TransformBytes(Stylus)}));
  ASSERT_TRUE(Driver.SampleUntil([&] { return Driver.Read(HandIndex).has_value(); }));
  ExpectNear(Driver.Read(0)->first, {0.01, 0.02, 0.03}, 1e-7, "millimetres become metres");
  ExpectNear(Driver.Read(0)->second, {0, 0, -1}, 1e-9, "the sampler reverses it back to +Z");
  ExpectNear(Driver.Read(HandIndex)->second, {0, 1, 0}, 1e-9, "the hand is taken as it points");
  EXPECT_TRUE(Driver.Read(1) && !Driver.Read(2) && !Driver.Read(OvertubeIndex));
  std::uint32_t Buttons = 1;
  Driver.Root.Query<IImagerRemoteControl>(IID_IImagerRemoteControl)->GetButtons(&Buttons);
  EXPECT_EQ(Buttons, 0u);

  // Left out of the tracker's TDATA: gone at once. A TRANSFORM that stops
  // coming: gone after the sample timeout, while the rest keeps coming.
  Tracker.Send(TrackingDataBytes("Tracker", {Probe0}));
  ASSERT_EQ(Driver.Sample(), S_OK);
  EXPECT_TRUE(Driver.Read(0) && !Driver.Read(1));
  for (int Turn = 0; Turn < 20; ++Turn) {
    Tracker.Send(TrackingDataBytes("Tracker", {Probe0}));
    ASSERT_EQ(Driver.Sample(), S_OK);
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(Driver.Read(0) && !Driver.Read(HandIndex));

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
  ASSERT_EQ(Driver.Initialise(Dir, Server(Port) + "request_tdata 0\nsensor 0 Probe0\n"
                                                  "sample_timeout 10\n"),
            S_OK);
  const auto TipAt = [&](double X) {
    return Driver.SampleUntil([&] { return Driver.Read(0) && Driver.Read(0)->first.X == X; });
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
  EXPECT_NE(Driver.Initialise(Dir, "hand Stylus\nseed 3\n"), S_OK);
  EXPECT_EQ(Driver.Problem(), "DSP.DAT line 2: unknown setting 'seed'");
  EXPECT_EQ(Driver.Locator->Trigger(), DRIVER_E_NOT_READY);

  // A port nobody listens on (taken and given back), and no pain name.
  const std::uint16_t Port = TLoopbackServer().Port();
  ASSERT_EQ(Driver.Initialise(Dir, Server(Port) + "hand Stylus\nsample_timeout 0.3\n"), S_OK);
  EXPECT_NE(Driver.Root.Query<IImagerPressureSensor>(IID_IImagerPressureSensor)->Initialise(),
            S_OK);
  EXPECT_EQ(Driver.Sample(0.05), S_OK) << "within the sample timeout";
  EXPECT_FALSE(Driver.Read(HandIndex));
  EXPECT_EQ(Driver.Sample(), DRIVER_E_TIMEOUT);
  EXPECT_NE(Driver.Problem().find("cannot connect to 127.0.0.1:" + std::to_string(Port)),
            std::string::npos)
      << Driver.Problem();
}

} // namespace
} // namespace kestrava::igtlink
