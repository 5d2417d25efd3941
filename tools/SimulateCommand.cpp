#include "tools/SimulateCommand.h"

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/ProcedureRecorder.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/LoopTruthFile.h"
#include "streaming/IGTLinkServer.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

namespace kestrava {

namespace {

constexpr double SecondsPerDay = 86400;
constexpr double LongestRecording = SecondsPerDay;
// Unattended, a failing pain sensor is retried this often before giving up.
constexpr int PainSensorRetries = 3;
// A driver clock that stands still this many samples would never end the run.
constexpr int StandingClockLimit = 10000;

// Shows every message on the error stream; a question is answered Retry a
// few times, then with its declining answer, so no loop runs on unattended.
class TConsoleUser final : public IUserInteraction {
public:
  explicit TConsoleUser(std::ostream& Err) : Err_(Err) {}
  TMessageAnswer ShowMessage(const TUserMessage& Message) override {
    Err_ << Message.Text << '\n';
    if (Message.Buttons == TMessageButtons::AbortRetryIgnore && Retries_ < PainSensorRetries) {
      ++Retries_;
      return TMessageAnswer::Retry;
    }
    return DecliningAnswer(Message.Buttons);
  }

private:
  std::ostream& Err_;
  int Retries_ = 0;
};

// Frames stamped with the driver's own procedure time: a run as fast as it
// can goes still gets one frame per second of the simulated procedure.
class TDriverClock final : public IRecordingClock {
public:
  TDriverClock(double Start, ISimulatedHardware& Hardware) : Start_(Start), Hardware_(Hardware) {}
  double Now() override {
    double Seconds = 0;
    Hardware_.GetSampleTime(&Seconds);
    return Start_ + Seconds / SecondsPerDay;
  }

private:
  double Start_;
  ISimulatedHardware& Hardware_;
};

// The remote as the workstation polls it during a recording: the mode
// buttons choose the mode, and in marker mode the six action buttons place
// markers 1-6 (never clear them).
class TRemotePoll {
public:
  void Poll(TImagerSampler& Sampler, TImagerFrame& Frame) {
    const std::uint32_t Buttons = Sampler.GetRemoteButtons();
    for (int Mode = 0; Mode < 4; ++Mode) {
      if ((Buttons & (0x40u << Mode)) != 0) {
        Mode_ = Mode;
      }
    }
    if (Mode_ != 0) {
      return;
    }
    for (std::int32_t Marker = 0; Marker < MarkerCount; ++Marker) {
      if ((Buttons & (1u << Marker)) != 0) {
        Sampler.SetMarker(Frame, Marker, false);
      }
    }
  }

private:
  int Mode_ = 0;
};

std::int32_t ParseProcedureType(const std::string& Text) {
  constexpr std::array<const char*, 3> Names = {"colonoscopy", "top", "peg"};
  for (std::size_t Type = 0; Type < Names.size(); ++Type) {
    if (Text == std::to_string(Type) || Text == Names[Type]) {
      return static_cast<std::int32_t>(Type);
    }
  }
  throw EUsageError("--procedure-type must be 0, 1, 2, colonoscopy, top or peg");
}

// A bare file name is taken from the program directory, as the workstation
// offers the files there; a path is used as it is.
std::string CalibrationPath(const std::filesystem::path& ProgramDir, const std::string& Name) {
  const std::filesystem::path Path(Name);
  return (Path.has_parent_path() ? Path : ProgramDir / Path).string();
}

std::string LastDriverError(ISimulatedHardware* Hardware) {
  if (Hardware == nullptr) {
    return {};
  }
  char Text[512] = {};
  Hardware->GetLastErrorText(Text, sizeof Text);
  return Text;
}

// The replay driver reads its settings beside the DSP.DAT path it is given;
// a private directory keeps them out of the program directory, which may
// not be writable and is shared by every run.
class TReplayDirectory {
public:
  TReplayDirectory(const std::string& Recording, bool RealTime) {
    std::string Pattern =
        (std::filesystem::temp_directory_path() / "kestrava-replay-XXXXXX").string();
    if (mkdtemp(Pattern.data()) == nullptr) {
      throw Exception("Cannot make a directory for the replay settings");
    }
    Path_ = Pattern;
    std::ofstream Settings(Path_ / "Replay.dat");
    Settings << "file " << std::filesystem::absolute(Recording).string() << "\n"
             << "pacing " << (RealTime ? "realtime" : "none") << "\n";
    if (!Settings.flush()) {
      throw Exception("Cannot write the replay settings");
    }
  }
  TReplayDirectory(const TReplayDirectory&) = delete;
  TReplayDirectory& operator=(const TReplayDirectory&) = delete;
  ~TReplayDirectory() {
    std::error_code Ignored; // a temporary directory left behind is harmless
    std::filesystem::remove_all(Path_, Ignored);
  }
  std::string Path() const { return Path_.string(); }

private:
  std::filesystem::path Path_;
};

struct TRecordingResult {
  std::string Path;
  std::int32_t Frames = 0;
  bool StoppedByHardware = false;
};

void CheckOptions(const TSimulateOptions& Options) {
  if (Options.Output.empty()) {
    throw EUsageError("-o OUT.img is required");
  }
  if (!(Options.Seconds > 0 && Options.Seconds <= LongestRecording)) {
    throw EUsageError("--seconds must be more than 0 and at most 86400");
  }
  if (!Options.Truth.empty() && !Options.Replay.empty()) {
    throw EUsageError("--truth needs the simulator, not --replay");
  }
}

// Runs the acquisition steps until Seconds of procedure time have passed or
// the hardware stops the recording.
bool RunRecording(const TSimulateOptions& Options, TImagerSampler& Sampler,
                  TProcedureRecorder& Recorder, TImagerFrame& Frame, IRecordingClock& Clock,
                  double StartTime, std::ostream& Err,
                  const std::function<void(const TImagerFrame&)>& OnSample) {
  TRemotePoll Remote;
  double Elapsed = 0, PreviousElapsed = -1;
  int Standing = 0;
  while (Elapsed < Options.Seconds) {
    Remote.Poll(Sampler, Frame);
    const bool NoticeWasShown = Recorder.CoilsNoticeShown();
    const TAcquisitionStep Step =
        Recorder.Step([&](TImagerFrame& Target) { Sampler.Sample(Target, false); }, Clock);
    if (!Step.FileFailure.empty()) {
      Err << Step.FileFailure << '\n';
    }
    if (Step.Stop) {
      Err << Step.Message << '\n';
      return false;
    }
    if (Recorder.CoilsNoticeShown() && !NoticeWasShown) {
      Err << GenCoilsDisconnectedNotice << '\n';
    }
    if (Step.Outcome == TAcquisitionOutcome::Sampled && OnSample) {
      OnSample(Frame);
    }
    Elapsed = (Clock.Now() - StartTime) * SecondsPerDay;
    Standing = Elapsed > PreviousElapsed ? 0 : Standing + 1;
    if (Standing > StandingClockLimit) {
      throw Exception("The driver's procedure time does not advance");
    }
    PreviousElapsed = Elapsed;
  }
  return true;
}

TRecordingResult Record(const TSimulateOptions& Options, std::ostream& Err,
                        TIGTLinkServer* Stream) {
  const std::int32_t ProcedureType = ParseProcedureType(Options.ProcedureType);
  const std::filesystem::path ProgramDir =
      Options.ProgramDir.empty() ? ExecutableDirectory() : Options.ProgramDir;
  const bool Replaying = !Options.Replay.empty();
  std::optional<TReplayDirectory> ReplaySettings;
  if (Replaying) {
    if (!std::filesystem::is_regular_file(Options.Replay)) {
      throw Exception("Cannot open file: " + Options.Replay);
    }
    ReplaySettings.emplace(Options.Replay, Options.RealTime);
  }
  TImagerDriver Driver = LoadImagerDriver((ProgramDir / "drivers").string(),
                                          Replaying ? ReplayDriverId : SimulatorDriverId);
  if (!Driver.Created) {
    throw Exception("Cannot load the simulated imager driver: " + Driver.Problem);
  }
  const TComPtr<ISimulatedHardware> Hardware =
      Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware);
  if (Hardware) {
    Hardware->SetPacing(Options.RealTime ? 1 : 0);
    if (Options.Seed) {
      Hardware->OverrideSeed(*Options.Seed);
    }
  }
  TConsoleUser User(Err);
  TNullPlatformServices Platform;
  // The replay driver finds its settings beside the DSP.DAT path it is given.
  TImagerSampler Sampler(
      std::move(Driver),
      {(ProgramDir / "drivers").string(), Replaying ? ReplaySettings->Path() : ProgramDir.string()},
      User, Platform);
  if (!Sampler.InitialiseHardware()) {
    throw Exception("The imager hardware did not initialise: " + LastDriverError(Hardware.Get()));
  }
  const bool UseOvertube = !Options.Overtube.empty();
  if (!Sampler.Setup(ProcedureType, CalibrationPath(ProgramDir, "Sampler.dat"),
                     CalibrationPath(ProgramDir, "Pain Sensor.dat"), Options.UsePainSensor,
                     UseOvertube ? CalibrationPath(ProgramDir, Options.Overtube) : std::string(),
                     UseOvertube, CalibrationPath(ProgramDir, "Remote.dat"),
                     CalibrationPath(ProgramDir, Options.Catheter),
                     CalibrationPath(ProgramDir, Options.Generator))) {
    throw Exception("Failed to initialise DSP chip");
  }

