#include "tools/PainRanges.h"

#include "imagerdata/ImagerProcedure.h"

namespace kestrava {

namespace {

void ApplyRange(const std::optional<TFrameRange>& Range, const char* OptionName,
                void (TImagerProcedure::*SetStart)(std::int32_t),
                void (TImagerProcedure::*SetEnd)(std::int32_t), TImagerProcedure& Procedure) {
  if (!Range)
    return;
  CheckFrameRange(*Range, Procedure.FrameCount(), OptionName);
  (Procedure.*SetStart)(FrameIndexOfNumber(Range->First));
  (Procedure.*SetEnd)(FrameIndexOfNumber(Range->Last));
}

} // namespace

TPainRanges ParsePainRanges(const std::optional<std::string>& Analysis,
                            const std::optional<std::string>& Reference) {
  return {ParseOptionalFrameRange(Analysis, AnalysisOption),
          ParseOptionalFrameRange(Reference, ReferenceOption)};
}

void ApplyPainRanges(const TPainRanges& Ranges, TImagerProcedure& Procedure) {
  ApplyRange(Ranges.Analysis, AnalysisOption, &TImagerProcedure::SetAnalysisStart,
             &TImagerProcedure::SetAnalysisEnd, Procedure);
  ApplyRange(Ranges.Reference, ReferenceOption, &TImagerProcedure::SetReferenceStart,
             &TImagerProcedure::SetReferenceEnd, Procedure);
}

std::optional<TFrameRange> EffectiveRange(const std::optional<TFrameRange>& Requested,
                                          std::int32_t FrameCount) {
  if (Requested)
    return Requested;
  if (FrameCount < 1)
    return std::nullopt;
  return TFrameRange{1, FrameCount};
}

} // namespace kestrava
