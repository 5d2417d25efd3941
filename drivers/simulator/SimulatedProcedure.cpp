#include "drivers/simulator/SimulatedProcedure.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrava::simulator {

namespace {

constexpr double FlexureWidth = 0.02; // metres over which passing a flexure hurts
constexpr double FlexurePainShare = 0.3;

double SmoothStep(double X) {
  X = std::clamp(X, 0.0, 1.0);
  return X * X * (3 - 2 * X);
}

TVector3 Lerp(const TVector3& A, const TVector3& B, double T) {
  return AddVectors(A, ScaleVector(SubtractVectors(B, A), T));
}

TVector3 SafeNormal(const TVector3& V, const TVector3& Fallback) {
  const double Length = VectorLength(V);
  return Length > 1e-12 ? ScaleVector(V, 1 / Length) : Fallback;
}

TSensorReading InGeneratorAxes(TSensorReading Reading) {
  Reading.Position = AddVectors(Reading.Position, BodyOrigin);
  return Reading;
}

// Markers 1-3 are what a colonoscopy needs: the two hips give the body's
// axis, the anal verge where the endoscope enters (the plane through it cuts
// off the part outside the patient).
constexpr std::array<TVector3, 6> Landmarks = {{
    {-0.12, 0.12, 0.12}, // right anterior superior iliac spine
    {0.12, 0.12, 0.12},  // left anterior superior iliac spine
    {0.00, 0.00, 0.00},  // anal verge
    {0.00, 0.14, 0.45},  // xiphoid
    {0.00, 0.16, 0.27},  // navel
    {0.00, 0.10, 0.05},  // pubis
}};

} // namespace

TScopeShape::TScopeShape(const TColonPath& Path, const TProcedureState& State,
                         const TVector3& LoopDirection)
    : Path_(&Path) {
  const double LoopStart = Path.LandmarkArc(TColonLandmark::Rectosigmoid);
  const double LoopEnd = Path.LandmarkArc(TColonLandmark::DescendingJunction);
  const std::size_t Count = Path.GridCount();
  Points_.resize(Count);
  Arc_.resize(Count);
  for (std::size_t J = 0; J < Count; ++J) {
    const double S = Path.GridArc(J);
    double Bump = 0;
    if (S > LoopStart && S < LoopEnd) {
      const double Phase = std::sin(std::numbers::pi * (S - LoopStart) / (LoopEnd - LoopStart));
      Bump = Phase * Phase;
    }
    Points_[J] =
        AddVectors(Path.GridPoint(J), ScaleVector(LoopDirection, State.LoopAmplitude * Bump));
    Arc_[J] = J == 0 ? 0 : Arc_[J - 1] + VectorDistance(Points_[J - 1], Points_[J]);
  }
  const double Tip = std::clamp(State.TipArc, 0.0, Path.Length());
  const std::size_t J = std::min(static_cast<std::size_t>(Tip / TColonPath::GridStep), Count - 2);
  const double Span = Path.GridArc(J + 1) - Path.GridArc(J);
  const double T = Span > 0 ? std::clamp((Tip - Path.GridArc(J)) / Span, 0.0, 1.0) : 0.0;
  TipArc_ = Arc_[J] + T * (Arc_[J + 1] - Arc_[J]);
}

TSensorReading TScopeShape::AtShapeArc(double U) const {
  const TVector3& Inward = Path_->InwardDirection();
  if (U <= 0) {
    return {true, AddVectors(Points_[0], ScaleVector(Inward, U)), Inward};
  }
  U = std::min(U, Arc_.back());
  const auto Upper = std::upper_bound(Arc_.begin(), Arc_.end(), U);
  const std::size_t J =
      std::min(static_cast<std::size_t>(Upper - Arc_.begin()), Arc_.size() - 1) - 1;
  const double Span = Arc_[J + 1] - Arc_[J];
  const double T = Span > 0 ? (U - Arc_[J]) / Span : 0.0;
  // Tangents at the grid points, blended, so that directions turn smoothly
  // rather than in steps of one grid interval.
  const auto Tangent = [&](std::size_t K) {
    const std::size_t Before = K == 0 ? 0 : K - 1;
    const std::size_t After = std::min(K + 1, Points_.size() - 1);
    return SafeNormal(SubtractVectors(Points_[After], Points_[Before]), Inward);
  };
  const TVector3 Direction = SafeNormal(Lerp(Tangent(J), Tangent(J + 1), T), Inward);
  return {true, Lerp(Points_[J], Points_[J + 1], T), Direction};
}

TSensorReading TScopeShape::AtDistanceFromTip(double DistanceFromTip) const {
  return AtShapeArc(TipArc_ - DistanceFromTip);
}

TSensorReading TScopeShape::AtColonArc(double S) const {
  const double Clamped = std::clamp(S, 0.0, Path_->Length());
  const std::size_t J =
      std::min(static_cast<std::size_t>(Clamped / TColonPath::GridStep), Points_.size() - 2);
  const double Span = Path_->GridArc(J + 1) - Path_->GridArc(J);
  const double T = Span > 0 ? std::clamp((Clamped - Path_->GridArc(J)) / Span, 0.0, 1.0) : 0.0;
  return AtShapeArc(std::min(Arc_[J] + T * (Arc_[J + 1] - Arc_[J]), TipArc_));
}

