#pragma once
// Its own header, so that the plugin's generated meta-object code is compiled
// apart from the sources the static checks read.

#include "acquisition/DriverPlugin.h"

#include <QObject>
#include <stdexcept>

namespace kestrava::testing {

class TThrowingDriverPlugin : public QObject, public IImagerDriverPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID KESTRAVA_DRIVER_PLUGIN_IID FILE "ThrowingDriver.json")
  Q_INTERFACES(kestrava::IImagerDriverPlugin)

public:
  IUnknown* CreateDriver() override { throw std::runtime_error("no hardware here"); }
};

} // namespace kestrava::testing
