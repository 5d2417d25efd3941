#include "tools/FrameRange.h"

#include "tools/ToolErrors.h"

#include <charconv>
#include <optional>

namespace kestrava {

namespace {

// A frame number in 1 .. INT32_MAX written with digits only: no sign, no
// blanks, no leading '+' that std::from_chars would not accept anyway.
std::optional<std::int32_t> ParseFrameNumber(const std::string& Text) {
  if (Text.empty() || Text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  std::int32_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size() || Value < 1)
    return std::nullopt;
  return Value;
}

[[noreturn]] void RefuseRange(const std::string& OptionName, const std::string& Text,
                              const std::string& Reason) {
  throw EUsageError(OptionName + " '" + Text + "': " + Reason);
}

} // namespace

TFrameRange ParseFrameRange(const std::string& Text, const std::string& OptionName) {
  const auto Colon = Text.find(':');
  if (Colon == std::string::npos)
    RefuseRange(OptionName, Text, "expected FIRST:LAST frame numbers");
  const auto First = ParseFrameNumber(Text.substr(0, Colon));
  const auto Last = ParseFrameNumber(Text.substr(Colon + 1));
  if (!First || !Last)
    RefuseRange(OptionName, Text, "expected FIRST:LAST frame numbers counted from 1");
  if (*First > *Last)
    RefuseRange(OptionName, Text, "FIRST must not be greater than LAST");
  return {*First, *Last};
}

void CheckFrameRange(const TFrameRange& Range, std::int32_t FrameCount,
                     const std::string& OptionName) {
  if (FrameCount < 1)
    throw EUsageError(OptionName + " " + FrameRangeText(Range) + ": the file holds no frames");
  if (Range.First < 1 || Range.Last > FrameCount || Range.First > Range.Last)
    throw EUsageError(OptionName + " " + FrameRangeText(Range) + ": frames are numbered 1 to " +
                      std::to_string(FrameCount));
}

std::optional<TFrameRange> ParseOptionalFrameRange(const std::optional<std::string>& Text,
                                                   const std::string& OptionName) {
  return Text ? std::optional(ParseFrameRange(*Text, OptionName)) : std::nullopt;
}

TFrameIndexes SelectFrameIndexes(const std::optional<TFrameRange>& Requested,
                                 std::int32_t FrameCount, const std::string& OptionName) {
  if (!Requested)
    return {0, FrameCount - 1};
  CheckFrameRange(*Requested, FrameCount, OptionName);
  return {FrameIndexOfNumber(Requested->First), FrameIndexOfNumber(Requested->Last)};
}

std::string FrameRangeText(const TFrameRange& Range) {
  return std::to_string(Range.First) + ":" + std::to_string(Range.Last);
}

} // namespace kestrava
