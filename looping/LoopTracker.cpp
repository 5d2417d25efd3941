#include "looping/LoopTracker.h"

#include <algorithm>

namespace kestrava {

namespace {

// A pending loop survives gaps this long: at 25 frames a second one missed
// frame should not restart the wait for the announcement.
constexpr double PendingGap = TLoopTracker::AnnounceAfter / 2;

} // namespace

bool TLoopTracker::Update(std::int32_t Frame, double TimeSeconds, const TLoopState& State) {
  const double Now = Started_ ? std::max(TimeSeconds, LastSeconds_) : TimeSeconds;
  Started_ = true;
  LastSeconds_ = Now;
  if (State.Present) {
    if (Phase_ == TPhase::Idle) {
      Start(Frame, Now);
    }
    Take(Frame, Now, State);
    if (Phase_ == TPhase::Pending && Now - Open_.StartSeconds >= AnnounceAfter) {
      Phase_ = TPhase::Announced;
    }
  } else if (Phase_ == TPhase::Pending && Now - LastLoopSeconds_ > PendingGap) {
    Phase_ = TPhase::Idle;
  } else if (Phase_ == TPhase::Announced && Now - LastLoopSeconds_ >= ClearAfter) {
    Close();
  }
  return Announced();
}

void TLoopTracker::Finish() {
  if (Phase_ == TPhase::Announced) {
    Close();
  }
  Phase_ = TPhase::Idle;
}

TLoopClass TLoopTracker::AnnouncedClass() const {
  if (!Announced()) {
    return TLoopClass::None;
  }
  const auto Most = std::max_element(ClassFrames_.begin(), ClassFrames_.end());
  return static_cast<TLoopClass>(Most - ClassFrames_.begin());
}

void TLoopTracker::Start(std::int32_t Frame, double TimeSeconds) {
  Phase_ = TPhase::Pending;
  Open_ = {};
  Open_.FirstFrame = Frame;
  Open_.StartSeconds = TimeSeconds;
  ClassFrames_.fill(0);
}

void TLoopTracker::Take(std::int32_t Frame, double TimeSeconds, const TLoopState& State) {
  Open_.LastFrame = Frame;
  Open_.EndSeconds = TimeSeconds;
  LastLoopSeconds_ = TimeSeconds;
  ++ClassFrames_[static_cast<std::size_t>(State.Class)];
  if (State.HasExtent &&
      State.ExtentFar - State.ExtentNear > Open_.LargestExtentFar - Open_.LargestExtentNear) {
    Open_.LargestExtentNear = State.ExtentNear;
    Open_.LargestExtentFar = State.ExtentFar;
  }
  Open_.LargestExcess = std::max(Open_.LargestExcess, State.ExcessLength);
}

void TLoopTracker::Close() {
  Open_.Class = AnnouncedClass();
  Episodes_.push_back(Open_);
  Phase_ = TPhase::Idle;
}

} // namespace kestrava
