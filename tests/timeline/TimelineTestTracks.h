#pragma once
// Hand-built examinations for the timeline tests: a colon drawn from the
// clinical description (not the simulator's), in a patient of any size,
// with the pelvis tilted on the table by any angle, and a tip moved along it
// by a schedule of (seconds, depth) key points, one frame a second. Body
// axes: X to the patient's left, Y anterior, Z to the head, the anal verge
// at the origin. Only the tip (slot 0) and markers 1-3 are filled in.

#include "imagerdata/ImagerProcedure.h"
#include "timeline/ColonSegment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace kestrava::testing {

struct TPatient {
  double Scale = 1;        // the patient's size against an average adult
  double TiltDegrees = 20; // how far the iliac spines lie in front of the anal verge
};

using TSchedule = std::vector<std::pair<double, double>>; // (seconds, depth m); < 0 outside

class TTestColon {
public:
  explicit TTestColon(TPatient Patient = {}) : Patient_(Patient) {
    // The colon's course, and the control points where segments start.
    constexpr double Points[][3] = {
        {0, 0, 0},           {0, -0.015, 0.05},    {0, -0.03, 0.10},    {0, -0.02, 0.15},
        {-0.05, 0.03, 0.19}, {-0.04, 0.08, 0.25},  {0.03, 0.09, 0.27},  {0.08, 0.05, 0.22},
        {0.12, 0.01, 0.19},  {0.13, 0, 0.28},      {0.13, 0, 0.38},     {0.11, 0.01, 0.47},
        {0.06, 0.06, 0.44},  {0, 0.09, 0.38},      {-0.06, 0.08, 0.41}, {-0.11, 0.03, 0.44},
        {-0.13, 0.02, 0.36}, {-0.125, 0.02, 0.28}, {-0.10, 0.03, 0.17}};
    using S = TColonSegment;
    const std::vector<std::pair<std::size_t, S>> StartAt = {{0, S::Rectum},
                                                            {3, S::Sigmoid},
                                                            {8, S::Descending},
                                                            {11, S::Transverse},
                                                            {15, S::Ascending}};
    double Depth = 0;
    for (std::size_t I = 0; I < std::size(Points); ++I) {
      const TVector3 P =
          ScaleVector(Vector3(Points[I][0], Points[I][1], Points[I][2]), Patient.Scale);
      if (I > 0) {
        Depth += VectorDistance(Points_.back(), P);
      }
      Points_.push_back(P);
      Depths_.push_back(Depth);
      for (const auto& [At, Segment] : StartAt) {
        if (At == I) {
          Starts_.push_back({Depth, Segment});
        }
      }
    }
    Starts_.push_back({Depth - 0.06 * Patient.Scale, S::Caecum});
  }

  double Length() const { return Depths_.back(); }
  // Depths where segments start (the anal verge first).
  std::vector<double> Boundaries() const {
    std::vector<double> B;
    for (const auto& Start : Starts_) {
      B.push_back(Start.first);
    }
    return B;
  }
  TColonSegment SegmentAt(double Depth) const {
    TColonSegment Segment = TColonSegment::Outside;
    for (const auto& [Start, Part] : Starts_) {
      Segment = Depth > Start ? Part : Segment;
    }
    return Segment;
  }
  // The point Depth along the colon; outside, straight down from the anal verge.
  TVector3 At(double Depth) const {
    if (Depth <= 0) {
      return Vector3(0, 0, Depth);
    }
    const auto Upper = std::upper_bound(Depths_.begin(), Depths_.end(), Depth);
    const std::size_t I = std::min<std::size_t>(Upper - Depths_.begin(), Depths_.size() - 1);
    const double T = std::clamp((Depth - Depths_[I - 1]) / (Depths_[I] - Depths_[I - 1]), 0.0, 1.0);
    return InterpolateVectors(Points_[I - 1], Points_[I], T);
  }
  // Markers 1-3: the right and left iliac spines and the anal verge.
  void PlaceMarkers(TImagerFrame& Frame) const {
    const double S = Patient_.Scale;
    const double Front = 0.13 * S * std::tan(Patient_.TiltDegrees * std::numbers::pi / 180);
    Frame.MarkerValid = {true, true, true, false, false, false};
    Frame.MarkerPosition[0] = Vector3(-0.12 * S, Front, 0.13 * S);
    Frame.MarkerPosition[1] = Vector3(0.12 * S, Front, 0.13 * S);
    Frame.MarkerPosition[2] = Vector3(0, 0, 0);
  }

private:
  TPatient Patient_;
  std::vector<TVector3> Points_;
  std::vector<double> Depths_;
  std::vector<std::pair<double, TColonSegment>> Starts_;
};

// The depth of Schedule at Seconds, between its key points.
inline double DepthAt(const TSchedule& Schedule, double Seconds) {
  if (Seconds <= Schedule.front().first) {
    return Schedule.front().second;
  }
  for (std::size_t I = 1; I < Schedule.size(); ++I) {
    const auto& [T0, D0] = Schedule[I - 1];
    const auto& [T1, D1] = Schedule[I];
    if (Seconds <= T1) {
      return D0 + (D1 - D0) * (Seconds - T0) / (T1 - T0);
    }
  }
  return Schedule.back().second;
}

// One frame a second to the schedule's end; markers from MarkersFrom on.
inline void Examine(const TTestColon& Colon, const TSchedule& Schedule, TImagerProcedure& Procedure,
                    int MarkersFrom = 3) {
  for (int Second = 0; Second <= Schedule.back().first; ++Second) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Second / SecondsPerDay;
    Frame.SensorCount = 1;
    Frame.SensorValid[0] = true;
    Frame.SensorPosition[0] = Colon.At(DepthAt(Schedule, Second));
    if (Second >= MarkersFrom) {
      Colon.PlaceMarkers(Frame);
    }
  }
}

} // namespace kestrava::testing
