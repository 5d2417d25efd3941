#pragma once
// Which point of the endoscope the curvature marker shows for the graph
// point the operator picked. Kept apart from the shape model so that the
// imager data need not know it: the caller applies the result to the model.

#include "geometry/Vectors.h"
#include "imagerdata/EndoscopeCurvatureInfo.h"

#include <cstdint>
#include <optional>

namespace kestrava {

struct TCurvatureMarkerPlacement {
  // Where to move the marker; empty when it stays where it is (hidden).
  std::optional<TVector3> Point;
  bool Visible = false;
};

// GraphIndex is the selected graph point (-1 for none). The marker is placed
// at the info's point and shown exactly when that info is valid, provided the
// curvature view is on, no recording runs and the index has an info; in
// every other case (including the graph's trailing points) it is hidden.
TCurvatureMarkerPlacement SelectCurvatureMarker(const TEndoscopeCurvatureInfos& Infos,
                                                std::int32_t GraphIndex, bool CurvatureViewOn,
                                                bool Recording);

} // namespace kestrava
