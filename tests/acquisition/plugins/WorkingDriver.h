#pragma once
// Its own header, so that the plugin's generated meta-object code is compiled
// apart from the sources the static checks read.

#include "FakeComponent.h"
#include "acquisition/DriverPlugin.h"

#include <QObject>

namespace kestrava::testing {

class TWorkingDriverPlugin : public QObject, public IImagerDriverPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID KESTRAVA_DRIVER_PLUGIN_IID FILE "WorkingDriver.json")
  Q_INTERFACES(kestrava::IImagerDriverPlugin)

public:
  IUnknown* CreateDriver() override { return new TFakeComponent; }
};

} // namespace kestrava::testing
