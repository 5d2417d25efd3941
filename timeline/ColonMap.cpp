#include "timeline/ColonMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrava {

namespace {

struct TPlace {
  double Cost = std::numeric_limits<double>::infinity();
  double Depth = 0;
  bool Beyond = false;
};

// The nearest point of the line through A and B to Tip: its parameter.
double Along(const TVector3& A, const TVector3& B, const TVector3& Tip) {
  const TVector3 AB = SubtractVectors(B, A);
  const double Length2 = DotProduct(AB, AB);
  return Length2 > 0 ? DotProduct(SubtractVectors(Tip, A), AB) / Length2 : 0;
}

} // namespace

double TColonMap::Follow(const TVector3& Tip, const TVector3& AnalVerge, double Previous,
                         double Window) {
  if (Points_.empty()) {
    Points_.reserve(64);
    Points_.push_back({AnalVerge, 0});
  }
  const auto JumpCost = [&](double Depth) {
    return DepthJumpCost * std::abs(Depth - Previous);
  };
  const auto First =
      std::lower_bound(Points_.begin(), Points_.end(), Previous - Window,
                       [](const TMapPoint& Point, double Depth) { return Point.Depth < Depth; });
  // The segment ending at the first point in the window reaches into it too.
  std::size_t I =
      First == Points_.begin() ? 0 : static_cast<std::size_t>(First - Points_.begin()) - 1;
  TPlace Best;
  for (; I + 1 < Points_.size() && Points_[I].Depth <= Previous + Window; ++I) {
    const TMapPoint& A = Points_[I];
    const TMapPoint& B = Points_[I + 1];
    const double T = std::clamp(Along(A.Position, B.Position, Tip), 0.0, 1.0);
    const TVector3 Nearest =
        AddVectors(A.Position, ScaleVector(SubtractVectors(B.Position, A.Position), T));
    const double Depth = A.Depth + T * (B.Depth - A.Depth);
    if (const double Here = VectorDistance(Tip, Nearest) + JumpCost(Depth); Here < Best.Cost) {
      Best = {Here, Depth, false};
    }
  }
  // New colon beyond the end, in whatever direction the colon turns there,
  // though not back towards the point before the end: that is the tip
  // coming back along the track.
  const TMapPoint& End = Points_.back();
  const double Past = VectorDistance(Tip, End.Position);
  const bool MovingOn =
      Points_.size() == 1 || VectorDistance(Tip, Points_[Points_.size() - 2].Position) >
                                 End.Depth - Points_[Points_.size() - 2].Depth;
  if (const double Here = NewColonCost + JumpCost(End.Depth + Past); MovingOn && Here < Best.Cost) {
    Best = {Here, End.Depth + Past, true};
  }
  if (Best.Beyond && Best.Depth - End.Depth >= Step && Points_.size() < Capacity) {
    Points_.push_back({Tip, Best.Depth});
  }
  return Best.Depth;
}

} // namespace kestrava
