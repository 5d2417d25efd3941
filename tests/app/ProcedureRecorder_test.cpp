#include "acquisition/ImagerSampler.h"
#include "app/ProcedureRecorder.h"
#include "foundation/QelExceptions.h"

#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr double Start = 46000.5; // a date-time in 2025

struct TFixedClock final : IRecordingClock {
  double Time = Start;
  double Now() override { return Time; }
};

class ProcedureRecorder : public ::testing::Test {
protected:
  ProcedureRecorder() { Recorder.Begin({"Patient", ProcedureTop, true}, Start, "mmHg", 50); }

  // A step at Seconds of procedure time whose sample reads Pain (or raises Fault).
  TAcquisitionStep StepAt(double Seconds, double Pain = 1, std::function<void()> Fault = {}) {
    Clock.Time = Start + Seconds / SecondsPerDay;
    return Recorder.Step(
        [&](TImagerFrame& Frame) {
          if (Fault) {
            Fault();
          }
          Frame.SensorCount = 1;
          Frame.Pain = Pain;
        },
        Clock);
  }

  TFixedClock Clock;
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  TProcedureRecorder Recorder{Procedure, Frame};
};

TEST_F(ProcedureRecorder, BeginClearsTheProcedureAndGivesItTheDetails) {
  Procedure.AddFrame();
  Frame.SensorCount = 5;
  Frame.MarkerValid[1] = true;
  Recorder.Begin({"Jane Doe", ProcedurePeg, false}, Start, "kPa", 80);
  EXPECT_EQ(Procedure.FrameCount(), 0);
  EXPECT_EQ(Procedure.PatientName, "Jane Doe");
  EXPECT_EQ(Procedure.ProcedureType, ProcedurePeg);
  EXPECT_EQ(Procedure.StartTime, Start);
  EXPECT_FALSE(Procedure.HasPainData);
  EXPECT_EQ(Procedure.PainUnits, "kPa");
  EXPECT_EQ(Frame.SensorCount, 0);
  EXPECT_FALSE(Frame.MarkerValid[1]) << "markers of an earlier recording must not carry over";
  EXPECT_EQ(Recorder.MaxPain(), 80);
  EXPECT_EQ(Recorder.StoredFrames(), 0);
}

TEST_F(ProcedureRecorder, StoresOnTheSampleExactlyASecondOnDespiteDateTimeRounding) {
  // 25 samples a second for a minute: every step samples, one a second
  // stores, none late.
  int Stored = 0;
  for (int K = 1; K <= 60 * 25; ++K) {
    Stored += StepAt(K / 25.0).FrameStored;
  }
  ASSERT_EQ(Procedure.FrameCount(), 60);
  EXPECT_EQ(Stored, 60);
  for (int I = 0; I < 60; ++I) {
    EXPECT_NEAR(Procedure.GetFrame(I).Time * SecondsPerDay, I + 1, 1e-5) << I;
  }
  EXPECT_EQ(Recorder.StoredFrames(), 60);
  EXPECT_EQ(Recorder.LastStoredElapsed(), Procedure.GetFrame(59).Time);
  EXPECT_EQ(Procedure.GetFrame(59).SensorCount, 1) << "the stored frame is a copy of the sample";
}

TEST_F(ProcedureRecorder, StoresAtOnceAfterAPauseLongerThanASecond) {
  EXPECT_TRUE(StepAt(1.1).FrameStored);
  EXPECT_FALSE(StepAt(1.5).FrameStored);
  EXPECT_TRUE(StepAt(7.25).FrameStored);
  EXPECT_FALSE(StepAt(8.0).FrameStored) << "counted from the last stored frame";
  EXPECT_TRUE(StepAt(8.3).FrameStored);
}

TEST_F(ProcedureRecorder, DisconnectedCoilsShowTheNoticeAndStoreNothingUntilAGoodSample) {
  const auto Unplugged = [] {
    throw EGenCoilsDisconnected();
  };
  StepAt(1.1);
  for (double T = 1.5; T < 4; T += 0.5) {
    const TAcquisitionStep Step = StepAt(T, 1, Unplugged);
    EXPECT_EQ(Step.Outcome, TAcquisitionOutcome::GenCoilsDisconnected);
    EXPECT_FALSE(Step.FrameStored);
    EXPECT_FALSE(Step.Stop) << "the recording goes on";
    EXPECT_TRUE(Recorder.CoilsNoticeShown());
  }
  EXPECT_EQ(Procedure.FrameCount(), 1);
  const TAcquisitionStep Good = StepAt(4.0);
  EXPECT_FALSE(Recorder.CoilsNoticeShown());
  EXPECT_TRUE(Good.FrameStored);
}

TEST_F(ProcedureRecorder, TimeoutsStopTheRecordingWithTheirMessagesAndStoreNothing) {
  StepAt(1.1);
  const TAcquisitionStep Hardware = StepAt(2.0, 1, [] { throw EImagerHardwareTimeout(); });
  EXPECT_EQ(Hardware.Outcome, TAcquisitionOutcome::HardwareTimeout);
  EXPECT_TRUE(Hardware.Stop);
  EXPECT_STREQ(Hardware.Message,
               "Timeout waiting for the imager hardware to respond. Recording terminated.");
  const TAcquisitionStep Pain = StepAt(3.0, 1, [] { throw EPressureSensorTimeout(); });
  EXPECT_EQ(Pain.Outcome, TAcquisitionOutcome::PressureSensorTimeout);
  EXPECT_TRUE(Pain.Stop);
  EXPECT_STREQ(Pain.Message,
               "Timeout waiting for pressure sensor to respond. Recording terminated.");
  EXPECT_EQ(Procedure.FrameCount(), 1);
  // Anything else is not the recorder's to interpret.
  EXPECT_THROW(StepAt(4.0, 1, [] { throw std::runtime_error("driver bug"); }), std::runtime_error);
}

