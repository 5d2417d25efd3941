#include "tools/RecordingRun.h"

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/RecordingSession.h"
#include "drivers/DriverDiagnostics.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/InterruptRequest.h"
#include "tools/ToolErrors.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

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

// Why the driver says it does not work, when it can say.
std::string DriverProblem(IDriverDiagnostics* Diagnostics) {
  if (Diagnostics == nullptr) {
    return {};
  }
  std::array<char, 512> Text{};
  Diagnostics->GetLastErrorText(Text.data(), Text.size());
  return Text.data();
}

TSamplerSetup SetupOf(const TRecordingRun& Run) {
  TSamplerSetup Setup;
  Setup.ProcedureType = Run.ProcedureType;
  Setup.SamplerFile = CalibrationPath(Run.ProgramDir, "Sampler.dat");
  Setup.PainSensorFile = CalibrationPath(Run.ProgramDir, "Pain Sensor.dat");
  Setup.UsePainSensor = Run.UsePainSensor;
  if (!Run.Overtube.empty()) {
    Setup.OvertubeFile = UserCalibrationPath(Run.ProgramDir, Run.Overtube);
  }
  Setup.RemoteFile = CalibrationPath(Run.ProgramDir, "Remote.dat");
  Setup.SensorFile = UserCalibrationPath(Run.ProgramDir, Run.Catheter);
  Setup.GeneratorFile = UserCalibrationPath(Run.ProgramDir, Run.Generator);
  return Setup;
}

// Runs the acquisition steps until Seconds of procedure time have passed,
// the hardware stops the recording or the user interrupts it.
TRecordingEnd RunSteps(double Seconds, TRecordingSession& Session, IRecordingClock& Clock,
                       double StartTime, const TInterruptRequest& Interrupt, std::ostream& Err) {
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

} // namespace

TRecordingResult RecordProcedure(const TRecordingRun& Run, std::ostream& Err) {
  TImagerDriver Driver = LoadImagerDriver((Run.ProgramDir / "drivers").string(), Run.DriverId);
  if (!Driver.Created) {
    throw EHardwareFault("Cannot load the " + Run.DriverDescription + ": " + Driver.Problem);
  }
  const TComPtr<ISimulatedHardware> Simulated =
      Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware);
  if (Simulated) {
    Simulated->SetPacing(Run.RealTime ? 1 : 0);
    if (Run.Seed) {
      Simulated->OverrideSeed(*Run.Seed);
    }
  }
  const TComPtr<IDriverDiagnostics> Diagnostics =
      Driver.PositionLocator.Query<IDriverDiagnostics>(IID_IDriverDiagnostics);
  TConsoleUser User(Err);
  TNullPlatformServices Platform;
  TImagerSampler Sampler(std::move(Driver),
                         {(Run.ProgramDir / "drivers").string(), Run.SettingsDir.string()}, User,
                         Platform);
  if (!Sampler.InitialiseHardware()) {
    throw EHardwareFault("The imager hardware did not initialise: " +
                         DriverProblem(Diagnostics.Get()));
  }

  // Unpaced simulated hardware stamps frames with its own procedure time;
  // anything else, or a real-time run, uses the workstation's clock.
  std::unique_ptr<IRecordingClock> Clock;
  const double StartTime = LocalDateTimeNow();
  if (Run.RealTime || !Simulated) {
    Clock = std::make_unique<TSteadyRecordingClock>();
  } else {
    Clock = std::make_unique<TDriverClock>(StartTime, *Simulated.Get());
  }
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  TRecordingSession Session(Sampler, Procedure, Frame, *Clock);
  // Calibration files that cannot be read raise Exception: file errors.
  if (!Session.SetUp(SetupOf(Run))) {
    throw EHardwareFault("Failed to initialise DSP chip");
  }
  TRecordingResult Result;
  Result.Path =
      Session.Start({Run.PatientName, Run.ProcedureType, Sampler.UsePainSensor()}, Run.Output);
  Session.SetStream(Run.Stream);
  // Kept until the final save is done, so a second Ctrl-C cannot cut it short.
  const TInterruptRequest Interrupt;
  Result.End = RunSteps(Run.Seconds, Session, *Clock, Procedure.StartTime, Interrupt, Err);
  if (Result.End == TRecordingEnd::StoppedByHardware) {
    if (const std::string Why = DriverProblem(Diagnostics.Get()); !Why.empty()) {
      Err << Why << '\n';
    }
  }
  Session.Stop();
  Result.Path = Procedure.SaveToFile(Run.Output);
  Result.Frames = Procedure.FrameCount();
  return Result;
}

int RecordingExitCode(TRecordingEnd End) {
  switch (End) {
  case TRecordingEnd::StoppedByHardware:
    return static_cast<int>(ExitHardwareError);
  case TRecordingEnd::Interrupted:
    return static_cast<int>(ExitInterrupted);
  case TRecordingEnd::Completed:
    break;
  }
  return static_cast<int>(ExitSuccess);
}

std::int32_t ParseProcedureType(const std::string& Text) {
  constexpr std::array<const char*, 3> Names = {"colonoscopy", "top", "peg"};
  for (std::size_t Type = 0; Type < Names.size(); ++Type) {
    if (Text == std::to_string(Type) || Text == Names[Type]) {
      return static_cast<std::int32_t>(Type);
    }
  }
  throw EUsageError("--procedure-type must be 0, 1, 2, colonoscopy, top or peg");
}

void CheckRecordingOptions(const std::string& Output, double Seconds) {
  CheckOutputFileName(Output, "-o");
  if (!(Seconds > 0 && Seconds <= LongestRecording)) {
    throw EUsageError("--seconds must be more than 0 and at most 86400");
  }
}

TPrivateSettingsDirectory::TPrivateSettingsDirectory() {
  std::string Pattern =
      (std::filesystem::temp_directory_path() / "kestrava-settings-XXXXXX").string();
  if (mkdtemp(Pattern.data()) == nullptr) {
    throw Exception("Cannot make a directory for the driver's settings");
  }
  Path_ = Pattern;
}

TPrivateSettingsDirectory::~TPrivateSettingsDirectory() {
  std::error_code Ignored; // a temporary directory left behind is harmless
  std::filesystem::remove_all(Path_, Ignored);
}

void TPrivateSettingsDirectory::Write(const std::string& Name, const std::string& Content) const {
  std::ofstream File(Path_ / Name);
  File << Content;
  if (!File.flush()) {
    throw Exception("Cannot write the driver's settings " + (Path_ / Name).string());
  }
}

} // namespace kestrava
