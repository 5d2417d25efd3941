#pragma once
// The part of the endoscope inside the patient, sampled about every
// centimetre in the patient's own axes: the input of the loop detector.
//
// The line runs through the valid sensors as Hermite cubics (the sensors'
// directions scaled by the catheter length between them, as the shape model
// draws the tube), bridging a sensor that has dropped out, and stops where
// it crosses the cut-off plane at the anus. Arc positions are catheter
// metres from the tip (slot 0), so they stay true to the catheter when a
// sensor in between is missing.
//
// Coordinates are metres from the body centre of GetPatientAxes: Side along
// Axis x Normal, Height along Axis (towards the head), Front along Normal.
// Building never allocates. Thread: any, one trace per thread.

#include "geometry/Vectors.h"
#include "imagerdata/ImagerFrame.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrava {

struct TTracePoint {
  TVector3 Position;  // generator axes
  double FromTip = 0; // catheter metres from the tip
  double Side = 0;    // patient axes, from the body centre
  double Height = 0;
  double Front = 0;
};

class TScopeTrace {
public:
  static constexpr std::int32_t Capacity = 400;
  // Fewer valid sensors than this give no shape worth classifying.
  static constexpr std::int32_t MinValidSensors = 4;
  // Sample spacing along the catheter, metres.
  static constexpr double SampleStep = 0.01;
  // Sensors further apart than this along the catheter (several dropped in
  // a row) are not bridged: the line ends before the gap.
  static constexpr double LongestBridge = 0.25;

  // Builds the trace of Frame. False, with Reason set to a sentence for the
  // user, when the frame cannot be classified: not a colonoscopy, body
  // markers 1-3 missing or degenerate, or fewer than MinValidSensors valid
  // sensors with usable catheter lengths. An endoscope wholly outside the
  // patient builds an empty trace and succeeds.
  bool Build(const TImagerFrame& Frame, std::int32_t ProcedureType, std::string_view& Reason);

  std::int32_t Count() const { return Count_; }
  // Index 0 is the tip; the last point is where the line leaves the patient.
  const TTracePoint& operator[](std::int32_t Index) const {
    return Points_[static_cast<std::size_t>(Index)];
  }
  // Catheter metres from the tip to the cut-off plane (to the last used
  // sensor when the line does not reach it).
  double InsertedLength() const { return InsertedLength_; }
  // Height of the iliac spines (markers 1 and 2): the pelvic brim.
  double HipsHeight() const { return HipsHeight_; }
  // The point FromTip metres from the tip, interpolated; clamped to the trace.
  TVector3 PositionAt(double FromTip) const;
  // Patient-axes height of a generator-axes position.
  double HeightOf(const TVector3& Position) const;

private:
  void Append(const TVector3& Position, double FromTip);
  void SampleInterval(const TImagerFrame& Frame, std::int32_t From, std::int32_t To,
                      double FromTipAtFrom, double Length, bool Last);

  std::array<TTracePoint, Capacity> Points_{};
  std::int32_t Count_ = 0;
  bool Stopped_ = false; // the line has reached the cut-off plane
  double InsertedLength_ = 0;
  double HipsHeight_ = 0;
  TVector3 Centre_, Side_, Up_, Front_;
  TVector3 PlanePoint_, PlaneNormal_;
};

} // namespace kestrava
