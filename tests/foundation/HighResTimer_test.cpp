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

TEST(HighResTimer, ElapsedBeforeStartIsBaseSeconds) {
  THighResTimer Timer;
  EXPECT_FALSE(Timer.Running());
  EXPECT_EQ(Timer.Elapsed(), 0.0);
  Timer.SetBaseSeconds(2.5);
  EXPECT_EQ(Timer.Elapsed(), 2.5);
}

TEST(HighResTimer, ElapsedCountsFromStartInSecondsPlusBase) {
  // Counts near the top of the range: the reading must come from the
  // difference, not from two huge values turned into doubles.
  TManualCounter Counter{0x7000000000000000};
  THighResTimer Timer(Counter.Reader(), 1'000'000'000);
  Timer.Start();
  EXPECT_EQ(Timer.StartCount(), 0x7000000000000000);
  Counter.Now += 1;
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 1e-9);
  Counter.Now += 1'499'999'999;
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 1.5);
  Timer.SetBaseSeconds(10.0);
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 11.5);
}

TEST(HighResTimer, LapStoresReadingAndKeepsRunning) {
  TManualCounter Counter;
  THighResTimer Timer(Counter.Reader(), 1000);
  Timer.Start();
  Counter.Now = 250;
  Timer.Lap();
  EXPECT_DOUBLE_EQ(Timer.LastElapsed(), 0.25);
  Counter.Now = 400;
  EXPECT_TRUE(Timer.Running());
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 0.4);
  EXPECT_DOUBLE_EQ(Timer.LastElapsed(), 0.25);
  Timer.Start(); // restarts from now
  EXPECT_DOUBLE_EQ(Timer.Elapsed(), 0.0);
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
  const double Second = Timer.Elapsed();
  EXPECT_GE(First, 0.0);
  EXPECT_GE(Second, First);
}

} // namespace
} // namespace kestrava
