#pragma once
// Measures short intervals, such as the time one rendering of a view takes.
//
// Readings are in seconds. The counter is the platform's monotonic clock
// unless a test supplies its own. Thread: user-interface thread only.

#include "foundation/QelObject.h"

#include <cstdint>
#include <functional>

namespace kestrava {

class THighResTimer : public TQelObject {
public:
  // Reads the counter's frequency once.
  THighResTimer();
  // Counter: returns counts; Frequency: counts per second, above 0.
  THighResTimer(std::function<std::int64_t()> Counter, std::int64_t Frequency);

  // Reads the counter into StartCount and sets Running; a later Start restarts.
  void Start();
  // While Running: (counter now - StartCount) / Frequency + BaseSeconds;
  // before Start: BaseSeconds.
  double Elapsed() const;
  // Stores Elapsed() in LastElapsed; the timer keeps running.
  void Lap();

  double LastElapsed() const { return LastElapsed_; }
  bool Running() const { return Running_; }
  std::int64_t StartCount() const { return StartCount_; }
  std::int64_t Frequency() const { return Frequency_; }
  // Added to every reading; 0 unless set.
  double BaseSeconds() const { return BaseSeconds_; }
  void SetBaseSeconds(double Seconds) { BaseSeconds_ = Seconds; }

private:
  std::function<std::int64_t()> Counter_;
  std::int64_t StartCount_ = 0;
  std::int64_t Frequency_ = 1;
  double BaseSeconds_ = 0.0;
  double LastElapsed_ = 0.0;
  bool Running_ = false;
};

} // namespace kestrava
