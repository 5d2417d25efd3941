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
                         const TVector3& LoopDirection, const TLoopShape* Loop)
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
    if (Loop != nullptr) {
      Points_[J] = AddVectors(Points_[J], ScaleVector(Loop->Displacement(J), State.LoopShare));
    }
    Arc_[J] = J == 0 ? 0 : Arc_[J - 1] + VectorDistance(Points_[J - 1], Points_[J]);
  }
  const double Tip = std::clamp(State.TipArc, 0.0, Path.Length());
  const std::size_t J = std::min(static_cast<std::size_t>(Tip / TColonPath::GridStep), Count - 2);
  const double Span = Path.GridArc(J + 1) - Path.GridArc(J);
  const double T = Span > 0 ? std::clamp((Tip - Path.GridArc(J)) / Span, 0.0, 1.0) : 0.0;
  TipArc_ = Arc_[J] + T * (Arc_[J + 1] - Arc_[J]);
  // A tip outside the anus has the straight endoscope behind it.
  if (State.TipArc < 0) {
    TipArc_ = State.TipArc;
  }
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
  const TVector3 Direction = SafeNormal(InterpolateVectors(Tangent(J), Tangent(J + 1), T), Inward);
  return {true, InterpolateVectors(Points_[J], Points_[J + 1], T), Direction};
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
    : Settings_(Settings), Axes_(TBodyAxes::FromMarkers(Landmarks[0], Landmarks[1], Landmarks[2])),
      LoopDirection_(NormalizeVector(Vector3(0, 0.8, 0.6))) {
  for (const TScriptedLoop& Loop : Settings_.Loops) {
    LoopShapes_.emplace_back(Path_, Loop.Kind, Axes_);
  }
  PlanPhases();
}

void TSimulatedProcedure::PlanPhases() {
  struct THold {
    double Depth;
    TPhaseKind Kind;
    double Duration;
    int Loop;
  };
  const double Speed = Settings_.InsertionSpeed;
  const double Splenic = Path_.LandmarkArc(TColonLandmark::SplenicFlexure);
  const double Caecum = Path_.LandmarkArc(TColonLandmark::Caecum);
  // An incomplete examination turns back short of the caecum; holds beyond
  // that never happen.
  const double Deepest = std::min(Settings_.TurnBackDepth, Caecum);
  ReachesCaecum_ = Deepest >= Caecum;
  std::vector<THold> Holds = {{Splenic, TPhaseKind::Straighten, Settings_.StraightenDuration, -1}};
  for (std::size_t I = 0; I < Settings_.Loops.size(); ++I) {
    const TScriptedLoop& Loop = Settings_.Loops[I];
    Holds.push_back({LoopTriggerArc(Path_, Loop.Kind), TPhaseKind::Loop,
                     Loop.Form + Loop.Hold + Loop.Release, static_cast<int>(I)});
  }
  // The tip stops at each hold on its way in; holds at one depth keep their order.
  std::stable_sort(Holds.begin(), Holds.end(),
                   [](const THold& A, const THold& B) { return A.Depth < B.Depth; });
  double Time = Settings_.InsertionStart;
  double Tip = Settings_.StartDepth;
  Phases_.push_back({TPhaseKind::Wait, 0, Time, Tip, Tip, -1});
  const auto AdvanceTo = [&](double Depth) {
    Depth = std::clamp(Depth, Tip, std::max(Tip, Deepest));
    const double Duration = (Depth - Tip) / Speed;
    Phases_.push_back({TPhaseKind::Advance, Time, Time + Duration, Tip, Depth, -1});
    Time += Duration;
    Tip = Depth;
  };
  for (const THold& Hold : Holds) {
    if (Hold.Depth > Deepest) {
      continue;
    }
    AdvanceTo(Hold.Depth);
    if (Hold.Kind == TPhaseKind::Straighten) {
      StraightenStart_ = Time;
      StraightenEnd_ = Time + Hold.Duration;
    }
    Phases_.push_back({Hold.Kind, Time, Time + Hold.Duration, Tip, Tip, Hold.Loop});
    Time += Hold.Duration;
  }
  AdvanceTo(Deepest);
  ReachDeepest_ = Time;
  Phases_.push_back({TPhaseKind::CaecumHold, Time, Time + Settings_.CaecumHold, Tip, Tip, -1});
  Time += Settings_.CaecumHold;
  PlanWithdrawal(Time, Tip);
}

// Withdrawal runs at half the insertion speed, as an examination does, with
// the inspections that push back in on the way.
void TSimulatedProcedure::PlanWithdrawal(double& Time, double Tip) {
  const double Speed = Settings_.InsertionSpeed;
  const double Deepest = Tip;
  const auto WithdrawTo = [&](double Depth) {
    const double Duration = std::max(0.0, Tip - Depth) / (Speed / 2);
    Phases_.push_back({TPhaseKind::Withdraw, Time, Time + Duration, Tip, Depth, -1});
    Time += Duration;
    Tip = Depth;
  };
  std::vector<TReadvance> Readvances = Settings_.Readvances;
  std::stable_sort(Readvances.begin(), Readvances.end(),
                   [](const TReadvance& A, const TReadvance& B) { return A.Depth > B.Depth; });
  for (const TReadvance& Readvance : Readvances) {
    if (Readvance.Depth > Tip || Readvance.Depth < Settings_.EndDepth) {
      continue;
    }
    WithdrawTo(Readvance.Depth);
    const double Forward = std::min(Tip + Readvance.Distance, Deepest);
    const double Duration = (Forward - Tip) / Speed;
    Phases_.push_back({TPhaseKind::Advance, Time, Time + Duration, Tip, Forward, -1});
    Time += Duration;
    Tip = Forward;
    Phases_.push_back({TPhaseKind::Wait, Time, Time + Readvance.Hold, Tip, Tip, -1});
    Time += Readvance.Hold;
  }
  WithdrawTo(Settings_.EndDepth);
}

