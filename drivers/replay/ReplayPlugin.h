#pragma once
// The replay driver as a Qt driver plugin.

#include "acquisition/DriverPlugin.h"

#include <QObject>

namespace kestrava::replay {

class TReplayDriverPlugin final : public QObject, public IImagerDriverPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID KESTRAVA_DRIVER_PLUGIN_IID FILE "replay.json")
  Q_INTERFACES(kestrava::IImagerDriverPlugin)

public:
  IUnknown* CreateDriver() override;
};

} // namespace kestrava::replay
