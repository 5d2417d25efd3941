#pragma once
// How well detected loops match a ground truth, frame by frame and episode
// by episode: what `kestrava-tool loops --truth` prints and the detection
// benchmark measures.
//
// A frame is positive when its truth class is not None; it is detected when
// its own state shows a loop. A true episode is a run of positive frames;
// its onset delay is the time from its first frame to the first frame
// within it on which the tracker announced a loop (missed when none). An
// alarm is a run of announced frames; it is false when no positive frame
// lies within it or within TLoopTracker::ClearAfter before it starts.
// Several runs (procedures) may be added one after another.

#include "looping/LoopClass.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrava {

using TConfusionMatrix =
    std::array<std::array<std::int64_t, LoopClassCount>, LoopClassCount>; // [truth][detected]

struct TLoopScore {
  std::int64_t TruePositives = 0, FalseNegatives = 0, TrueNegatives = 0, FalsePositives = 0;
  // Positive frames whose detected class is their true class.
  std::int64_t ClassCorrect = 0;
  TConfusionMatrix Confusion{};
  std::vector<double> OnsetDelays; // seconds, one per announced true episode
  std::int32_t MissedEpisodes = 0;
  std::int32_t FalseAlarms = 0;
  double NegativeSeconds = 0; // time with no true loop

  double Sensitivity() const;        // NaN without positive frames
  double Specificity() const;        // NaN without negative frames
  double ClassAccuracy() const;      // of positive frames; NaN without any
  double FalseAlarmsPerHour() const; // per hour without a true loop; NaN without any
};

class TLoopScorer {
public:
  // One frame at TimeSeconds (non-decreasing within a run).
  void Add(double TimeSeconds, TLoopClass Truth, TLoopClass Detected, bool Announced);
  // Closes the run: open episodes end here.
  void EndRun();
  const TLoopScore& Score() const { return Score_; }

private:
  TLoopScore Score_;
  bool Started_ = false;
  double PreviousSeconds_ = 0;
  bool PreviousTruth_ = false;
  bool TruthOpen_ = false, TruthAnnounced_ = false;
  double TruthOnset_ = 0;
  bool AlarmOpen_ = false, AlarmTrue_ = false;
  double LastPositiveSeconds_ = -1e300;
};

} // namespace kestrava
