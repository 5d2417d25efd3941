#pragma once
// Polynomial curves in 3D, coefficients highest power first. Pure functions.

#include "geometry/Vectors.h"

namespace kestrava {

struct TLinearCoefficients {
  TVector3 A, B; // A t + B
};
struct TQuadraticCoefficients {
  TVector3 A, B, C; // A t^2 + B t + C
};
struct TCubicCoefficients {
  TVector3 A, B, C, D; // A t^3 + B t^2 + C t + D
};

TVector3 EvaluateLinear(const TLinearCoefficients& K, double T);
TVector3 EvaluateQuadratic(const TQuadraticCoefficients& K, double T);
TVector3 EvaluateCubic(const TCubicCoefficients& K, double T);

// The cubic F on 0..1 with F(0) = P0, F'(0) = S*T0, F(1) = P1, F'(1) = S*T1.
// S scales the tangents: callers pass the distance between the points (or a
// multiple of it) so that unit tangents give a well-shaped curve.
TCubicCoefficients HermiteCubic(const TVector3& P0, const TVector3& T0, const TVector3& P1,
                                const TVector3& T1, double S);
TQuadraticCoefficients DifferentiateCubic(const TCubicCoefficients& K);
TLinearCoefficients DifferentiateQuadratic(const TQuadraticCoefficients& K);

} // namespace kestrava
