#include "drivers/simulator/SimulatedProcedure.h"
#include "looping/LoopClassifier.h"
#include "tests/support/ModelFrames.h"

#include <gtest/gtest.h>

namespace kestrava::simulator {
namespace {

TSimulatorSettings OneLoop(TLoopKind Kind) {
  TSimulatorSettings S;
  S.InsertionSpeed = 0.02;
  S.LoopAmplitude = 0;
  S.StraightenDuration = 0;
  S.CaecumHold = 5;
  S.Loops = {{Kind, 6, 15, 6}};
  return S;
}

TEST(SimulatorLoops, TheTruthIsTheShapeTheEndoscopeShows) {
  for (const TLoopKind Kind :
       {TLoopKind::Alpha, TLoopKind::ReverseAlpha, TLoopKind::N, TLoopKind::Gamma,
        TLoopKind::ReverseGamma, TLoopKind::DeepTransverse}) {
    const TSimulatedProcedure Model(OneLoop(Kind));
    int Looped = 0, Agreeing = 0, Frames = 0;
    for (double T = 0; T < 130; T += 0.25) {
      TImagerFrame Frame;
      support::ModelFrame(Model, T, Frame);
      const TLoopState State = ClassifyLoop(Frame, 0);
      const TLoopTruth Truth = Model.TruthAt(T);
      const std::string_view Expected = Truth.Present ? LoopKindText(Truth.Kind) : "none";
      ++Frames;
      Looped += Truth.Present ? 1 : 0;
      Agreeing += LoopClassText(State.Class) == Expected ? 1 : 0;
      if (Truth.Present && State.Class != TLoopClass::None && State.HasExtent) {
        EXPECT_NEAR(State.ExtentNear, Truth.ExtentNear, 0.1) << LoopKindText(Kind) << " " << T;
      }
    }
    // Formed for at least the hold; the frames where the two disagree are
    // the moments the loop is just forming or going.
    EXPECT_GT(Looped * 0.25, 15) << LoopKindText(Kind);
    EXPECT_GT(Agreeing, Frames - 12) << LoopKindText(Kind);
  }
}

TEST(SimulatorLoops, ALoopHoldsTheTipTakesUpEndoscopeHurtsAndIsGone) {
  const TSimulatedProcedure Model(OneLoop(TLoopKind::Alpha));
  const double Trigger = LoopTriggerArc(Model.Path(), TLoopKind::Alpha);
  const double FormsAt = (Trigger - DefaultStartDepth) / 0.02;
  const TProcedureState Held = Model.StateAt(FormsAt + 10);
  EXPECT_NEAR(Held.TipArc, Trigger, 1e-9);
  EXPECT_EQ(Held.LoopShare, 1);
  EXPECT_GT(Model.ShapeAt(FormsAt + 10).InsertedLength(), Trigger + 0.15);
  EXPECT_GT(Model.PainAt(FormsAt + 10), Model.PainAt(FormsAt - 1) + 40);
  // Released, the insertion goes on where it stopped.
  EXPECT_NEAR(Model.StateAt(FormsAt + 27 + 1).TipArc, Trigger + 0.02, 1e-9);
  EXPECT_FALSE(Model.TruthAt(FormsAt + 28).Present);
  EXPECT_TRUE(Model.TruthAt(FormsAt + 10).Present);
}

} // namespace
} // namespace kestrava::simulator
