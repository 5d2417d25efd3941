#include "acquisition/DriverLoader.h"

#include "acquisition/DriverPlugin.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>
#include <cstdio>
#include <exception>

namespace kestrava {

namespace {

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') {
    return C - '0';
  }
  if (C >= 'a' && C <= 'f') {
    return C - 'a' + 10;
  }
  if (C >= 'A' && C <= 'F') {
    return C - 'A' + 10;
  }
  return -1;
}

// Reads Digits hexadecimal digits from Text at Position.
bool ReadHex(std::string_view Text, std::size_t Position, int Digits, std::uint32_t& Value) {
  Value = 0;
  for (int I = 0; I < Digits; ++I) {
    const int Digit = HexDigitValue(Text[Position + static_cast<std::size_t>(I)]);
    if (Digit < 0) {
      return false;
    }
    Value = (Value << 4) | static_cast<std::uint32_t>(Digit);
  }
  return true;
}

std::optional<TGuid> DriverIdOfPlugin(const QJsonObject& MetaData) {
  if (MetaData.value(QStringLiteral("IID")).toString() !=
      QStringLiteral(KESTRAVA_DRIVER_PLUGIN_IID)) {
    return std::nullopt;
  }
  const QString Text = MetaData.value(QStringLiteral("MetaData"))
                           .toObject()
                           .value(QStringLiteral("DriverId"))
                           .toString();
  return ParseClassIdentifier(Text.toStdString());
}

// Every plugin library of Directory with its metadata, in name order.
std::vector<std::pair<QString, QJsonObject>> PluginsIn(const std::string& Directory) {
  std::vector<std::pair<QString, QJsonObject>> Plugins;
  const QDir Found(QString::fromStdString(Directory));
  if (Directory.empty() || !Found.exists()) {
    return Plugins;
  }
  for (const QString& Name : Found.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
    const QString Path = Found.absoluteFilePath(Name);
    if (QLibrary::isLibrary(Path)) {
      // metaData() reads the plugin's description without running its code.
      Plugins.emplace_back(Path, QPluginLoader(Path).metaData());
    }
  }
  return Plugins;
}

TImagerDriver NotCreated(std::string Problem) {
  TImagerDriver Driver;
  Driver.Problem = std::move(Problem);
  return Driver;
}

TImagerDriver CreateFromPlugin(QPluginLoader& Loader) {
  const std::string Name = Loader.fileName().toStdString();
  auto* Plugin = qobject_cast<IImagerDriverPlugin*>(Loader.instance());
  if (Plugin == nullptr) {
    return NotCreated("Driver plugin " + Name +
                      " does not load: " + Loader.errorString().toStdString());
  }
  // The component belongs to code outside the program: whatever it throws
  // must not escape, since a missing driver is an expected state that the
  // workstation handles by disabling recording.
  try {
    const TComPtr<IUnknown> Component = TComPtr<IUnknown>::Adopt(Plugin->CreateDriver());
    if (!Component) {
      return NotCreated("Driver plugin " + Name + " made no component");
    }
    return QueryImagerDriver(Component.Get());
  } catch (const std::exception& Error) {
    return NotCreated("Driver plugin " + Name + " failed: " + Error.what());
  } catch (...) {
    return NotCreated("Driver plugin " + Name + " failed");
  }
}

} // namespace

std::optional<TGuid> ParseClassIdentifier(std::string_view Text) {
  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  constexpr std::size_t Length = 38;
  if (Text.size() != Length || Text.front() != '{' || Text.back() != '}' || Text[9] != '-' ||
      Text[14] != '-' || Text[19] != '-' || Text[24] != '-') {
    return std::nullopt;
  }
  TGuid Result;
  std::uint32_t Part = 0;
  if (!ReadHex(Text, 1, 8, Result.Data1) || !ReadHex(Text, 10, 4, Part)) {
    return std::nullopt;
  }
  Result.Data2 = static_cast<std::uint16_t>(Part);
  if (!ReadHex(Text, 15, 4, Part)) {
    return std::nullopt;
  }
  Result.Data3 = static_cast<std::uint16_t>(Part);
  constexpr std::size_t BytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (std::size_t I = 0; I < 8; ++I) {
    if (!ReadHex(Text, BytePositions[I], 2, Part)) {
      return std::nullopt;
    }
    Result.Data4[I] = static_cast<std::uint8_t>(Part);
  }
  return Result;
}

