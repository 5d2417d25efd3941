#pragma once
// The colon as the tip has mapped it on its way in: the tip's own track, in
// the patient's axes, from the anal verge to the deepest point reached, as
// points at least Step apart with their depth (metres of track from the
// anal verge). The tip's depth in any later frame is where it lies along
// this track, so depth follows the colon the tip has travelled, not the
// endoscope pushed in after it, which loops lengthen.
//
// Following the tip is local: a frame is placed on the part of the track
// within Window of the depth the tip had before, and among the places there
// a jump in depth counts against a place as much as DepthJumpCost times its
// distance, so that where the colon passes close to itself (the sigmoid
// under the transverse colon, either side of a tight flexure) the tip is
// not taken across. A tip may instead be in new colon beyond the track's
// end, at its distance from the end, in whatever direction the colon turns
// there except back towards the point before the end: that place costs
// NewColonCost besides its jump in depth, so a tip resting at the end is not
// taken for one moving on. The tip extends the track once it is Step past
// the end. The track holds at most
// Capacity points (far more than a colon: a track that long has lost its
// patient) and then stops growing.
//
// Cost per frame: a search over the points within the window. Metres,
// patient axes (see TipSample.h). Thread: one map per thread.

#include "geometry/Vectors.h"

#include <cstddef>
#include <vector>

namespace kestrava {

struct TMapPoint {
  TVector3 Position; // patient axes
  double Depth = 0;  // metres of track from the anal verge
};

class TColonMap {
public:
  static constexpr double Step = 0.02;
  static constexpr std::size_t Capacity = 400;
  static constexpr double DepthJumpCost = 0.5;
  static constexpr double NewColonCost = 0.005;

  // The depth of the tip at Tip, searched within Window metres of depth of
  // Previous (the depth the tip had before; 0 when it has just come in);
  // extends the track when the tip is beyond its end. AnalVerge starts the
  // track on the first call.
  double Follow(const TVector3& Tip, const TVector3& AnalVerge, double Previous, double Window);

  bool Empty() const { return Points_.empty(); }
  const std::vector<TMapPoint>& Points() const { return Points_; }
  // Depth of the track's end: the deepest point mapped.
  double EndDepth() const { return Points_.empty() ? 0 : Points_.back().Depth; }
  // Grows by one each time a point is added; caches compare it.
  std::size_t Version() const { return Points_.size(); }

private:
  std::vector<TMapPoint> Points_;
};

} // namespace kestrava