TEST_F(ProcedureRecorder, TracksTheLargestPainFromTheFullScaleOn) {
  EXPECT_FALSE(StepAt(0.1, 49).MaxPainRaised);
  EXPECT_TRUE(StepAt(0.2, 60).MaxPainRaised);
  EXPECT_FALSE(StepAt(0.3, 60).MaxPainRaised);
  EXPECT_EQ(Recorder.MaxPain(), 60);
  // A failed sample's half-read pain does not count.
  StepAt(0.4, 90, [] { throw EGenCoilsDisconnected(); });
  EXPECT_EQ(Recorder.MaxPain(), 60);
  EXPECT_DOUBLE_EQ(TimeLineScaleForPain(80), 0.5);
  EXPECT_EQ(TimeLineScaleForPain(0), 0);
}

std::vector<char> FileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}

// A private directory for the live file.
class ProcedureRecorderFile : public ProcedureRecorder {
protected:
  QTemporaryDir Temporary;
  std::filesystem::path Dir = Temporary.path().toStdString();
};

TEST_F(ProcedureRecorderFile, TheFileIsValidThroughoutAndHoldsEveryFrameOnceClosed) {
  const std::string Path = Recorder.StartFile((Dir / "live").string());
  EXPECT_EQ(Path, (Dir / "live.img").string());
  EXPECT_TRUE(Recorder.FileRecording());
  TImagerProcedure OnDisk;
  for (double T = 0.04; T < 3.5; T += 0.04) {
    if (StepAt(T, 7).FrameStored) {
      // The writer may lag behind; what it has written is a whole file.
      OnDisk.LoadFromFile(Path);
      ASSERT_LE(OnDisk.FrameCount(), Procedure.FrameCount()) << T;
    }
  }
  Recorder.CloseFile();
  OnDisk.LoadFromFile(Path);
  EXPECT_EQ(OnDisk.FrameCount(), 3);
  EXPECT_EQ(Recorder.FramesOnDisk(), 3);
  EXPECT_EQ(OnDisk.PatientName, "Patient");
  EXPECT_EQ(OnDisk.GetFrame(2).Pain, 7);
  // Stop's save writes what the live file already holds.
  const std::vector<char> Live = FileBytes(Path);
  EXPECT_EQ(Procedure.SaveToFile(Path), Path);
  EXPECT_EQ(FileBytes(Path), Live);
  // A new recording starts without the old file.
  Recorder.Begin({"Next", ProcedureTop, false}, Start, "mmHg", 50);
  EXPECT_FALSE(Recorder.FileRecording());
  StepAt(1.1);
  EXPECT_EQ(FileBytes(Path), Live);
}

TEST_F(ProcedureRecorderFile, AFileThatFailsIsReportedOnceAndTheRecordingGoesOnInMemory) {
  EXPECT_THROW(Recorder.StartFile((Dir / "missing" / "x.img").string()), Exception);
  EXPECT_FALSE(Recorder.FileRecording());
  const std::string Path = Recorder.StartFile((Dir / "full.img").string());
  StepAt(1.0);
  while (Recorder.FramesOnDisk() < 1)
    std::this_thread::yield();
  // The disk is full from here on (the file size limit stands in for it).
  rlimit Old{};
  ::getrlimit(RLIMIT_FSIZE, &Old);
  const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
  const rlimit Full{static_cast<rlim_t>(std::filesystem::file_size(Path)), Old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &Full);
  const TAcquisitionStep Stored = StepAt(2.0);
  EXPECT_TRUE(Stored.FrameStored);
  // Reported at the first step after the writer met it (this one, if quick).
  std::string Failure = Stored.FileFailure;
  for (double T = 2.01; Failure.empty() && T < 2.9; T += 0.01) {
    Failure = StepAt(T).FileFailure;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const TAcquisitionStep Later = StepAt(3.0);
  ::setrlimit(RLIMIT_FSIZE, &Old);
  std::signal(SIGXFSZ, OldHandler);

  EXPECT_NE(Failure.find(Path), std::string::npos) << Failure;
  EXPECT_TRUE(Later.FrameStored);
  EXPECT_EQ(Later.FileFailure, "") << "told once";
  EXPECT_EQ(Recorder.FileFailure(), Failure);
  EXPECT_FALSE(Recorder.FileRecording());
  EXPECT_EQ(Procedure.FrameCount(), 3);
  Recorder.CloseFile();
  TImagerProcedure OnDisk;
  OnDisk.LoadFromFile(Path);
  EXPECT_EQ(OnDisk.FrameCount(), 1) << "the frames stored before the failure are kept";
}

TEST(SteadyRecordingClock, StartsAtTheLocalTimeAndNeverGoesBack) {
  const double Before = LocalDateTimeNow();
  TSteadyRecordingClock Clock;
  const double First = Clock.Now();
  EXPECT_NEAR(First, Before, 5 / SecondsPerDay);
  EXPECT_GT(First, 45658) << "after 1 January 2025";
  EXPECT_GE(Clock.Now(), First);
}

} // namespace
} // namespace kestrava
