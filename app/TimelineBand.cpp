#include "app/TimelineBand.h"

#include <cstdlib>

namespace kestrava {

std::uint32_t PhaseColour(TProcedurePhase Phase) {
  switch (Phase) {
  case TProcedurePhase::Outside:
    return 0x505050;
  case TProcedurePhase::Insertion:
    return 0xFF8000;
  case TProcedurePhase::Caecum:
    return 0x00C800;
  case TProcedurePhase::Withdrawal:
    return 0x00B4FF;
  }
  return 0x505050;
}

std::optional<std::int32_t>
LesionIndexNear(const std::vector<TLesionTag>& Tags, std::int32_t X,
                const std::function<std::int32_t(std::int32_t)>& XOfIndex, std::int32_t Tolerance) {
  std::optional<std::int32_t> Nearest;
  std::int32_t NearestDistance = Tolerance + 1;
  for (const TLesionTag& Tag : Tags) {
    const std::int32_t Distance = std::abs(XOfIndex(Tag.Frame - 1) - X);
    if (Distance < NearestDistance) {
      NearestDistance = Distance;
      Nearest = Tag.Frame - 1;
    }
  }
  return Nearest;
}

} // namespace kestrava
