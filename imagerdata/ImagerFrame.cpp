#include "imagerdata/ImagerFrame.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/FrameStorage.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

// A larger frame would silently fall back to the heap and lose the point.
static_assert(sizeof(TImagerFrame) <= TFrameStorage::SlotSize);

void* TImagerFrame::operator new(std::size_t Size) {
  return TFrameStorage::Allocate(Size);
}

void TImagerFrame::operator delete(void* Memory, std::size_t Size) noexcept {
  TFrameStorage::Release(Memory, Size);
}

namespace {

// SensorCount comes from files as well as from the sampler; never let a bad
// value index past the slot arrays.
std::int32_t UsableSensorCount(std::int32_t SensorCount) {
  return std::clamp<std::int32_t>(SensorCount, 0, MaxSensors);
}

TVector3 Midpoint(const TVector3& A, const TVector3& B) {
  return ScaleVector(AddVectors(A, B), 0.5);
}

bool AllValid(const std::array<bool, MarkerCount>& Valid, int Needed) {
  return std::all_of(Valid.begin(), Valid.begin() + Needed, [](bool V) { return V; });
}

struct TPatientAxes {
  TVector3 Centre, Normal, Axis;
};

// Colonoscopy: marker 2 faces the pair 0/1 alone, so it weighs as much as
// the pair in the centre. Raises for degenerate markers.
TPatientAxes ThreeMarkerAxes(const std::array<TVector3, MarkerCount>& M) {
  return {ScaleVector(AddThreeVectors(M[0], M[1], ScaleVector(M[2], 2)), 0.25),
          NormalizeVector(CrossProduct(SubtractVectors(M[1], M[2]), SubtractVectors(M[0], M[2]))),
          NormalizeVector(SubtractVectors(Midpoint(M[0], M[1]), M[2]))};
}

// Top and Peg: the pair 0/1 against the pair 2/3. Raises for degenerate markers.
TPatientAxes FourMarkerAxes(const std::array<TVector3, MarkerCount>& M) {
  const TVector3 Upper = Midpoint(M[0], M[1]);
  const TVector3 Lower = Midpoint(M[2], M[3]);
  return {ScaleVector(AddVectors(AddThreeVectors(M[0], M[1], M[2]), M[3]), 0.25),
          NormalizeVector(CrossProduct(SubtractVectors(Upper, M[2]), SubtractVectors(Upper, M[3]))),
          NormalizeVector(SubtractVectors(Upper, Lower))};
}

} // namespace

std::unique_ptr<TQelObject> TImagerFrame::CreateNew() const {
  return std::make_unique<TImagerFrame>();
}

void TImagerFrame::Clear() {
  Time = 0;
  SensorCount = 0;
  MarkerValid.fill(false);
  HandValid = false;
  HandPosition = TVector3{};
  Pain = 0;
  OvertubeKind = 0;
}

void TImagerFrame::Assign(const TQelObject& Source, bool /*Deep*/) {
  const auto* From = dynamic_cast<const TImagerFrame*>(&Source);
  if (From == nullptr) {
    throw E_Qel_InvalidObjectType();
  }
  if (From == this) {
    return;
  }
  Time = From->Time;
  SensorCount = From->SensorCount;
  TubeRadius = From->TubeRadius;
  SensorValid = From->SensorValid;
  SensorPosition = From->SensorPosition;
  SensorDirection = From->SensorDirection;
  SegmentLength = From->SegmentLength;
  EndoscopeValid = From->EndoscopeValid;
  MarkerValid = From->MarkerValid;
  MarkerPosition = From->MarkerPosition;
  // Recorded frames are copies made here: dropping these three would store
  // zero marker and hand directions and a false pain flag in every file.
  MarkerDirection = From->MarkerDirection;
  HandValid = From->HandValid;
  HandPosition = From->HandPosition;
  HandDirection = From->HandDirection;
  PainValid = From->PainValid;
  Pain = From->Pain;
  OvertubeKind = From->OvertubeKind;
  OvertubeData1 = From->OvertubeData1;
  OvertubeData2 = From->OvertubeData2;
}

