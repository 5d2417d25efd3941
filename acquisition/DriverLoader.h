#pragma once
// Finds the imager hardware driver among the plugins of a directory by its
// class identifier, makes the component and queries its three interfaces.
//
// A plugin qualifies when its interface identifier is
// KESTRAVA_DRIVER_PLUGIN_IID and its metadata's "DriverId" names the same
// class identifier (compared as identifiers, so letter case does not matter).
// Only the matching plugin's library is loaded; the others are judged by their
// metadata alone. A loaded plugin library stays loaded for the rest of the
// run, since the component's code lives in it.
//
// Thread: user-interface thread.

#include "acquisition/ImagerDriver.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava {

// The driver's interfaces as the component gave them. Created is true once
// the component exists, even when it lacks some (or all) of the three; an
// interface it lacks stays empty.
struct TImagerDriver {
  bool Created = false;
  TComPtr<IImagerPositionLocator> PositionLocator;
  TComPtr<IImagerRemoteControl> RemoteControl;
  TComPtr<IImagerPressureSensor> PressureSensor;
  // Why the driver could not be made (empty when Created); for logs and the
  // command-line tool, never shown by the workstation.
  std::string Problem;
};

// A class identifier in brace form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// with hexadecimal digits of either case; anything else gives empty.
std::optional<TGuid> ParseClassIdentifier(std::string_view Text);
// The brace form in upper case.
std::string ClassIdentifierText(const TGuid& Identifier);

// The three interfaces of Component (which may be null: then not Created).
// Takes its own references; Component keeps the caller's.
TImagerDriver QueryImagerDriver(IUnknown* Component);

// A driver plugin as its metadata describes it. Besides "DriverId" the
// metadata may carry "Name" (what users call the driver) and "Settings" (the
// file of the program's directory the driver reads).
struct TInstalledDriver {
  std::string Name;     // the metadata's, else the library's file name
  std::string DriverId; // brace form, upper case
  std::string Settings; // empty when the metadata does not say
  std::string Library;  // the plugin's file name
};

// The driver plugins of DriversDirectory (not its subdirectories) in the
// order LoadImagerDriver searches them, judged by their metadata alone: none
// is loaded. Empty for a missing directory.
std::vector<TInstalledDriver> ListImagerDrivers(const std::string& DriversDirectory);

// The class identifier of the driver in DriversDirectory that NameOrId
// names: a driver's name in any letter case, or a class identifier. Empty
// when no plugin there answers to it.
std::optional<std::string> FindImagerDriverId(const std::string& DriversDirectory,
                                              std::string_view NameOrId);

// Searches DriversDirectory (not its subdirectories, in name order, the first
// match wins) for the plugin of DriverId and makes its component. Any failure
// (unparsable identifier, missing directory, no matching plugin, a plugin that
// will not load or make its component, an exception out of the plugin) gives
// a driver that is not Created, with Problem set; nothing is raised.
TImagerDriver LoadImagerDriver(const std::string& DriversDirectory, const std::string& DriverId);

} // namespace kestrava
