#pragma once
// The sample clock of the bundled drivers. Sample n is taken at procedure
// time n / rate. Unpaced, each trigger takes the next sample at once; paced,
// a trigger takes the sample due on the wall clock (skipping any the caller
// was too slow for) and the wait returns at that sample's time.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

namespace kestrava {

class TSamplePacer {
public:
  // Back to before the first sample.
  void Restart() {
    Sample_ = -1;
    Pending_ = false;
  }

  void Trigger(bool RealTime, double Rate) {
    const auto Now = std::chrono::steady_clock::now();
    if (Sample_ < 0) {
      Start_ = Now;
      Sample_ = 0;
    } else if (RealTime) {
      const double Elapsed = std::chrono::duration<double>(Now - Start_).count();
      Sample_ = std::max(Sample_ + 1, static_cast<std::int64_t>(std::floor(Elapsed * Rate)));
    } else {
      ++Sample_;
    }
    Pending_ = true;
  }

  // A trigger has not been waited for yet.
  bool Pending() const { return Pending_; }

  // Ends the pending sample, returning at its time when RealTime.
  void Deliver(bool RealTime, double Rate) {
    Pending_ = false;
    if (RealTime) {
      std::this_thread::sleep_until(Start_ +
                                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(Time(Rate))));
    }
  }

  // The sample last triggered; before the first, sample 0, so that a poll of
  // the remote before any sample answers with what sample 0 will show.
  std::uint64_t Sample() const {
    return static_cast<std::uint64_t>(std::max<std::int64_t>(Sample_, 0));
  }
  double Time(double Rate) const { return static_cast<double>(Sample()) / Rate; }

private:
  std::int64_t Sample_ = -1;
  bool Pending_ = false;
  std::chrono::steady_clock::time_point Start_;
};

// Waits out a time limit, as hardware that does not answer would, but never
// longer than a couple of seconds: a caller's absurd limit must not stall a
// test or a demonstration.
inline void WaitOutTimeLimit(double Seconds) {
  constexpr double LongestWait = 2.0;
  if (Seconds > 0 && std::isfinite(Seconds)) {
    std::this_thread::sleep_for(std::chrono::duration<double>(std::min(Seconds, LongestWait)));
  }
}

} // namespace kestrava
