#include "geometry/Curves.h"

namespace kestrava {

TVector3 EvaluateLinear(const TLinearCoefficients& K, double T) {
  return AddVectors(ScaleVector(K.A, T), K.B);
}

TVector3 EvaluateQuadratic(const TQuadraticCoefficients& K, double T) {
  // Horner's form: fewer roundings than summing the powers.
  return AddVectors(ScaleVector(AddVectors(ScaleVector(K.A, T), K.B), T), K.C);
}

TVector3 EvaluateCubic(const TCubicCoefficients& K, double T) {
  return AddVectors(
      ScaleVector(AddVectors(ScaleVector(AddVectors(ScaleVector(K.A, T), K.B), T), K.C), T), K.D);
}

TCubicCoefficients HermiteCubic(const TVector3& P0, const TVector3& T0, const TVector3& P1,
                                const TVector3& T1, double S) {
  TCubicCoefficients K;
  K.D = P0;
  K.C = ScaleVector(T0, S);
  K.A = AddThreeVectors(ScaleVector(SubtractVectors(P0, P1), 2), ScaleVector(T0, S),
                        ScaleVector(T1, S));
  K.B = SubtractVectors(SubtractVectors(SubtractVectors(P1, K.A), K.C), K.D);
  return K;
}

TQuadraticCoefficients DifferentiateCubic(const TCubicCoefficients& K) {
  return {ScaleVector(K.A, 3), ScaleVector(K.B, 2), K.C};
}

TLinearCoefficients DifferentiateQuadratic(const TQuadraticCoefficients& K) {
  return {ScaleVector(K.A, 2), K.B};
}

} // namespace kestrava
