#include "foundation/ProgramDirectory.h"

#include <system_error>

#ifndef KESTRAVA_INSTALLED_PROGRAM_DIR
#error "KESTRAVA_INSTALLED_PROGRAM_DIR names the installed program directory, relative to bin"
#endif

namespace kestrava {

namespace {

bool IsDirectory(const std::filesystem::path& Path) {
  // An unreadable path counts as absent: the next place is tried instead.
  std::error_code Ignored;
  return std::filesystem::is_directory(Path, Ignored);
}

std::filesystem::path RunningExecutableDirectory() {
  std::error_code Error;
  const std::filesystem::path Executable = std::filesystem::read_symlink("/proc/self/exe", Error);
  if (!Error) {
    return Executable.parent_path();
  }
  return std::filesystem::current_path(Error);
}

} // namespace

std::filesystem::path ProgramDirectoryFor(const std::filesystem::path& ExecutableDirectory,
                                          const std::filesystem::path& InstalledRelative) {
  if (IsDirectory(ExecutableDirectory / "drivers")) {
    return ExecutableDirectory;
  }
  // lexically_normal: "/usr/bin/../lib/kestrava" reads as "/usr/lib/kestrava"
  // in messages and in the workstation's file lists.
  std::filesystem::path Installed = (ExecutableDirectory / InstalledRelative).lexically_normal();
  if (IsDirectory(Installed)) {
    return Installed;
  }
  return ExecutableDirectory;
}

std::string ProgramDirectory() {
  std::string Directory =
      ProgramDirectoryFor(RunningExecutableDirectory(), KESTRAVA_INSTALLED_PROGRAM_DIR).string();
  while (Directory.size() > 1 && Directory.back() == '/') {
    Directory.pop_back();
  }
  return Directory;
}

} // namespace kestrava
