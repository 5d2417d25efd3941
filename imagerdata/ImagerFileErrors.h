#pragma once
// Failures of reading and writing imager files that also say why, for callers
// that can show more than the workstation's one-line messages.

#include "foundation/QelExceptions.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace kestrava {

// A file that could not be opened for reading. what() is the workstation's
// "Cannot open file: NAME"; Reason() says why in a few words ("no such
// file", "is a directory", "permission denied").
class EImagerFileAccess : public Exception {
public:
  EImagerFileAccess(const std::string& Path, std::string Reason)
      : Exception("Cannot open file: " + Path), Path_(Path), Reason_(std::move(Reason)) {}
  const std::string& Path() const noexcept { return Path_; }
  const std::string& Reason() const noexcept { return Reason_; }

private:
  std::string Path_;
  std::string Reason_;
};

// The save target could not be written; the earlier contents of Path are
// untouched. what() is the same "Cannot open file: NAME" as a failed open.
class EImagerFileSave : public EImagerFileAccess {
public:
  using EImagerFileAccess::EImagerFileAccess;
};

// No reader accepted the file. Detail() says what the reader of the file's
// generation met ("unknown signature", "truncated in frame 12 of 300").
class EImagerFileNotRecognised : public E_Qel_UnrecognisedDataFormat {
public:
  explicit EImagerFileNotRecognised(std::string Detail) : Detail_(std::move(Detail)) {}
  const std::string& Detail() const noexcept { return Detail_; }

private:
  std::string Detail_;
};

// Why Path could not be opened, in words. Error is what the failed open or
// write reported; without one the file system is asked what Path is.
std::string FileFailureReason(const std::filesystem::path& Path, std::error_code Error = {});

// Raises EImagerFileAccess for Path right after TImagerFileInput::OpenFile
// refused it (errno still holds what a failed open said).
[[noreturn]] void ThrowCannotOpenForReading(const std::string& Path);

} // namespace kestrava
