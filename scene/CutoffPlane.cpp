#include "scene/CutoffPlane.h"

#include "imagerdata/ImagerFrame.h"

namespace kestrava {

TCutoffPlane TCutoffPlane::ForFrame(const TImagerFrame& Frame, std::int32_t ProcedureType,
                                    bool AutoCutoff) {
  TVector3 Origin, Direction;
  if (AutoCutoff && Frame.GetMarkerAxis(ProcedureType, Origin, Direction)) {
    return {Origin, Direction};
  }
  return {};
}

} // namespace kestrava