std::string ClassIdentifierText(const TGuid& Identifier) {
  char Text[39];
  std::snprintf(Text, sizeof Text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(Identifier.Data1), static_cast<unsigned>(Identifier.Data2),
                static_cast<unsigned>(Identifier.Data3), Identifier.Data4[0], Identifier.Data4[1],
                Identifier.Data4[2], Identifier.Data4[3], Identifier.Data4[4], Identifier.Data4[5],
                Identifier.Data4[6], Identifier.Data4[7]);
  return Text;
}

TImagerDriver QueryImagerDriver(IUnknown* Component) {
  if (Component == nullptr) {
    return NotCreated("No driver component");
  }
  const TComPtr<IUnknown> Root = TComPtr<IUnknown>::Share(Component);
  TImagerDriver Driver;
  Driver.PositionLocator = Root.Query<IImagerPositionLocator>(IID_IImagerPositionLocator);
  Driver.RemoteControl = Root.Query<IImagerRemoteControl>(IID_IImagerRemoteControl);
  Driver.PressureSensor = Root.Query<IImagerPressureSensor>(IID_IImagerPressureSensor);
  Driver.Created = true;
  return Driver;
}

TImagerDriver LoadImagerDriver(const std::string& DriversDirectory, const std::string& DriverId) {
  const std::optional<TGuid> Wanted = ParseClassIdentifier(DriverId);
  if (!Wanted) {
    return NotCreated("\"" + DriverId + "\" is not a class identifier");
  }
  if (DriversDirectory.empty() || !QDir(QString::fromStdString(DriversDirectory)).exists()) {
    return NotCreated("No drivers directory " + DriversDirectory);
  }
  for (const auto& [Path, MetaData] : PluginsIn(DriversDirectory)) {
    if (DriverIdOfPlugin(MetaData) == Wanted) {
      QPluginLoader Loader(Path);
      return CreateFromPlugin(Loader);
    }
  }
  return NotCreated("No driver plugin for " + DriverId + " in " + DriversDirectory);
}

std::vector<TInstalledDriver> ListImagerDrivers(const std::string& DriversDirectory) {
  std::vector<TInstalledDriver> Drivers;
  for (const auto& [Path, MetaData] : PluginsIn(DriversDirectory)) {
    const std::optional<TGuid> Id = DriverIdOfPlugin(MetaData);
    if (!Id) {
      continue;
    }
    const QJsonObject Own = MetaData.value(QStringLiteral("MetaData")).toObject();
    const std::string Library = QFileInfo(Path).fileName().toStdString();
    const std::string Name = Own.value(QStringLiteral("Name")).toString().toStdString();
    Drivers.push_back({Name.empty() ? Library : Name, ClassIdentifierText(*Id),
                       Own.value(QStringLiteral("Settings")).toString().toStdString(), Library});
  }
  return Drivers;
}

std::optional<std::string> FindImagerDriverId(const std::string& DriversDirectory,
                                              std::string_view NameOrId) {
  const std::optional<TGuid> Id = ParseClassIdentifier(NameOrId);
  const QString Name = QString::fromUtf8(NameOrId.data(), static_cast<qsizetype>(NameOrId.size()));
  for (const TInstalledDriver& Driver : ListImagerDrivers(DriversDirectory)) {
    if (Id ? ParseClassIdentifier(Driver.DriverId) == Id
           : QString::fromStdString(Driver.Name).compare(Name, Qt::CaseInsensitive) == 0) {
      return Driver.DriverId;
    }
  }
  return std::nullopt;
}

} // namespace kestrava
