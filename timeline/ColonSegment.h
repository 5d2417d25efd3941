#pragma once
// The parts of a colonoscopy the timeline tells apart: where the tip is
// (the colon segment) and what the examination is doing (the phase), with
// their texts as the tool, the ground-truth files and the workstation show
// them.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrava {

enum class TColonSegment : std::int32_t {
  Outside = 0, // the tip is not past the anal verge
  Unknown,     // no body markers, or no tip, to place it by
  Rectum,
  Sigmoid,
  Descending,
  Transverse,
  Ascending,
  Caecum,
};

inline constexpr std::int32_t ColonSegmentCount = 8;

// "outside", "unknown", "rectum", "sigmoid", "descending", "transverse",
// "ascending", "caecum".
std::string_view ColonSegmentText(TColonSegment Segment);
// The segment of one of those texts (exactly as written); none for any other text.
std::optional<TColonSegment> ParseColonSegment(std::string_view Text);

enum class TProcedurePhase : std::int32_t {
  Outside = 0, // before insertion starts and after withdrawal ends
  Insertion,   // going in, up to the caecum (or the deepest point)
  Caecum,      // from reaching the caecum until the tip leaves it for good
  Withdrawal,  // coming out
};

// "outside", "insertion", "caecum", "withdrawal".
std::string_view ProcedurePhaseText(TProcedurePhase Phase);

} // namespace kestrava
