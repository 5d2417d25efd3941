#include "imagerdata/EndoscopeCurvatureMarker.h"

namespace kestrava {

TCurvatureMarkerPlacement SelectCurvatureMarker(const TEndoscopeCurvatureInfos& Infos,
                                                std::int32_t GraphIndex, bool CurvatureViewOn,
                                                bool Recording) {
  if (!CurvatureViewOn || Recording || GraphIndex < 0 || GraphIndex >= Infos.Count())
    return {};
  const TEndoscopeCurvatureInfo& Info = Infos.At(GraphIndex);
  return {Info.Point, Info.Valid};
}

} // namespace kestrava
