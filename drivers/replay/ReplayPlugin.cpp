#include "drivers/replay/ReplayPlugin.h"

#include "drivers/replay/ReplayDriver.h"

namespace kestrava::replay {

IUnknown* TReplayDriverPlugin::CreateDriver() {
  return TReplayDriver::Create();
}

} // namespace kestrava::replay
