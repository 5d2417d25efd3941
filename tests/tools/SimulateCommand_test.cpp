#include "ToolTestSupport.h"
#include "drivers/simulator/SimulatedProcedure.h"
#include "scene/PolygonImagerData.h"
#include "tools/SimulateCommand.h"
#include "tools/ToolErrors.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

std::filesystem::path BuiltProgramDir() {
  return KESTRAVA_PROGRAM_DIR;
}
constexpr double Day = 86400;

class SimulateCommand : public TToolTest {
protected:
  // Runs simulate with the given options after -o OUT --seconds SECONDS.
  TToolRun Simulate(double Seconds, std::vector<std::string> More = {},
                    const std::filesystem::path& ProgramDir = BuiltProgramDir()) {
    std::vector<std::string> Arguments = {"simulate",
                                          "-o",
                                          PathOf("rec.img"),
                                          "--seconds",
                                          std::to_string(Seconds),
                                          "--program-dir",
                                          ProgramDir.string()};
    Arguments.insert(Arguments.end(), More.begin(), More.end());
    return Run(Arguments);
  }

  std::unique_ptr<TImagerProcedure> Load() {
    auto Procedure = std::make_unique<TImagerProcedure>();
    Procedure->LoadFromFile(PathOf("rec.img"));
    return Procedure;
  }

  static simulator::TSimulatorSettings BundledSettings() {
    simulator::TSimulatorSettings Settings;
    std::string Error;
    EXPECT_TRUE(simulator::LoadSimulatorSettings(BuiltProgramDir() / "DSP.DAT", Settings, Error))
        << Error;
    return Settings;
  }
};

TEST_F(SimulateCommand, RecordsOneFramePerSecondMatchingTheSimulatorsModel) {
  const TToolRun Result = Simulate(10);
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const std::unique_ptr<TImagerProcedure> Loaded = Load();
  const TImagerProcedure& Procedure = *Loaded;
  const int Frames = Procedure.FrameCount();
  EXPECT_TRUE(Frames == 9 || Frames == 10) << Frames;
  EXPECT_EQ(Result.Out,
            "Recorded " + PathOf("rec.img") + "\nFrames: " + std::to_string(Frames) + "\n");
  EXPECT_EQ(Procedure.PatientName, "Simulated Patient");
  EXPECT_EQ(Procedure.ProcedureType, ProcedureColonoscopy);
  EXPECT_FALSE(Procedure.HasPainData);

  const simulator::TSimulatedProcedure Model(BundledSettings());
  double Previous = 0;
  for (int I = 0; I < Frames; ++I) {
    const TImagerFrame& Frame = Procedure.GetFrame(I);
    const double T = Frame.Time * Day;
    EXPECT_GE(T - Previous, 1.0 - 1e-6) << "frame " << I;
    EXPECT_LT(T - Previous, 1.0 + 1.5 / 25) << "frame " << I << ": one per second";
    Previous = T;
    ASSERT_EQ(Frame.SensorCount, 16);
    const simulator::TScopeShape Shape = Model.ShapeAt(T);
    for (int Slot = 0; Slot < 16; ++Slot) {
      const simulator::TSensorReading Expected = Model.EndoscopeSensor(Shape, 0.08 * Slot);
      ASSERT_EQ(Frame.SensorValid[Slot], Expected.Measured) << "frame " << I << " slot " << Slot;
      if (!Expected.Measured) {
        continue;
      }
      // Within a few standard deviations of the position noise (the file
      // keeps positions as singles).
      EXPECT_LT(VectorDistance(Frame.SensorPosition[Slot], Expected.Position), 0.004)
          << "frame " << I << " slot " << Slot;
      // The frame keeps the endoscope's direction towards the operator.
      EXPECT_GT(DotProduct(Frame.SensorDirection[Slot], Expected.Direction), -1.0001);
      EXPECT_LT(DotProduct(Frame.SensorDirection[Slot], Expected.Direction), -0.999)
          << "frame " << I << " slot " << Slot;
    }
    EXPECT_TRUE(Frame.HandValid);
    EXPECT_LT(VectorDistance(Frame.HandPosition, Model.Hand(T).Position), 0.004);
    // The bundled script placed markers 1-3 by 3 s: from then on the
    // endoscope is shown.
    EXPECT_EQ(Frame.EndoscopeValid, T > 2.9 + 0.001) << "frame " << I;
    // The marker at the anal verge cuts off the endoscope outside: the
    // workstation's inserted length is the model's.
    if (Frame.EndoscopeValid) {
      EXPECT_NEAR(TPolygonImagerData::ScopeLength(Frame, ProcedureColonoscopy, true),
                  Shape.InsertedLength(), 0.01)
          << "frame " << I;
    }
  }
  const TImagerFrame& Last = Procedure.GetFrame(Frames - 1);
  for (int Marker = 0; Marker < 4; ++Marker) {
    ASSERT_TRUE(Last.MarkerValid[Marker]) << Marker;
    EXPECT_LT(VectorDistance(Last.MarkerPosition[Marker],
                             simulator::TSimulatedProcedure::Landmark(Marker)),
              0.004);
  }
  EXPECT_FALSE(Last.MarkerValid[4]);
}

