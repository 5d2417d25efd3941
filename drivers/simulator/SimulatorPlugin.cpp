#include "drivers/simulator/SimulatorPlugin.h"

#include "drivers/simulator/SimulatorDriver.h"

namespace kestrava::simulator {

IUnknown* TSimulatorDriverPlugin::CreateDriver() {
  return TSimulatorDriver::Create();
}

} // namespace kestrava::simulator
