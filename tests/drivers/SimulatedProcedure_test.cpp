#include "drivers/simulator/SimulatedProcedure.h"

#include <tuple>

#include <gtest/gtest.h>

namespace kestrava::simulator {
namespace {

TSimulatorSettings QuickProcedure() {
  TSimulatorSettings S;
  S.InsertionStart = 2;
  S.InsertionSpeed = 0.05;
  S.StraightenDuration = 4;
  S.CaecumHold = 3;
  return S;
}

TEST(ColonPath, IsAnAdultColonWithItsLandmarksInOrderAndAnEvenGrid) {
  const TColonPath Path;
  EXPECT_GT(Path.Length(), 1.1); // metres
  EXPECT_LT(Path.Length(), 1.8);
  double Previous = 0;
  for (const TColonLandmark Landmark :
       {TColonLandmark::Rectosigmoid, TColonLandmark::DescendingJunction,
        TColonLandmark::SplenicFlexure, TColonLandmark::HepaticFlexure, TColonLandmark::Caecum}) {
    EXPECT_GT(Path.LandmarkArc(Landmark), Previous);
    Previous = Path.LandmarkArc(Landmark);
  }
  EXPECT_DOUBLE_EQ(Path.LandmarkArc(TColonLandmark::Caecum), Path.Length());
  for (std::size_t J = 1; J + 1 < Path.GridCount(); ++J) {
    ASSERT_NEAR(VectorDistance(Path.GridPoint(J - 1), Path.GridPoint(J)), TColonPath::GridStep,
                1e-4)
        << "grid point " << J;
  }
  // The splenic flexure lies on the patient's left and high, the caecum on the right.
  const TVector3 Splenic = Path.PositionAt(Path.LandmarkArc(TColonLandmark::SplenicFlexure));
  const TVector3 Caecum = Path.PositionAt(Path.Length());
  EXPECT_GT(Splenic.X, 0.05);
  EXPECT_GT(Splenic.Z, 0.4);
  EXPECT_LT(Caecum.X, -0.05);
}

TEST(ColonPath, NamesThePartsBetweenItsLandmarks) {
  const TColonPath Path;
  using L = TColonLandmark;
  EXPECT_EQ(std::string(ColonPartText(Path.PartAt(0))), "outside");
  for (const auto& [Landmark, Beyond, Part] : {std::tuple{L::Rectosigmoid, -0.01, "rectum"},
                                               {L::Rectosigmoid, 0.01, "sigmoid"},
                                               {L::DescendingJunction, 0.01, "descending"},
                                               {L::SplenicFlexure, 0.01, "transverse"},
                                               {L::HepaticFlexure, 0.01, "ascending"},
                                               {L::Caecum, -CaecumPartLength - 0.01, "ascending"},
                                               {L::Caecum, -CaecumPartLength + 0.01, "caecum"}}) {
    EXPECT_EQ(ColonPartText(Path.PartAt(Path.LandmarkArc(Landmark) + Beyond)), std::string(Part));
  }
}

TEST(SimulatedProcedure, LoopFormsOnTheWayInAndIsStraightenedAtTheSplenicFlexure) {
  const TSimulatedProcedure Model(QuickProcedure());
  const TColonPath& Path = Model.Path();
  const double Splenic = Path.LandmarkArc(TColonLandmark::SplenicFlexure);
  const double ReachSplenic = 2 + (Splenic - DefaultStartDepth) / 0.05;

  EXPECT_EQ(Model.StateAt(0).TipArc, DefaultStartDepth);
  EXPECT_EQ(Model.StateAt(1.9).LoopAmplitude, 0);
  double PreviousTip = 0, PreviousLoop = 0;
  for (double T = 2; T < ReachSplenic; T += 0.5) {
    const TProcedureState State = Model.StateAt(T);
    EXPECT_GE(State.TipArc, PreviousTip);
    EXPECT_GE(State.LoopAmplitude, PreviousLoop);
    PreviousTip = State.TipArc;
    PreviousLoop = State.LoopAmplitude;
  }
  EXPECT_NEAR(Model.StateAt(ReachSplenic).LoopAmplitude, 0.15, 1e-9);
  EXPECT_NEAR(Model.StateAt(ReachSplenic + 2).TipArc, Splenic, 1e-9);
  EXPECT_GT(Model.StateAt(ReachSplenic + 2).LoopAmplitude, 0);
  EXPECT_EQ(Model.StateAt(ReachSplenic + 4).LoopAmplitude, 0);

  // The loop takes up endoscope: more is inside than the colon's length to the tip.
  const TScopeShape Looped = Model.ShapeAt(ReachSplenic);
  EXPECT_GT(Looped.InsertedLength(), Splenic + 0.03);
  const TScopeShape Straight = Model.ShapeAt(ReachSplenic + 4);
  EXPECT_NEAR(Straight.InsertedLength(), Splenic, 0.01);
  // And it hurts.
  EXPECT_GT(Model.PainAt(ReachSplenic - 1), Model.PainAt(1) + 30);
  EXPECT_NEAR(Model.PainAt(1), 5, 1e-9);
}

TEST(SimulatedProcedure, TurnsBackShortOfTheCaecumInspectsOnTheWayOutAndLeavesTheAnus) {
  TSimulatorSettings S = QuickProcedure();
  S.StartDepth = -0.05;
  S.EndDepth = -0.1;
  S.TurnBackDepth = 0.9;
  S.Readvances = {{0.5, 0.04, 6}, {0.3, 0, 10}};
  const TSimulatedProcedure Model(S);
  EXPECT_EQ(Model.StateAt(0).TipArc, -0.05);
  EXPECT_LT(Model.ShapeAt(0).AtDistanceFromTip(0).Position.Z, 0); // below the anus
  EXPECT_FALSE(Model.CaecumArrival());
  double Deepest = 0, ReachedAt = 0;
  for (double T = 0; T < 200; T += 0.25) {
    if (Model.StateAt(T).TipArc > Deepest) {
      Deepest = Model.StateAt(T).TipArc;
      ReachedAt = T;
    }
  }
  EXPECT_NEAR(Deepest, 0.9, 1e-9);
  // Back at 0.5 m it goes 4 cm in again, waits, and withdraws on; at 0.3 m it pauses.
  const double AtFirst = ReachedAt + 3 + 0.4 / 0.025;
  EXPECT_NEAR(Model.StateAt(AtFirst + 0.4).TipArc, 0.52, 1e-6);
  EXPECT_NEAR(Model.StateAt(AtFirst + 0.8 + 5).TipArc, 0.54, 1e-6);
  const double AtPause = AtFirst + 0.8 + 6 + 0.24 / 0.025;
  EXPECT_NEAR(Model.StateAt(AtPause + 9).TipArc, 0.3, 1e-6);
  const std::optional<double> Out = Model.WithdrawalEnd();
  ASSERT_TRUE(Out);
  EXPECT_NEAR(*Out, AtPause + 10 + 0.3 / 0.025, 1e-6);
  EXPECT_NEAR(Model.StateAt(1e6).TipArc, -0.1, 1e-9);
}

TEST(SimulatedProcedure, ReachesTheCaecumRestsAndIsWithdrawnToTheStart) {
  const TSimulatedProcedure Model(QuickProcedure());
  const double Caecum = Model.Path().Length();
  const double Splenic = Model.Path().LandmarkArc(TColonLandmark::SplenicFlexure);
  const double ReachCaecum =
      2 + (Splenic - DefaultStartDepth) / 0.05 + 4 + (Caecum - Splenic) / 0.05;
  EXPECT_NEAR(Model.StateAt(ReachCaecum + 1).TipArc, Caecum, 1e-9);
  EXPECT_NEAR(Model.CaecumArrival().value_or(0), ReachCaecum, 1e-9);
  EXPECT_FALSE(Model.WithdrawalEnd()); // the tip stays just inside
  EXPECT_NEAR(Model.StateAt(ReachCaecum + 3 + 2).TipArc, Caecum - 0.05, 1e-9);
  EXPECT_EQ(Model.StateAt(1e6).TipArc, DefaultStartDepth);
}

TEST(SimulatedProcedure, SensorsLieAlongTheEndoscopeAtTheirSpacingsPointingToTheTip) {
  const TSimulatedProcedure Model(QuickProcedure());
  constexpr double Step = 0.01;
  for (const double T : {5.0, 12.0, 20.0, 30.0}) {
    const TScopeShape Shape = Model.ShapeAt(T);
    for (double D = 0; D < 1.2; D += Step) {
      const TSensorReading A = Model.EndoscopeSensor(Shape, D);
      const TSensorReading B = Model.EndoscopeSensor(Shape, D + Step);
      // Neighbours along the endoscope lie its length apart (the loop bends
      // the line, it never jumps).
      ASSERT_LE(VectorDistance(A.Position, B.Position), Step + 1e-9) << T << " " << D;
      ASSERT_GT(VectorDistance(A.Position, B.Position), 0.9 * Step) << T << " " << D;
      ASSERT_NEAR(VectorLength(A.Direction), 1, 1e-9);
      // The sensor points from itself towards its neighbour nearer the tip.
      const TVector3 TowardsTip = NormalizeVector(SubtractVectors(A.Position, B.Position));
      ASSERT_GT(DotProduct(B.Direction, TowardsTip), 0.9) << T << " " << D;
    }
  }
}

TEST(SimulatedProcedure, SensorsFarOutsideTheAnusAreOutOfTheField) {
  const TSimulatedProcedure Model(QuickProcedure());
  const TScopeShape Shape = Model.ShapeAt(0);
  EXPECT_TRUE(Model.EndoscopeSensor(Shape, DefaultStartDepth + FieldReachOutside - 0.01).Measured);
  EXPECT_FALSE(Model.EndoscopeSensor(Shape, DefaultStartDepth + FieldReachOutside + 0.01).Measured);
  // Outside, the endoscope runs straight back from the anus.
  const TSensorReading Outside = Model.EndoscopeSensor(Shape, DefaultStartDepth + 0.3);
  const TVector3 Expected =
      AddVectors(BodyOrigin, ScaleVector(Model.Path().InwardDirection(), -0.3));
  EXPECT_NEAR(VectorDistance(Outside.Position, Expected), 0, 1e-5);
}

TEST(SimulatedProcedure, RemoteLiesOnTheLandmarkOfTheHeldMarkerButtonElseInTheHand) {
  TSimulatorSettings S = QuickProcedure();
  S.Presses = {{1, 1, 0x04}, {3, 1, 0x40}};
  const TSimulatedProcedure Model(S);
  EXPECT_EQ(Model.Hand(1.5).Position, TSimulatedProcedure::Landmark(2));
  const TSensorReading Resting = Model.Hand(0.5);
  EXPECT_NEAR(VectorDistance(Resting.Position, BodyOrigin), HandDistanceOutside, 0.01);
  // A mode button does not take the remote off the hand.
  EXPECT_EQ(Model.Hand(3.5).Position, Resting.Position);
}

TEST(SimulatedProcedure, LandmarksGivePatientAxesForEveryProcedureType) {
  // Colonoscopy axes need markers 0-2 not in a line, with marker 2 where
  // the endoscope enters; the upper procedures need markers 2 and 3 off the
  // line through the hips' midpoint.
  const TVector3 M0 = TSimulatedProcedure::Landmark(0), M1 = TSimulatedProcedure::Landmark(1);
  const TVector3 M2 = TSimulatedProcedure::Landmark(2), M3 = TSimulatedProcedure::Landmark(3);
  EXPECT_GT(VectorLength(CrossProduct(SubtractVectors(M1, M2), SubtractVectors(M0, M2))), 1e-3);
  EXPECT_EQ(M2, BodyOrigin);
  const TVector3 Hips = ScaleVector(AddVectors(M0, M1), 0.5);
  EXPECT_GT(VectorLength(CrossProduct(SubtractVectors(Hips, M2), SubtractVectors(Hips, M3))), 1e-3);
}

TEST(SimulatedProcedure, OvertubeSensorStaysBesideTheEndoscopeAtItsDepth) {
  const TSimulatedProcedure Model(QuickProcedure());
  const TScopeShape Shape = Model.ShapeAt(20);
  const TSensorReading Overtube = Model.OvertubeSensor(Shape, 0.25);
  const TSensorReading OnScope = Shape.AtColonArc(0.25);
  EXPECT_NEAR(VectorDistance(Overtube.Position, AddVectors(OnScope.Position, BodyOrigin)),
              OvertubeSensorOffset, 1e-9);
}

} // namespace
} // namespace kestrava::simulator
