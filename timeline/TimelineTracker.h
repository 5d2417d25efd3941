#pragma once
// The procedure timeline, frame by frame: the recording session adds each
// stored frame as it is stored, the window asks where the examination is.
// Adding a frame costs a search of the colon map near the tip and a few
// comparisons; answers that depend on the whole track (the segments, the
// caecum) are worked out again only when the map has grown. The state after
// N frames is exactly AnalyseTimeline of those N frames (TimelineAnalysis.h).
//
// How it decides (the anatomy it assumes is in ColonLandmarks.h):
// - A frame's tip is placed in the patient's axes from body markers 1-3
//   (TipSample.h); without them the frame is "unknown" and adds nothing.
// - Insertion starts at the first frame with the tip past the anal verge.
// - Depth is the tip's place along its own track (ColonMap.h).
// - The deepest point is the frame of the greatest depth; the tip arrives
//   there at the first frame within ArrivalBand of that depth.
// - The caecum is reached there when the track's end lies where the caecum
//   lies and the tip has spent CaecumDwell seconds within DwellBand of the
//   deepest depth, or at the frame the operator says.
// - The caecum phase lasts until the last frame within CaecumBand of the
//   deepest depth; without a caecum, withdrawal starts after the deepest
//   point once the tip has come back TurnBack from it.
// - The withdrawal ends at the first frame of the tip's last stay outside
//   the anal verge after that, if the tip has not come in again since.
//
// Frames are numbered from 1 in results; Index arguments count from 0.
// Times are seconds since the first frame (its Time field, in days).
// Thread: one tracker per thread.

#include "imagerdata/ImagerFrame.h"
#include "timeline/ColonLandmarks.h"
#include "timeline/ColonMap.h"
#include "timeline/OperatorMarks.h"
#include "timeline/TimelineResult.h"
#include "timeline/TipSample.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrava {

inline constexpr double ArrivalBand = 0.02; // metres
inline constexpr double DwellBand = 0.03;   // metres
inline constexpr double CaecumDwell = 5;    // seconds
inline constexpr double CaecumBand = 0.06;  // metres
inline constexpr double TurnBack = 0.10;    // metres
// The tip is looked for within this much depth of where it was a frame
// ago, and more after a gap (WindowSpeed for every second between).
inline constexpr double MinWindow = 0.15;   // metres
inline constexpr double WindowSpeed = 0.10; // metres per second
// The withdrawal time the guidelines ask for at least.
inline constexpr double MinimumWithdrawalSeconds = 360;

class TTimelineTracker {
public:
  // ProcedureType as TImagerProcedure's; anything but a colonoscopy gets
  // no timeline ("not a colonoscopy").
  explicit TTimelineTracker(std::int32_t ProcedureType);

  // Only a colonoscopy has a timeline.
  bool Colonoscopy() const { return Colonoscopy_; }

  // The next stored frame, in time order. Never throws for any frame content.
  void Add(const TImagerFrame& Frame);
  std::int32_t FrameCount() const { return static_cast<std::int32_t>(Records_.size()); }

  // The operator's marks; frames they name beyond FrameCount wait for them.
  void SetMarks(TOperatorMarks Marks) { Marks_ = std::move(Marks); }
  const TOperatorMarks& Marks() const { return Marks_; }
  // Tags frame Index as a lesion; returns its number.
  std::int32_t TagLesion(std::int32_t Index) { return Marks_.TagLesion(Index + 1); }
  // The operator's "Caecum reached" at frame Index, replacing the finding.
  void ConfirmCaecum(std::int32_t Index) { Marks_.Caecum = TCaecumMark{true, Index + 1}; }

  // Frame Index (0 .. FrameCount - 1) as the timeline sees it now.
  TTimelineFrame Frame(std::int32_t Index) const;
  TTimelineSummary Summary() const;
  // Seconds from the caecum to frame Index, or to the withdrawal's end when
  // that came first; none before the caecum or without one. The running
  // withdrawal timer.
  std::optional<double> WithdrawalSecondsAt(std::int32_t Index) const;
  // The phases as runs of frames, first to last: the time line's band.
  std::vector<TPhaseRun> PhaseBand() const;
  // The operator's lesion tags on frames that exist, with where they were.
  std::vector<TLesionTag> Lesions() const;
  // Everything at once.
  TTimelineAnalysis Analysis() const;

private:
  struct TRecord {
    double Seconds = 0;
    TTipStatus Status = TTipStatus::NoMarkers;
    double Depth = 0; // while Inside
    TVector3 Tip;     // generator axes, unless NoMarkers or NoTip
  };
  // The moments the phases turn on, as frame indexes (-1 for none).
  struct TEvents {
    std::int32_t InsertionStart = -1;
    std::int32_t Caecum = -1;
    bool ByOperator = false;
    std::int32_t CaecumEnd = -1; // first frame after the caecum phase
    std::int32_t Turn = -1;      // the caecum, else the deepest point
    bool TurnedBack = false;
    std::int32_t WithdrawalEnd = -1;
  };

  void Follow(std::int32_t Index, const TTipSample& Sample);
  void TakeDepth(std::int32_t Index, double Depth);
  void CountDwell();
  // Frame Index had the tip within Band of the deepest depth so far.
  bool NearDeepest(std::int32_t Index, double Band) const;
  const TColonLandmarks& Landmarks() const;
  TEvents Events() const;
  TProcedurePhase PhaseOf(std::int32_t Index, const TEvents& Events) const;
  TTimelineFrame FrameOf(std::int32_t Index, const TEvents& Events) const;
  TColonSegment SegmentOf(const TRecord& Record) const;
  std::string NoCaecumReason(const TEvents& Events) const;
  TTimelineEvent Event(std::int32_t Index) const;

  bool Colonoscopy_;
  std::optional<double> FirstDays_;
  std::vector<TRecord> Records_;
  TOperatorMarks Marks_;
  TColonMap Map_;
  double HipWidth_ = ReferenceHipWidth;
  bool SawMarkers_ = false;
  // Following the tip.
  double PreviousDepth_ = 0;
  std::optional<double> PreviousSeconds_;
  // What the frames so far have shown.
  std::int32_t FirstInside_ = -1;
  std::int32_t Deepest_ = -1;
  double DeepestDepth_ = 0;
  std::int32_t Arrival_ = 0;   // first frame within ArrivalBand of the deepest depth
  std::int32_t DwellFrom_ = 0; // first frame within DwellBand of it
  double DwellSeconds_ = 0;    // spent within DwellBand of it
  std::int32_t LastInCaecumBand_ = -1;
  double ShallowestSinceDeepest_ = 0;
  std::int32_t OutsideSince_ = -1; // first frame of the tip's current stay outside

  mutable std::optional<TColonLandmarks> Landmarks_;
  mutable std::size_t LandmarksVersion_ = 0;
  mutable double LandmarksHipWidth_ = 0;
};

} // namespace kestrava
