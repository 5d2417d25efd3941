#include "tools/DemoRecording.h"

#include "imagerdata/ImagerProcedure.h"
#include "tools/DateTimeText.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace kestrava {

namespace {

constexpr double PathStep = 0.001;  // metres between the points of the centre line
constexpr double PathLength = 1.6;  // metres of colon the path covers
constexpr double FirstDepth = 0.05; // tip depth at the start, metres
constexpr double LastDepth = 1.30;  // tip depth after five minutes

// The centre line of the colon from the anus (arc length 0) inwards, as a
// unit-speed curve: its heading turns slowly, so the sensors spaced along it
// keep the spacing the segment lengths state.
class TDemoPath {
public:
  TDemoPath() {
    TVector3 Point;
    // Counted in steps, so the point count does not hang on rounding.
    for (int Step = 0; Step * PathStep <= PathLength + PathStep; ++Step) {
      const double S = Step * PathStep;
      Points_.push_back(Point);
      Point = AddVectors(Point, ScaleVector(Heading(S), PathStep));
    }
  }

  // Point at arc length S; before the anus the scope runs straight out.
  TVector3 Position(double S) const {
    if (S <= 0)
      return ScaleVector(Heading(0), S);
    const double Step = std::min(S / PathStep, static_cast<double>(Points_.size() - 2));
    const auto Index = static_cast<std::size_t>(Step);
    const double T = Step - static_cast<double>(Index);
    return AddVectors(ScaleVector(Points_[Index], 1 - T), ScaleVector(Points_[Index + 1], T));
  }

  // Unit tangent pointing inwards (towards the tip).
  static TVector3 Heading(double S) {
    const double Clamped = std::max(S, 0.0);
    return SphericalToVector(0.6 + 0.35 * std::sin(3.0 * Clamped), 1.4 * Clamped);
  }

private:
  std::vector<TVector3> Points_;
};

double DemoPain(double Seconds) {
  const double Bump = (Seconds - 170.0) / 25.0;
  return 3.0 + 42.0 * std::exp(-Bump * Bump) + 1.5 * std::sin(Seconds / 7.0);
}

void FillSensors(TImagerFrame& Frame, const TDemoPath& Path, double TipDepth) {
  Frame.SensorCount = MaxSensors;
  Frame.TubeRadius = DefaultTubeRadius;
  for (int Slot = 0; Slot < MaxSensors; ++Slot) {
    const double S = TipDepth - Slot * DemoSensorSpacing;
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = Path.Position(S);
    // Frames carry the tangent towards the operator's end, against the
    // direction of insertion.
    Frame.SensorDirection[Slot] = NegateVector(TDemoPath::Heading(S));
  }
  for (int Segment = 0; Segment < MaxSegments; ++Segment)
    Frame.SegmentLength[Segment] = DemoSensorSpacing;
  Frame.EndoscopeValid = true;
}

// Markers 0 and 1 on the hips, marker 2 on the sacrum; the patient breathes.
void FillMarkers(TImagerFrame& Frame, double Seconds) {
  const double Breath = 0.003 * std::sin(2 * std::numbers::pi * Seconds / 4.0);
  const TVector3 Up = Vector3(0, 1, 0);
  const TVector3 Positions[] = {Vector3(-0.15, 0.12 + Breath, 0.25),
                                Vector3(0.15, 0.12 + Breath, 0.25),
                                Vector3(0.0, 0.15 + Breath, -0.05)};
  for (int Marker = 0; Marker < 3; ++Marker) {
    Frame.MarkerValid[Marker] = true;
    Frame.MarkerPosition[Marker] = Positions[Marker];
    Frame.MarkerDirection[Marker] = Up;
  }
}

void FillHand(TImagerFrame& Frame, const TDemoPath& Path, double Seconds) {
  const double Wobble = 0.01 * std::sin(Seconds / 3.0);
  Frame.HandValid = true;
  Frame.HandPosition = AddVectors(Path.Position(-0.35), Vector3(Wobble, 0, 0));
  Frame.HandDirection = TDemoPath::Heading(0);
}

} // namespace

void BuildDemoProcedure(TImagerProcedure& Procedure) {
  Procedure.Clear();
  Procedure.PatientName = "Demo Patient";
  Procedure.ProcedureType = ProcedureColonoscopy;
  Procedure.StartTime = DateTimeFromCivil(2026, 1, 15, 9, 30, 0);
  Procedure.HasPainData = true;
  Procedure.PainUnits = "mmHg";

  const TDemoPath Path;
  for (std::int32_t Index = 0; Index < DemoFrameCount; ++Index) {
    const double Seconds = Index;
    const double Progress = Seconds / (DemoFrameCount - 1);
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Seconds / SecondsPerDay;
    FillSensors(Frame, Path, FirstDepth + (LastDepth - FirstDepth) * Progress);
    FillMarkers(Frame, Seconds);
    FillHand(Frame, Path, Seconds);
    Frame.PainValid = true;
    Frame.Pain = DemoPain(Seconds);
  }
}

} // namespace kestrava
