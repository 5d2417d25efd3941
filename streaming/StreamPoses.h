#pragma once
// The poses a frame gives to navigation software, in its conventions:
// millimetres, 4 x 4 homogeneous matrices (row-major, multiplying column
// vectors) named From-To, the generator's axes being the "Tracker".
//
// A sensor measures its position and its direction (for the catheter's
// sensors the endoscope's tangent, pointing towards the operator's end) but
// not its roll. Its pose puts local +Z along that direction and takes the roll of the
// shortest rotation from the tracker's +Z, so the roll is repeatable frame to
// frame but means nothing physically. The overtube sensor has a position
// only; its rotation is the identity.
//
// Thread: any (pure functions).

#include "geometry/Matrices.h"
#include "imagerdata/ImagerFrame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

inline constexpr double MillimetresPerMetre = 1000;

enum class TPoseKind : std::uint8_t {
  Direction, // position and pointing direction (5 degrees of freedom)
  Position,  // position only (3 degrees of freedom)
};

struct TSensorPose {
  std::string Name; // "Sensor00" (the tip) .. "Sensor15", "Hand", "Overtube"
  TPoseKind Kind = TPoseKind::Direction;
  TMatrix4 SensorToTracker; // millimetres
};

// The rotation that turns +Z into Direction along the shortest arc; the
// identity for a zero or non-finite direction. Direction need not be unit.
TMatrix3 RotationFromZTo(const TVector3& Direction);

// Every valid sensor of the frame in slot order, then the hand and the
// overtube sensors when valid. A pose whose numbers are not finite is left
// out like an invalid sensor.
std::vector<TSensorPose> SensorPoses(const TImagerFrame& Frame);

// The patient's axes from the body markers as a transform from tracker to
// patient coordinates (millimetres), or nothing when the frame cannot give
// them. Patient coordinates: origin at the markers' centre, +Z along the
// patient axis (from marker 2 towards markers 0 and 1), +Y along the marker
// plane's normal, +X = Y x Z.
std::optional<TMatrix4> TrackerToPatient(const TImagerFrame& Frame, std::int32_t ProcedureType);

} // namespace kestrava
