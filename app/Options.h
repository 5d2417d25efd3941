#pragma once
// The workstation's option set: what the operator last chose, kept from one
// run to the next (OptionStore.h reads and writes it). Each field is named
// exactly as the option it holds, which is also its stored value's name.
//
// Strings are UTF-8. Thread: any (plain data).

#include <cstdint>
#include <string>

namespace kestrava {

struct TOptions {
  bool ViewEndoscope = true;
  bool ViewMarkers = true;
  bool ViewSensors = true; // stored only; no drawing depends on it
  bool ViewHand = true;
  bool ViewOvertube = true;
  bool ViewMeasure = false; // stored only; no drawing depends on it
  bool ViewEndoscopeCurvature = false;
  bool ViewInfo = true;
  bool ViewTimeLine = true;
  std::int32_t ViewMode = 0; // 0 AP, 1 lateral, 2 twin (TViewMode)
  bool AutoAlign = true;
  bool UsePhaseCorrection = false;
  bool UsePainSensor = false;
  std::int32_t ProcedureType = 0; // index into the procedure details' type list
  std::string SensorFilename;     // data file names without directory
  std::string OvertubeFilename;
  std::string GeneratorCoilsFilename;
  bool UseHardwareDirect3D = true;
  bool UseAutoCutoff = true;
  // Both directories depend on the machine and the run, so a plain TOptions
  // leaves them empty; DefaultOptions fills them in.
  std::string ImagerFilesDirectory;
  std::string ImagerFileStorageDirectory;
  std::int32_t BackgroundColor = 32768; // 0x00BBGGRR: green 128
  double PatientPainThreshold = 0.1;

  // Beyond the design's table, stored beside it under their own names.
  // Loop detection shown in the views, the information box and the time line.
  bool ViewLoops = true;
  // The OpenIGTLink server for navigation software: off unless asked for,
  // and then on this machine only unless another address is given.
  bool IGTLinkServer = false;
  std::int32_t IGTLinkPort = 18944;
  std::string IGTLinkAddress = "127.0.0.1";
  // Fit the views to the endoscope whenever it would leave one; off, the
  // views keep the fixed scale unless the operator fits them.
  bool AutoFitEndoscope = false;

  friend bool operator==(const TOptions&, const TOptions&) = default;
};

// Where new recordings go when nobody chose otherwise: "C:\Images" on
// Windows, the user's home directory + "/Images" elsewhere.
std::string DefaultStorageDirectory();

// Every option at its default; WorkingDirectory (the process's working
// directory at start-up) becomes "ImagerFilesDirectory".
TOptions DefaultOptions(const std::string& WorkingDirectory);

// "Set default options": every option back to its default except the six
// that remember the operator's last recording and file choices:
// "ImagerFilesDirectory", "UsePainSensor", "ProcedureType", "SensorFilename",
// "OvertubeFilename" and "GeneratorCoilsFilename".
void SetDefaultOptions(TOptions& Options);

} // namespace kestrava
