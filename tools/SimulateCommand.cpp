#include "tools/SimulateCommand.h"

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/ProcedureRecorder.h"
#include "app/RecordingSession.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/ProgramDirectory.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "streaming/IGTLinkServer.h"
#include "tools/InterruptRequest.h"
#include "tools/LoopTruthFile.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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

constexpr double LongestRecording = SecondsPerDay;
// Unattended, a failing pain sensor is retried this often before giving up.
constexpr int PainSensorRetries = 3;
// A driver clock that stands still this many samples would never end the run.
constexpr int StandingClockLimit = 10000;
// A replay stops just after the time of its source's last frame: later
// frames would only repeat that frame.
constexpr double ReplayEndMargin = 1e-3;
constexpr const char* DefaultPatientName = "Simulated Patient";

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

// A file the user names: the program directory's file of that name, as the
// workstation offers them, else a file that exists as given (relative to the
// current directory). A name found in neither place keeps the program
// directory's path, so the failure names where the workstation looks.
std::string UserCalibrationPath(const std::filesystem::path& ProgramDir, const std::string& Name) {
  std::error_code Ignored;
  const std::filesystem::path InProgramDir = ProgramDir / Name;
  if (!std::filesystem::exists(InProgramDir, Ignored) && std::filesystem::exists(Name, Ignored)) {
    return Name;
  }
  return CalibrationPath(ProgramDir, Name);
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
  TReplayDirectory(const std::string& Recording, bool RealTime, bool Loop) {
    std::string Pattern =
        (std::filesystem::temp_directory_path() / "kestrava-replay-XXXXXX").string();
    if (mkdtemp(Pattern.data()) == nullptr) {
      throw Exception("Cannot make a directory for the replay settings");
    }
    Path_ = Pattern;
    std::ofstream Settings(Path_ / "Replay.dat");
    Settings << "file " << std::filesystem::absolute(Recording).string() << "\n"
             << "pacing " << (RealTime ? "realtime" : "none") << "\n"
             << "loop " << (Loop ? "yes" : "no") << "\n";
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

// Why a recording ended; every way saves what was recorded.
enum class TRecordingEnd { Completed, StoppedByHardware, Interrupted };

struct TRecordingResult {
  std::string Path;
  std::int32_t Frames = 0;
  TRecordingEnd End = TRecordingEnd::Completed;
};

void CheckOptions(const TSimulateOptions& Options) {
  CheckOutputFileName(Options.Output, "-o");
  if (!(Options.Seconds > 0 && Options.Seconds <= LongestRecording)) {
    throw EUsageError("--seconds must be more than 0 and at most 86400");
  }
  if (!Options.Truth.empty() && !Options.Replay.empty()) {
    throw EUsageError("--truth needs the simulator, not --replay");
  }
  if (Options.Loop && Options.Replay.empty()) {
    throw EUsageError("--loop needs --replay");
  }
}

// What a replay keeps of its source unless options say otherwise.
struct TReplayedDetails {
  std::string PatientName = DefaultPatientName;
  std::int32_t ProcedureType = ProcedureColonoscopy;
  bool HasPainData = false;
  // Seconds from the source's start to its last frame; none for a loop.
  std::optional<double> End;
};

TReplayedDetails ReadReplayedDetails(const TSimulateOptions& Options) {
  TReplayedDetails Details;
  if (Options.Replay.empty()) {
    return Details;
  }
  // Read here too, so that a file the replay driver could not play is a
  // file error with the loader's reason rather than a hardware fault.
  TImagerProcedure Source;
  Source.LoadFromFile(Options.Replay);
  if (Source.FrameCount() == 0) {
    throw Exception("The imager file has no frames: " + Options.Replay);
  }
  Details.PatientName = Source.PatientName;
  Details.ProcedureType = Source.ProcedureType;
  Details.HasPainData = Source.HasPainData;
  if (!Options.Loop) {
    Details.End = Source.GetFrame(Source.FrameCount() - 1).Time * SecondsPerDay;
  }
  return Details;
}

// Runs the acquisition steps until Seconds of procedure time have passed,
// the hardware stops the recording or the user interrupts it.
TRecordingEnd RunRecording(double Seconds, TRecordingSession& Session, IRecordingClock& Clock,
                           double StartTime, const TInterruptRequest& Interrupt,
                           std::ostream& Err) {
  double Elapsed = 0, PreviousElapsed = -1;
  int Standing = 0;
  bool CoilsNoticeShown = false;
  while (Elapsed < Seconds) {
    if (Interrupt.Requested()) {
      Err << "Interrupted: saving what was recorded\n";
      return TRecordingEnd::Interrupted;
    }
    const TAcquisitionStep Step = Session.Step({}).Acquisition;
    if (!Step.FileFailure.empty()) {
      Err << Step.FileFailure << '\n';
    }
    if (Step.Stop) {
      Err << Step.Message << '\n';
      return TRecordingEnd::StoppedByHardware;
    }
    const bool Disconnected = Step.Outcome == TAcquisitionOutcome::GenCoilsDisconnected;
    if (Disconnected && !CoilsNoticeShown) {
      Err << GenCoilsDisconnectedNotice << '\n';
    }
    CoilsNoticeShown = Disconnected;
    Elapsed = (Clock.Now() - StartTime) * SecondsPerDay;
    Standing = Elapsed > PreviousElapsed ? 0 : Standing + 1;
    if (Standing > StandingClockLimit) {
      Err << "The driver's procedure time does not advance\n";
      return TRecordingEnd::StoppedByHardware;
    }
    PreviousElapsed = Elapsed;
  }
  return TRecordingEnd::Completed;
}

TRecordingResult Record(const TSimulateOptions& Options, std::ostream& Err,
                        TIGTLinkServer* Stream) {
  const TReplayedDetails Replayed = ReadReplayedDetails(Options);
  const std::int32_t ProcedureType = Options.ProcedureType.empty()
                                         ? Replayed.ProcedureType
                                         : ParseProcedureType(Options.ProcedureType);
  const std::filesystem::path ProgramDir =
      Options.ProgramDir.empty() ? ProgramDirectory() : Options.ProgramDir;
  const bool Replaying = !Options.Replay.empty();
  std::optional<TReplayDirectory> ReplaySettings;
  if (Replaying) {
    ReplaySettings.emplace(Options.Replay, Options.RealTime, Options.Loop);
  }
  TImagerDriver Driver = LoadImagerDriver((ProgramDir / "drivers").string(),
                                          Replaying ? ReplayDriverId : SimulatorDriverId);
  if (!Driver.Created) {
    throw EHardwareFault("Cannot load the simulated imager driver: " + Driver.Problem);
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
    throw EHardwareFault("The imager hardware did not initialise: " +
                         LastDriverError(Hardware.Get()));
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
  TRecordingSession Session(Sampler, Procedure, Frame, *Clock);
  TSamplerSetup Setup;
  Setup.ProcedureType = ProcedureType;
  Setup.SamplerFile = CalibrationPath(ProgramDir, "Sampler.dat");
  Setup.PainSensorFile = CalibrationPath(ProgramDir, "Pain Sensor.dat");
  Setup.UsePainSensor = Options.UsePainSensor || Replayed.HasPainData;
  if (!Options.Overtube.empty()) {
    Setup.OvertubeFile = UserCalibrationPath(ProgramDir, Options.Overtube);
  }
  Setup.RemoteFile = CalibrationPath(ProgramDir, "Remote.dat");
  Setup.SensorFile = UserCalibrationPath(ProgramDir, Options.Catheter);
  Setup.GeneratorFile = UserCalibrationPath(ProgramDir, Options.Generator);
  // Calibration files that cannot be read raise Exception: file errors.
  if (!Session.SetUp(Setup)) {
    throw EHardwareFault("Failed to initialise DSP chip");
  }
  const std::string PatientName =
      Options.PatientName.empty() ? Replayed.PatientName : Options.PatientName;
  TRecordingResult Result;
  Result.Path =
      Session.Start({PatientName, ProcedureType, Sampler.UsePainSensor()}, Options.Output);
  Session.SetStream(Stream);
  const double Seconds =
      Replayed.End ? std::min(Options.Seconds, *Replayed.End + ReplayEndMargin) : Options.Seconds;
  // Kept until the final save is done, so a second Ctrl-C cannot cut it short.
  const TInterruptRequest Interrupt;
  Result.End = RunRecording(Seconds, Session, *Clock, Procedure.StartTime, Interrupt, Err);
  Session.Stop();
  Result.Path = Procedure.SaveToFile(Options.Output);
  Result.Frames = Procedure.FrameCount();
  return Result;
}

} // namespace

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
    const TRecordingResult Result = Record(Options, Err, Stream ? &*Stream : nullptr);
    if (!Options.Truth.empty()) {
      const std::filesystem::path ProgramDir =
          Options.ProgramDir.empty() ? ProgramDirectory() : Options.ProgramDir;
      WriteSimulatorTruth(Result.Path, (ProgramDir / "DSP.DAT").string(), Options.Truth);
    }
    Out << "Recorded " << Result.Path << '\n' << "Frames: " << Result.Frames << '\n';
    switch (Result.End) {
    case TRecordingEnd::StoppedByHardware:
      return static_cast<int>(ExitHardwareError);
    case TRecordingEnd::Interrupted:
      return static_cast<int>(ExitInterrupted);
    case TRecordingEnd::Completed:
      break;
    }
    return static_cast<int>(ExitSuccess);
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
                      "0 colonoscopy (default; a replay keeps its file's), 1 top, 2 peg");
  Command->add_option("--catheter", Options->Catheter,
                      "Sensor catheter file (default Catheter16.msd): a name in the program "
                      "directory, else a path as given");
  Command->add_option("--overtube", Options->Overtube,
                      "Overtube file (none by default), found as --catheter's");
  Command->add_flag("--pain", Options->UsePainSensor,
                    "Read the pain sensor (a replay of a file with pain data always does)");
  Command->add_option("--patient", Options->PatientName,
                      "Patient name (default Simulated Patient; a replay keeps its file's)");
  Command->add_flag("--realtime", Options->RealTime,
                    "Sample in real time (default: as fast as possible on a simulated clock)");
  Command->add_option("--replay", Options->Replay,
                      "Play this imager file through the replay driver instead of simulating; "
                      "the recording ends where the file ends");
  Command->add_flag("--loop", Options->Loop,
                    "With --replay: start the file again when it ends, until --seconds");
  Command->add_option("--program-dir", Options->ProgramDir,
                      "Where the drivers and calibration files are (default: beside the tool, or "
                      "where it is installed)");
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