TEST_F(SimulateCommand, IsRepeatableForASeedAndTheSeedOptionChangesTheNoise) {
  const auto SensorData = [&](const std::vector<std::string>& More) {
    EXPECT_EQ(Simulate(3, More).Code, 0);
    const std::unique_ptr<TImagerProcedure> Loaded = Load();
    const TImagerProcedure& Procedure = *Loaded;
    std::vector<double> Values;
    for (int I = 0; I < Procedure.FrameCount(); ++I) {
      const TImagerFrame& Frame = Procedure.GetFrame(I);
      Values.insert(Values.end(), {Frame.Time * Day, Frame.SensorPosition[0].X,
                                   Frame.SensorPosition[3].Z, Frame.HandPosition.Y});
    }
    return Values;
  };
  const std::vector<double> First = SensorData({});
  ASSERT_FALSE(First.empty());
  const std::vector<double> Again = SensorData({});
  ASSERT_EQ(First.size(), Again.size());
  for (std::size_t I = 0; I < First.size(); ++I) {
    EXPECT_NEAR(First[I], Again[I], 1e-6) << I;
  }
  EXPECT_EQ(SensorData({"--seed", "42"}), SensorData({"--seed", "42"}));
  EXPECT_NE(SensorData({"--seed", "42"}), First);
}

