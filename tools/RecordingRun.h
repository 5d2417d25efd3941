#pragma once
// A recording made without a display, through the same recording session as
// the workstation's (one frame per second of procedure time, the live file,
// the stream), from any installed driver: what kestrava-tool simulate and
// record share. Messages go to the error stream and questions get scripted
// answers; SIGINT or SIGTERM ends the recording and it is saved.
//
// Thread: the calling thread (the live file's writer has its own).

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace kestrava {

class TIGTLinkServer;

struct TRecordingRun {
  std::string Output;
  // Seconds of procedure time; more than 0, at most a day.
  double Seconds = 0;
  // Holds drivers/ and the calibration files.
  std::filesystem::path ProgramDir;
  std::string DriverId;
  // How messages name the driver ("simulated imager driver").
  std::string DriverDescription = "imager driver";
  // Holds the DSP.DAT handed to the driver (and what a driver reads beside it).
  std::filesystem::path SettingsDir;
  std::int32_t ProcedureType = 0;
  std::string PatientName;
  bool UsePainSensor = false;
  // Names of the program directory's files, or paths.
  std::string Catheter = "Catheter16.msd";
  std::string Overtube; // none when empty
  std::string Generator = "Generator.gen";
  // For drivers that simulate the hardware: samples held back to the wall
  // clock; otherwise as fast as they are asked for, stamped with the
  // driver's own procedure time. Other drivers run on the wall clock.
  bool RealTime = false;
  std::optional<std::uint64_t> Seed;
  // Every sample also goes here when not null.
  TIGTLinkServer* Stream = nullptr;
};

// Why a recording ended; every way saves what was recorded.
enum class TRecordingEnd { Completed, StoppedByHardware, Interrupted };

struct TRecordingResult {
  std::string Path;
  std::int32_t Frames = 0;
  TRecordingEnd End = TRecordingEnd::Completed;
};

// Records Run and saves the procedure at Run.Output. A driver that cannot be
// made or started raises EHardwareFault; a calibration file that cannot be
// read, or an output that cannot be written, Exception.
TRecordingResult RecordProcedure(const TRecordingRun& Run, std::ostream& Err);

// 0 completed, 3 stopped by the hardware, 130 interrupted.
int RecordingExitCode(TRecordingEnd End);

// "0", "1", "2" or colonoscopy, top, peg; anything else is a usage error.
std::int32_t ParseProcedureType(const std::string& Text);

// Checks -o and --seconds as both commands take them (usage errors).
void CheckRecordingOptions(const std::string& Output, double Seconds);

// A directory of its own for the settings a run hands its driver, removed
// with the object: the program directory may not be writable and is
// shared by every run.
class TPrivateSettingsDirectory {
public:
  TPrivateSettingsDirectory();
  ~TPrivateSettingsDirectory();
  TPrivateSettingsDirectory(const TPrivateSettingsDirectory&) = delete;
  TPrivateSettingsDirectory& operator=(const TPrivateSettingsDirectory&) = delete;
  // Writes Name there with Content; raises Exception when it cannot.
  void Write(const std::string& Name, const std::string& Content) const;
  const std::filesystem::path& Path() const { return Path_; }

private:
  std::filesystem::path Path_;
};

} // namespace kestrava
