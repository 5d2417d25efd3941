#include "foundation/HighResTimer.h"
#include "foundation/QelExceptions.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// A counter the test moves by hand.
struct TManualCounter {
  std::int64_t Now = 0;
  auto Reader() {
    return [this] {
      return Now;
    };
  }
};

TEST(HighResTimer, ElapsedIsBaseSecondsPlusTheCountsSinceStart) {
  THighResTimer Idle;
  EXPECT_FALSE(Idle.Running());
  Idle.SetBaseSeconds(2.5);
  EXPECT_EQ(Idle.Elapsed(), 2.5);
  // Counts near the top of the range: the reading must come from the
  // difference, not from two huge values turned into doubles.
  TManualCounter Counter{0x7000000000000000};
  THighResTimer Timer(Counter.Reader(), 1'000'000'000);
  Timer.Start();
  Counter.Now += 1;
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 1e-9);
  Counter.Now += 249'999'999;
  Timer.Lap(); // stores the reading and keeps running
  Counter.Now += 1'250'000'000;
  EXPECT_TRUE(Timer.Running());
  EXPECT_DOUBLE_EQ(Timer.LastElapsed(), 0.25);
  Timer.SetBaseSeconds(10.0);
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 11.5);
  Timer.Start(); // restarts from now
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 10.0);
}

TEST(HighResTimer, RefusesCounterWithoutFrequency) {
  TManualCounter Counter;
  EXPECT_THROW(THighResTimer(Counter.Reader(), 0), E_Qel_InvalidArg);
  EXPECT_THROW(THighResTimer(nullptr, 1000), E_Qel_InvalidArg);
}

TEST(HighResTimer, PlatformClockNeverRunsBackwards) {
  THighResTimer Timer;
  EXPECT_GE(Timer.Frequency(), 1'000'000); // at least microseconds
  Timer.Start();
  const double First = Timer.Elapsed();
  EXPECT_GE(First, 0.0);
  EXPECT_GE(Timer.Elapsed(), First);
}

} // namespace
} // namespace kestrava
