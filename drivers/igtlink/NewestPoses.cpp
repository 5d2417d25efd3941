#include "drivers/igtlink/NewestPoses.h"

#include <algorithm>

namespace kestrava::igtlink {

TNewestPoses::TNewestPoses(TClock::duration SampleTimeout, TClock::time_point Start)
    : SampleTimeout_(SampleTimeout), LastMessage_(Start), LastUpdate_(Start) {}

void TNewestPoses::Record(const std::vector<TNameUpdate>& Updates, std::uint64_t MessagesRead,
                          TClock::time_point Now) {
  {
    const std::lock_guard Lock(Mutex_);
    if (MessagesRead > 0) {
      LastMessage_ = Now;
    }
    for (const TNameUpdate& Update : Updates) {
      TEntry& Entry = Entries_[Update.Index];
      Entry.Heard = true;
      Entry.Newest = Update;
      Entry.At = Now;
      Entry.Sequence = ++Sequence_;
      LastUpdate_ = Now;
    }
  }
  if (!Updates.empty()) {
    News_.notify_all();
  }
}

bool TNewestPoses::BurstOver(TClock::time_point Now) const {
  if (Now >= LastUpdate_ + BurstGap) {
    return true;
  }
  return std::all_of(Entries_.begin(), Entries_.end(), [&](const TEntry& Entry) {
    return !Fresh(Entry, Now) || Entry.Sequence > Delivered_;
  });
}

std::optional<TTrackerSample> TNewestPoses::WaitForSample(TClock::time_point Deadline) {
  std::unique_lock Lock(Mutex_);
  TClock::time_point Now = TClock::now();
  while (Now < Deadline && !(Sequence_ > Delivered_ && BurstOver(Now))) {
    // With news in hand the wait ends at the burst's gap at the latest;
    // without, only an update or the deadline ends it.
    News_.wait_until(Lock, Sequence_ > Delivered_ ? std::min(Deadline, LastUpdate_ + BurstGap)
                                                  : Deadline);
    Now = TClock::now();
  }
  if (Now - LastMessage_ > SampleTimeout_) {
    return std::nullopt;
  }
  Delivered_ = Sequence_;
  TTrackerSample Sample;
  for (std::size_t Index = 0; Index < PainIndex; ++Index) {
    const TEntry& Entry = Entries_[Index];
    TTrackedPose& Pose = Sample.Poses[Index];
    Pose.Measured = Fresh(Entry, Now) && Entry.Newest.Measured;
    Pose.Position = Entry.Newest.Position;
    Pose.Direction = Entry.Newest.Direction;
  }
  const TEntry& Pain = Entries_[PainIndex];
  Sample.PainMeasured = Fresh(Pain, Now) && Pain.Newest.Measured;
  Sample.Pain = Pain.Newest.Pain;
  return Sample;
}

} // namespace kestrava::igtlink
