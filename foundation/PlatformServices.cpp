#include "foundation/PlatformServices.h"

namespace kestrava {

bool TNullPlatformServices::IsKeyDown(std::int32_t /*VirtualKey*/) const {
  return false;
}

bool TNullPlatformServices::IsShiftDown() const {
  return false;
}

void TNullPlatformServices::Tone(std::int32_t /*FrequencyHz*/, std::int32_t /*Milliseconds*/) {}

std::string TNullPlatformServices::LongPathName(const std::string& Path) const {
  return Path;
}

} // namespace kestrava
