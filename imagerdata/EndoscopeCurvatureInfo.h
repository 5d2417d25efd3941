#pragma once
// Where on the endoscope each point of the curvature graph lies, so that the
// point under the mouse can be marked on the 3D model.

#include "foundation/QelList.h"
#include "geometry/Vectors.h"

#include <cstdint>
#include <memory>

namespace kestrava {

class TEndoscopeCurvatureInfo : public TQelObject {
public:
  TVector3 Point;           // on the modelled centre curve, metres; zero when not Valid
  bool Valid = false;       // both end sensors of the segment were measured
  std::int32_t Segment = 0; // segment i runs from sensor slot i to slot i + 1
  float T = 0;              // curve parameter within the segment, 0 .. 1

  std::unique_ptr<TQelObject> CreateNew() const override;
  // Copies the four fields of another info (E_Qel_InvalidObjectType otherwise).
  void Assign(const TQelObject& Source, bool Deep = true) override;
};

// One info per plotted point, in plotting order: the graph's point index is
// the list index. Owns its items.
class TEndoscopeCurvatureInfos : public TQelListOf<TEndoscopeCurvatureInfo> {
public:
  TEndoscopeCurvatureInfos() : TQelListOf<TEndoscopeCurvatureInfo>(true) {}
  // Appends a new info and returns it (owned by the list).
  TEndoscopeCurvatureInfo& AddInfo(const TVector3& Point, bool Valid, std::int32_t Segment,
                                   float T);
};

} // namespace kestrava
