#pragma once
// kestrava-tool simulate -o OUT.img --seconds S [--seed N] [--procedure-type T]
//   [--catheter FILE.msd] [--overtube FILE.otb] [--pain] [--patient NAME]
//   [--realtime] [--replay IN.img [--loop]] [--program-dir DIR] [--truth FILE.csv]
//   [--stream [--port P]]
//
// Records a procedure through the sampler and the simulated driver exactly
// as the workstation's recording does (one frame per second of procedure
// time), without a display: messages go to the error stream and questions
// get scripted answers. The driver plugin and the calibration files come
// from the program directory. Without --realtime the recording runs as fast
// as it can, on the driver's own procedure clock. With --replay the replay
// driver plays IN.img instead, so a recording is made again through the
// whole acquisition path; the replay ends where IN.img ends (unless
// --loop) and keeps its patient name, procedure type and pain data unless
// options override them. SIGINT or SIGTERM stops the recording and saves it.
// --truth writes the simulator's ground truth of
// loops for every stored frame (see LoopTruthFile.h); not with --replay.
// With --stream every sample also goes to OpenIGTLink clients on 127.0.0.1
// while it records.

#include "streaming/IGTLinkServer.h"
#include "tools/ToolCommand.h"
#include "tools/ToolErrors.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrava {

struct TSimulateOptions {
  std::string Output;
  double Seconds = 0;
  std::optional<std::uint64_t> Seed;
  // 0, 1, 2 or colonoscopy, top, peg; empty: the replayed file's, else 0
  std::string ProcedureType;
  std::string Catheter = "Catheter16.msd";
  std::string Overtube; // none when empty
  std::string Generator = "Generator.gen";
  bool UsePainSensor = false; // a replayed file with pain data reads it anyway
  std::string PatientName;    // empty: the replayed file's, else "Simulated Patient"
  bool RealTime = false;
  // Played by the replay driver instead of simulating, when not empty.
  std::string Replay;
  // Play the replayed file again from its start when it ends.
  bool Loop = false;
  // The program's own (foundation/ProgramDirectory.h) when empty.
  std::string ProgramDir;
  // The simulator's loop ground truth is written here when not empty.
  std::string Truth;
  // Streams every sample to OpenIGTLink clients on 127.0.0.1:StreamPort
  // (0: a free port, printed before the recording starts).
  bool Stream = false;
  std::uint16_t StreamPort = DefaultIGTLinkPort;
};

// Records Options.Seconds of procedure time into Options.Output and prints
// the path written and the frame count. Returns the exit code.
int RunSimulateCommand(const TSimulateOptions& Options, std::ostream& Out, std::ostream& Err);

void AddSimulateCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava
