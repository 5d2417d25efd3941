#pragma once
// The simulated imager hardware as a Qt driver plugin.

#include "acquisition/DriverPlugin.h"

#include <QObject>

namespace kestrava::simulator {

class TSimulatorDriverPlugin final : public QObject, public IImagerDriverPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID KESTRAVA_DRIVER_PLUGIN_IID FILE "simulator.json")
  Q_INTERFACES(kestrava::IImagerDriverPlugin)

public:
  IUnknown* CreateDriver() override;
};

} // namespace kestrava::simulator
