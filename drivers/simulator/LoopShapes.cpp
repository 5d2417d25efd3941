#include "drivers/simulator/LoopShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrava::simulator {

namespace {

constexpr double AlphaRadius = 0.08;
constexpr double GammaRadius = 0.075;
// How far the crossing limbs pass in front of and behind each other.
constexpr double LimbSeparation = 0.04;
constexpr double NHeight = 0.22;
// Of the radius at which the hairpin's limbs would touch.
constexpr double NNarrowing = 0.9;
constexpr double NForward = 0.03;
constexpr double TransverseSag = 0.30;
// The sag is deepest near the hepatic flexure, where it hangs clear of the
// sigmoid in the AP view: the bump sin^2(pi u^SagSkew) peaks at u = 0.85.
constexpr double SagSkew = 4.27;
// The crossing is looked for this far beyond the span as well.
constexpr std::size_t CrossingMargin = 10;

bool OfSigmoid(TLoopKind Kind) {
  return Kind == TLoopKind::Alpha || Kind == TLoopKind::ReverseAlpha || Kind == TLoopKind::N;
}

bool Crosses(TLoopKind Kind) {
  return Kind != TLoopKind::N && Kind != TLoopKind::DeepTransverse;
}

TVector3 Along(const TVector3& From, const TVector3& Direction, double Distance) {
  return AddVectors(From, ScaleVector(Direction, Distance));
}

// Segments A0-A1 and B0-B1 crossing in the plane (X, Y): the parameters along each.
bool CrossIn2D(double Ax0, double Ay0, double Ax1, double Ay1, double Bx0, double By0, double Bx1,
               double By1, double& T, double& U) {
  const double Rx = Ax1 - Ax0, Ry = Ay1 - Ay0, Sx = Bx1 - Bx0, Sy = By1 - By0;
  const double Denominator = Rx * Sy - Ry * Sx;
  if (std::abs(Denominator) < 1e-15) {
    return false;
  }
  const double Qx = Bx0 - Ax0, Qy = By0 - Ay0;
  T = (Qx * Sy - Qy * Sx) / Denominator;
  U = (Qx * Ry - Qy * Rx) / Denominator;
  return T >= 0 && T < 1 && U >= 0 && U < 1;
}

} // namespace

TBodyAxes TBodyAxes::FromMarkers(const TVector3& M0, const TVector3& M1, const TVector3& M2) {
  TBodyAxes Axes;
  const TVector3 Hips = ScaleVector(AddVectors(M0, M1), 0.5);
  Axes.Centre = ScaleVector(AddThreeVectors(M0, M1, ScaleVector(M2, 2)), 0.25);
  Axes.Front = NormalizeVector(CrossProduct(SubtractVectors(M1, M2), SubtractVectors(M0, M2)));
  Axes.Up = NormalizeVector(SubtractVectors(Hips, M2));
  Axes.Side = CrossProduct(Axes.Up, Axes.Front);
  Axes.HipsHeight = Axes.Height(Hips);
  return Axes;
}

TColonSpan LoopSpan(const TColonPath& Path, TLoopKind Kind) {
  if (OfSigmoid(Kind)) {
    return {Path.LandmarkArc(TColonLandmark::Rectosigmoid),
            Path.LandmarkArc(TColonLandmark::DescendingJunction)};
  }
  return {Path.LandmarkArc(TColonLandmark::SplenicFlexure),
          Path.LandmarkArc(TColonLandmark::HepaticFlexure)};
}

double LoopTriggerArc(const TColonPath& Path, TLoopKind Kind) {
  return OfSigmoid(Kind) ? Path.LandmarkArc(TColonLandmark::DescendingJunction) + 0.10
                         : Path.LandmarkArc(TColonLandmark::HepaticFlexure) + 0.05;
}

