#include "streaming/StreamPoses.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestrava {

namespace {

bool IsFinite(const TVector3& V) {
  return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
}

TMatrix4 PoseMatrix(const TMatrix3& Rotation, const TVector3& PositionMetres) {
  TMatrix4 Pose;
  for (int Row = 0; Row < 3; ++Row) {
    for (int Column = 0; Column < 3; ++Column) {
      Pose.M[Row][Column] = Rotation(Row, Column);
    }
    Pose.M[Row][3] = PositionMetres[static_cast<std::size_t>(Row)] * MillimetresPerMetre;
  }
  Pose.M[3][3] = 1;
  return Pose;
}

TMatrix3 IdentityRotation() {
  return RowsToMatrix3({1, 0, 0}, {0, 1, 0}, {0, 0, 1});
}

std::string SensorName(std::int32_t Slot) {
  char Name[16];
  std::snprintf(Name, sizeof Name, "Sensor%02d", static_cast<int>(Slot));
  return Name;
}

void AddPose(std::vector<TSensorPose>& Poses, std::string Name, const TVector3& Position,
             const TVector3* Direction) {
  if (!IsFinite(Position) || (Direction != nullptr && !IsFinite(*Direction))) {
    return;
  }
  Poses.push_back(
      {std::move(Name), Direction ? TPoseKind::Direction : TPoseKind::Position,
       PoseMatrix(Direction ? RotationFromZTo(*Direction) : IdentityRotation(), Position)});
}

} // namespace

TMatrix3 RotationFromZTo(const TVector3& Direction) {
  const double Length = VectorLength(Direction);
  if (!(Length > 0) || !std::isfinite(Length)) {
    return IdentityRotation();
  }
  const TVector3 N = ScaleVector(Direction, 1 / Length);
  const double C = N.Z;
  // Straight backwards the shortest arc is not unique: half a turn about X.
  if (C < -1 + 1e-12) {
    return RowsToMatrix3({1, 0, 0}, {0, -1, 0}, {0, 0, -1});
  }
  // Rodrigues with axis v = Z x N: R = c I + [v]x + v v^T / (1 + c).
  const TVector3 V{-N.Y, N.X, 0};
  const double K = 1 / (1 + C);
  return RowsToMatrix3({C + K * V.X * V.X, K * V.X * V.Y, V.Y},
                       {K * V.Y * V.X, C + K * V.Y * V.Y, -V.X}, {-V.Y, V.X, C});
}

std::vector<TSensorPose> SensorPoses(const TImagerFrame& Frame) {
  std::vector<TSensorPose> Poses;
  Poses.reserve(MaxSensors + 2);
  const std::int32_t Count = std::clamp<std::int32_t>(Frame.SensorCount, 0, MaxSensors);
  for (std::int32_t Slot = 0; Slot < Count; ++Slot) {
    const auto I = static_cast<std::size_t>(Slot);
    if (Frame.SensorValid[I]) {
      AddPose(Poses, SensorName(Slot), Frame.SensorPosition[I], &Frame.SensorDirection[I]);
    }
  }
  if (Frame.HandValid) {
    AddPose(Poses, "Hand", Frame.HandPosition, &Frame.HandDirection);
  }
  const bool OvertubeValid = (Frame.OvertubeKind == 1 && Frame.OvertubeData1.Valid) ||
                             (Frame.OvertubeKind == 2 && Frame.OvertubeData2.Valid);
  if (OvertubeValid) {
    const TVector3Single& Position =
        Frame.OvertubeKind == 1 ? Frame.OvertubeData1.Position : Frame.OvertubeData2.Position;
    AddPose(Poses, "Overtube", SingleToVector3(Position), nullptr);
  }
  return Poses;
}

std::optional<TMatrix4> TrackerToPatient(const TImagerFrame& Frame, std::int32_t ProcedureType) {
  TVector3 Centre, Normal, Axis;
  if (!Frame.GetPatientAxes(ProcedureType, Centre, Normal, Axis) || !IsFinite(Centre)) {
    return std::nullopt;
  }
  const TVector3 Z = Axis;
  const TVector3 CrossYZ = CrossProduct(Normal, Z);
  const double CrossLength = VectorLength(CrossYZ);
  if (!(CrossLength > 1e-9) || !std::isfinite(CrossLength)) {
    return std::nullopt;
  }
  const TVector3 X = ScaleVector(CrossYZ, 1 / CrossLength);
  const TVector3 Y = CrossProduct(Z, X); // exactly perpendicular despite rounding
  // The rows are the patient axes: the inverse of the patient's placement.
  const TMatrix3 Rotation = RowsToMatrix3(X, Y, Z);
  return PoseMatrix(Rotation, NegateVector(TransformVector3(Rotation, Centre)));
}

} // namespace kestrava
