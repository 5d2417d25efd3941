#pragma once
// Replacing a file so that a failure never destroys what was there before.

#include "imagerdata/FileDescriptor.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <system_error>

namespace kestrava {

// Writes Bytes to a new temporary file beside Target, flushes it to the disk
// and renames it over Target, so Target holds either its old contents or all
// of Bytes, even across a crash or power loss. False on any failure, with the
// temporary removed, Target untouched and, when Failure is given, the
// system's error in it.
bool ReplaceFileContents(const std::filesystem::path& Target, std::span<const std::uint8_t> Bytes,
                         std::error_code* Failure = nullptr);

// Creates a new, empty file for writing beside Target, under a name nobody
// else uses, and puts its path in Path. Not valid on failure, with errno set.
TFileDescriptor CreateFileBeside(const std::filesystem::path& Target, std::filesystem::path& Path);

} // namespace kestrava
