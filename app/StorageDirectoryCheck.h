#pragma once
// Before a recording starts: the storage directory must be a directory, and
// one that does not exist yet is created (after asking), without creating
// missing parents. Thread: user-interface thread.

#include <string>

namespace kestrava {

class IUserInteraction;

inline constexpr const char* StoragePathIsFileMessage =
    "Imager file storage path points to a file rather than a directory";
inline constexpr const char* CreateDirectoryFailedMessage = "Failed to create directory";

// The question asked for a missing directory.
std::string StorageDirectoryMissingQuestion(const std::string& Path);

// True when Path is (now) a directory to record into; otherwise the operator
// has been told why or has declined, and the recording must not start.
bool EnsureStorageDirectory(const std::string& Path, IUserInteraction& User);

} // namespace kestrava
