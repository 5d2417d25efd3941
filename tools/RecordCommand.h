#pragma once
// kestrava-tool record -o OUT.img --seconds S [--driver NAME|ID]
//   [--settings DSP.DAT] [--patient NAME] [--procedure-type T]
//   [--catheter FILE] [--overtube FILE] [--pain] [--realtime] [--truth FILE]
//
// Records a procedure from any installed driver (the simulator by default,
// the OpenIGTLink receiver for a real tracker) through the recording session
// the workstation uses, without a display. The driver reads the program
// directory's DSP.DAT unless --settings names another. Exit codes as
// simulate's: 2 a file that cannot be read or written, 3 a hardware fault
// (after saving what was recorded), 130 interrupted.

#include "tools/ToolCommand.h"

#include <string>

namespace kestrava {

struct TRecordOptions {
  std::string Output;
  double Seconds = 0;
  // A driver's name (kestrava-tool drivers) or class identifier.
  std::string Driver = "simulator";
  // The DSP.DAT handed to the driver; empty: the program directory's.
  std::string Settings;
  std::string PatientName = "Recorded Patient";
  std::string ProcedureType = "0";
  std::string Catheter = "Catheter16.msd";
  std::string Overtube;
  bool UsePainSensor = false;
  // For the simulator: samples in real time instead of as fast as it can.
  bool RealTime = false;
  // The simulator's ground truth per stored frame (see LoopTruthFile.h).
  std::string Truth;
  // The program's own (foundation/ProgramDirectory.h) when empty.
  std::string ProgramDir;
};

int RunRecordCommand(const TRecordOptions& Options, std::ostream& Out, std::ostream& Err);

void AddRecordCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava
