#include "scene/DrawableFrame.h"

#include "foundation/IntegerHelpers.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

// Closer than this, two neighbouring sensors are in one place.
constexpr double CoincidentDistance = 1e-9;
constexpr double MaxTubeRadius = 0.1;
constexpr double MinDirectionLength = 1e-9;

TFrameFault NumberFault(double Value, double Limit) {
  if (std::isnan(Value))
    return TFrameFault::NotANumber;
  if (std::isinf(Value))
    return TFrameFault::Infinite;
  return std::fabs(Value) > Limit ? TFrameFault::OutOfRange : TFrameFault::None;
}

TFrameFault PositionFault(const TVector3& P) {
  for (const double Coordinate : {P.X, P.Y, P.Z})
    if (const TFrameFault Fault = NumberFault(Coordinate, MaxCoordinate);
        Fault != TFrameFault::None)
      return Fault;
  return TFrameFault::None;
}

TFrameFault DirectionFault(const TVector3& D) {
  for (const double Coordinate : {D.X, D.Y, D.Z})
    if (const TFrameFault Fault = NumberFault(Coordinate, MaxCoordinate);
        Fault != TFrameFault::None)
      return Fault;
  return VectorLength(D) < MinDirectionLength ? TFrameFault::ZeroDirection : TFrameFault::None;
}

// Collects the first fault while every unusable item is left out.
class TFrameRepair {
public:
  explicit TFrameRepair(TImagerFrame& Frame) : Frame_(Frame) {}

  TFrameCheck Repair() {
    RepairScalars();
    RepairSensors();
    FindCoincidentSensors();
    RepairMarkers();
    RepairHand();
    RepairOvertube();
    RepairPain();
    return Check_;
  }

private:
  // Notes Fault at Where when it is the first; true when there was one.
  bool Note(TFrameFault Fault, const std::string& Where) {
    if (Fault == TFrameFault::None)
      return false;
    if (Check_.Sound())
      Check_ = {Fault, Where};
    return true;
  }

  void RepairScalars() {
    if (Note(NumberFault(Frame_.Time, 1e9), "time"))
      Frame_.Time = 0;
    if (Frame_.SensorCount < 0 || Frame_.SensorCount > MaxSensors) {
      Note(TFrameFault::OutOfRange, "sensor count");
      Frame_.SensorCount = std::clamp(Frame_.SensorCount, 0, MaxSensors);
    }
    const double Radius = Frame_.TubeRadius;
    const TFrameFault RadiusFault = Radius > 0 || std::isnan(Radius)
                                        ? NumberFault(Radius, MaxTubeRadius)
                                        : TFrameFault::OutOfRange;
    if (Note(RadiusFault, "tube radius"))
      Frame_.TubeRadius = DefaultTubeRadius;
  }

  void RepairSensors() {
    for (std::int32_t I = 0; I < Frame_.SensorCount; ++I) {
      if (!Frame_.SensorValid[Slot(I)])
        continue;
      const std::string Name = "sensor " + std::to_string(I);
      const bool Bad =
          Note(PositionFault(Frame_.SensorPosition[Slot(I)]), Name + " position") ||
          Note(DirectionFault(Frame_.SensorDirection[Slot(I)]), Name + " direction") ||
          (I > 0 && Note(SegmentFault(I - 1), "segment " + std::to_string(I - 1) + " length"));
      if (Bad)
        Frame_.SensorValid[Slot(I)] = false;
    }
  }

  TFrameFault SegmentFault(std::int32_t Segment) const {
    const double Length = Frame_.SegmentLength[Slot(Segment)];
    return Length < 0 ? TFrameFault::OutOfRange : NumberFault(Length, MaxCoordinate);
  }

  void FindCoincidentSensors() {
    for (std::int32_t I = 1; I < Frame_.SensorCount; ++I) {
      if (!Frame_.SensorValid[Slot(I - 1)] || !Frame_.SensorValid[Slot(I)])
        continue;
      // Two sensors of one catheter cannot be in one place: a fault of the
      // measurement, whether or not the model happens to get past it.
      const double Apart =
          VectorDistance(Frame_.SensorPosition[Slot(I)], Frame_.SensorPosition[Slot(I - 1)]);
      if (Apart < CoincidentDistance)
        Note(TFrameFault::CoincidentSensors,
             "sensors " + std::to_string(I - 1) + " and " + std::to_string(I));
    }
  }

  void RepairMarkers() {
    for (std::int32_t I = 0; I < MarkerCount; ++I)
      if (Frame_.MarkerValid[Slot(I)] && Note(PositionFault(Frame_.MarkerPosition[Slot(I)]),
                                              "marker " + std::to_string(I + 1) + " position"))
        Frame_.MarkerValid[Slot(I)] = false;
  }

  void RepairHand() {
    if (Frame_.HandValid &&
        (Note(PositionFault(Frame_.HandPosition), "hand position") ||
         Note(NumberFault(VectorLength(Frame_.HandDirection), MaxCoordinate), "hand direction")))
      Frame_.HandValid = false;
  }

  void RepairOvertube() {
    if (Frame_.OvertubeKind == 1) {
      TOvertubeData1& D = Frame_.OvertubeData1;
      if (D.Valid && OvertubeFault(D.Position, {D.Length1, D.Length3}))
        D.Valid = false;
    } else if (Frame_.OvertubeKind == 2) {
      TOvertubeData2& D = Frame_.OvertubeData2;
      if (D.Valid && OvertubeFault(D.Position, {D.Length1, D.Length2, D.Length3}))
        D.Valid = false;
    } else if (Frame_.OvertubeKind != 0) {
      Note(TFrameFault::OutOfRange, "overtube kind");
      Frame_.OvertubeKind = 0;
    }
  }

  bool OvertubeFault(const TVector3Single& Position, std::initializer_list<float> Lengths) {
    if (Note(PositionFault(SingleToVector3(Position)), "overtube position"))
      return true;
    for (const float Length : Lengths)
      if (Note(Length < 0 ? TFrameFault::OutOfRange : NumberFault(Length, MaxCoordinate),
               "overtube length"))
        return true;
    return false;
  }

  void RepairPain() {
    if (Note(NumberFault(Frame_.Pain, 1e12), "pain")) {
      Frame_.Pain = 0;
      Frame_.PainValid = false;
    }
  }

  TImagerFrame& Frame_;
  TFrameCheck Check_;
};

} // namespace

const char* FrameFaultText(TFrameFault Fault) {
  switch (Fault) {
  case TFrameFault::None:
    return "";
  case TFrameFault::NotANumber:
    return "not a number";
  case TFrameFault::Infinite:
    return "infinite";
  case TFrameFault::OutOfRange:
    return "out of range";
  case TFrameFault::ZeroDirection:
    return "zero direction";
  case TFrameFault::CoincidentSensors:
    return "coincident sensors";
  }
  return "";
}

std::string FrameCheckText(const TFrameCheck& Check) {
  if (Check.Sound())
    return {};
  return Check.Where + ": " + FrameFaultText(Check.Fault);
}

TFrameCheck MakeDrawableFrame(const TImagerFrame& Frame, TImagerFrame& Drawable) {
  Drawable.Assign(Frame);
  return TFrameRepair(Drawable).Repair();
}

TFrameCheck CheckFrame(const TImagerFrame& Frame) {
  TImagerFrame Scratch;
  return MakeDrawableFrame(Frame, Scratch);
}

} // namespace kestrava
