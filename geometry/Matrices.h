#pragma once
// Matrices, placements and rotations. Matrices are row-major and multiply
// column vectors from the left (result[i] = row i . v); translation lives in
// column 3 of a TMatrix4; a parent placement composed with a child is
// Parent x Child. Pure functions: any thread, no allocation, no exceptions.

#include "geometry/Vectors.h"

namespace kestrava {

struct TMatrix3 {
  TVector3 Rows[3];
  double operator()(int Row, int Column) const {
    return Rows[Row][static_cast<std::size_t>(Column)];
  }
};

struct TMatrix4 {
  double M[4][4] = {};
  friend bool operator==(const TMatrix4&, const TMatrix4&) = default;
};

// Places a local coordinate system: local Z is Direction, local Y is Up and
// local X is Up x Direction. Direction and Up are expected (not checked) to be
// perpendicular unit vectors.
struct TPositionOrientation {
  TVector3 Position;
  TVector3 Direction{0, 0, 1};
  TVector3 Up{0, 1, 0};
};

extern const TMatrix4 IdentityMatrix4;
extern const TPositionOrientation DefaultPositionOrientation;

// L.X * (Up x Direction) + L.Y * Up + L.Z * Direction: rotation only.
TVector3 OrientVector(const TVector3& L, const TVector3& Direction, const TVector3& Up);
// Local-to-world: columns Up x Direction, Up, Direction, Position.
TMatrix4 OrientationToMatrix(const TPositionOrientation& Placement);
// World-to-local by transposing the rotation; the true inverse of
// OrientationToMatrix only for an orthonormal Direction/Up pair.
TMatrix4 OrientationToInverseMatrix(const TPositionOrientation& Placement);
// Rows (Up x Direction, Up, Direction): the world-to-local rotation.
TMatrix3 AxesToMatrix3(const TVector3& Direction, const TVector3& Up);
TPositionOrientation MakePositionOrientation(const TVector3& Position, const TVector3& Direction,
                                             const TVector3& Up);
TMatrix3 RowsToMatrix3(const TVector3& R0, const TVector3& R1, const TVector3& R2);
TVector3 TransformVector3(const TMatrix3& M, const TVector3& V);
TMatrix4 MultiplyMatrix4(const TMatrix4& A, const TMatrix4& B);
TVector4 TransformVector4(const TMatrix4& M, const TVector4& V);
// Direction negated, Position and Up kept: half a turn about Up.
TPositionOrientation ReverseOrientation(const TPositionOrientation& Placement);

// Applies to V the rotation carrying unit vector From onto unit vector To
// about their common perpendicular; V unchanged when From and To are opposite
// (|1 + From.To| <= 1e-10). Neither is normalised here.
TVector3 RotateFromTo(const TVector3& From, const TVector3& V, const TVector3& To);
// Right-handed rotation of V by Angle about the unit vector Axis (not normalised here).
TVector3 RotateAboutAxis(const TVector3& V, const TVector3& Axis, double Angle);

} // namespace kestrava
