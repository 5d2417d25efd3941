#include "LoopTestShapes.h"
#include "looping/LoopClassifier.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

TLoopState Classify(const TPath& Path, int Sensors = MaxSensors) {
  TImagerFrame Frame;
  FrameAlong(Path, Frame, Sensors);
  return ClassifyLoop(Frame, 0);
}

TEST(ClassifyLoop, StraightAndBentButUnloopedScopesAreNotLooped) {
  const TLoopState Straight = Classify(RisingTo(0, 1.0));
  EXPECT_FALSE(Straight.Present);
  EXPECT_EQ(Straight.Class, TLoopClass::None);
  EXPECT_TRUE(Straight.Reason.empty());
  EXPECT_NEAR(Straight.ExcessLength, 0, 1e-9);
  // 16 sensors cover 1.2 m; the part beyond the anus is not inserted.
  EXPECT_NEAR(Straight.InsertedLength, 1.0, 0.01);

  // A wide bend, like a flexure: up, across and down again.
  TPath Bent = RisingTo(0, 0.35);
  AddCurve(Bent, [](double U) {
    const double A = std::numbers::pi * U;
    return Vector3(-0.1 + 0.1 * std::cos(A), 0, 0.35 + 0.1 * std::sin(A));
  });
  AddLineTo(Bent, Vector3(-0.2, 0, 0.2));
  const TLoopState Flexure = Classify(Bent);
  EXPECT_EQ(Flexure.Class, TLoopClass::None);
  EXPECT_FALSE(Flexure.HasCrossing);
  EXPECT_LT(Flexure.ExcessLength, AtypicalExcess);
}

TEST(ClassifyLoop, CrossingLoopsAreAlphaLowAndGammaHighByWhichLimbIsInFront) {
  struct TCase {
    double Base;
    bool Up, TipInFront;
    TLoopClass Expected;
  };
  for (const TCase& C : {TCase{0.08, true, true, TLoopClass::Alpha},
                         TCase{0.08, true, false, TLoopClass::ReverseAlpha},
                         TCase{0.45, false, true, TLoopClass::Gamma},
                         TCase{0.45, false, false, TLoopClass::ReverseGamma}}) {
    TPath Path = RisingTo(0, C.Base);
    AddCrossingLoop(Path, 0.1, 0.08, C.Up, C.TipInFront);
    AddLineTo(Path, AddVectors(Path.back(), Vector3(0.05, 0, C.Up ? 0.15 : -0.1)));
    const TLoopState State = Classify(Path);
    EXPECT_EQ(State.Class, C.Expected) << LoopClassText(C.Expected);
    EXPECT_TRUE(State.Present);
    ASSERT_TRUE(State.HasCrossing && State.HasExtent);
    // The loop's circumference, about 2 pi R, lies between the crossing's limbs.
    EXPECT_NEAR(State.ExtentFar - State.ExtentNear, 0.45, 0.08);
    EXPECT_NEAR(State.Crossing.Z, C.Base + (C.Up ? 0.02 : -0.02), 0.03);
    EXPECT_GT(State.ExcessLength, 0.3);
  }
}

TEST(ClassifyLoop, ADroppedSensorIsBridgedAlongTheCatheter) {
  TPath Path = RisingTo(0, 0.08);
  AddCrossingLoop(Path, 0.1, 0.08, true, true);
  AddLineTo(Path, AddVectors(Path.back(), Vector3(0.05, 0, 0.15)));
  TImagerFrame Frame;
  FrameAlong(Path, Frame);
  Frame.SensorValid[5] = false;
  const TLoopState State = ClassifyLoop(Frame, 0);
  EXPECT_EQ(State.Class, TLoopClass::Alpha);
  EXPECT_NEAR(State.InsertedLength,
              ClassifyLoop((FrameAlong(Path, Frame), Frame), 0).InsertedLength, 0.02);
}

TEST(ClassifyLoop, AHairpinPushedUpIsAnNLoop) {
  TPath Path = RisingTo(0, 0.08);
  const TVector3 Start = Path.back();
  AddCurve(Path, [&](double U) {
    const double Theta = 2 * std::numbers::pi * U;
    return AddVectors(Start,
                      Vector3(0.12 * U + 0.9 * 0.12 / (2 * std::numbers::pi) * std::sin(Theta), 0,
                              0.22 * (1 - std::cos(Theta)) / 2));
  });
  AddLineTo(Path, AddVectors(Path.back(), Vector3(0, 0, 0.2)));
  const TLoopState State = Classify(Path);
  EXPECT_EQ(State.Class, TLoopClass::N);
  EXPECT_FALSE(State.HasCrossing);
  EXPECT_GT(State.ExcessLength, NExcess);
  EXPECT_GT(State.ExtentFar - State.ExtentNear, 0.4);
}

TEST(ClassifyLoop, ATransverseSaggingIntoThePelvisIsDeepTransverse) {
  TPath Path = RisingTo(0.1, 0.5);
  AddCurve(Path, [](double U) {
    const double Sag = std::sin(std::numbers::pi * U);
    return Vector3(0.1 - 0.3 * U, 0.05 * Sag, 0.5 - 0.05 * U - 0.45 * Sag * Sag);
  });
  AddLineTo(Path, Vector3(-0.2, 0, 0.35));
  const TLoopState State = Classify(Path);
  EXPECT_EQ(State.Class, TLoopClass::DeepTransverse);
  EXPECT_TRUE(State.HasExtent);
}

TEST(ClassifyLoop, FramesItCannotJudgeAreNoneWithTheReason) {
  const TPath Path = RisingTo(0, 1.0);
  EXPECT_EQ(Classify(Path, 3).Reason, "fewer than 4 valid sensors");
  EXPECT_EQ(Classify(Path, 3).Class, TLoopClass::None);
  TImagerFrame Frame;
  FrameAlong(Path, Frame);
  Frame.MarkerValid[2] = false;
  const TLoopState NoMarkers = ClassifyLoop(Frame, 0);
  EXPECT_EQ(NoMarkers.Class, TLoopClass::None);
  EXPECT_EQ(NoMarkers.Reason, "body markers 1-3 are missing or in a line");
  FrameAlong(Path, Frame);
  EXPECT_FALSE(ClassifyLoop(Frame, 1).Reason.empty());
  // Garbage never throws, and a corrupt sensor count is clamped.
  Frame.SensorCount = 1000;
  Frame.SegmentLength[3] = std::nan("");
  EXPECT_NO_THROW(ClassifyLoop(Frame, 0));
}

TEST(LoopClassText, RoundTripsEveryClass) {
  for (std::int32_t C = 0; C < LoopClassCount; ++C) {
    const auto Class = static_cast<TLoopClass>(C);
    EXPECT_EQ(ParseLoopClass(LoopClassText(Class)), Class);
  }
  EXPECT_EQ(LoopClassText(TLoopClass::ReverseAlpha), "reverse-alpha");
  EXPECT_FALSE(ParseLoopClass("Alpha"));
}

} // namespace
} // namespace kestrava
