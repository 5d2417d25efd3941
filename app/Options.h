#pragma once
// The workstation's option set: what the operator chose in the menus and the
// last answers of the procedure details, kept for the next run.
//
// Strings are UTF-8; colours 0x00BBGGRR. Thread: user-interface thread.

#include <cstdint>
#include <string>

namespace kestrava {

struct TOptions {
  bool ViewEndoscope = true;
  bool ViewMarkers = true;
  bool ViewSensors = true;
  bool ViewHand = true;
  bool ViewOvertube = true;
  bool ViewMeasure = false;
  bool ViewEndoscopeCurvature = false;
  bool ViewInfo = true;
  bool ViewTimeLine = true;
  std::int32_t ViewMode = 0;
  bool AutoAlign = true;
  bool UsePhaseCorrection = false;
  bool UsePainSensor = false;
  std::int32_t ProcedureType = 0;
  std::string SensorFilename;
  std::string OvertubeFilename;
  std::string GeneratorCoilsFilename;
  bool UseHardwareDirect3D = true;
  bool UseAutoCutoff = true;
  std::string ImagerFilesDirectory;
  std::string ImagerFileStorageDirectory;
  std::int32_t BackgroundColor = 32768;
  double PatientPainThreshold = 0.1;
};

} // namespace kestrava
