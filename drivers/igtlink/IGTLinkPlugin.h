#pragma once
// The OpenIGTLink receiver as a Qt driver plugin.

#include "acquisition/DriverPlugin.h"

#include <QObject>

namespace kestrava::igtlink {

class TIGTLinkDriverPlugin final : public QObject, public IImagerDriverPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID KESTRAVA_DRIVER_PLUGIN_IID FILE "igtlink.json")
  Q_INTERFACES(kestrava::IImagerDriverPlugin)

public:
  IUnknown* CreateDriver() override;
};

} // namespace kestrava::igtlink
