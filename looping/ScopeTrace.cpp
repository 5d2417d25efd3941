#include "looping/ScopeTrace.h"

#include "foundation/IntegerHelpers.h"
#include "geometry/Curves.h"
#include "imagerdata/ImagerProcedure.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

// A measured direction, or the chord when the sensor's direction is unusable
// (a reading that lost its angles should not bend the line).
TVector3 UsableDirection(const TVector3& Measured, const TVector3& Chord) {
  const double Length = VectorLength(Measured);
  if (std::isfinite(Length) && Length > 0.5 && Length < 1.5) {
    return ScaleVector(Measured, 1 / Length);
  }
  const double ChordLength = VectorLength(Chord);
  return ChordLength > 0 ? ScaleVector(Chord, 1 / ChordLength) : Measured;
}

bool FinitePosition(const TVector3& P) {
  return std::isfinite(P.X) && std::isfinite(P.Y) && std::isfinite(P.Z);
}

} // namespace

bool TScopeTrace::Build(const TImagerFrame& Frame, std::int32_t ProcedureType,
                        std::string_view& Reason) {
  Count_ = 0;
  Stopped_ = false;
  InsertedLength_ = 0;
  if (ProcedureType != ProcedureColonoscopy) {
    Reason = "loops are classified in colonoscopies only";
    return false;
  }
  TVector3 Normal, Axis;
  // Markers 1-3 give both the axes and the cut-off plane at the anus.
  if (!Frame.GetPatientAxes(ProcedureType, Centre_, Normal, Axis) ||
      !Frame.GetMarkerAxis(ProcedureType, PlanePoint_, PlaneNormal_)) {
    Reason = "body markers 1-3 are missing or in a line";
    return false;
  }
  Up_ = Axis;
  Front_ = Normal;
  Side_ = CrossProduct(Axis, Normal);
  HipsHeight_ =
      HeightOf(ScaleVector(AddVectors(Frame.MarkerPosition[0], Frame.MarkerPosition[1]), 0.5));

  // The valid sensors with their catheter distance from the tip.
  const std::int32_t Used = std::clamp<std::int32_t>(Frame.SensorCount, 0, MaxSensors);
  std::array<std::int32_t, MaxSensors> Sensors{};
  std::array<double, MaxSensors> FromTip{};
  std::int32_t SensorTotal = 0;
  double Along = 0;
  for (std::int32_t I = 0; I < Used; ++I) {
    if (I > 0) {
      const double Segment = Frame.SegmentLength[Slot(I - 1)];
      if (!std::isfinite(Segment) || Segment < 0) {
        break;
      }
      Along += Segment;
    }
    if (!Frame.SensorValid[Slot(I)] || !FinitePosition(Frame.SensorPosition[Slot(I)])) {
      continue;
    }
    if (SensorTotal > 0 && Along - FromTip[Slot(SensorTotal - 1)] > LongestBridge) {
      break;
    }
    if (SensorTotal > 0 && Along - FromTip[Slot(SensorTotal - 1)] <= 0) {
      continue; // no catheter between them: nothing to sample
    }
    Sensors[Slot(SensorTotal)] = I;
    FromTip[Slot(SensorTotal)] = Along;
    ++SensorTotal;
  }
  if (SensorTotal < MinValidSensors) {
    Reason = "fewer than 4 valid sensors";
    return false;
  }
  for (std::int32_t K = 0; K + 1 < SensorTotal && !Stopped_; ++K) {
    SampleInterval(Frame, Sensors[Slot(K)], Sensors[Slot(K + 1)], FromTip[Slot(K)],
                   FromTip[Slot(K + 1)] - FromTip[Slot(K)], K + 2 == SensorTotal);
  }
  if (!Stopped_ && Count_ > 0) {
    InsertedLength_ = Points_[Slot(Count_ - 1)].FromTip;
  }
  Reason = {};
  return true;
}

void TScopeTrace::SampleInterval(const TImagerFrame& Frame, std::int32_t From, std::int32_t To,
                                 double FromTipAtFrom, double Length, bool Last) {
  const TVector3& P0 = Frame.SensorPosition[Slot(From)];
  const TVector3& P1 = Frame.SensorPosition[Slot(To)];
  const TVector3 Chord = SubtractVectors(P1, P0);
  const TCubicCoefficients Cubic =
      HermiteCubic(P0, UsableDirection(Frame.SensorDirection[Slot(From)], Chord), P1,
                   UsableDirection(Frame.SensorDirection[Slot(To)], Chord), Length);
  const std::int32_t Steps =
      std::clamp(static_cast<std::int32_t>(std::ceil(Length / SampleStep)), 1, 64);
  for (std::int32_t J = 0; J <= Steps; ++J) {
    if (J == Steps && !Last) {
      break; // the next interval starts on this sensor
    }
    const double T = static_cast<double>(J) / Steps;
    const TVector3 Q = EvaluateCubic(Cubic, T);
    const double Arc = FromTipAtFrom + T * Length;
    const double Beyond = DotProduct(SubtractVectors(Q, PlanePoint_), PlaneNormal_);
    if (Beyond >= 0) {
      // The anus: end the line exactly on the plane.
      if (Count_ > 0) {
        const TTracePoint& Previous = Points_[Slot(Count_ - 1)];
        const double Before =
            DotProduct(SubtractVectors(Previous.Position, PlanePoint_), PlaneNormal_);
        const double Share = Before < 0 ? -Before / (Beyond - Before) : 0;
        const TVector3 OnPlane = AddVectors(
            Previous.Position, ScaleVector(SubtractVectors(Q, Previous.Position), Share));
        Append(OnPlane, Previous.FromTip + Share * (Arc - Previous.FromTip));
        InsertedLength_ = Points_[Slot(Count_ - 1)].FromTip;
      }
      Stopped_ = true;
      return;
    }
    if (Count_ == Capacity) {
      Stopped_ = true;
      InsertedLength_ = Points_[Slot(Count_ - 1)].FromTip;
      return;
    }
    Append(Q, Arc);
  }
}

void TScopeTrace::Append(const TVector3& Position, double FromTip) {
  TTracePoint& Point = Points_[Slot(Count_++)];
  const TVector3 Relative = SubtractVectors(Position, Centre_);
  Point.Position = Position;
  Point.FromTip = FromTip;
  Point.Side = DotProduct(Relative, Side_);
  Point.Height = DotProduct(Relative, Up_);
  Point.Front = DotProduct(Relative, Front_);
}

TVector3 TScopeTrace::PositionAt(double FromTip) const {
  if (Count_ == 0) {
    return {};
  }
  const auto End = Points_.begin() + Count_;
  const auto Upper = std::upper_bound(Points_.begin(), End, FromTip,
                                      [](double S, const TTracePoint& P) { return S < P.FromTip; });
  if (Upper == Points_.begin()) {
    return Points_[0].Position;
  }
  if (Upper == End) {
    return Points_[Slot(Count_ - 1)].Position;
  }
  const TTracePoint& A = *(Upper - 1);
  const TTracePoint& B = *Upper;
  const double Span = B.FromTip - A.FromTip;
  const double T = Span > 0 ? (FromTip - A.FromTip) / Span : 0;
  return AddVectors(A.Position, ScaleVector(SubtractVectors(B.Position, A.Position), T));
}

double TScopeTrace::HeightOf(const TVector3& Position) const {
  return DotProduct(SubtractVectors(Position, Centre_), Up_);
}

} // namespace kestrava
