#include "drivers/igtlink/IGTLinkPlugin.h"

#include "drivers/igtlink/IGTLinkDriver.h"

namespace kestrava::igtlink {

IUnknown* TIGTLinkDriverPlugin::CreateDriver() {
  return TIGTLinkDriver::Create();
}

} // namespace kestrava::igtlink
