#pragma once
// How a driver plugin makes its component. A driver is a Qt plugin in the
// program's drivers/ directory; its metadata (the JSON file named by
// Q_PLUGIN_METADATA) carries {"DriverId": "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"},
// the class identifier the "Driver ID" setting names.
//
// Thread: user-interface thread.

#include "foundation/ComInterface.h"

#include <QtPlugin>

namespace kestrava {

class IImagerDriverPlugin {
public:
  virtual ~IImagerDriverPlugin() = default;
  // A new driver component as its root interface with one reference that the
  // caller owns, or null when the component cannot be made.
  virtual IUnknown* CreateDriver() = 0;
};

} // namespace kestrava

#define KESTRAVA_DRIVER_PLUGIN_IID "com.qelmedical.kestrava.ImagerDriverPlugin/1"
Q_DECLARE_INTERFACE(kestrava::IImagerDriverPlugin, KESTRAVA_DRIVER_PLUGIN_IID)
