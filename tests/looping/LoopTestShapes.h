#pragma once
// Hand-built endoscope shapes for the loop tests. The body markers put the
// patient's axes on the generator's: Up is +Z, Front +Y, the anus at the
// origin and the hips 0.15 m above it, so the body centre lies at Z 0.075.
// A shape is a dense path from outside the patient to the tip; the frame
// gets 16 sensors 0.08 m apart back from the tip, pointing to the operator.
// Patients of other sizes scale the shape and the markers together; a
// pelvis tilted on the table puts the iliac spines in front of the anus,
// so that the axes the markers give lean forwards against the body's.

#include "geometry/Vectors.h"
#include "imagerdata/ImagerFrame.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace kestrava::testing {

using TPath = std::vector<TVector3>;

// Appends the curve F(u), u from 0 to 1, in fine steps.
inline void AddCurve(TPath& Path, const std::function<TVector3(double)>& F) {
  for (int I = 1; I <= 400; ++I) {
    Path.push_back(F(I / 400.0));
  }
}

inline void AddLineTo(TPath& Path, const TVector3& To) {
  const TVector3 From = Path.back();
  AddCurve(Path,
           [&](double U) { return AddVectors(From, ScaleVector(SubtractVectors(To, From), U)); });
}

// Starts outside the anus and rises to (X, 0, Z).
inline TPath RisingTo(double X, double Z) {
  TPath Path = {Vector3(0, 0, -0.3), Vector3(0, 0, 0.02)};
  AddLineTo(Path, Vector3(X, 0, Z));
  return Path;
}

// A loop that crosses itself in the AP view: Width along +X, Radius, rising
// (Up) or hanging down, the limb nearer the tip in front when TipInFront.
inline void AddCrossingLoop(TPath& Path, double Width, double Radius, bool Up, bool TipInFront) {
  const TVector3 Start = Path.back();
  AddCurve(Path, [=](double U) {
    const double Theta = 2 * std::numbers::pi * U;
    return AddVectors(Start, Vector3(Width * U + Radius * std::sin(Theta),
                                     (TipInFront ? -1 : 1) * 0.04 * std::sin(Theta),
                                     (Up ? 1 : -1) * Radius * (1 - std::cos(Theta))));
  });
}

struct TAnatomy {
  double Scale = 1;
  double TiltDegrees = 0;
};

inline void FrameAlong(const TPath& Unscaled, TImagerFrame& Frame, int Sensors = MaxSensors,
                       TAnatomy Anatomy = {}) {
  TPath Path;
  for (const TVector3& P : Unscaled) {
    Path.push_back(ScaleVector(P, Anatomy.Scale));
  }
  std::vector<double> Arc(Path.size(), 0);
  for (std::size_t I = 1; I < Path.size(); ++I) {
    Arc[I] = Arc[I - 1] + VectorDistance(Path[I - 1], Path[I]);
  }
  const auto At = [&](double S) {
    std::size_t I = 1;
    while (I + 1 < Path.size() && Arc[I] < S) {
      ++I;
    }
    const double T = (S - Arc[I - 1]) / (Arc[I] - Arc[I - 1]);
    return std::pair{AddVectors(Path[I - 1], ScaleVector(SubtractVectors(Path[I], Path[I - 1]), T)),
                     NormalizeVector(SubtractVectors(Path[I - 1], Path[I]))};
  };
  Frame.SensorCount = Sensors;
  for (int K = 0; K < Sensors; ++K) {
    const auto [Position, Direction] = At(Arc.back() - 0.08 * K);
    Frame.SensorValid[static_cast<std::size_t>(K)] = true;
    Frame.SensorPosition[static_cast<std::size_t>(K)] = Position;
    Frame.SensorDirection[static_cast<std::size_t>(K)] = Direction;
    if (K + 1 < MaxSensors) {
      Frame.SegmentLength[static_cast<std::size_t>(K)] = 0.08;
    }
  }
  const double S = Anatomy.Scale;
  const double Front = 0.15 * S * std::tan(Anatomy.TiltDegrees * std::numbers::pi / 180);
  Frame.MarkerValid = {true, true, true, false, false, false};
  Frame.MarkerPosition[0] = Vector3(0.12 * S, Front, 0.15 * S);
  Frame.MarkerPosition[1] = Vector3(-0.12 * S, Front, 0.15 * S);
  Frame.MarkerPosition[2] = Vector3(0, 0, 0);
}

} // namespace kestrava::testing
