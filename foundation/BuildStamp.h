#pragma once
// The build stamp shown in the about box: two numbers taken from the
// program file's last-write time (UTC), "day-second".

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrava {

struct TBuildStamp {
  // Day + Month * 31 + Year * 372 (month 1-12, day 1-31, full year).
  std::int32_t DayNumber = 0;
  // Second + Minute * 60 + Hour * 3600.
  std::int32_t SecondNumber = 0;

  // "<DayNumber>-<SecondNumber>" in decimal.
  std::string Text() const;
  friend bool operator==(const TBuildStamp&, const TBuildStamp&) = default;
};

// The stamp of a UTC instant (sub-second parts are ignored).
TBuildStamp BuildStampOf(std::chrono::system_clock::time_point Utc);

// The stamp of a file's last-write time; the caller passes the program's own
// file. E_Qel_FileDoesNotExist when its time cannot be read.
TBuildStamp BuildStampOfFile(const std::filesystem::path& ProgramFile);

} // namespace kestrava
