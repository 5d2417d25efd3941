#include "tools/SimulateCommand.h"

#include "drivers/SimulatedHardware.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "streaming/IGTLinkServer.h"
#include "tools/RecordingCommandLine.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace kestrava {

namespace {

// A replay stops just after the time of its source's last frame: later
// frames would only repeat that frame.
constexpr double ReplayEndMargin = 1e-3;
constexpr const char* DefaultPatientName = "Simulated Patient";

void CheckOptions(const TSimulateOptions& Options) {
  CheckRecordingOptions(Options.Output, Options.Seconds);
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

// The replay driver reads its settings beside the DSP.DAT path it is given.
void WriteReplaySettings(const TPrivateSettingsDirectory& Directory,
                         const TSimulateOptions& Options) {
  Directory.Write("Replay.dat", "file " + std::filesystem::absolute(Options.Replay).string() +
                                    "\npacing " + (Options.RealTime ? "realtime" : "none") +
                                    "\nloop " + (Options.Loop ? "yes" : "no") + "\n");
}

TRecordingResult Record(const TSimulateOptions& Options, std::ostream& Err,
                        TIGTLinkServer* Stream) {
  const TReplayedDetails Replayed = ReadReplayedDetails(Options);
  TRecordingRun Run;
  Run.Output = Options.Output;
  Run.ProgramDir = ProgramDirOr(Options.ProgramDir);
  Run.ProcedureType = Options.ProcedureType.empty() ? Replayed.ProcedureType
                                                    : ParseProcedureType(Options.ProcedureType);
  Run.PatientName = Options.PatientName.empty() ? Replayed.PatientName : Options.PatientName;
  Run.UsePainSensor = Options.UsePainSensor || Replayed.HasPainData;
  Run.Catheter = Options.Catheter;
  Run.Overtube = Options.Overtube;
  Run.Generator = Options.Generator;
  Run.RealTime = Options.RealTime;
  Run.Seed = Options.Seed;
  Run.Stream = Stream;
  Run.DriverDescription = "simulated imager driver";
  Run.Seconds =
      Replayed.End ? std::min(Options.Seconds, *Replayed.End + ReplayEndMargin) : Options.Seconds;
  std::optional<TPrivateSettingsDirectory> ReplaySettings;
  if (Options.Replay.empty()) {
    Run.DriverId = SimulatorDriverId;
    Run.SettingsDir = Run.ProgramDir;
  } else {
    ReplaySettings.emplace();
    WriteReplaySettings(*ReplaySettings, Options);
    Run.DriverId = ReplayDriverId;
    Run.SettingsDir = ReplaySettings->Path();
  }
  return RecordProcedure(Run, Err);
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
    // The truth is the simulator's, read from the program directory's settings.
    return FinishRecording(Record(Options, Err, Stream ? &*Stream : nullptr),
                           ProgramDirOr(Options.ProgramDir), Options.Truth, Out);
  });
}

void AddSimulateCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TSimulateOptions>();
  CLI::App* Command = App.add_subcommand(
      "simulate", "Record a procedure through the sampler and the simulated imager driver");
  AddRecordingOptions(*Command, Options->Output, Options->Seconds, Options->Catheter,
                      Options->Overtube, Options->ProgramDir);
  Command->add_option("--seed", Options->Seed, "Random seed, instead of the one in DSP.DAT");
  Command->add_option("--procedure-type", Options->ProcedureType,
                      "0 colonoscopy (default; a replay keeps its file's), 1 top, 2 peg");
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