TLoopShape::TLoopShape(const TColonPath& Path, TLoopKind Kind, const TBodyAxes& Axes)
    : Path_(&Path), Kind_(Kind), Axes_(Axes), Span_(LoopSpan(Path, Kind)) {
  FirstGrid_ = static_cast<std::size_t>(std::ceil(Span_.From / TColonPath::GridStep));
  LastGrid_ =
      std::min(static_cast<std::size_t>(Span_.To / TColonPath::GridStep), Path.GridCount() - 1);
  const TVector3 P0 = Path.PositionAt(Span_.From);
  const TVector3 Chord = SubtractVectors(Path.PositionAt(Span_.To), P0);
  // The loop lies in the AP (coronal) plane: d along the span, n across it.
  const TVector3 Flat =
      SubtractVectors(Chord, ScaleVector(Axes.Front, DotProduct(Chord, Axes.Front)));
  const double Width = VectorLength(Flat);
  const TVector3 D = ScaleVector(Flat, 1 / Width);
  TVector3 N = NormalizeVector(SubtractVectors(Axes.Up, ScaleVector(D, DotProduct(Axes.Up, D))));
  if (!OfSigmoid(Kind)) {
    N = NegateVector(N); // transverse loops hang down
  }
  const bool Reverse = Kind == TLoopKind::ReverseAlpha || Kind == TLoopKind::ReverseGamma;
  for (std::size_t J = FirstGrid_; J <= LastGrid_; ++J) {
    const double U = (Path.GridArc(J) - Span_.From) / (Span_.To - Span_.From);
    const double Theta = 2 * std::numbers::pi * U;
    const TVector3 Base = Along(P0, Chord, U);
    TVector3 Target;
    switch (Kind) {
    case TLoopKind::N: {
      // A curtate trochoid: the limbs close in below the top but never cross.
      const double Radius = NNarrowing * Width / (2 * std::numbers::pi);
      const double Rise = (1 - std::cos(Theta)) / 2;
      Target = Along(Along(Along(Base, D, Radius * std::sin(Theta)), N, NHeight * Rise), Axes.Front,
                     NForward * Rise);
      break;
    }
    case TLoopKind::DeepTransverse: {
      const double Sag = std::sin(std::numbers::pi * std::pow(U, SagSkew));
      Target = Along(Path.GridPoint(J), Axes.Up, -TransverseSag * Sag * Sag);
      break;
    }
    default: {
      // A prolate trochoid: it runs back over its own start and crosses it.
      const double Radius = OfSigmoid(Kind) ? AlphaRadius : GammaRadius;
      const double Front = (Reverse ? -1 : 1) * LimbSeparation * -std::sin(Theta);
      Target =
          Along(Along(Along(Base, D, Radius * std::sin(Theta)), N, Radius * (1 - std::cos(Theta))),
                Axes.Front, Front);
      break;
    }
    }
    Moves_.push_back(SubtractVectors(Target, Path.GridPoint(J)));
  }
}

TVector3 TLoopShape::Displacement(std::size_t J) const {
  if (J < FirstGrid_ || J > LastGrid_) {
    return {};
  }
  return Moves_[J - FirstGrid_];
}

TLoopTruth TLoopShape::Judge(const std::vector<TVector3>& Points, const std::vector<double>& Arcs,
                             double TipArc) const {
  if (Arcs[LastGrid_] > TipArc) {
    return {}; // the endoscope has not gone through the span
  }
  if (Crosses(Kind_)) {
    return JudgeCrossing(Points, Arcs, TipArc);
  }
  TLoopTruth Truth;
  Truth.Kind = Kind_;
  Truth.ExtentNear = TipArc - Arcs[LastGrid_];
  Truth.ExtentFar = TipArc - Arcs[FirstGrid_];
  double Highest = -1e300, Lowest = 1e300;
  for (std::size_t J = FirstGrid_; J <= LastGrid_; ++J) {
    Highest = std::max(Highest, Axes_.Height(Points[J]));
    Lowest = std::min(Lowest, Axes_.Height(Points[J]));
  }
  if (Kind_ == TLoopKind::N) {
    const double Ends = std::max(Axes_.Height(Points[FirstGrid_]), Axes_.Height(Points[LastGrid_]));
    const double Excess = Arcs[LastGrid_] - Arcs[FirstGrid_] -
                          (Path_->GridArc(LastGrid_) - Path_->GridArc(FirstGrid_));
    Truth.Present = Highest - Ends >= HairpinRise && Excess >= HairpinExcess;
  } else {
    Truth.Present = Lowest < Axes_.HipsHeight - PelvicSag;
  }
  return Truth;
}

TLoopTruth TLoopShape::JudgeCrossing(const std::vector<TVector3>& Points,
                                     const std::vector<double>& Arcs, double TipArc) const {
  TLoopTruth Truth;
  Truth.Kind = Kind_;
  const std::size_t First = FirstGrid_ > CrossingMargin ? FirstGrid_ - CrossingMargin : 0;
  std::size_t Last = std::min(LastGrid_ + CrossingMargin, Points.size() - 1);
  while (Last > First && Arcs[Last] > TipArc) {
    --Last;
  }
  double Shortest = 1e300;
  for (std::size_t I = First; I < Last; ++I) {
    for (std::size_t J = I + 2; J < Last; ++J) {
      double T = 0, U = 0;
      if (!CrossIn2D(Axes_.Across(Points[I]), Axes_.Height(Points[I]), Axes_.Across(Points[I + 1]),
                     Axes_.Height(Points[I + 1]), Axes_.Across(Points[J]), Axes_.Height(Points[J]),
                     Axes_.Across(Points[J + 1]), Axes_.Height(Points[J + 1]), T, U)) {
        continue;
      }
      const double Near = Arcs[I] + T * (Arcs[I + 1] - Arcs[I]);
      const double Far = Arcs[J] + U * (Arcs[J + 1] - Arcs[J]);
      // The loop's own crossing closes the smallest loop; a limb crossing it
      // further along closes a larger one.
      if (Far - Near >= MinTrueLoopArc && Far - Near < Shortest) {
        Shortest = Far - Near;
        Truth.Present = true;
        // Grid points run from the anus: the limb further along is nearer the tip.
        Truth.ExtentNear = TipArc - Far;
        Truth.ExtentFar = TipArc - Near;
      }
    }
  }
  return Truth;
}

} // namespace kestrava::simulator
