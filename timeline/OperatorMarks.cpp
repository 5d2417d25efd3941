#include "timeline/OperatorMarks.h"

#include <algorithm>

namespace kestrava {

std::int32_t TOperatorMarks::TagLesion(std::int32_t Frame) {
  std::int32_t Highest = 0;
  for (const TLesionMark& Lesion : Lesions) {
    Highest = std::max(Highest, Lesion.Number);
  }
  Lesions.push_back({Highest + 1, Frame});
  return Highest + 1;
}

} // namespace kestrava
