#include "scene/CentreLine.h"

#include "foundation/IntegerHelpers.h"
#include "foundation/QelExceptions.h"
#include "geometry/Curves.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

// Beyond this the first interval of a clipped run would leave a sliver too
// short to draw, so it is dropped.
constexpr double DropFirstIntervalAbove = 0.99;

} // namespace

TSensorRuns FindSensorRuns(const TImagerFrame& Frame, std::int32_t FromSensor) {
  const std::int32_t Count = std::clamp(Frame.SensorCount, 0, MaxSensors);
  TSensorRuns Runs;
  std::int32_t I = std::max(FromSensor, 0);
  while (I < Count) {
    if (!Frame.SensorValid[Slot(I)]) {
      ++I;
      continue;
    }
    TSensorRun& Run = Runs.Items[Slot(Runs.Count++)];
    Run.First = I;
    while (I < Count && Frame.SensorValid[Slot(I)]) {
      ++I;
    }
    Run.Count = I - Run.First;
  }
  return Runs;
}

void TCentreLine::Build(const TImagerFrame& Frame, const TSensorRun& Run,
                        std::int32_t SectionsPerInterval, const TCentreLineClip& Clip,
                        const TCutoffPlane& Plane) {
  Count_ = 0;
  if (Run.First < 0 || Run.Count < 0 || Run.First + Run.Count > MaxSensors ||
      SectionsPerInterval < 1 ||
      (Run.Count > 1 && std::int64_t{Run.Count - 1} * SectionsPerInterval + 1 > Capacity)) {
    throw E_Qel_InvalidArg();
  }
  if (Run.Count < 2) {
    return;
  }
  if (SamplePositions(Frame, Run, SectionsPerInterval, Clip, Plane)) {
    Append(Frame.SensorPosition[Slot(Run.First + Run.Count - 1)]);
  }
  if (Count_ < 2) {
    return;
  }
  try {
    SetDirections();
  } catch (...) {
    // Half-set directions must never be drawn.
    Count_ = 0;
    throw;
  }
  SetUpVectors();
}

bool TCentreLine::SamplePositions(const TImagerFrame& Frame, const TSensorRun& Run,
                                  std::int32_t SectionsPerInterval, const TCentreLineClip& Clip,
                                  const TCutoffPlane& Plane) {
  bool ClipFirst = Clip.ClipFirst;
  for (std::int32_t I = Run.First; I + 1 < Run.First + Run.Count; ++I) {
    const bool Clipped = ClipFirst;
    ClipFirst = false;
    if (Clipped && Clip.ClipStart > DropFirstIntervalAbove) {
      continue;
    }
    // The catheter length between the sensors scales both unit tangents.
    const TCubicCoefficients Cubic =
        HermiteCubic(Frame.SensorPosition[Slot(I)], Frame.SensorDirection[Slot(I)],
                     Frame.SensorPosition[Slot(I + 1)], Frame.SensorDirection[Slot(I + 1)],
                     Frame.SegmentLength[Slot(I)]);
    for (std::int32_t J = 0; J < SectionsPerInterval; ++J) {
      double T = static_cast<double>(J) / SectionsPerInterval;
      if (Clipped) {
        T = (1 - Clip.ClipStart) * T + Clip.ClipStart;
      }
      const TVector3 Q = EvaluateCubic(Cubic, T);
      if (Plane.IsBeyond(Q)) {
        return false;
      }
      Append(Q);
    }
  }
  return true;
}

void TCentreLine::SetDirections() {
  // Each chord is normalised once and shared by the two points it touches.
  TVector3 Previous = NormalizeVector(SubtractVectors(Points_[1].Position, Points_[0].Position));
  Points_[0].Direction = Previous;
  for (std::int32_t K = 1; K + 1 < Count_; ++K) {
    const TVector3 Next =
        NormalizeVector(SubtractVectors(Points_[Slot(K + 1)].Position, Points_[Slot(K)].Position));
    Points_[Slot(K)].Direction = NormalizeVector(AddVectors(Previous, Next));
    Previous = Next;
  }
  Points_[Slot(Count_ - 1)].Direction = Previous;
}

void TCentreLine::SetUpVectors() {
  const TVector3& D = Points_[0].Direction;
  const double A = std::atan2(D.Y, D.X);
  Points_[0].Up = {-std::sin(A), std::cos(A), 0};
  for (std::int32_t K = 1; K < Count_; ++K) {
    // Rotating by the turn between neighbouring tangents carries Up along
    // the line without twisting it about the tangent.
    Points_[Slot(K)].Up = RotateFromTo(Points_[Slot(K - 1)].Direction, Points_[Slot(K - 1)].Up,
                                       Points_[Slot(K)].Direction);
  }
}

} // namespace kestrava
