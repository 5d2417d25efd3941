#include "app/OptionStore.h"

#include "acquisition/DriverLoader.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace kestrava {

namespace {

template <typename T>
std::optional<T> ReadAs(const std::map<std::string, TOptionValue>& Values,
                        const std::string& Name) {
  const auto Found = Values.find(Name);
  if (Found == Values.end()) {
    return std::nullopt;
  }
  if (const T* Value = std::get_if<T>(&Found->second)) {
    return *Value;
  }
  return std::nullopt;
}

QString Key(const std::string& Name) {
  return QString::fromStdString(Name);
}

// Only a whole decimal number counts: no sign but '-', no spaces, no
// fraction, nothing after it. "1.5" or "1e3" in a .conf file is not an
// integer someone wrote through this store, so it keeps the default.
std::optional<std::int32_t> ParseDecimal(const std::string& Text) {
  std::int32_t Value = 0;
  const char* End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Text.data(), End, Value);
  if (Text.empty() || Error != std::errc() || Stop != End) {
    return std::nullopt;
  }
  return Value;
}

template <typename T> std::optional<std::int32_t> InInt32Range(T Value) {
  if (Value < std::numeric_limits<std::int32_t>::min() ||
      Value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(Value);
}

std::optional<std::int32_t> IntegerOf(const QVariant& Value) {
  switch (Value.typeId()) {
  case QMetaType::Int:
    return Value.toInt();
  case QMetaType::UInt:
    // A 32-bit registry word read unsigned: the same bits as the signed one.
    return static_cast<std::int32_t>(Value.toUInt());
  case QMetaType::LongLong:
    return InInt32Range(Value.toLongLong());
  case QMetaType::QString:
    return ParseDecimal(Value.toString().toStdString());
  default:
    return std::nullopt;
  }
}

constexpr std::size_t ThresholdSize = sizeof(double);

TOptionBytes LittleEndianBytes(double Value) {
  const auto Bits = std::bit_cast<std::uint64_t>(Value);
  TOptionBytes Bytes(ThresholdSize);
  for (std::size_t I = 0; I < ThresholdSize; ++I) {
    Bytes[I] = static_cast<std::uint8_t>(Bits >> (8 * I));
  }
  return Bytes;
}

std::optional<double> DoubleOfLittleEndian(const TOptionBytes& Bytes) {
  if (Bytes.size() != ThresholdSize) {
    return std::nullopt;
  }
  std::uint64_t Bits = 0;
  for (std::size_t I = 0; I < ThresholdSize; ++I) {
    Bits |= static_cast<std::uint64_t>(Bytes[I]) << (8 * I);
  }
  const double Value = std::bit_cast<double>(Bits);
  // Not a number or infinite would silently spoil every later pain analysis.
  if (!std::isfinite(Value)) {
    return std::nullopt;
  }
  return Value;
}

struct TBooleanOption {
  const char* Name;
  bool TOptions::*Field;
};
struct TIntegerOption {
  const char* Name;
  std::int32_t TOptions::*Field;
};
struct TStringOption {
  const char* Name;
  std::string TOptions::*Field;
};

constexpr TBooleanOption BooleanOptions[] = {
    {"ViewEndoscope", &TOptions::ViewEndoscope},
    {"ViewMarkers", &TOptions::ViewMarkers},
    {"ViewSensors", &TOptions::ViewSensors},
    {"ViewHand", &TOptions::ViewHand},
    {"ViewOvertube", &TOptions::ViewOvertube},
    {"ViewMeasure", &TOptions::ViewMeasure},
    {"ViewEndoscopeCurvature", &TOptions::ViewEndoscopeCurvature},
    {"ViewInfo", &TOptions::ViewInfo},
    {"ViewTimeLine", &TOptions::ViewTimeLine},
    {"AutoAlign", &TOptions::AutoAlign},
    {"UsePhaseCorrection", &TOptions::UsePhaseCorrection},
    {"UsePainSensor", &TOptions::UsePainSensor},
    {"UseHardwareDirect3D", &TOptions::UseHardwareDirect3D},
    {"UseAutoCutoff", &TOptions::UseAutoCutoff},
    {"ViewLoops", &TOptions::ViewLoops},
    {"IGTLinkServer", &TOptions::IGTLinkServer},
    {"AutoFitEndoscope", &TOptions::AutoFitEndoscope},
};
constexpr TIntegerOption IntegerOptions[] = {
    {"ViewMode", &TOptions::ViewMode},
    {"ProcedureType", &TOptions::ProcedureType},
    {"BackgroundColor", &TOptions::BackgroundColor},
    {"IGTLinkPort", &TOptions::IGTLinkPort},
};
constexpr TStringOption StringOptions[] = {
    {"SensorFilename", &TOptions::SensorFilename},
    {"OvertubeFilename", &TOptions::OvertubeFilename},
    {"GeneratorCoilsFilename", &TOptions::GeneratorCoilsFilename},
    {"ImagerFilesDirectory", &TOptions::ImagerFilesDirectory},
    {"ImagerFileStorageDirectory", &TOptions::ImagerFileStorageDirectory},
    {"IGTLinkAddress", &TOptions::IGTLinkAddress},
};
constexpr const char* ThresholdName = "PatientPainThreshold";

// Every view layout knows only these three; another number would leave the
// window without a layout.
bool IsViewMode(std::int32_t Value) {
  return Value >= 0 && Value <= 2;
}

// A port outside the TCP range could never be listened on.
bool IntegerAcceptable(std::int32_t TOptions::*Field, std::int32_t Value) {
  if (Field == &TOptions::ViewMode)
    return IsViewMode(Value);
  if (Field == &TOptions::IGTLinkPort)
    return Value >= 1 && Value <= 65535;
  return true;
}

} // namespace

