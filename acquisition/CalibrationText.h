#pragma once
// The number stream of the calibration files. Items are decimal numbers
// separated by blanks (spaces, tabs) or line ends; a line that holds fewer
// items than its reader wants lends the missing ones from the next line, and
// after the items a line is defined to hold the rest of that line is skipped.
//
// Every read returns false instead of raising: at the end of the text, on a
// token that is not a number of the asked kind, or on a number out of range.
// After a failed read the position is unspecified; readers stop at the first
// failure.
//
// Thread: any; an object is used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrava {

// Calibration files are a few lines long; anything bigger is not one, and
// refusing it keeps a reader from taking in an arbitrarily large file.
inline constexpr std::size_t MaxCalibrationFileBytes = std::size_t{64} * 1024;

// The whole file, or empty when it is missing, unreadable or larger than
// MaxCalibrationFileBytes.
std::optional<std::string> ReadCalibrationFile(const std::string& Path);

class TCalibrationText {
public:
  // Text must outlive the reader.
  explicit TCalibrationText(std::string_view Text) : Text_(Text) {}

  // An optional sign and decimal digits only, within 32 bits.
  bool ReadInteger(std::int32_t& Value);
  // An optional sign, digits with an optional decimal point, an optional
  // exponent ("e"/"E", sign, digits); the result must be finite.
  bool ReadReal(double& Value);
  // Skips what is left of the current line, line end included (LF, CR LF or
  // a lone CR). True even at the end of the text.
  void SkipLine();
  // The rest of the current line without its line end; empty at the end of
  // the text (a missing last line reads as an empty one).
  std::string ReadLine();

private:
  std::optional<std::string_view> NextToken();

  std::string_view Text_;
  std::size_t Position_ = 0;
};

} // namespace kestrava
