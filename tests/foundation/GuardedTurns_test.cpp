#include "foundation/GuardedTurns.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Turn N fails when Fails(N); the loop runs until turn Until.
struct TScript {
  std::vector<std::string> Failures;
  int Turns = 0;
  bool Run(const std::function<bool(int)>& Fails, int Until, int Limit) {
    return RunGuardedTurns(
        [&] {
          if (Fails(++Turns))
            throw std::runtime_error("turn " + std::to_string(Turns));
        },
        [&] { return Turns >= Until; }, [&](const std::string& What) { Failures.push_back(What); },
        Limit);
  }
};

TEST(GuardedTurns, AFailedTurnIsReportedAndTheLoopGoesOnUntilFailuresRepeat) {
  TScript Sometimes;
  EXPECT_TRUE(Sometimes.Run([](int N) { return N % 2 == 0; }, 10, 3));
  EXPECT_EQ(Sometimes.Turns, 10);
  EXPECT_EQ(Sometimes.Failures.size(), 5u);
  EXPECT_EQ(Sometimes.Failures.front(), "turn 2");

  TScript Always;
  EXPECT_FALSE(Always.Run([](int N) { return N > 4; }, 100, 3));
  EXPECT_EQ(Always.Turns, 7) << "three failures in a row stop it";
}

} // namespace
} // namespace kestrava
