// kestrava-tool record from the simulator and from a tracker over
// OpenIGTLink (our own streaming server standing in for it).

#include "ToolTestSupport.h"
#include "streaming/IGTLinkServer.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

class RecordCommand : public TToolTest {
protected:
  TToolRun Record(std::vector<std::string> Extra) {
    std::vector<std::string> Arguments = {"record", "-o", PathOf("rec.img"), "--program-dir",
                                          KESTRAVA_PROGRAM_DIR};
    Arguments.insert(Arguments.end(), Extra.begin(), Extra.end());
    return Run(Arguments);
  }

  // The settings of the receiver for our own stream on Port.
  std::string ReceiverSettings(std::uint16_t Port, const std::string& Extra = "") {
    std::string Text =
        "server 127.0.0.1 " + std::to_string(Port) + "\nhand HandToTracker\n" + Extra;
    for (int Slot = 0; Slot < MaxSensors; ++Slot)
      Text += "sensor " + std::to_string(Slot) + (Slot < 10 ? " Sensor0" : " Sensor") +
              std::to_string(Slot) + "\n";
    WriteBytes("tracker.dat", Text);
    return PathOf("tracker.dat");
  }
};

// A scope lying along x, its sensors 4 cm apart, the hand above it.
void FillStreamedFrame(TImagerFrame& Frame) {
  Frame.SensorCount = MaxSensors;
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = {0.04 * static_cast<double>(Slot), 0.1, -0.05};
    Frame.SensorDirection[Slot] = {1, 0, 0};
  }
  Frame.HandValid = true;
  Frame.HandPosition = {0.2, 0.3, 0.1};
  Frame.HandDirection = {0, 0, 1};
}

TEST_F(RecordCommand, RecordsFromTheDriverItIsToldAndRefusesWhatItCannotUse) {
  const TToolRun Unknown = Record({"--seconds", "1", "--driver", "no-such-driver"});
  EXPECT_EQ(Unknown.Code, 1);
  EXPECT_NE(Unknown.Err.find("kestrava-tool drivers"), std::string::npos) << Unknown.Err;
  EXPECT_EQ(Record({"--seconds", "1", "--driver", "igtlink", "--truth", PathOf("t.csv")}).Code, 1);

  const TToolRun Simulated = Record({"--seconds", "2.5"});
  ASSERT_EQ(Simulated.Code, 0) << Simulated.Err;
  EXPECT_NE(Simulated.Out.find("Frames: 2"), std::string::npos) << Simulated.Out;
}

TEST_F(RecordCommand, RecordsATrackerOverOpenIGTLinkAndStopsWhenItFallsSilent) {
  TIGTLinkServerSettings Settings;
  Settings.Port = 0;
  auto Tracker = std::make_unique<TIGTLinkServer>(Settings);
  const std::uint16_t Port = Tracker->Port();
  std::atomic<bool> Sending = true;
  std::thread Sender([&] {
    TImagerFrame Frame;
    FillStreamedFrame(Frame);
    while (Sending) {
      Tracker->Publish(Frame, {ProcedureColonoscopy, 45000, false, "", true, std::nullopt});
      std::this_thread::sleep_for(25ms);
    }
  });
  const TToolRun Streamed =
      Record({"--seconds", "2.5", "--driver", "IGTLink", "--settings", ReceiverSettings(Port)});
  Sending = false;
  Sender.join();
  ASSERT_EQ(Streamed.Code, 0) << Streamed.Err;
  TImagerProcedure Recorded;
  Recorded.LoadFromFile(PathOf("rec.img"));
  ASSERT_EQ(Recorded.FrameCount(), 2);
  TImagerFrame Expected;
  FillStreamedFrame(Expected);
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    ASSERT_TRUE(Recorded.GetFrame(1).SensorValid[Slot]) << Slot;
    EXPECT_LT(
        VectorDistance(Recorded.GetFrame(1).SensorPosition[Slot], Expected.SensorPosition[Slot]),
        1e-4);
  }

  // The tracker is gone: a hardware fault, after saving what there is.
  Tracker.reset();
  const TToolRun Silent = Record({"--seconds", "5", "--driver", "igtlink", "--settings",
                                  ReceiverSettings(Port, "sample_timeout 0.3\n")});
  EXPECT_EQ(Silent.Code, 3) << Silent.Err;
  EXPECT_TRUE(std::filesystem::exists(PathOf("rec.img")));
}

} // namespace
} // namespace kestrava::testing
