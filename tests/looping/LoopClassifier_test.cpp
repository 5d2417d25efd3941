#include "LoopTestShapes.h"
#include "looping/LoopClassifier.h"

#include <optional>
#include <tuple>
#include <utility>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using namespace kestrava::testing;

TLoopState Classify(const TPath& Path, int Sensors = MaxSensors, TAnatomy Anatomy = {},
                    std::optional<double> Depth = std::nullopt) {
  TImagerFrame Frame;
  FrameAlong(Path, Frame, Sensors, Anatomy);
  return ClassifyLoop(Frame, 0, Depth);
}

// A wide bend, like a flexure: up, across and down again.
TPath Flexure() {
  TPath Bent = RisingTo(0, 0.35);
  AddCurve(Bent, [](double U) {
    const double A = std::numbers::pi * U;
    return Vector3(-0.1 + 0.1 * std::cos(A), 0, 0.35 + 0.1 * std::sin(A));
  });
  AddLineTo(Bent, Vector3(-0.2, 0, 0.2));
  return Bent;
}

TPath Crossing(double Base, bool Up, bool TipInFront) {
  TPath Path = RisingTo(0, Base);
  AddCrossingLoop(Path, 0.1, 0.08, Up, TipInFront);
  AddLineTo(Path, AddVectors(Path.back(), Vector3(0.05, 0, Up ? 0.15 : -0.1)));
  return Path;
}

// The sigmoid pushed up into a narrow hairpin.
TPath NarrowN() {
  TPath Path = RisingTo(0, 0.08);
  const TVector3 Start = Path.back();
  AddCurve(Path, [&](double U) {
    const double Theta = 2 * std::numbers::pi * U;
    return AddVectors(Start,
                      Vector3(0.12 * U + 0.9 * 0.12 / (2 * std::numbers::pi) * std::sin(Theta), 0,
                              0.22 * (1 - std::cos(Theta)) / 2));
  });
  AddLineTo(Path, AddVectors(Path.back(), Vector3(0, 0, 0.2)));
  return Path;
}

TPath DeepTransverse() {
  TPath Path = RisingTo(0.1, 0.5);
  AddCurve(Path, [](double U) {
    const double Sag = std::sin(std::numbers::pi * U);
    return Vector3(0.1 - 0.3 * U, 0.05 * Sag, 0.5 - 0.05 * U - 0.45 * Sag * Sag);
  });
  AddLineTo(Path, Vector3(-0.2, 0, 0.35));
  return Path;
}

// The sigmoid, in front, pushed up in a broad arch to the transverse
// colon's level and down to the pelvic brim, and the tip up the descending
// colon behind it: a metre of endoscope inside. Unlooped, the tip would lie
// some 0.65 m along the colon (rectum 15 cm, sigmoid 40, descending 10).
TPath TallN() {
  TPath Path = RisingTo(0, 0.02);
  AddLineTo(Path, Vector3(0, -0.02, 0.14));
  AddLineTo(Path, Vector3(0.03, 0.06, 0.40));
  const TVector3 Start = Path.back();
  AddCurve(Path, [&](double U) {
    const double A = std::numbers::pi * U;
    return AddVectors(Start, Vector3(-0.07 + 0.07 * std::cos(A), 0, 0.07 * std::sin(A)));
  });
  AddLineTo(Path, Vector3(-0.11, 0.06, 0.22));
  AddLineTo(Path, Vector3(-0.12, -0.02, 0.20));
  AddLineTo(Path, Vector3(-0.12, -0.02, 0.30));
  return Path;
}
constexpr double TallNDepth = 0.65;

