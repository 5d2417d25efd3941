#include "timeline/ColonLandmarks.h"

#include <algorithm>
#include <cstddef>

namespace kestrava {

namespace {

// A track point in hip widths: side (left positive) and height above the spines.
struct TPlacement {
  double Side = 0;
  double Height = 0;
  double Depth = 0;
  double UpperLeft() const { return Height + Side; }
  double UpperRight() const { return Height - Side; }
};

using TPlacements = std::vector<TPlacement>;
constexpr std::ptrdiff_t None = -1;

// The splenic flexure: the upper left corner of the track once the track has
// gone on across to the right. A higher corner seen later takes its place
// (the first was the sigmoid's), but only once it too is followed across.
std::ptrdiff_t FindSplenic(const TPlacements& P, std::ptrdiff_t& Candidate) {
  Candidate = None;
  std::ptrdiff_t Confirmed = None;
  for (std::ptrdiff_t I = 1; I < static_cast<std::ptrdiff_t>(P.size()); ++I) {
    const TPlacement& Here = P[static_cast<std::size_t>(I)];
    if (Here.Side > FlexureSide && Here.Height > FlexureHeight &&
        (Candidate == None ||
         Here.UpperLeft() > P[static_cast<std::size_t>(Candidate)].UpperLeft())) {
      Candidate = I;
    } else if (Candidate != None && Candidate != Confirmed &&
               Here.Side <= P[static_cast<std::size_t>(Candidate)].Side - TurnAcross) {
      Confirmed = Candidate;
    }
  }
  return Confirmed;
}

// The hepatic flexure: the upper right corner after the splenic flexure,
// once the track has dropped down the ascending colon beyond it.
std::ptrdiff_t FindHepatic(const TPlacements& P, std::ptrdiff_t Splenic) {
  std::ptrdiff_t Candidate = None, Confirmed = None;
  for (std::ptrdiff_t I = Splenic + 1; I < static_cast<std::ptrdiff_t>(P.size()); ++I) {
    const TPlacement& Here = P[static_cast<std::size_t>(I)];
    if (Here.Side < -HepaticSide &&
        (Candidate == None ||
         Here.UpperRight() > P[static_cast<std::size_t>(Candidate)].UpperRight())) {
      Candidate = I;
    } else if (Candidate != None && Candidate != Confirmed &&
               Here.Height <= P[static_cast<std::size_t>(Candidate)].Height - HepaticDrop) {
      Confirmed = Candidate;
    }
  }
  return Confirmed;
}

// The lower left corner below Top, walking back down the left flank.
std::ptrdiff_t FindDescendingStart(const TPlacements& P, std::ptrdiff_t Top) {
  std::ptrdiff_t Lowest = Top, Corner = Top;
  for (std::ptrdiff_t I = Top - 1; I >= 1; --I) {
    const TPlacement& Here = P[static_cast<std::size_t>(I)];
    if (Here.Side < WalkBackSide ||
        Here.Height > P[static_cast<std::size_t>(Lowest)].Height + WalkBackRise) {
      break;
    }
    if (Here.Height < P[static_cast<std::size_t>(Lowest)].Height) {
      Lowest = I;
    }
    if (Here.UpperRight() < P[static_cast<std::size_t>(Corner)].UpperRight()) {
      Corner = I;
    }
  }
  const double Rise =
      P[static_cast<std::size_t>(Top)].Height - P[static_cast<std::size_t>(Corner)].Height;
  return Rise >= DescendingRise ? Corner : None;
}

bool LiesWhereTheCaecumLies(const TPlacement& End, const TPlacement& Hepatic) {
  return End.Side < -CaecumSide && End.Height <= Hepatic.Height - CaecumBelowFlexure &&
         End.Height <= CaecumHeight;
}

} // namespace

TColonSegment TColonLandmarks::SegmentAt(double Depth) const {
  const auto Past = [Depth](const std::optional<double>& Start) {
    return Start && Depth >= *Start;
  };
  if (Past(CaecumStart)) {
    return TColonSegment::Caecum;
  }
  if (Past(HepaticFlexure)) {
    return TColonSegment::Ascending;
  }
  if (Past(SplenicFlexure)) {
    return TColonSegment::Transverse;
  }
  if (Past(DescendingStart)) {
    return TColonSegment::Descending;
  }
  return Depth >= SigmoidStart ? TColonSegment::Sigmoid : TColonSegment::Rectum;
}

TColonLandmarks FindColonLandmarks(const std::vector<TMapPoint>& Points, double HipWidth) {
  const double Scale = HipWidth / ReferenceHipWidth;
  TColonLandmarks Landmarks;
  Landmarks.SigmoidStart = RectumLength * Scale;
  TPlacements P;
  P.reserve(Points.size());
  for (const TMapPoint& Point : Points) {
    P.push_back({Point.Position.X / HipWidth, Point.Position.Y / HipWidth, Point.Depth});
  }
  const auto DepthOf = [&P](std::ptrdiff_t I) {
    return P[static_cast<std::size_t>(I)].Depth;
  };
  std::ptrdiff_t Candidate = None;
  const std::ptrdiff_t Splenic = FindSplenic(P, Candidate);
  // Before the flexure is passed the highest corner so far still shows
  // where the descending colon starts.
  const std::ptrdiff_t Top = Splenic != None ? Splenic : Candidate;
  if (Top != None) {
    if (const std::ptrdiff_t Start = FindDescendingStart(P, Top); Start != None) {
      Landmarks.DescendingStart = DepthOf(Start);
      Landmarks.SigmoidStart = std::min(Landmarks.SigmoidStart, DepthOf(Start));
    }
  }
  if (Splenic == None) {
    return Landmarks;
  }
  Landmarks.SplenicFlexure = DepthOf(Splenic);
  const std::ptrdiff_t Hepatic = FindHepatic(P, Splenic);
  if (Hepatic == None) {
    return Landmarks;
  }
  Landmarks.HepaticFlexure = DepthOf(Hepatic);
  if (LiesWhereTheCaecumLies(P.back(), P[static_cast<std::size_t>(Hepatic)])) {
    Landmarks.CaecumStart = std::max(DepthOf(Hepatic), P.back().Depth - CaecumLength * Scale);
  }
  return Landmarks;
}

} // namespace kestrava
