#include "render/ViewProjection.h"

#include <cmath>

namespace kestrava {

namespace {

TMatrix4 RowsAndTranslation(const TVector3& R0, const TVector3& R1, const TVector3& R2,
                            const TVector3& Position) {
  TMatrix4 M = IdentityMatrix4;
  const TVector3 Rows[3] = {R0, R1, R2};
  for (int Row = 0; Row < 3; ++Row) {
    M.M[Row][0] = Rows[Row].X;
    M.M[Row][1] = Rows[Row].Y;
    M.M[Row][2] = Rows[Row].Z;
    M.M[Row][3] = -DotProduct(Rows[Row], Position);
  }
  return M;
}

TVector3 Transform(const TMatrix4& M, const TVector3& P) {
  const TVector4 Q = TransformVector4(M, {P.X, P.Y, P.Z, 1});
  return {Q.X, Q.Y, Q.Z};
}

} // namespace

TMatrix4 ViewMatrix(const TPositionOrientation& Camera) {
  const TVector3& D = Camera.Direction;
  const TVector3& U = Camera.Up;
  return RowsAndTranslation(CrossProduct(D, U), U, D, Camera.Position);
}

TMatrix4 ProjectionMatrix(const TViewSettings& View) {
  TMatrix4 M = IdentityMatrix4;
  const double N = View.NearClip, F = View.FarClip;
  if (View.ProjectionType == 0) {
    const double T = std::tan(View.FieldOfView / 2);
    M.M[2][2] = T * F / (F - N);
    M.M[2][3] = -T * N * F / (F - N);
    M.M[3][2] = T;
    M.M[3][3] = 0;
  } else if (View.ProjectionType == 1) {
    M.M[2][2] = 1 / (F - N);
    M.M[2][3] = -N / (F - N);
  }
  return M;
}

TDeviceMatrix DeviceMatrix(const TMatrix4& M) {
  TDeviceMatrix Out;
  for (int Row = 0; Row < 4; ++Row)
    for (int Column = 0; Column < 4; ++Column)
      Out.M[Row][Column] = static_cast<float>(M.M[Column][Row]);
  return Out;
}

double ViewportX(const TViewSettings& View, double ProjectedX) {
  return View.Width / 2.0 * (1 + View.ScaleX * ProjectedX);
}

double ViewportY(const TViewSettings& View, double ProjectedY) {
  return View.Height / 2.0 * (1 - View.ScaleY * ProjectedY);
}

TViewportClip ViewportClip(const TViewSettings& View) {
  return {-1 / View.ScaleX, 1 / View.ScaleY, 2 / View.ScaleX, 2 / View.ScaleY};
}

TVector3 ProjectPoint(const TViewSettings& View, const TMatrix4& FrameWorld,
                      const TVector3& Point) {
  const TMatrix4 All =
      MultiplyMatrix4(ProjectionMatrix(View), MultiplyMatrix4(ViewMatrix(View.Camera), FrameWorld));
  const TVector4 Clip = TransformVector4(All, {Point.X, Point.Y, Point.Z, 1});
  const double X = Clip.X / Clip.W, Y = Clip.Y / Clip.W, Z = Clip.Z / Clip.W;
  return {ViewportX(View, X), ViewportY(View, Y), Z};
}

TVector3 FrameToScreenPoint(const TViewSettings& View, const TMatrix4& FrameWorld,
                            const TVector3& Point) {
  const TMatrix4 M = MultiplyMatrix4(OrientationToInverseMatrix(View.Camera), FrameWorld);
  const TVector3 Q = Transform(M, Point);
  return {View.Width * 0.5 * (1 - View.ScaleX * Q.X), View.Height * 0.5 * (1 - View.ScaleY * Q.Y),
          Q.Z};
}

TVector3 ScreenToFramePoint(const TViewSettings& View, const TMatrix4& FrameWorld,
                            const TVector3& Screen) {
  // Without pixels along an axis there is no position to invert; the centre
  // line is the only place such a control could show anything.
  const double A = View.Width > 0 ? (1 - 2 * Screen.X / View.Width) / View.ScaleX : 0;
  const double B = View.Height > 0 ? (1 - 2 * Screen.Y / View.Height) / View.ScaleY : 0;
  const TPositionOrientation& C = View.Camera;
  const TVector3 World = AddVectors(
      C.Position, AddThreeVectors(ScaleVector(CrossProduct(C.Up, C.Direction), A),
                                  ScaleVector(C.Up, B), ScaleVector(C.Direction, Screen.Z)));
  const TVector3 Offset{World.X - FrameWorld.M[0][3], World.Y - FrameWorld.M[1][3],
                        World.Z - FrameWorld.M[2][3]};
  TVector3 Local;
  for (std::size_t Column = 0; Column < 3; ++Column)
    Local[Column] = FrameWorld.M[0][Column] * Offset.X + FrameWorld.M[1][Column] * Offset.Y +
                    FrameWorld.M[2][Column] * Offset.Z;
  return Local;
}

} // namespace kestrava
