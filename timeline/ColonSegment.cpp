#include "timeline/ColonSegment.h"

#include <array>

namespace kestrava {

namespace {

constexpr std::array<std::string_view, ColonSegmentCount> SegmentTexts = {
    "outside", "unknown", "rectum", "sigmoid", "descending", "transverse", "ascending", "caecum"};

constexpr std::array<std::string_view, 4> PhaseTexts = {"outside", "insertion", "caecum",
                                                        "withdrawal"};

} // namespace

std::string_view ColonSegmentText(TColonSegment Segment) {
  const auto Index = static_cast<std::size_t>(Segment);
  return Index < SegmentTexts.size() ? SegmentTexts[Index] : "unknown";
}

std::optional<TColonSegment> ParseColonSegment(std::string_view Text) {
  for (std::size_t Index = 0; Index < SegmentTexts.size(); ++Index) {
    if (SegmentTexts[Index] == Text) {
      return static_cast<TColonSegment>(Index);
    }
  }
  return std::nullopt;
}

std::string_view ProcedurePhaseText(TProcedurePhase Phase) {
  const auto Index = static_cast<std::size_t>(Phase);
  return Index < PhaseTexts.size() ? PhaseTexts[Index] : "outside";
}

} // namespace kestrava