TEST(ClassifyLoop, StraightAndBentButUnloopedScopesAreNotLooped) {
  const TLoopState Straight = Classify(RisingTo(0, 1.0));
  EXPECT_EQ(std::tuple(Straight.Present, Straight.Class, Straight.Reason),
            std::tuple(false, TLoopClass::None, ""));
  EXPECT_NEAR(Straight.ExcessLength, 0, 1e-9);
  // 16 sensors cover 1.2 m; the part beyond the anus is not inserted.
  EXPECT_NEAR(Straight.InsertedLength, 1.0, 0.01);

  const TLoopState Bent = Classify(Flexure());
  EXPECT_EQ(std::pair(Bent.Class, Bent.HasCrossing), std::pair(TLoopClass::None, false));
  EXPECT_LT(Bent.ExcessLength, AtypicalExcess);
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
    const TLoopState State = Classify(Crossing(C.Base, C.Up, C.TipInFront));
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
  const TPath Path = Crossing(0.08, true, true);
  TImagerFrame Frame;
  FrameAlong(Path, Frame);
  Frame.SensorValid[5] = false;
  const TLoopState State = ClassifyLoop(Frame, 0);
  EXPECT_EQ(State.Class, TLoopClass::Alpha);
  EXPECT_NEAR(State.InsertedLength,
              ClassifyLoop((FrameAlong(Path, Frame), Frame), 0).InsertedLength, 0.02);
}

TEST(ClassifyLoop, AHairpinPushedUpIsAnNLoop) {
  const TLoopState State = Classify(NarrowN());
  EXPECT_EQ(std::pair(State.Class, State.HasCrossing), std::pair(TLoopClass::N, false));
  EXPECT_GT(State.ExcessLength, NExcess);
  EXPECT_GT(State.ExtentFar - State.ExtentNear, 0.4);
}

TEST(ClassifyLoop, ATransverseSaggingIntoThePelvisIsDeepTransverse) {
  const TLoopState State = Classify(DeepTransverse());
  EXPECT_EQ(State.Class, TLoopClass::DeepTransverse);
  EXPECT_TRUE(State.HasExtent);
}

TEST(ClassifyLoop, ATallNLoopIsFoundFromTheDepthTheTipHasReached) {
  const TLoopState Alone = Classify(TallN());
  EXPECT_NE(Alone.Class, TLoopClass::N) << "its shape alone neither turns sharply nor closes";
  EXPECT_LT(Alone.ExcessLength, 0.2);
  const TLoopState State = Classify(TallN(), MaxSensors, {}, TallNDepth);
  EXPECT_EQ(State.Class, TLoopClass::N);
  EXPECT_NEAR(State.InsertedLength, 1.0, 0.05);
  EXPECT_NEAR(State.ExcessLength, State.InsertedLength - TallNDepth, 1e-9);
  // From the descending junction back to the anus.
  EXPECT_NEAR(State.ExtentNear, 0.12, 0.03);
  EXPECT_NEAR(State.ExtentFar, State.InsertedLength, 0.02);
}

TEST(ClassifyLoop, TheClassesHoldInPatientsOfEverySizeWithThePelvisTilted) {
  const struct {
    TPath Path;
    std::optional<double> Depth; // for a patient of average size
    TLoopClass Expected;
    double LargestScale = 2;
  } Cases[] = {
      {RisingTo(0, 1.0), 0.97, TLoopClass::None},
      {Flexure(), std::nullopt, TLoopClass::None},
      {Crossing(0.08, true, true), std::nullopt, TLoopClass::Alpha},
      {Crossing(0.08, true, false), std::nullopt, TLoopClass::ReverseAlpha},
      {Crossing(0.45, false, true), std::nullopt, TLoopClass::Gamma},
      {NarrowN(), std::nullopt, TLoopClass::N},
      {TallN(), TallNDepth, TLoopClass::N},
      // In a large patient the catheter's 1.2 m no longer reach the flexure.
      {DeepTransverse(), std::nullopt, TLoopClass::DeepTransverse, 1.1},
  };
  for (const TAnatomy Anatomy : {TAnatomy{0.8, 0}, TAnatomy{1.2, 0}, TAnatomy{0.8, 30},
                                 TAnatomy{1.0, 20}, TAnatomy{1.2, 35}}) {
    for (std::size_t I = 0; I < std::size(Cases); ++I) {
      const auto& Case = Cases[I];
      if (Anatomy.Scale > Case.LargestScale) {
        continue;
      }
      const std::optional<double> Depth =
          Case.Depth ? std::optional<double>(*Case.Depth * Anatomy.Scale) : std::nullopt;
      EXPECT_EQ(Classify(Case.Path, MaxSensors, Anatomy, Depth).Class, Case.Expected)
          << "shape " << I << ", scale " << Anatomy.Scale << ", tilt " << Anatomy.TiltDegrees;
    }
  }
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
