#pragma once
// Where the program's own files are: the driver plugins (drivers/) and the
// calibration set, which the workstation and kestrava-tool read by name.
//
// A build folder, like the workstation's original layout, keeps them beside
// the executables. An installed copy keeps the executables in a bin
// directory and these files in a directory of their own (on Debian
// /usr/bin and /usr/lib/kestrava), at a path relative to the bin directory
// that is fixed when the program is built: the installed programs find it
// without any environment variable, and an installed tree still works when
// moved as a whole.

#include <filesystem>
#include <string>

namespace kestrava {

// The program directory of executables in ExecutableDirectory:
// - ExecutableDirectory itself when it holds a drivers/ directory (a build
//   folder, or a copy laid out as the workstation always was);
// - else ExecutableDirectory / InstalledRelative when that is a directory
//   (an installed copy; InstalledRelative may also be absolute);
// - else ExecutableDirectory, so that whatever is missing is reported as
//   missing beside the program.
// Only looks at the file system; nothing is created.
std::filesystem::path ProgramDirectoryFor(const std::filesystem::path& ExecutableDirectory,
                                          const std::filesystem::path& InstalledRelative);

// The running program's directory (without a trailing separator), from
// the executable's own path and the installed layout this build was made
// for. The working directory stands in for the executable's directory
// where the system cannot say where the executable is.
std::string ProgramDirectory();

} // namespace kestrava
