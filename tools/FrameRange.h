#pragma once
// Frame numbers as the tool's user sees them: counted from 1, given as
// "FIRST:LAST" ranges. The procedure counts frames from 0; the conversions
// below are the only place where the two meet.
//
// A range with FIRST > LAST is refused rather than swapped: the user most
// likely mistyped it, and output printed for a silently reordered range
// would not match the command line.

#include <cstdint>
#include <optional>
#include <string>

namespace kestrava {

// The option that chooses the frames a command walks.
inline constexpr const char* RangeOption = "--range";

// Inclusive range of frame numbers (1-based).
struct TFrameRange {
  std::int32_t First = 1;
  std::int32_t Last = 1;
  friend bool operator==(const TFrameRange&, const TFrameRange&) = default;
};

inline std::int32_t FrameIndexOfNumber(std::int32_t FrameNumber) {
  return FrameNumber - 1;
}
inline std::int32_t FrameNumberOfIndex(std::int32_t FrameIndex) {
  return FrameIndex + 1;
}

// Reads "FIRST:LAST" (two unsigned decimal numbers, nothing else). Raises
// EUsageError naming the option when the text is malformed, a number is 0 or
// too large, or FIRST > LAST. Needs no file, so it runs before any load.
TFrameRange ParseFrameRange(const std::string& Text, const std::string& OptionName);

// Raises EUsageError unless both ends lie in 1 .. FrameCount.
void CheckFrameRange(const TFrameRange& Range, std::int32_t FrameCount,
                     const std::string& OptionName);

// ParseFrameRange of an option that may be absent.
std::optional<TFrameRange> ParseOptionalFrameRange(const std::optional<std::string>& Text,
                                                   const std::string& OptionName);

// The procedure's 0-based frame indexes First..Last (inclusive) that a
// command walks: those of Requested, checked against FrameCount, or every
// frame when none was asked for (First > Last when there are no frames).
struct TFrameIndexes {
  std::int32_t First = 0;
  std::int32_t Last = -1;
};
TFrameIndexes SelectFrameIndexes(const std::optional<TFrameRange>& Requested,
                                 std::int32_t FrameCount, const std::string& OptionName);

// Text form "FIRST:LAST", as the user would type it.
std::string FrameRangeText(const TFrameRange& Range);

} // namespace kestrava
