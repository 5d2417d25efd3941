#pragma once
// A private folder under the system's temporary directory (or Base, where
// that is a folder), removed with everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace kestrava::support {

class TScratchDirectory {
public:
  explicit TScratchDirectory(const std::string& Prefix = "kestrava",
                             const std::filesystem::path& Base = {}) {
    std::error_code Error;
    std::string Pattern =
        ((Base.empty() ? std::filesystem::temp_directory_path() : Base) / (Prefix + "-XXXXXX"))
            .string();
    if ((Base.empty() || std::filesystem::is_directory(Base, Error)) &&
        ::mkdtemp(Pattern.data()) != nullptr) {
      Dir = Pattern;
    }
  }
  TScratchDirectory(const TScratchDirectory&) = delete;
  TScratchDirectory& operator=(const TScratchDirectory&) = delete;
  ~TScratchDirectory() {
    std::error_code Ignored;
    if (!Dir.empty()) {
      std::filesystem::remove_all(Dir, Ignored);
    }
  }

  bool Made() const { return !Dir.empty(); }
  std::string PathOf(const std::string& Name) const { return (Dir / Name).string(); }

  std::filesystem::path Dir;
};

} // namespace kestrava::support
