#include "imagerdata/ImagerFileErrors.h"

#include <cctype>
#include <cerrno>

namespace kestrava {

namespace {

// The system's message reads as the rest of a sentence after the path.
std::string Lowercased(std::string Text) {
  if (!Text.empty()) {
    Text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(Text[0])));
  }
  return Text;
}

} // namespace

std::string FileFailureReason(const std::filesystem::path& Path, std::error_code Error) {
  std::error_code StatusError;
  const std::filesystem::file_status Status = std::filesystem::status(Path, StatusError);
  if (Status.type() == std::filesystem::file_type::directory) {
    return "is a directory";
  }
  if (Error) {
    return Lowercased(Error.message());
  }
  if (Status.type() == std::filesystem::file_type::not_found) {
    return "no such file";
  }
  if (StatusError) {
    return Lowercased(StatusError.message());
  }
  if (Status.type() != std::filesystem::file_type::regular) {
    return "not a regular file";
  }
  return "cannot be read";
}

void ThrowCannotOpenForReading(const std::string& Path) {
  const std::error_code OpenError(errno, std::generic_category());
  // The open itself was tried only on a regular file; otherwise errno is stale.
  std::error_code Ignored;
  const bool WasOpened = std::filesystem::is_regular_file(Path, Ignored);
  throw EImagerFileAccess(Path, FileFailureReason(Path, WasOpened ? OpenError : std::error_code()));
}

} // namespace kestrava
