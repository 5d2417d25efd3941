#pragma once
// The text of the drivers' settings files: one "keyword values" line each,
// '#' starts a comment, blanks are spaces, tabs and carriage returns. Each
// driver keeps its own keywords and messages; what is shared is the
// bounded read and the walk over the lines.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace kestrava {

inline constexpr std::string_view SettingsBlanks = " \t\r";

// Text without the blanks at either end.
std::string_view TrimmedSetting(std::string_view Text);
// The first word of Text and the trimmed rest after it.
std::pair<std::string_view, std::string_view> FirstSettingWord(std::string_view Text);

// Reads at most MaxBytes + 1 bytes of Path into Text, so that a file at the
// limit is told from a larger one without reading the whole of something
// that is not a settings file; false with "cannot open PATH" or "cannot
// read PATH" in Error.
bool ReadSettingsFile(const std::filesystem::path& Path, std::size_t MaxBytes, std::string& Text,
                      std::string& Error);

// Thrown by a settings parser to leave a line at its first problem; the
// walk over the lines turns it into its false result.
struct TSettingsError {
  std::string Text;
};

// Reads a settings file as ReadSettingsFile does, refuses more than MaxBytes
// or a NUL byte ("NAME is not a settings file of at most MAX bytes of
// text"), then parses it: false with the parser's reason after the file's
// name in Error.
bool LoadSettingsFile(const std::filesystem::path& Path, std::size_t MaxBytes,
                      const std::function<bool(std::string_view Text, std::string& Error)>& Parse,
                      std::string& Error);

// Calls Apply with every line of Text that holds more than a comment, cut of
// its comment and its blanks at either end. The first TSettingsError Apply
// throws stops the walk with false and "line N: PROBLEM" in Error.
bool ForEachSettingsLine(std::string_view Text,
                         const std::function<void(std::string_view Line)>& Apply,
                         std::string& Error);

} // namespace kestrava
