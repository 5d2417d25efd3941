// The recording session on the simulated driver (unpaced, on a scripted
// clock): a disk that takes nothing holds no step up, and the frames reach
// the file once it moves again.

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/RecordingSession.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/EncodedFrameSink.h"

#include <condition_variable>
#include <mutex>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr const char* ProgramDir = KESTRAVA_PROGRAM_DIR;
constexpr const char* DriversDir = KESTRAVA_PROGRAM_DIR "/drivers";

// Each reading a tenth of a second after the one before.
struct TTenthClock final : IRecordingClock {
  int Readings = 0;
  double Now() override { return 46000.0 + (Readings++) * 0.1 / SecondsPerDay; }
};

// A disk that takes nothing until the test lets it.
class TStalledDisk final : public IEncodedFrameSink {
public:
  struct TGate {
    std::mutex Mutex;
    std::condition_variable Opened;
    bool Open = false;
    std::int32_t Frames = 0;
  };
  explicit TStalledDisk(TGate& Gate) : Gate_(Gate) {}
  bool HasPainData() const override { return false; }
  const std::string& Path() const override { return Path_; }
  void Close() override {}
  void AppendEncoded(std::span<const std::uint8_t>, std::int32_t Count) override {
    std::unique_lock Lock(Gate_.Mutex);
    Gate_.Opened.wait(Lock, [this] { return Gate_.Open; });
    Gate_.Frames += Count;
  }

private:
  TGate& Gate_;
  std::string Path_ = "stalled.img";
};

TEST(RecordingSession, AStalledDiskHoldsNoStepUpAndGetsTheFramesOnceItMoves) {
  TImagerDriver Driver = LoadImagerDriver(DriversDir, SimulatorDriverId);
  ASSERT_TRUE(Driver.Created) << Driver.Problem;
  Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware)->SetPacing(0);
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TImagerSampler Sampler(std::move(Driver), {DriversDir, ProgramDir}, User, Platform);
  ASSERT_TRUE(Sampler.InitialiseHardware());
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  TTenthClock Clock;
  TRecordingSession Session(Sampler, Procedure, Frame, Clock);
  ASSERT_TRUE(Session.SetUp(ProgramDirectorySetup(ProgramDir, ProcedureColonoscopy,
                                                  "Catheter16.msd", "", "Generator.gen", false)));
  TStalledDisk::TGate Gate;
  Session.Start({"Patient", ProcedureColonoscopy, false}, std::make_unique<TStalledDisk>(Gate));

  // Five seconds of steps return although the disk takes nothing.
  for (int Step = 0; Step < 50; ++Step)
    ASSERT_FALSE(Session.Step({}).Acquisition.Stop);
  EXPECT_EQ(Session.StoredFrames(), 5);
  EXPECT_EQ(Session.Recorder().FramesOnDisk(), 0);
  {
    const std::lock_guard Lock(Gate.Mutex);
    Gate.Open = true;
  }
  Gate.Opened.notify_all();
  Session.Stop();
  EXPECT_EQ(Gate.Frames, 5);
  EXPECT_FALSE(Sampler.Ready());
}

} // namespace
} // namespace kestrava
