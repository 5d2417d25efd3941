#include "geometry/Matrices.h"

namespace kestrava {

const TMatrix4 IdentityMatrix4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
const TPositionOrientation DefaultPositionOrientation{};

TVector3 OrientVector(const TVector3& L, const TVector3& Direction, const TVector3& Up) {
  const TVector3 X = CrossProduct(Up, Direction);
  return {L.X * X.X + L.Y * Up.X + L.Z * Direction.X, L.X * X.Y + L.Y * Up.Y + L.Z * Direction.Y,
          L.X * X.Z + L.Y * Up.Z + L.Z * Direction.Z};
}

TMatrix4 OrientationToMatrix(const TPositionOrientation& P) {
  const TVector3 X = CrossProduct(P.Up, P.Direction);
  const TVector3& Y = P.Up;
  const TVector3& Z = P.Direction;
  return {{{X.X, Y.X, Z.X, P.Position.X},
           {X.Y, Y.Y, Z.Y, P.Position.Y},
           {X.Z, Y.Z, Z.Z, P.Position.Z},
           {0, 0, 0, 1}}};
}

TMatrix4 OrientationToInverseMatrix(const TPositionOrientation& P) {
  const TVector3 X = CrossProduct(P.Up, P.Direction);
  const TVector3& Y = P.Up;
  const TVector3& Z = P.Direction;
  return {{{X.X, X.Y, X.Z, -DotProduct(X, P.Position)},
           {Y.X, Y.Y, Y.Z, -DotProduct(Y, P.Position)},
           {Z.X, Z.Y, Z.Z, -DotProduct(Z, P.Position)},
           {0, 0, 0, 1}}};
}

TMatrix3 AxesToMatrix3(const TVector3& Direction, const TVector3& Up) {
  return {{CrossProduct(Up, Direction), Up, Direction}};
}

TPositionOrientation MakePositionOrientation(const TVector3& Position, const TVector3& Direction,
                                             const TVector3& Up) {
  return {Position, Direction, Up};
}

TMatrix3 RowsToMatrix3(const TVector3& R0, const TVector3& R1, const TVector3& R2) {
  return {{R0, R1, R2}};
}

TVector3 TransformVector3(const TMatrix3& M, const TVector3& V) {
  return {DotProduct(M.Rows[0], V), DotProduct(M.Rows[1], V), DotProduct(M.Rows[2], V)};
}

TMatrix4 MultiplyMatrix4(const TMatrix4& A, const TMatrix4& B) {
  TMatrix4 C;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      // Summed in long double: the widest type keeps composed placements exact
      // enough that a placement times its inverse is the identity to the last bit or so.
      long double Sum = 0;
      for (int k = 0; k < 4; ++k) {
        Sum += static_cast<long double>(A.M[i][k]) * B.M[k][j];
      }
      C.M[i][j] = static_cast<double>(Sum);
    }
  }
  return C;
}

TVector4 TransformVector4(const TMatrix4& M, const TVector4& V) {
  double R[4];
  for (int i = 0; i < 4; ++i) {
    R[i] = M.M[i][0] * V.X + M.M[i][1] * V.Y + M.M[i][2] * V.Z + M.M[i][3] * V.W;
  }
  return {R[0], R[1], R[2], R[3]};
}

TPositionOrientation ReverseOrientation(const TPositionOrientation& P) {
  return {P.Position, NegateVector(P.Direction), P.Up};
}

TVector3 RotateFromTo(const TVector3& From, const TVector3& V, const TVector3& To) {
  const double C = DotProduct(From, To);
  if (std::abs(1 + C) <= 1e-10) {
    return V;
  }
  const double K = 1 / (1 + C);
  const TVector3 W = CrossProduct(From, To);
  const TMatrix3 M{{{K * W.X * W.X + C, K * W.X * W.Y - W.Z, K * W.X * W.Z + W.Y},
                    {K * W.Y * W.X + W.Z, K * W.Y * W.Y + C, K * W.Y * W.Z - W.X},
                    {K * W.Z * W.X - W.Y, K * W.Z * W.Y + W.X, K * W.Z * W.Z + C}}};
  return TransformVector3(M, V);
}

TVector3 RotateAboutAxis(const TVector3& V, const TVector3& Axis, double Angle) {
  const double C = std::cos(Angle), S = std::sin(Angle), T = 1 - C;
  const double X = Axis.X, Y = Axis.Y, Z = Axis.Z;
  const TMatrix3 M{{{C + X * X * T, X * Y * T - Z * S, X * Z * T + Y * S},
                    {X * Y * T + Z * S, C + Y * Y * T, Y * Z * T - X * S},
                    {X * Z * T - Y * S, Y * Z * T + X * S, C + Z * Z * T}}};
  return TransformVector3(M, V);
}

} // namespace kestrava
