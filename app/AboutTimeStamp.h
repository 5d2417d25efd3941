#pragma once
// The about box's time stamp line, "Software time stamp: D-S", from the
// program file's last-write time in UTC (the arithmetic is TBuildStamp's:
// D = day + 31 x month + 372 x year, S = second + 60 x minute + 3600 x hour).

#include <chrono>
#include <filesystem>
#include <string>

namespace kestrava {

inline constexpr const char* SoftwareTimeStampPrefix = "Software time stamp: ";

// The line for a UTC instant (parts of a second are ignored).
std::string SoftwareTimeStampLine(std::chrono::system_clock::time_point Utc);

// The line for ProgramFile's last-write time; just the prefix when the time
// cannot be read (a program file replaced while it runs, say), since the
// about box must open regardless.
std::string SoftwareTimeStampLineOfFile(const std::filesystem::path& ProgramFile);

} // namespace kestrava
