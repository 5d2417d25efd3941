#pragma once
// Loop detection over time: a loop is announced once frames have shown one
// for AnnounceAfter seconds and cleared once none has been seen for
// ClearAfter seconds, so that a single noisy frame neither raises nor drops
// the alert. Each announced stretch is an episode.
//
// Feed frames in time order (a time earlier than the one before is taken as
// the one before). Thread: one tracker per thread.

#include "looping/LoopClassifier.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrava {

struct TLoopEpisode {
  // The first and last frame that showed the loop (as numbered by the caller).
  std::int32_t FirstFrame = 0;
  std::int32_t LastFrame = 0;
  double StartSeconds = 0;
  double EndSeconds = 0;
  // The class shown by most of the episode's frames.
  TLoopClass Class = TLoopClass::None;
  // The largest extent (catheter metres from the tip) and excess length seen.
  double LargestExtentNear = 0;
  double LargestExtentFar = 0;
  double LargestExcess = 0;
};

class TLoopTracker {
public:
  static constexpr double AnnounceAfter = 0.5; // seconds
  static constexpr double ClearAfter = 1.0;    // seconds

  // Takes the state of frame Frame, taken at TimeSeconds; returns whether a
  // loop is announced after it.
  bool Update(std::int32_t Frame, double TimeSeconds, const TLoopState& State);
  // Ends an episode still open at its last looped frame (the end of a recording).
  void Finish();

  bool Announced() const { return Phase_ == TPhase::Announced; }
  // The class of the open episode so far; None when nothing is announced.
  TLoopClass AnnouncedClass() const;
  // The episodes that have ended, in order.
  const std::vector<TLoopEpisode>& Episodes() const { return Episodes_; }

private:
  enum class TPhase { Idle, Pending, Announced };
  void Start(std::int32_t Frame, double TimeSeconds);
  void Take(std::int32_t Frame, double TimeSeconds, const TLoopState& State);
  void Close();

  TPhase Phase_ = TPhase::Idle;
  TLoopEpisode Open_;
  std::array<std::int32_t, LoopClassCount> ClassFrames_{};
  double LastLoopSeconds_ = 0;
  double LastSeconds_ = 0;
  bool Started_ = false;
  std::vector<TLoopEpisode> Episodes_;
};

} // namespace kestrava