std::optional<std::int32_t> TMemoryOptionStore::ReadInteger(const std::string& Name) const {
  return ReadAs<std::int32_t>(Values_, Name);
}
std::optional<std::string> TMemoryOptionStore::ReadString(const std::string& Name) const {
  return ReadAs<std::string>(Values_, Name);
}
std::optional<TOptionBytes> TMemoryOptionStore::ReadBinary(const std::string& Name) const {
  return ReadAs<TOptionBytes>(Values_, Name);
}
void TMemoryOptionStore::WriteInteger(const std::string& Name, std::int32_t Value) {
  Values_[Name] = Value;
}
void TMemoryOptionStore::WriteString(const std::string& Name, const std::string& Value) {
  Values_[Name] = Value;
}
void TMemoryOptionStore::WriteBinary(const std::string& Name, const TOptionBytes& Value) {
  Values_[Name] = Value;
}

std::unique_ptr<TSettingsOptionStore> TSettingsOptionStore::User() {
  return std::make_unique<TSettingsOptionStore>(std::make_unique<QSettings>(
      QSettings::NativeFormat, QSettings::UserScope, OptionsOrganisation, UserOptionsApplication));
}

std::unique_ptr<const TSettingsOptionStore> TSettingsOptionStore::Machine() {
  return std::make_unique<const TSettingsOptionStore>(
      std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope,
                                  OptionsOrganisation, HardwareOptionsApplication));
}

TSettingsOptionStore::TSettingsOptionStore(std::unique_ptr<QSettings> Settings)
    : Settings_(std::move(Settings)) {
  Settings_->setFallbacksEnabled(false);
}

TSettingsOptionStore::~TSettingsOptionStore() = default;

std::optional<std::int32_t> TSettingsOptionStore::ReadInteger(const std::string& Name) const {
  return IntegerOf(Settings_->value(Key(Name)));
}

std::optional<std::string> TSettingsOptionStore::ReadString(const std::string& Name) const {
  const QVariant Value = Settings_->value(Key(Name));
  if (Value.typeId() != QMetaType::QString) {
    return std::nullopt;
  }
  return Value.toString().toStdString();
}

std::optional<TOptionBytes> TSettingsOptionStore::ReadBinary(const std::string& Name) const {
  const QVariant Value = Settings_->value(Key(Name));
  if (Value.typeId() != QMetaType::QByteArray) {
    return std::nullopt;
  }
  const QByteArray Bytes = Value.toByteArray();
  return TOptionBytes(Bytes.begin(), Bytes.end());
}

void TSettingsOptionStore::WriteInteger(const std::string& Name, std::int32_t Value) {
  Settings_->setValue(Key(Name), QVariant(static_cast<int>(Value)));
}

void TSettingsOptionStore::WriteString(const std::string& Name, const std::string& Value) {
  Settings_->setValue(Key(Name), QString::fromStdString(Value));
}

void TSettingsOptionStore::WriteBinary(const std::string& Name, const TOptionBytes& Value) {
  Settings_->setValue(Key(Name), QByteArray(reinterpret_cast<const char*>(Value.data()),
                                            static_cast<qsizetype>(Value.size())));
}

bool TSettingsOptionStore::Flush() {
  Settings_->sync();
  return Settings_->status() == QSettings::NoError;
}

std::string TSettingsOptionStore::Location() const {
  return Settings_->fileName().toStdString();
}

void ReadOptions(const IOptionStore& User, TOptions& Options) {
  for (const auto& Option : BooleanOptions) {
    if (const auto Value = User.ReadInteger(Option.Name)) {
      Options.*Option.Field = *Value != 0;
    }
  }
  for (const auto& Option : IntegerOptions) {
    if (const auto Value = User.ReadInteger(Option.Name)) {
      if (IntegerAcceptable(Option.Field, *Value)) {
        Options.*Option.Field = *Value;
      }
    }
  }
  for (const auto& Option : StringOptions) {
    if (auto Value = User.ReadString(Option.Name)) {
      Options.*Option.Field = std::move(*Value);
    }
  }
  if (const auto Bytes = User.ReadBinary(ThresholdName)) {
    if (const auto Threshold = DoubleOfLittleEndian(*Bytes)) {
      Options.PatientPainThreshold = *Threshold;
    }
  }
}

void WriteOptions(IOptionStore& User, const TOptions& Options) {
  for (const auto& Option : BooleanOptions) {
    User.WriteInteger(Option.Name, Options.*Option.Field ? 1 : 0);
  }
  for (const auto& Option : IntegerOptions) {
    User.WriteInteger(Option.Name, Options.*Option.Field);
  }
  for (const auto& Option : StringOptions) {
    User.WriteString(Option.Name, Options.*Option.Field);
  }
  User.WriteBinary(ThresholdName, LittleEndianBytes(Options.PatientPainThreshold));
}

std::optional<std::string> ReadDriverId(const IOptionStore& Machine) {
  auto Text = Machine.ReadString(DriverIdName);
  if (!Text || !ParseClassIdentifier(*Text)) {
    return std::nullopt;
  }
  return Text;
}

} // namespace kestrava