TEST_F(SimulateCommand, RecordsTheChosenCatheterOvertubePainAndProcedureType) {
  const TToolRun Result = Simulate(6, {"--catheter", "Catheter8.msd", "--overtube", "Overtube2.otb",
                                       "--pain", "--procedure-type", "top", "--patient", "Ann"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const std::unique_ptr<TImagerProcedure> Loaded = Load();
  const TImagerProcedure& Procedure = *Loaded;
  EXPECT_EQ(Procedure.ProcedureType, ProcedureTop);
  EXPECT_EQ(Procedure.PatientName, "Ann");
  EXPECT_TRUE(Procedure.HasPainData);
  EXPECT_EQ(Procedure.PainUnits, "mmHg");
  ASSERT_GE(Procedure.FrameCount(), 5);
  for (int I = 0; I < Procedure.FrameCount(); ++I) {
    const TImagerFrame& Frame = Procedure.GetFrame(I);
    EXPECT_EQ(Frame.SensorCount, 9) << "eight sensors and the computed tip";
    EXPECT_NEAR(Frame.SegmentLength[0], 0.025, 1e-9);
    EXPECT_EQ(Frame.OvertubeKind, 2);
    EXPECT_TRUE(Frame.OvertubeData2.Valid);
    EXPECT_FLOAT_EQ(Frame.OvertubeData2.Length2, 0.15f);
    EXPECT_TRUE(Frame.PainValid);
    EXPECT_NEAR(Frame.Pain, 5, 5) << "the colon at rest";
    // The upper procedures need markers 1-4, the fourth placed at 3.5 s.
    EXPECT_EQ(Frame.EndoscopeValid, Frame.Time * Day > 3.9 + 0.001) << "frame " << I;
  }
}

TEST_F(SimulateCommand, HardwareFaultsEndTheRecordingButKeepWhatWasRecorded) {
  const struct {
    const char* Script;
    std::vector<std::string> Options;
    const char* Message;
    int Frames;
  } Faults[] = {
      {"sample_timeout 3.5",
       {},
       "Timeout waiting for the imager hardware to respond. Recording terminated.",
       3},
      {"clock_stops 3.5", {}, "The driver's procedure time does not advance", 3},
      {"pain_timeout 2.5",
       {"--pain"},
       "Timeout waiting for pressure sensor to respond. Recording terminated.",
       2},
  };
  for (const auto& Fault : Faults) {
    const TToolRun Result = Simulate(10, Fault.Options, ScriptedProgramDir(Fault.Script));
    EXPECT_EQ(Result.Code, ExitHardwareError) << Fault.Script;
    EXPECT_NE(Result.Err.find(Fault.Message), std::string::npos) << Result.Err;
    EXPECT_NE(Result.Out.find("Frames: " + std::to_string(Fault.Frames)), std::string::npos)
        << Result.Out;
    EXPECT_EQ(Load()->FrameCount(), Fault.Frames) << Fault.Script;
  }
}

TEST_F(SimulateCommand, InterruptingStopsTheRecordingSavesItAndExitsWith130) {
  // The signal comes once the recording has started (its first save made
  // the file), long before a day of procedure time has been simulated.
  std::thread Interrupter([&] {
    const auto GiveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(PathOf("rec.img")) && std::chrono::steady_clock::now() < GiveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (std::filesystem::exists(PathOf("rec.img")))
      std::raise(SIGINT);
  });
  const TToolRun Result = Simulate(86400);
  Interrupter.join();
  EXPECT_EQ(Result.Code, ExitInterrupted) << Result.Err;
  EXPECT_NE(Result.Out.find("Recorded"), std::string::npos);
  EXPECT_GE(Load()->FrameCount(), 1);
}

TEST_F(SimulateCommand, DisconnectedCoilsPauseStoringWithoutEndingTheRecording) {
  const TToolRun Result = Simulate(8, {}, ScriptedProgramDir("coils_disconnected 2.5 5.2"));
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  EXPECT_NE(Result.Err.find("Generator coils are disconnected"), std::string::npos);
  const std::unique_ptr<TImagerProcedure> Loaded = Load();
  const TImagerProcedure& Procedure = *Loaded;
  std::vector<double> Times;
  Times.reserve(static_cast<std::size_t>(Procedure.FrameCount()));
  for (int I = 0; I < Procedure.FrameCount(); ++I) {
    Times.push_back(Procedure.GetFrame(I).Time * Day);
  }
  ASSERT_GE(Times.size(), 4u);
  EXPECT_LT(Times[1], 2.5);
  EXPECT_NEAR(Times[2], 5.2, 1e-6) << "stored at once at the first good sample";
  for (const double T : Times) {
    EXPECT_FALSE(T >= 2.5 && T < 5.2) << T;
  }
}

TEST_F(SimulateCommand, HardwareThatWillNotStartIsAHardwareError) {
  const TToolRun Failing = Simulate(2, {}, ScriptedProgramDir("fail_initialise"));
  EXPECT_EQ(Failing.Code, ExitHardwareError);
  EXPECT_NE(Failing.Err.find("Initialise fails as scripted"), std::string::npos) << Failing.Err;
  EXPECT_FALSE(std::filesystem::exists(PathOf("rec.img")));

  // The pain sensor is retried a few times, then given up.
  const TToolRun Retried = Simulate(2, {"--pain"}, ScriptedProgramDir("fail_pain_initialise 2"));
  EXPECT_EQ(Retried.Code, 0) << Retried.Err;
  const TToolRun GivenUp = Simulate(2, {"--pain"}, ScriptedProgramDir("fail_pain_initialise 9"));
  EXPECT_EQ(GivenUp.Code, ExitHardwareError);
  EXPECT_NE(GivenUp.Err.find("Failed to initialise patient pain sensor."), std::string::npos);
  EXPECT_NE(GivenUp.Err.find("Failed to initialise DSP chip"), std::string::npos) << GivenUp.Err;
}

TEST_F(SimulateCommand, ReplayRecordsASourceAgainUntilItsEndKeepingItsDetailsUnlessOverridden) {
  ASSERT_EQ(Simulate(5, {"--overtube", "Overtube1.otb", "--pain", "--patient", "Ann",
                         "--procedure-type", "top"})
                .Code,
            0);
  std::filesystem::rename(PathOf("rec.img"), PathOf("source.img"));
  TImagerProcedure Source;
  Source.LoadFromFile(PathOf("source.img"));

  // Through the whole acquisition path again, and no frames after the source's last.
  const TToolRun Replayed =
      Simulate(60, {"--replay", PathOf("source.img"), "--overtube", "Overtube1.otb"});
  ASSERT_EQ(Replayed.Code, 0) << Replayed.Err;
  const std::unique_ptr<TImagerProcedure> Copy = Load();
  ASSERT_EQ(Copy->FrameCount(), Source.FrameCount());
  EXPECT_EQ(Copy->PatientName, "Ann");
  EXPECT_EQ(Copy->ProcedureType, ProcedureTop);
  ASSERT_TRUE(Copy->HasPainData);
  for (int I = 0; I < Source.FrameCount(); ++I) {
    const TImagerFrame &A = Source.GetFrame(I), &B = Copy->GetFrame(I);
    EXPECT_NEAR(B.Time * Day, A.Time * Day, 1e-3) << I;
    ASSERT_EQ(B.SensorCount, A.SensorCount) << I;
    for (int Slot = 0; Slot < A.SensorCount; ++Slot) {
      ASSERT_EQ(B.SensorValid[Slot], A.SensorValid[Slot]) << I << " " << Slot;
      EXPECT_LT(VectorDistance(B.SensorPosition[Slot], A.SensorPosition[Slot]), 1e-6);
      EXPECT_LT(VectorDistance(B.SensorDirection[Slot], A.SensorDirection[Slot]), 1e-6);
    }
    EXPECT_LT(VectorDistance(B.HandPosition, A.HandPosition), 1e-6) << I;
    EXPECT_TRUE(B.OvertubeData1.Valid);
    EXPECT_EQ(B.OvertubeData1.Position, A.OvertubeData1.Position) << I;
    EXPECT_DOUBLE_EQ(B.Pain, A.Pain) << I;
  }
  const TImagerFrame& Last = Copy->GetFrame(Copy->FrameCount() - 1);
  for (int Marker = 0; Marker < 4; ++Marker) {
    ASSERT_TRUE(Last.MarkerValid[Marker]) << Marker;
    EXPECT_LT(VectorDistance(Last.MarkerPosition[Marker],
                             Source.GetFrame(Source.FrameCount() - 1).MarkerPosition[Marker]),
              1e-6);
  }

  const TToolRun Looped = Simulate(12, {"--replay", PathOf("source.img"), "--loop", "--patient",
                                        "Bob", "--procedure-type", "0"});
  ASSERT_EQ(Looped.Code, 0) << Looped.Err;
  const std::unique_ptr<TImagerProcedure> Again = Load();
  EXPECT_GE(Again->FrameCount(), 11);
  EXPECT_EQ(Again->PatientName, "Bob");
  EXPECT_EQ(Again->ProcedureType, ProcedureColonoscopy);
  // Past the source's end the first frames come round again.
  const TVector3 Wrapped = Again->GetFrame(Source.FrameCount() + 1).HandPosition;
  int Nearest = 0;
  for (int I = 1; I < Source.FrameCount(); ++I)
    if (VectorDistance(Source.GetFrame(I).HandPosition, Wrapped) <
        VectorDistance(Source.GetFrame(Nearest).HandPosition, Wrapped))
      Nearest = I;
  EXPECT_LE(Nearest, 2);
  EXPECT_LT(VectorDistance(Source.GetFrame(Nearest).HandPosition, Wrapped), 1e-6);

  WriteBytes("notanimager.img", std::string(300, 'x'));
  const TToolRun NotImager = Simulate(5, {"--replay", PathOf("notanimager.img")});
  EXPECT_EQ(NotImager.Code, ExitFileError);
  EXPECT_EQ(NotImager.Err, "File format not recognised\nunknown signature\n");
  EXPECT_EQ(Simulate(5, {"--loop"}).Code, ExitUsageError);
  EXPECT_EQ(Simulate(2, {"--replay", PathOf("source.img"), "--truth", PathOf("truth.csv")}).Code,
            ExitUsageError)
      << "the loop truth needs the simulator";
  EXPECT_EQ(Simulate(1, {"--replay", PathOf("absent.img")}).Code, ExitFileError);
}

TEST_F(SimulateCommand, CalibrationFilesComeFromTheProgramDirectoryOrAsGiven) {
  std::filesystem::copy_file(BuiltProgramDir() / "Catheter8.msd", Dir / "Mine.msd");
  const std::filesystem::path Before = std::filesystem::current_path();
  std::filesystem::current_path(Dir);
  const TToolRun Relative = Simulate(2, {"--catheter", "Mine.msd"});
  std::filesystem::current_path(Before);
  ASSERT_EQ(Relative.Code, 0) << Relative.Err;
  EXPECT_EQ(Load()->GetFrame(0).SensorCount, 9);
}

TEST_F(SimulateCommand, RefusesBadOptionsAndMissingCalibrationFiles) {
  EXPECT_EQ(Simulate(0).Code, ExitUsageError);
  EXPECT_EQ(Run({"simulate", "-o", Dir.string() + "/", "--seconds", "1"}).Code, ExitUsageError);
  EXPECT_EQ(Simulate(1e6).Code, ExitUsageError);
  const TToolRun Type = Simulate(1, {"--procedure-type", "3"});
  EXPECT_EQ(Type.Code, ExitUsageError);
  EXPECT_EQ(Type.Err, "--procedure-type must be 0, 1, 2, colonoscopy, top or peg\n");
  const TToolRun Missing = Simulate(1, {"--catheter", "Absent.msd"});
  EXPECT_EQ(Missing.Code, ExitFileError);
  EXPECT_NE(Missing.Err.find("Failed to load sensor catheter calibration data"), std::string::npos)
      << Missing.Err;
  const TToolRun NoDrivers = Simulate(1, {}, Dir / "nowhere");
  EXPECT_EQ(NoDrivers.Code, ExitHardwareError);
  EXPECT_NE(NoDrivers.Err.find("Cannot load the simulated imager driver"), std::string::npos);
}

} // namespace
} // namespace kestrava::testing
