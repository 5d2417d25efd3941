#pragma once
// The centre line of the endoscope through one run of consecutive valid
// sensors: a Hermite cubic per interval between neighbouring sensors, sampled
// into placements whose Direction is the unit tangent towards the operator's
// end and whose Up is carried along the line without twist.
//
// The storage is allocated once; building never allocates. Positions in
// metres. Thread: user-interface thread only.

#include "geometry/Matrices.h"
#include "imagerdata/ImagerFrame.h"
#include "scene/CutoffPlane.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrava {

// Consecutive sensor slots First .. First + Count - 1 of a frame.
struct TSensorRun {
  std::int32_t First = 0;
  std::int32_t Count = 0;
};

// Invalid sensors split the slots; with 16 slots there are at most 8 runs.
struct TSensorRuns {
  static constexpr std::int32_t Capacity = (MaxSensors + 1) / 2;
  std::array<TSensorRun, Capacity> Items{};
  std::int32_t Count = 0;
};

// The runs of valid sensors among slots FromSensor .. SensorCount - 1, tip
// first. A SensorCount outside 0..16 (a corrupt frame) is clamped.
TSensorRuns FindSensorRuns(const TImagerFrame& Frame, std::int32_t FromSensor);

// How the first interval of a run is trimmed: when ClipFirst is set its
// samples start at parameter ClipStart instead of 0, and above 0.99 the
// interval is dropped altogether.
struct TCentreLineClip {
  bool ClipFirst = false;
  double ClipStart = 0;
};

class TCentreLine {
public:
  static constexpr std::int32_t Capacity = 2000;

  TCentreLine() : Points_(Capacity) {}

  // Samples SectionsPerInterval points per interval of Run, each interval
  // starting exactly on its first sensor, then the run's last sensor. When a
  // sample lies on or beyond Plane the line stops there (the last sensor is
  // then not appended). Directions and Up vectors are set when at least two
  // points result. Raises E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector
  // when two consecutive points coincide (the line is then left empty), and
  // E_Qel_InvalidArg for a run outside the frame's slots, fewer than one
  // section or more points than Capacity.
  void Build(const TImagerFrame& Frame, const TSensorRun& Run, std::int32_t SectionsPerInterval,
             const TCentreLineClip& Clip, const TCutoffPlane& Plane);

  std::int32_t Count() const { return Count_; }
  std::span<const TPositionOrientation> Points() const {
    return {Points_.data(), static_cast<std::size_t>(Count_)};
  }
  const TPositionOrientation& operator[](std::int32_t Index) const {
    return Points_[static_cast<std::size_t>(Index)];
  }

private:
  // Returns false when the cutoff plane stopped the line.
  bool SamplePositions(const TImagerFrame& Frame, const TSensorRun& Run,
                       std::int32_t SectionsPerInterval, const TCentreLineClip& Clip,
                       const TCutoffPlane& Plane);
  void Append(const TVector3& Position) {
    Points_[static_cast<std::size_t>(Count_++)].Position = Position;
  }
  void SetDirections();
  void SetUpVectors();

  std::vector<TPositionOrientation> Points_;
  std::int32_t Count_ = 0;
};

} // namespace kestrava