bool TImagerFrame::GetPatientAxes(std::int32_t Mode, TVector3& Centre, TVector3& Normal,
                                  TVector3& Axis) const {
  const bool ThreeMarkers = Mode == 0 && AllValid(MarkerValid, 3);
  const bool FourMarkers = (Mode == 1 || Mode == 2) && AllValid(MarkerValid, 4);
  if (!ThreeMarkers && !FourMarkers) {
    return false;
  }
  try {
    const TPatientAxes Axes =
        ThreeMarkers ? ThreeMarkerAxes(MarkerPosition) : FourMarkerAxes(MarkerPosition);
    Centre = Axes.Centre;
    Normal = Axes.Normal;
    Axis = Axes.Axis;
    return true;
  } catch (const E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector&) {
    return false; // coincident or collinear markers define no axes
  }
}

bool TImagerFrame::GetMarkerAxis(std::int32_t Mode, TVector3& Origin, TVector3& Direction) const {
  if (Mode != 0 || !AllValid(MarkerValid, 3)) {
    return false;
  }
  try {
    const TVector3 D = NormalizeVector(
        SubtractVectors(MarkerPosition[2], Midpoint(MarkerPosition[0], MarkerPosition[1])));
    Origin = MarkerPosition[2];
    Direction = D;
    return true;
  } catch (const E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector&) {
    return false;
  }
}

bool TImagerFrame::FindNearestScopePoint(const TVector3& Point, double& Distance,
                                         std::int32_t& Segment, double& T) const {
  Distance = 0;
  Segment = 0;
  T = 0;
  bool Found = false;
  const std::int32_t Count = UsableSensorCount(SensorCount);
  for (std::int32_t i = 0; i + 1 < Count; ++i) {
    if (!SensorValid[i] || !SensorValid[i + 1]) {
      continue;
    }
    double CandidateT = 0;
    TVector3 Nearest;
    ClosestPointOnSegment(Point, SensorPosition[i], SensorPosition[i + 1], CandidateT, Nearest);
    const double CandidateDistance = VectorDistance(Point, Nearest);
    // Strictly nearer only: on a tie the segment nearer the tip wins.
    if (!Found || CandidateDistance < Distance) {
      Found = true;
      Distance = CandidateDistance;
      Segment = i;
      T = CandidateT;
    }
  }
  return Found;
}

bool TImagerFrame::MoveBackAlongScope(std::int32_t Segment, std::int32_t& NewSegment, double& T,
                                      double Length) const {
  NewSegment = 0;
  const std::int32_t Count = UsableSensorCount(SensorCount);
  const bool SegmentInUse = Segment >= 0 && Segment + 1 < Count;
  if (!SegmentInUse || !(T >= 0 && T <= 1) || std::isnan(Length)) {
    T = 0;
    return false;
  }
  std::int32_t S = Segment;
  double L = Length;
  // Every pass either finishes the walk or reaches the tip-side end of a
  // segment, so the loop runs at most twice per segment.
  while (L > 0) {
    if (T == 0) {
      if (S == 0) {
        return false; // walked past the tip; T is 0 there
      }
      --S;
      T = 1;
      continue;
    }
    const double D = SegmentLength[S];
    if (!(D >= 0) || !std::isfinite(D)) {
      // A negative or non-numeric length (a damaged file) would run the walk
      // backwards or poison T; there is no sound place to stop on it.
      T = 0;
      return false;
    }
    // A zero-length segment takes this branch and is passed over without a
    // division: there is nothing to walk along it.
    if (L > T * D) {
      L -= T * D;
      T = 0;
    } else {
      T = std::max(T - L / D, 0.0);
      L = 0;
    }
  }
  NewSegment = S;
  return true;
}

} // namespace kestrava
