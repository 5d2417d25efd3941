// The recording session on the simulated driver (unpaced, on a scripted
// clock): a disk that takes nothing holds no step up, and the frames reach
// the file once it moves again.

#include "tests/support/SimulatedSampler.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Each reading a tenth of a second after the one before.
struct TTenthClock final : IRecordingClock {
  int Readings = 0;
  double Now() override { return 46000.0 + (Readings++) * 0.1 / SecondsPerDay; }
};

TEST(RecordingSession, AStalledDiskHoldsNoStepUpAndGetsTheFramesOnceItMoves) {
  TTenthClock Clock;
  support::TUnpacedSession Simulated(KESTRAVA_PROGRAM_DIR, Clock);
  ASSERT_TRUE(Simulated.Session) << Simulated.Problem;
  TRecordingSession& Session = *Simulated.Session;
  support::THeldDisk::TGate Gate;
  Session.Start({"Patient", ProcedureColonoscopy, false},
                std::make_unique<support::THeldDisk>(Gate));

  // Five seconds of steps return although the disk takes nothing.
  for (int Step = 0; Step < 50; ++Step)
    ASSERT_FALSE(Session.Step({}).Acquisition.Stop);
  EXPECT_EQ(Session.StoredFrames(), 5);
  EXPECT_EQ(Session.Recorder().FramesOnDisk(), 0);
  Gate.Release();
  Session.Stop();
  EXPECT_EQ(Gate.Frames, 5);
  EXPECT_FALSE(Simulated.Sampler->Ready());
}

} // namespace
} // namespace kestrava