  // Unpaced runs take their time stamps from the driver; a driver without
  // that interface, or a real-time run, uses the workstation's clock.
  std::unique_ptr<IRecordingClock> Clock;
  const double StartTime = LocalDateTimeNow();
  if (Options.RealTime || !Hardware) {
    Clock = std::make_unique<TSteadyRecordingClock>();
  } else {
    Clock = std::make_unique<TDriverClock>(StartTime, *Hardware.Get());
  }
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  TProcedureRecorder Recorder(Procedure, Frame);
  Recorder.Begin({Options.PatientName, ProcedureType, Sampler.UsePainSensor()}, Clock->Now(),
                 Sampler.PainUnits(), Sampler.PainFullScale());
  TRecordingResult Result;
  try {
    Result.Path = Recorder.StartFile(Options.Output);
  } catch (const std::exception& Failure) {
    Sampler.Stop();
    throw Exception(std::string("A problem occurred saving the imager file.\n") + Failure.what());
  }
  std::function<void(const TImagerFrame&)> OnSample;
  if (Stream) {
    OnSample = [Stream, Context = StreamContextOf(Procedure)](const TImagerFrame& Sample) {
      Stream->Publish(Sample, Context);
    };
  }
  Result.StoppedByHardware =
      !RunRecording(Options, Sampler, Recorder, Frame, *Clock, Procedure.StartTime, Err, OnSample);
  Sampler.Stop();
  Recorder.CloseFile();
  Result.Path = Procedure.SaveToFile(Options.Output);
  Result.Frames = Procedure.FrameCount();
  return Result;
}

} // namespace