std::optional<double> TSimulatedProcedure::CaecumArrival() const {
  return ReachesCaecum_ ? std::optional<double>(ReachDeepest_) : std::nullopt;
}

std::optional<double> TSimulatedProcedure::WithdrawalEnd() const {
  std::optional<double> End;
  for (const TPhase& Phase : Phases_) {
    if (Phase.Start >= ReachDeepest_ && Phase.TipFrom > 0 && Phase.TipTo <= 0) {
      End = Phase.Start + (Phase.End - Phase.Start) * Phase.TipFrom / (Phase.TipFrom - Phase.TipTo);
    }
  }
  return End;
}

const TSimulatedProcedure::TPhase* TSimulatedProcedure::PhaseAt(double T) const {
  for (const TPhase& Phase : Phases_) {
    if (T >= Phase.Start && T < Phase.End) {
      return &Phase;
    }
  }
  return nullptr;
}

// The sigmoid push-out of loop_amplitude: pushing through the sigmoid into
// the descending colon bows it out until the tip reaches the splenic
// flexure; withdrawing while the tip hooks the flexure straightens it.
double TSimulatedProcedure::PushOut(const TPhase& Phase, double Tip, double T) const {
  const double Amplitude = Settings_.LoopAmplitude;
  const double LoopStart = Path_.LandmarkArc(TColonLandmark::Rectosigmoid);
  const double Splenic = Path_.LandmarkArc(TColonLandmark::SplenicFlexure);
  if (Phase.Kind == TPhaseKind::Straighten) {
    return Amplitude *
           (1 - SmoothStep((T - StraightenStart_) / (StraightenEnd_ - StraightenStart_)));
  }
  if (Phase.Start >= StraightenEnd_ && StraightenEnd_ > 0) {
    return 0;
  }
  return Amplitude * SmoothStep((Tip - LoopStart) / (Splenic - LoopStart));
}

TProcedureState TSimulatedProcedure::StateAt(double T) const {
  const TPhase* Phase = PhaseAt(T);
  if (Phase == nullptr) {
    return {T < 0 ? Settings_.StartDepth : Phases_.back().TipTo, 0};
  }
  const double Progress = (T - Phase->Start) / (Phase->End - Phase->Start);
  TProcedureState State;
  State.TipArc = Phase->TipFrom == Phase->TipTo
                     ? Phase->TipFrom
                     : Phase->TipFrom + (Phase->TipTo - Phase->TipFrom) * Progress;
  State.LoopAmplitude = PushOut(*Phase, State.TipArc, T);
  if (Phase->Kind == TPhaseKind::Loop) {
    const TScriptedLoop& Loop = Settings_.Loops[static_cast<std::size_t>(Phase->Loop)];
    const double Into = T - Phase->Start;
    State.Loop = Phase->Loop;
    if (Into < Loop.Form) {
      State.LoopShare = SmoothStep(Into / Loop.Form);
    } else if (Into < Loop.Form + Loop.Hold) {
      State.LoopShare = 1;
    } else {
      State.LoopShare = 1 - SmoothStep((Into - Loop.Form - Loop.Hold) / Loop.Release);
    }
  }
  return State;
}

TScopeShape TSimulatedProcedure::ShapeAt(double T) const {
  const TProcedureState State = StateAt(T);
  const TLoopShape* Loop =
      State.Loop >= 0 ? &LoopShapes_[static_cast<std::size_t>(State.Loop)] : nullptr;
  return TScopeShape(Path_, State, LoopDirection_, Loop);
}

double TSimulatedProcedure::PainAt(double T) const {
  const TProcedureState State = StateAt(T);
  double Pain = Settings_.PainBaseline;
  if (Settings_.LoopAmplitude > 0) {
    const double Share = State.LoopAmplitude / Settings_.LoopAmplitude;
    Pain += Settings_.PainLoop * Share * Share;
  }
  Pain += Settings_.PainLoop * State.LoopShare * State.LoopShare;
  // Only while going in: the withdrawal passes the flexures without pushing.
  if (T < ReachDeepest_) {
    for (const TColonLandmark Flexure :
         {TColonLandmark::SplenicFlexure, TColonLandmark::HepaticFlexure}) {
      const double Off = (State.TipArc - Path_.LandmarkArc(Flexure)) / FlexureWidth;
      Pain += FlexurePainShare * Settings_.PainLoop * std::exp(-Off * Off);
    }
  }
  return Pain;
}

TLoopTruth TSimulatedProcedure::TruthAt(double T) const {
  const TProcedureState State = StateAt(T);
  if (State.Loop < 0 || State.LoopShare <= 0) {
    return {};
  }
  const TScopeShape Shape = ShapeAt(T);
  return LoopShapes_[static_cast<std::size_t>(State.Loop)].Judge(Shape.Points(), Shape.Arcs(),
                                                                 Shape.TipArc());
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
