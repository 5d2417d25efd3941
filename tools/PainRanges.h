#pragma once
// The --analysis and --reference options of the commands that speak of
// pain (stats, loops, report): frame ranges the user types, set on the
// procedure as the time line's markers would set them, so that every
// command reads the same statistics for the same ranges.

#include "tools/FrameRange.h"

#include <optional>
#include <string>

namespace kestrava {

class TImagerProcedure;

inline constexpr const char* AnalysisOption = "--analysis";
inline constexpr const char* ReferenceOption = "--reference";

// The ranges as typed (none: the whole procedure). Parsed before any file
// is read; EUsageError for malformed text.
struct TPainRanges {
  std::optional<TFrameRange> Analysis;
  std::optional<TFrameRange> Reference;
};
TPainRanges ParsePainRanges(const std::optional<std::string>& Analysis,
                            const std::optional<std::string>& Reference);

// Sets Ranges on Procedure; EUsageError when a range reaches past its frames.
void ApplyPainRanges(const TPainRanges& Ranges, TImagerProcedure& Procedure);

// The range the procedure uses: the requested one, else every frame (none
// for a procedure without frames).
std::optional<TFrameRange> EffectiveRange(const std::optional<TFrameRange>& Requested,
                                          std::int32_t FrameCount);

} // namespace kestrava
