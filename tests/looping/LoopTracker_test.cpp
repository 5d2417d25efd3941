#include "looping/LoopScore.h"
#include "looping/LoopTracker.h"

#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TLoopState Looped(TLoopClass Class) {
  TLoopState State;
  State.Present = true;
  State.Class = Class;
  return State;
}

TEST(LoopTracker, AnnouncesAfterHalfASecondRidesOutAMissedFrameAndClearsAfterASecond) {
  TLoopTracker Tracker;
  std::vector<bool> Announced;
  for (int I = 0; I < 200; ++I) {
    const double T = I * 0.04; // 25 frames a second
    const bool Loop = T >= 1.0 && T < 3.0 && I != 30;
    const TLoopClass Class = T < 1.5 ? TLoopClass::Alpha : TLoopClass::Gamma;
    Announced.push_back(Tracker.Update(I + 1, T, Loop ? Looped(Class) : TLoopState{}));
  }
  Tracker.Finish();
  EXPECT_FALSE(Announced[36]); // 0.44 s after the first looped frame
  EXPECT_TRUE(Announced[38]);  // 0.52 s
  EXPECT_TRUE(Announced[98]);  // 0.96 s after the last looped frame
  EXPECT_FALSE(Announced[100]);
  ASSERT_EQ(Tracker.Episodes().size(), 1u);
  const TLoopEpisode& E = Tracker.Episodes()[0];
  // Gamma: most of its frames.
  EXPECT_EQ(std::tuple(E.FirstFrame, E.LastFrame, E.Class), std::tuple(26, 75, TLoopClass::Gamma));
}

TEST(LoopTracker, AFlickerIsNeverAnnouncedAndAnOpenEpisodeEndsWithTheRecording) {
  TLoopTracker Tracker;
  for (int I = 0; I < 10; ++I) {
    EXPECT_FALSE(Tracker.Update(I, I * 0.4, I % 2 == 0 ? Looped(TLoopClass::N) : TLoopState{}));
  }
  // At one frame a second the second looped frame announces.
  EXPECT_FALSE(Tracker.Update(20, 20, Looped(TLoopClass::N)));
  EXPECT_TRUE(Tracker.Update(21, 21, Looped(TLoopClass::N)));
  Tracker.Finish();
  ASSERT_EQ(Tracker.Episodes().size(), 1u);
  EXPECT_EQ(Tracker.Episodes()[0].FirstFrame, 20);
}

TEST(LoopScorer, CountsFramesOnsetDelaysMissesAndFalseAlarms) {
  TLoopScorer Scorer;
  // A true alpha from 1 s to 3 s, announced at 1.5 s; an alarm at 10 s with no loop.
  for (int I = 0; I <= 150; ++I) {
    const double T = I * 0.1;
    const TLoopClass Truth = T >= 1 && T < 3 ? TLoopClass::Alpha : TLoopClass::None;
    const TLoopClass Seen = T >= 1.2 && T < 3 ? TLoopClass::ReverseAlpha : TLoopClass::None;
    Scorer.Add(T, Truth, Seen, (T >= 1.5 && T < 3.5) || (T >= 10 && T < 11));
  }
  Scorer.EndRun();
  const TLoopScore& S = Scorer.Score();
  ASSERT_EQ(std::tuple(S.TruePositives + S.FalseNegatives, S.FalseNegatives, S.ClassCorrect,
                       S.Confusion[1][2], S.OnsetDelays.size(), S.FalseAlarms, S.MissedEpisodes),
            std::tuple(20, 2, 0, 18, 1u, 1, 0));
  EXPECT_NEAR(S.OnsetDelays[0], 0.5, 1e-9);
  EXPECT_NEAR(S.NegativeSeconds, 13, 0.11);
}

} // namespace
} // namespace kestrava
