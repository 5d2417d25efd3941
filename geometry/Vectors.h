#pragma once
// Vector value types and their arithmetic. Lengths in metres, angles in radians.
// Everything here is a pure function: callable from any thread, never
// allocates, and only NormalizeVector raises.

#include <cmath>
#include <cstddef>

namespace kestrava {

struct TVector2 {
  double X = 0, Y = 0;
};

struct TVector3 {
  double X = 0, Y = 0, Z = 0;
  // Component i (0..2): the routines that loop over X, Y, Z use this.
  double& operator[](std::size_t i) { return i == 0 ? X : (i == 1 ? Y : Z); }
  double operator[](std::size_t i) const { return i == 0 ? X : (i == 1 ? Y : Z); }
  friend bool operator==(const TVector3&, const TVector3&) = default;
};

// The compact form some positions are stored in.
struct TVector3Single {
  float X = 0, Y = 0, Z = 0;
  friend bool operator==(const TVector3Single&, const TVector3Single&) = default;
};

struct TVector4 {
  double X = 0, Y = 0, Z = 0, W = 0;
};

inline constexpr TVector2 ZeroVector2{};

inline TVector2 Vector2(double X, double Y) {
  return {X, Y};
}
inline TVector3 Vector3(double X, double Y, double Z) {
  return {X, Y, Z};
}
inline TVector4 Vector4(double X, double Y, double Z, double W) {
  return {X, Y, Z, W};
}

inline TVector3 SingleToVector3(const TVector3Single& V) {
  return {V.X, V.Y, V.Z};
}
inline TVector3Single Vector3ToSingle(const TVector3& V) {
  return {static_cast<float>(V.X), static_cast<float>(V.Y), static_cast<float>(V.Z)};
}

inline double DotProduct(const TVector3& A, const TVector3& B) {
  return A.X * B.X + A.Y * B.Y + A.Z * B.Z;
}

inline TVector3 CrossProduct(const TVector3& A, const TVector3& B) {
  return {A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X};
}

inline double VectorLength(const TVector3& V) {
  return std::sqrt(DotProduct(V, V));
}

inline double VectorDistance(const TVector3& A, const TVector3& B) {
  const double DX = A.X - B.X, DY = A.Y - B.Y, DZ = A.Z - B.Z;
  return std::sqrt(DX * DX + DY * DY + DZ * DZ);
}

// V divided by its length. Raises E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector
// for a zero-length (or non-finite length) vector.
TVector3 NormalizeVector(const TVector3& V);

inline TVector3 AddVectors(const TVector3& A, const TVector3& B) {
  return {A.X + B.X, A.Y + B.Y, A.Z + B.Z};
}
inline TVector3 AddThreeVectors(const TVector3& A, const TVector3& B, const TVector3& C) {
  return {A.X + B.X + C.X, A.Y + B.Y + C.Y, A.Z + B.Z + C.Z};
}
inline TVector3 SubtractVectors(const TVector3& A, const TVector3& B) {
  return {A.X - B.X, A.Y - B.Y, A.Z - B.Z};
}
inline TVector3 ScaleVector(const TVector3& V, double S) {
  return {S * V.X, S * V.Y, S * V.Z};
}
// The point T of the way from A to B (0 gives A, 1 gives B).
inline TVector3 InterpolateVectors(const TVector3& A, const TVector3& B, double T) {
  return AddVectors(A, ScaleVector(SubtractVectors(B, A), T));
}

inline TVector3 NegateVector(const TVector3& V) {
  return {-V.X, -V.Y, -V.Z};
}

// Theta from +Z, Phi the azimuth from +X towards +Y.
inline TVector3 SphericalToVector(double Theta, double Phi) {
  return {std::sin(Theta) * std::cos(Phi), std::sin(Theta) * std::sin(Phi), std::cos(Theta)};
}
inline TVector3Single SphericalToVectorSingle(float Theta, float Phi) {
  return {std::sin(Theta) * std::cos(Phi), std::sin(Theta) * std::sin(Phi), std::cos(Theta)};
}

// Writes N points of the unit circle in the XY plane into Points (at least N
// long): point i is (-sin a, cos a, 0) with a = 2*pi*i/N, so the seam of every
// tube and disc starts at +Y and runs towards -X. N <= 0 writes nothing.
void MakeUnitCircle(int N, TVector3* Points);

// The point Q of segment S0-S1 nearest to P and its parameter T in [0, 1];
// a zero-length segment gives T = 0, Q = S0.
void ClosestPointOnSegment(const TVector3& P, const TVector3& S0, const TVector3& S1, double& T,
                           TVector3& Q);

// Whether segment S0-S1 meets the plane through PlanePoint with normal
// PlaneNormal (both ends inclusive). T is written unless the segment is
// parallel to the plane, which never crosses.
bool SegmentCrossesPlane(const TVector3& S0, const TVector3& S1, const TVector3& PlanePoint,
                         const TVector3& PlaneNormal, double& T);

} // namespace kestrava
