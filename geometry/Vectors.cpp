#include "geometry/Vectors.h"

#include "foundation/QelExceptions.h"

#include <numbers>

namespace kestrava {

TVector3 NormalizeVector(const TVector3& V) {
  const double Length = VectorLength(V);
  // A NaN or infinite length would silently poison every vertex built from
  // the result, so it counts as the same fault as a zero length.
  if (!(Length > 0) || !std::isfinite(Length)) {
    throw E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector();
  }
  return {V.X / Length, V.Y / Length, V.Z / Length};
}

void MakeUnitCircle(int N, TVector3* Points) {
  for (int i = 0; i < N; ++i) {
    const double Angle = 2 * std::numbers::pi * i / N;
    Points[i] = {-std::sin(Angle), std::cos(Angle), 0};
  }
}

void ClosestPointOnSegment(const TVector3& P, const TVector3& S0, const TVector3& S1, double& T,
                           TVector3& Q) {
  const TVector3 E = SubtractVectors(S1, S0);
  const double L = DotProduct(E, E);
  T = L == 0 ? 0 : DotProduct(SubtractVectors(P, S0), E) / L;
  if (T <= 0) {
    T = 0;
    Q = S0;
  } else if (T >= 1) {
    T = 1;
    Q = S1;
  } else {
    Q = AddVectors(S0, ScaleVector(E, T));
  }
}

bool SegmentCrossesPlane(const TVector3& S0, const TVector3& S1, const TVector3& PlanePoint,
                         const TVector3& PlaneNormal, double& T) {
  const double Denominator = DotProduct(SubtractVectors(S1, S0), PlaneNormal);
  if (Denominator == 0) {
    return false;
  }
  T = DotProduct(SubtractVectors(PlanePoint, S0), PlaneNormal) / Denominator;
  return T >= 0 && T <= 1;
}

} // namespace kestrava
