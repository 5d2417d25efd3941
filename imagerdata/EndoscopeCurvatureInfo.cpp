#include "imagerdata/EndoscopeCurvatureInfo.h"

#include "foundation/QelExceptions.h"

namespace kestrava {

std::unique_ptr<TQelObject> TEndoscopeCurvatureInfo::CreateNew() const {
  return std::make_unique<TEndoscopeCurvatureInfo>();
}

void TEndoscopeCurvatureInfo::Assign(const TQelObject& Source, bool /*Deep*/) {
  const auto* From = dynamic_cast<const TEndoscopeCurvatureInfo*>(&Source);
  if (From == nullptr) {
    throw E_Qel_InvalidObjectType();
  }
  Point = From->Point;
  Valid = From->Valid;
  Segment = From->Segment;
  T = From->T;
}

TEndoscopeCurvatureInfo& TEndoscopeCurvatureInfos::AddInfo(const TVector3& Point, bool Valid,
                                                           std::int32_t Segment, float T) {
  auto Info = std::make_unique<TEndoscopeCurvatureInfo>();
  Info->Point = Point;
  Info->Valid = Valid;
  Info->Segment = Segment;
  Info->T = T;
  TEndoscopeCurvatureInfo& Added = *Info;
  Add(std::move(Info));
  return Added;
}

} // namespace kestrava
