#pragma once
// What the timeline finds in a colonoscopy: per frame the phase, the colon
// segment and the tip's depth; for the procedure the moments that the
// quality of a colonoscopy is measured by; and the lesions tagged.
//
// Frames are numbered from 1; times are seconds since the first frame;
// depths metres from the anal verge along the tip's own track. Plain values.

#include "geometry/Vectors.h"
#include "timeline/ColonSegment.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

struct TTimelineFrame {
  double Seconds = 0;
  TProcedurePhase Phase = TProcedurePhase::Outside;
  TColonSegment Segment = TColonSegment::Unknown;
  std::optional<double> Depth; // only while the tip is past the anal verge
  friend bool operator==(const TTimelineFrame&, const TTimelineFrame&) = default;
};

struct TTimelineEvent {
  std::int32_t Frame = 0;
  double Seconds = 0;
  friend bool operator==(const TTimelineEvent&, const TTimelineEvent&) = default;
};

struct TTimelineSummary {
  // The first frame with the tip past the anal verge.
  std::optional<TTimelineEvent> InsertionStart;
  // The tip's first arrival at the caecal pole, or the operator's frame.
  std::optional<TTimelineEvent> Caecum;
  bool CaecumConfirmedByOperator = false;
  // Why there is no caecum (empty when there is one).
  std::string Reason;
  // The deepest point of the procedure: its frame, depth and segment.
  std::optional<TTimelineEvent> Deepest;
  std::optional<double> DeepestDepth;
  TColonSegment DeepestSegment = TColonSegment::Unknown;
  // The tip back out of the anal verge after the caecum (or the deepest
  // point), not to come in again.
  std::optional<TTimelineEvent> WithdrawalEnd;
  // Caecum - insertion start; withdrawal end - caecum (none without a caecum).
  std::optional<double> InsertionSeconds;
  std::optional<double> WithdrawalSeconds;
  friend bool operator==(const TTimelineSummary&, const TTimelineSummary&) = default;
};

struct TLesionTag {
  std::int32_t Number = 0;
  std::int32_t Frame = 0;
  double Seconds = 0;
  std::optional<TVector3> Tip; // generator axes, metres
  std::optional<double> Depth;
  TColonSegment Segment = TColonSegment::Unknown;
  friend bool operator==(const TLesionTag&, const TLesionTag&) = default;
};

// A run of frames in one phase, for the time line's band.
struct TPhaseRun {
  std::int32_t FirstFrame = 0;
  std::int32_t LastFrame = 0;
  TProcedurePhase Phase = TProcedurePhase::Outside;
  friend bool operator==(const TPhaseRun&, const TPhaseRun&) = default;
};

struct TTimelineAnalysis {
  std::vector<TTimelineFrame> Frames; // one per frame of the procedure, in order
  TTimelineSummary Summary;
  std::vector<TLesionTag> Lesions; // the operator's tags on frames that exist
  friend bool operator==(const TTimelineAnalysis&, const TTimelineAnalysis&) = default;
};

} // namespace kestrava
