#pragma once
// One sample: the sensors along the endoscope, six body markers, the hand
// sensor, an optional overtube sensor and the patient's pain reading.
//
// Lengths and positions in metres, directions unit vectors, Time in days
// relative to the procedure's StartTime. Sensor slot 0 is nearest the tip.
// Only the first SensorCount slots are meaningful to anybody.

#include "foundation/QelList.h"
#include "geometry/Vectors.h"

#include <array>
#include <cstdint>

namespace kestrava {

// Frame and procedure times count days; durations in seconds divide by this.
inline constexpr double SecondsPerDay = 86400;
inline constexpr int MaxSensors = 16;
inline constexpr int MaxSegments = MaxSensors - 1;
inline constexpr int MarkerCount = 6;
// Every frame the system produces draws the tube with this radius (metres).
inline constexpr float DefaultTubeRadius = 0.009f;

// Overtube data of the first kind; stored as 21 packed bytes in imager files
// (Length1 at 0, Length3 at 4, Valid at 8, Position at 9).
struct TOvertubeData1 {
  float Length1 = 0;
  float Length3 = 0;
  bool Valid = false;
  TVector3Single Position;
  friend bool operator==(const TOvertubeData1&, const TOvertubeData1&) = default;
};

// Overtube data of the second kind; 25 packed bytes (Length1 at 0, Length2 at
// 4, Length3 at 8, Valid at 12, Position at 13).
struct TOvertubeData2 {
  float Length1 = 0;
  float Length2 = 0;
  float Length3 = 0;
  bool Valid = false;
  TVector3Single Position;
  friend bool operator==(const TOvertubeData2&, const TOvertubeData2&) = default;
};

class TImagerFrame : public TQelObject {
public:
  double Time = 0;
  std::int32_t SensorCount = 0;
  float TubeRadius = 0;
  std::array<bool, MaxSensors> SensorValid{};
  std::array<TVector3, MaxSensors> SensorPosition{};
  std::array<TVector3, MaxSensors> SensorDirection{};
  std::array<double, MaxSegments> SegmentLength{};
  bool EndoscopeValid = false;
  std::array<bool, MarkerCount> MarkerValid{};
  std::array<TVector3, MarkerCount> MarkerPosition{};
  std::array<TVector3, MarkerCount> MarkerDirection{};
  bool HandValid = false;
  TVector3 HandPosition;
  TVector3 HandDirection;
  bool PainValid = false;
  double Pain = 0;
  std::int32_t OvertubeKind = 0; // 0 none, 1 OvertubeData1, 2 OvertubeData2
  TOvertubeData1 OvertubeData1;
  TOvertubeData2 OvertubeData2;

  // Frames come from block storage (see FrameStorage.h): loading a long
  // recording would otherwise be dominated by page faults.
  static void* operator new(std::size_t Size);
  static void operator delete(void* Memory, std::size_t Size) noexcept;

  std::unique_ptr<TQelObject> CreateNew() const override;

  // Resets Time, SensorCount, every MarkerValid, HandValid, HandPosition, Pain
  // and OvertubeKind; the other fields keep their values.
  void Clear() override;

  // Copies every field of another TImagerFrame (E_Qel_InvalidObjectType for
  // any other class). Deep is ignored: a frame holds only values.
  void Assign(const TQelObject& Source, bool Deep = true) override;

  // Body axes from the markers; Mode is the procedure type. False when a
  // needed marker is missing or the markers are degenerate.
  bool GetPatientAxes(std::int32_t Mode, TVector3& Centre, TVector3& Normal, TVector3& Axis) const;
  // A simpler axis from markers 0..2, procedure type 0 only.
  bool GetMarkerAxis(std::int32_t Mode, TVector3& Origin, TVector3& Direction) const;
  // The point of the centre polyline (between valid neighbouring sensors)
  // nearest to Point: its distance, segment index and parameter T in [0, 1].
  // False (outputs 0) when no segment qualifies.
  bool FindNearestScopePoint(const TVector3& Point, double& Distance, std::int32_t& Segment,
                             double& T) const;
  // Walks Length metres (along SegmentLength) from parameter T of Segment
  // towards the tip; zero-length segments are passed over. False, with
  // NewSegment and T set to 0, when the walk runs past slot 0, when Segment
  // is not between two slots in use, T lies outside 0..1, Length is NaN or a
  // SegmentLength on the way is negative or not finite.
  bool MoveBackAlongScope(std::int32_t Segment, std::int32_t& NewSegment, double& T,
                          double Length) const;
};

// The frames of a procedure: an owning list of TImagerFrame.
class TImagerFrames : public TQelListOf<TImagerFrame> {
public:
  TImagerFrames() : TQelListOf<TImagerFrame>(true) {}
};

} // namespace kestrava