std::string ExecutableDirectory() {
  std::error_code Error;
  const std::filesystem::path Executable = std::filesystem::read_symlink("/proc/self/exe", Error);
  return Error ? std::filesystem::current_path().string() : Executable.parent_path().string();
}

int RunSimulateCommand(const TSimulateOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    CheckOptions(Options);
    // A port that cannot be opened is found before anything is recorded.
    std::optional<TIGTLinkServer> Stream;
    if (Options.Stream) {
      TIGTLinkServerSettings Settings;
      Settings.Port = Options.StreamPort;
      Stream.emplace(Settings);
      Out << "Streaming on " << Stream->Address() << ':' << Stream->Port() << std::endl;
    }
    // Hardware failures before the recording runs give their own exit code,
    // so scripts can tell them from bad files.
    TRecordingResult Result;
    try {
      Result = Record(Options, Err, Stream ? &*Stream : nullptr);
    } catch (const EUsageError&) {
      throw;
    } catch (const Exception& Failure) {
      const std::string Text = Failure.what();
      if (Text.rfind("Failed to load", 0) == 0 || Text.rfind("A problem occurred", 0) == 0 ||
          Text.rfind("Cannot open file", 0) == 0) {
        throw;
      }
      Err << Text << '\n';
      return static_cast<int>(ExitHardwareError);
    }
    if (!Options.Truth.empty()) {
      const std::filesystem::path ProgramDir =
          Options.ProgramDir.empty() ? ExecutableDirectory() : Options.ProgramDir;
      WriteSimulatorTruth(Result.Path, (ProgramDir / "DSP.DAT").string(), Options.Truth);
    }
    Out << "Recorded " << Result.Path << '\n' << "Frames: " << Result.Frames << '\n';
    return Result.StoppedByHardware ? static_cast<int>(ExitHardwareError)
                                    : static_cast<int>(ExitSuccess);
  });
}

void AddSimulateCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TSimulateOptions>();
  CLI::App* Command = App.add_subcommand(
      "simulate", "Record a procedure through the sampler and the simulated imager driver");
  Command->add_option("-o,--output", Options->Output, "Imager file to write (.img)")->required();
  Command->add_option("--seconds", Options->Seconds, "Seconds of procedure time to record")
      ->required();
  Command->add_option("--seed", Options->Seed, "Random seed, instead of the one in DSP.DAT");
  Command->add_option("--procedure-type", Options->ProcedureType,
                      "0 colonoscopy (default), 1 top, 2 peg");
  Command->add_option("--catheter", Options->Catheter,
                      "Sensor catheter file (default Catheter16.msd)");
  Command->add_option("--overtube", Options->Overtube, "Overtube file (none by default)");
  Command->add_flag("--pain", Options->UsePainSensor, "Read the pain sensor");
  Command->add_option("--patient", Options->PatientName, "Patient name");
  Command->add_flag("--realtime", Options->RealTime,
                    "Sample in real time (default: as fast as possible on a simulated clock)");
  Command->add_option("--replay", Options->Replay,
                      "Play this imager file through the replay driver instead of simulating");
  Command->add_option(
      "--program-dir", Options->ProgramDir,
      "Where the drivers and calibration files are (default: the tool's directory)");
  Command->add_option("--truth", Options->Truth,
                      "Write the simulator's loop ground truth per stored frame to this CSV file");
  Command->add_flag("--stream", Options->Stream,
                    "Stream the samples to OpenIGTLink clients on 127.0.0.1 while recording");
  Command->add_option("--port", Options->StreamPort,
                      "Port for --stream (default 18944; 0 picks a free one)");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunSimulateCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
