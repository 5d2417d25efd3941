#include "timeline/TipSample.h"

#include "foundation/IntegerHelpers.h"
#include "imagerdata/ImagerProcedure.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace kestrava {

namespace {

bool Finite(const TVector3& V) {
  return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
}

// Slot 0 is the tip; when it has dropped out, a sensor just behind it moved
// forward along its own direction (which points towards the operator) is
// nearly as good, where a farther one would cut corners.
std::optional<TVector3> TipPosition(const TImagerFrame& Frame) {
  const std::int32_t Used = std::clamp<std::int32_t>(Frame.SensorCount, 0, MaxSensors);
  double Behind = 0;
  for (std::int32_t I = 0; I < Used; ++I) {
    if (I > 0) {
      const double Segment = Frame.SegmentLength[Slot(I - 1)];
      if (!std::isfinite(Segment) || Segment < 0) {
        return std::nullopt;
      }
      Behind += Segment;
    }
    if (Behind > LongestTipStandIn) {
      return std::nullopt;
    }
    const TVector3& Position = Frame.SensorPosition[Slot(I)];
    if (!Frame.SensorValid[Slot(I)] || !Finite(Position)) {
      continue;
    }
    if (Behind == 0) {
      return Position;
    }
    const TVector3& Direction = Frame.SensorDirection[Slot(I)];
    const double Length = VectorLength(Direction);
    if (!std::isfinite(Length) || Length < 0.5 || Length > 1.5) {
      return std::nullopt;
    }
    return SubtractVectors(Position, ScaleVector(Direction, Behind / Length));
  }
  return std::nullopt;
}

} // namespace

TTipSample SampleTip(const TImagerFrame& Frame) {
  TTipSample Sample;
  TVector3 Centre, Normal, Axis, PlanePoint, PlaneNormal;
  if (!Frame.GetPatientAxes(ProcedureColonoscopy, Centre, Normal, Axis) ||
      !Frame.GetMarkerAxis(ProcedureColonoscopy, PlanePoint, PlaneNormal)) {
    return Sample;
  }
  const TVector3 Side = CrossProduct(Axis, Normal);
  const TVector3 Hips =
      ScaleVector(AddVectors(Frame.MarkerPosition[0], Frame.MarkerPosition[1]), 0.5);
  const double HipsHeight = DotProduct(SubtractVectors(Hips, Centre), Axis);
  const auto InPatientAxes = [&](const TVector3& P) {
    const TVector3 Relative = SubtractVectors(P, Centre);
    return Vector3(DotProduct(Relative, Side), DotProduct(Relative, Axis) - HipsHeight,
                   DotProduct(Relative, Normal));
  };
  Sample.HipWidth = VectorDistance(Frame.MarkerPosition[0], Frame.MarkerPosition[1]);
  Sample.AnalVerge = InPatientAxes(Frame.MarkerPosition[2]);
  if (!Finite(Sample.AnalVerge) || !std::isfinite(Sample.HipWidth) || Sample.HipWidth <= 0) {
    return Sample;
  }
  const std::optional<TVector3> Tip = TipPosition(Frame);
  if (!Tip) {
    Sample.Status = TTipStatus::NoTip;
    return Sample;
  }
  Sample.Tip = *Tip;
  Sample.Patient = InPatientAxes(*Tip);
  Sample.InsideDistance = -DotProduct(SubtractVectors(*Tip, PlanePoint), PlaneNormal);
  Sample.Status = Sample.InsideDistance > InsideMargin ? TTipStatus::Inside : TTipStatus::Outside;
  return Sample;
}

} // namespace kestrava
