#include "imagerdata/ImagerFileReplace.h"

#include "imagerdata/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrava {

namespace {

bool WriteAll(int Descriptor, std::span<const std::uint8_t> Bytes) {
  while (!Bytes.empty()) {
    const ssize_t Written = ::write(Descriptor, Bytes.data(), Bytes.size());
    if (Written < 0 && errno == EINTR) {
      continue;
    }
    if (Written <= 0) {
      return false;
    }
    Bytes = Bytes.subspan(static_cast<std::size_t>(Written));
  }
  return true;
}

} // namespace

TFileDescriptor CreateFileBeside(const std::filesystem::path& Target, std::filesystem::path& Path) {
  std::random_device Random;
  for (int Attempt = 0; Attempt < 100; ++Attempt) {
    Path = Target;
    Path += ".tmp" + std::to_string(Random());
    // 0666 lets the user's umask decide, as for any file they save.
    TFileDescriptor File(::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (File.Valid() || errno != EEXIST) {
      return File;
    }
  }
  return TFileDescriptor(-1);
}

namespace {

// Makes the rename itself durable; a file system that cannot sync a
// directory still has the data, so failure here is not a failed save.
void TrySyncDirectory(const std::filesystem::path& Directory) {
  TFileDescriptor Dir(::open(Directory.empty() ? "." : Directory.c_str(), O_RDONLY | O_DIRECTORY));
  if (Dir.Valid()) {
    ::fsync(Dir.Get());
  }
}

} // namespace

bool ReplaceFileContents(const std::filesystem::path& Target, std::span<const std::uint8_t> Bytes,
                         std::error_code* Failure) {
  // errno of the step that failed, taken before the clean-up can change it.
  const auto Fail = [Failure] {
    if (Failure != nullptr) {
      *Failure = std::error_code(errno, std::generic_category());
    }
    return false;
  };
  std::filesystem::path Temporary;
  TFileDescriptor File = CreateFileBeside(Target, Temporary);
  if (!File.Valid()) {
    return Fail();
  }
  const bool Written = WriteAll(File.Get(), Bytes) && ::fsync(File.Get()) == 0;
  if (!File.Close() || !Written || ::rename(Temporary.c_str(), Target.c_str()) != 0) {
    Fail();
    ::unlink(Temporary.c_str());
    return false;
  }
  TrySyncDirectory(Target.parent_path());
  return true;
}

} // namespace kestrava
