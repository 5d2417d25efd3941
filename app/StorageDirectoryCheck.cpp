#include "app/StorageDirectoryCheck.h"

#include "foundation/UserInteraction.h"

#include <filesystem>
#include <system_error>

namespace kestrava {

std::string StorageDirectoryMissingQuestion(const std::string& Path) {
  return "Imager file storage directory '" + Path + "' does not exist. Do you wish to create it?";
}

bool EnsureStorageDirectory(const std::string& Path, IUserInteraction& User) {
  std::error_code Error;
  const std::filesystem::file_status Status = std::filesystem::status(Path, Error);
  if (std::filesystem::is_directory(Status))
    return true;
  if (std::filesystem::exists(Status)) {
    ShowNotice(User, StoragePathIsFileMessage);
    return false;
  }
  const TMessageAnswer Answer =
      User.ShowMessage({StorageDirectoryMissingQuestion(Path), "", TMessageIcon::Question,
                        TMessageButtons::YesNoCancel});
  if (Answer != TMessageAnswer::Yes)
    return false;
  // One level only, as asked: a missing parent means a mistyped path rather
  // than a tree to be made.
  if (Path.empty() || !std::filesystem::create_directory(Path, Error) || Error) {
    ShowNotice(User, CreateDirectoryFailedMessage);
    return false;
  }
  return true;
}

} // namespace kestrava
