#include "foundation/HighResTimer.h"

#include "foundation/QelExceptions.h"

#include <chrono>

namespace kestrava {

namespace {

using TClock = std::chrono::steady_clock;

std::int64_t ReadSteadyClock() {
  return static_cast<std::int64_t>(TClock::now().time_since_epoch().count());
}

constexpr std::int64_t SteadyClockFrequency() {
  static_assert(TClock::period::num == 1, "the clock must tick in fractions of a second");
  return static_cast<std::int64_t>(TClock::period::den);
}

} // namespace

THighResTimer::THighResTimer() : THighResTimer(ReadSteadyClock, SteadyClockFrequency()) {}

THighResTimer::THighResTimer(std::function<std::int64_t()> Counter, std::int64_t Frequency)
    : Counter_(std::move(Counter)), Frequency_(Frequency) {
  // A zero or negative frequency would turn every reading into infinity or
  // nonsense rather than fail where the mistake is made.
  if (!Counter_ || Frequency_ <= 0) {
    throw E_Qel_InvalidArg();
  }
}

void THighResTimer::Start() {
  StartCount_ = Counter_();
  Running_ = true;
}

double THighResTimer::Elapsed() const {
  if (!Running_) {
    return BaseSeconds_;
  }
  // The difference first, in integers: the counts themselves are far too
  // large for a double to keep their low digits.
  const std::int64_t Counts = Counter_() - StartCount_;
  return static_cast<double>(Counts) / static_cast<double>(Frequency_) + BaseSeconds_;
}

void THighResTimer::Lap() {
  LastElapsed_ = Elapsed();
}

} // namespace kestrava
