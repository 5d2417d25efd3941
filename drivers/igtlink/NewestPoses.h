#pragma once
// The newest pose of every configured name and the newest pain reading,
// shared between the connection's thread, which records what arrives, and
// the sampler's, which takes samples of it.
//
// A name counts as measured while its newest update was a good one and came
// within the sample timeout. A sample waits for news: for updates newer than
// the previous sample, and then for the rest of the burst they came in, so
// that a sample does not mix two of the server's frames when it sends each
// pose as a message of its own. The burst is over once every name heard
// within the timeout has news, or after BurstGap without any.
//
// Thread: any. The lock is held only to copy the few hundred bytes of a
// batch or a sample, never while waiting for the network.

#include "drivers/igtlink/IGTLinkSettings.h"
#include "drivers/igtlink/TrackedNames.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace kestrava::igtlink {

using TClock = std::chrono::steady_clock;

inline constexpr std::chrono::microseconds BurstGap{2000};

struct TTrackedPose {
  bool Measured = false;
  TVector3 Position;  // metres
  TVector3 Direction; // the pose's +Z axis, unit length
};

struct TTrackerSample {
  std::array<TTrackedPose, PainIndex> Poses{}; // sensor slots, hand and overtube
  bool PainMeasured = false;
  double Pain = 0;
};

class TNewestPoses {
public:
  // Nothing heard yet; the sample timeout runs from Start.
  TNewestPoses(TClock::duration SampleTimeout, TClock::time_point Start);

  // The connection's side: Updates and MessagesRead messages arrived at Now.
  void Record(const std::vector<TNameUpdate>& Updates, std::uint64_t MessagesRead,
              TClock::time_point Now);

  // The sampler's side: waits for news (see above) until Deadline at the
  // latest, then takes the sample. Empty when no message at all arrived
  // within the sample timeout.
  std::optional<TTrackerSample> WaitForSample(TClock::time_point Deadline);

private:
  struct TEntry {
    bool Heard = false;
    TNameUpdate Newest;
    TClock::time_point At;
    std::uint64_t Sequence = 0; // of its newest update
  };

  bool BurstOver(TClock::time_point Now) const;
  bool Fresh(const TEntry& Entry, TClock::time_point Now) const {
    return Entry.Heard && Now - Entry.At <= SampleTimeout_;
  }

  const TClock::duration SampleTimeout_;
  mutable std::mutex Mutex_;
  std::condition_variable News_;
  std::array<TEntry, TrackedCount> Entries_{};
  TClock::time_point LastMessage_;
  TClock::time_point LastUpdate_;
  std::uint64_t Sequence_ = 0;  // updates recorded so far
  std::uint64_t Delivered_ = 0; // Sequence_ at the last sample
};

} // namespace kestrava::igtlink