TSimulatedProcedure::TSimulatedProcedure(const TSimulatorSettings& Settings)
    : Settings_(Settings), LoopDirection_(NormalizeVector(Vector3(0, 0.8, 0.6))) {
  const double Speed = Settings_.InsertionSpeed;
  const double Splenic = Path_.LandmarkArc(TColonLandmark::SplenicFlexure);
  const double Caecum = Path_.LandmarkArc(TColonLandmark::Caecum);
  Phases_.ReachSplenic = Settings_.InsertionStart + (Splenic - StartDepth) / Speed;
  Phases_.Straightened = Phases_.ReachSplenic + Settings_.StraightenDuration;
  Phases_.ReachCaecum = Phases_.Straightened + (Caecum - Splenic) / Speed;
  Phases_.WithdrawStart = Phases_.ReachCaecum + Settings_.CaecumHold;
  // Withdrawal runs at half the insertion speed, as an examination does.
  Phases_.WithdrawEnd = Phases_.WithdrawStart + (Caecum - StartDepth) / (Speed / 2);
}

TProcedureState TSimulatedProcedure::StateAt(double T) const {
  const double Speed = Settings_.InsertionSpeed;
  const double Amplitude = Settings_.LoopAmplitude;
  const double LoopStart = Path_.LandmarkArc(TColonLandmark::Rectosigmoid);
  const double Splenic = Path_.LandmarkArc(TColonLandmark::SplenicFlexure);
  const double Caecum = Path_.LandmarkArc(TColonLandmark::Caecum);
  if (T < Settings_.InsertionStart) {
    return {StartDepth, 0};
  }
  if (T < Phases_.ReachSplenic) {
    // Pushing through the sigmoid into the descending colon bows the
    // sigmoid out: the loop grows until the tip reaches the splenic flexure.
    const double Tip = StartDepth + Speed * (T - Settings_.InsertionStart);
    return {Tip, Amplitude * SmoothStep((Tip - LoopStart) / (Splenic - LoopStart))};
  }
  if (T < Phases_.Straightened) {
    // Withdrawing while the tip hooks the flexure straightens the loop.
    const double Progress = (T - Phases_.ReachSplenic) / Settings_.StraightenDuration;
    return {Splenic, Amplitude * (1 - SmoothStep(Progress))};
  }
  if (T < Phases_.ReachCaecum) {
    return {Splenic + Speed * (T - Phases_.Straightened), 0};
  }
  if (T < Phases_.WithdrawStart) {
    return {Caecum, 0};
  }
  if (T < Phases_.WithdrawEnd) {
    return {Caecum - Speed / 2 * (T - Phases_.WithdrawStart), 0};
  }
  return {StartDepth, 0};
}

TScopeShape TSimulatedProcedure::ShapeAt(double T) const {
  return TScopeShape(Path_, StateAt(T), LoopDirection_);
}

double TSimulatedProcedure::PainAt(double T) const {
  const TProcedureState State = StateAt(T);
  double Pain = Settings_.PainBaseline;
  if (Settings_.LoopAmplitude > 0) {
    const double Share = State.LoopAmplitude / Settings_.LoopAmplitude;
    Pain += Settings_.PainLoop * Share * Share;
  }
  // Only while going in: the withdrawal passes the flexures without pushing.
  if (T < Phases_.ReachCaecum) {
    for (const TColonLandmark Flexure :
         {TColonLandmark::SplenicFlexure, TColonLandmark::HepaticFlexure}) {
      const double Off = (State.TipArc - Path_.LandmarkArc(Flexure)) / FlexureWidth;
      Pain += FlexurePainShare * Settings_.PainLoop * std::exp(-Off * Off);
    }
  }
  return Pain;
}

TSensorReading TSimulatedProcedure::EndoscopeSensor(const TScopeShape& Shape,
                                                    double DistanceFromTip) const {
  TSensorReading Reading = InGeneratorAxes(Shape.AtDistanceFromTip(DistanceFromTip));
  Reading.Measured = Shape.InsertedLength() - DistanceFromTip >= -FieldReachOutside;
  return Reading;
}

TSensorReading TSimulatedProcedure::Hand(double T) const {
  const std::uint32_t Markers = Settings_.ButtonsAt(T) & 0x3F;
  if (Markers != 0) {
    int Index = 0;
    while ((Markers & (1u << Index)) == 0) {
      ++Index;
    }
    // The remote is pressed flat onto the skin, pointing into the body.
    return {true, Landmark(Index), Vector3(0, -1, 0)};
  }
  const TVector3& Inward = Path_.InwardDirection();
  const TVector3 OnShaft = ScaleVector(Inward, -HandDistanceOutside);
  return InGeneratorAxes({true, AddVectors(OnShaft, Vector3(0, -0.03, 0)), Inward});
}

TSensorReading TSimulatedProcedure::OvertubeSensor(const TScopeShape& Shape, double Depth) const {
  TSensorReading Reading = Shape.AtColonArc(Depth);
  const TVector3 Side =
      SafeNormal(CrossProduct(Reading.Direction, Vector3(1, 0, 0)), Vector3(0, 1, 0));
  Reading.Position = AddVectors(Reading.Position, ScaleVector(Side, OvertubeSensorOffset));
  return InGeneratorAxes(Reading);
}

TVector3 TSimulatedProcedure::Landmark(int Index) {
  return AddVectors(Landmarks[static_cast<std::size_t>(std::clamp(Index, 0, 5))], BodyOrigin);
}

} // namespace kestrava::simulator
