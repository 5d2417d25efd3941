#include "acquisition/CalibrationReaders.h"

#include "acquisition/CalibrationText.h"

#include <optional>

namespace kestrava {

namespace {

using TChannelTable = std::array<double, std::size_t{ChannelCount} * 2>;

constexpr int GeneratorPairsPerCoil = 3;

bool IsChannel(std::int32_t Channel) {
  return Channel >= 0 && Channel < ChannelCount;
}

// Items of one line: reads them in order and skips the rest of the line.
struct TChannelEntry {
  std::int32_t Channel = 0;
  double A = 0;
  double B = 0;
};

bool ReadChannelEntry(TCalibrationText& Text, TChannelEntry& Entry) {
  return Text.ReadInteger(Entry.Channel) && Text.ReadReal(Entry.A) && Text.ReadReal(Entry.B);
}

bool ReadIntegerLine(TCalibrationText& Text, std::int32_t& Value) {
  if (!Text.ReadInteger(Value)) {
    return false;
  }
  Text.SkipLine();
  return true;
}

bool ReadRealLine(TCalibrationText& Text, double& Value) {
  if (!Text.ReadReal(Value)) {
    return false;
  }
  Text.SkipLine();
  return true;
}

std::optional<TChannelTable> FetchChannelTable(IImagerPositionLocator& Locator) {
  TChannelTable Table{};
  if (Failed(Locator.GetChannelParameters(Table.data()))) {
    return std::nullopt;
  }
  return Table;
}

void StoreEntry(TChannelTable& Table, const TChannelEntry& Entry) {
  Table[static_cast<std::size_t>(Entry.Channel) * 2] = Entry.A;
  Table[static_cast<std::size_t>(Entry.Channel) * 2 + 1] = Entry.B;
}

// The checks every channel reader makes before it takes a channel: in range
// (InvalidMessage otherwise) and, when CheckClaimed, not claimed yet.
bool AcceptChannel(std::int32_t Channel, const TCalibrationValues& Values, bool CheckClaimed,
                   const char* InvalidMessage, IUserInteraction& User) {
  if (!IsChannel(Channel)) {
    ShowNotice(User, InvalidMessage);
    return false;
  }
  if (CheckClaimed && Values.ChannelUsed[static_cast<std::size_t>(Channel)]) {
    ShowNotice(User, "Channel " + std::to_string(Channel) + " used more than once");
    return false;
  }
  return true;
}

// Reads Text with Read into a working copy of Values and, only when that and
// sending the channel table succeed, makes the copy the new Values: a failing
// file leaves neither the driver's table nor the sampler's values half done.
template <class TRead>
bool ReadChannelFile(std::string_view Content, IImagerPositionLocator& Locator,
                     TCalibrationValues& Values, TRead Read) {
  std::optional<TChannelTable> Table = FetchChannelTable(Locator);
  if (!Table) {
    return false;
  }
  TCalibrationText Text(Content);
  TCalibrationValues Working = Values;
  if (!Read(Text, *Table, Working)) {
    return false;
  }
  if (Failed(Locator.SetChannelParameters(Table->data()))) {
    return false;
  }
  Values = std::move(Working);
  return true;
}

template <class TReadText, class... TArgs>
bool ReadFile(const std::string& Path, TReadText ReadText, TArgs&... Args) {
  const std::optional<std::string> Content = ReadCalibrationFile(Path);
  return Content && ReadText(*Content, Args...);
}

} // namespace

bool ReadSamplerText(std::string_view Content, IImagerPositionLocator& Locator,
                     IUserInteraction& User) {
  TCalibrationText Text(Content);
  std::int32_t Count = 0;
  if (!ReadIntegerLine(Text, Count)) {
    return false;
  }
  if (Count > SamplerCalibrationValueCount) {
    ShowNotice(User, "Sampler data file has too many channels");
    return false;
  }
  if (Count < 0) {
    return false;
  }
  std::array<double, SamplerCalibrationValueCount> Values{};
  for (std::int32_t I = 0; I < Count; ++I) {
    if (!ReadRealLine(Text, Values[static_cast<std::size_t>(I)])) {
      return false;
    }
  }
  return Succeeded(Locator.SetSamplerCalibration(Values.data()));
}

bool ReadGeneratorText(std::string_view Content, IImagerPositionLocator& Locator) {
  TCalibrationText Text(Content);
  const auto ReadPairs = [&Text](double* Pairs, std::size_t Count) {
    for (std::size_t I = 0; I < Count; ++I) {
      if (!Text.ReadReal(Pairs[2 * I]) || !Text.ReadReal(Pairs[2 * I + 1])) {
        return false;
      }
      Text.SkipLine();
    }
    return true;
  };
  std::array<double, std::size_t{GeneratorCoilCount} * 2> Coils{};
  std::array<double, std::size_t{GeneratorCoilCount} * GeneratorPairsPerCoil * 2> CoilPairs{};
  if (!ReadPairs(Coils.data(), GeneratorCoilCount) ||
      !ReadPairs(CoilPairs.data(), std::size_t{GeneratorCoilCount} * GeneratorPairsPerCoil)) {
    return false;
  }
  return Succeeded(Locator.SetGeneratorCalibration1(Coils.data())) &&
         Succeeded(Locator.SetGeneratorCalibration2(CoilPairs.data()));
}

bool ReadSensorText(std::string_view Content, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User) {
  return ReadChannelFile(
      Content, Locator, Values,
      [&User](TCalibrationText& Text, TChannelTable& Table, TCalibrationValues& Working) {
        std::int32_t Count = 0;
        if (!ReadIntegerLine(Text, Count)) {
          return false;
        }
        if (Count > MaxCatheterSensors) {
          ShowNotice(User, "Sensor data file has too many sensors");
          return false;
        }
        if (Count < 0) {
          return false;
        }
        Working.SensorChannel = {};
        Working.SensorSpacing = {};
        for (std::int32_t I = 0; I < Count; ++I) {
          TChannelEntry Entry;
          double Spacing = 0;
          if (!ReadChannelEntry(Text, Entry) || !Text.ReadReal(Spacing)) {
            return false;
          }
          Text.SkipLine();
          if (!AcceptChannel(Entry.Channel, Working, true, "Invalid channel in sensor data file",
                             User)) {
            return false;
          }
          Working.ChannelUsed[static_cast<std::size_t>(Entry.Channel)] = true;
          StoreEntry(Table, Entry);
          Working.SensorChannel[static_cast<std::size_t>(I)] = Entry.Channel;
          Working.SensorSpacing[static_cast<std::size_t>(I)] = Spacing;
        }
        // The computed tip point takes a frame slot of its own, and a frame
        // has only as many slots as a catheter can have sensors.
        if (Count == MaxCatheterSensors && Working.SensorSpacing[0] != 0) {
          ShowNotice(User, std::string(SensorTipOffsetRefusedMessage));
          return false;
        }
        Working.SensorCount = Count;
        return true;
      });
}

bool ReadRemoteText(std::string_view Content, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User) {
  return ReadChannelFile(
      Content, Locator, Values,
      [&User](TCalibrationText& Text, TChannelTable& Table, TCalibrationValues& Working) {
        TChannelEntry Entry;
        if (!ReadChannelEntry(Text, Entry)) {
          return false;
        }
        Text.SkipLine();
        if (!AcceptChannel(Entry.Channel, Working, true, "Invalid channel in remote data file",
                           User)) {
          return false;
        }
        Working.ChannelUsed[static_cast<std::size_t>(Entry.Channel)] = true;
        StoreEntry(Table, Entry);
        Working.HandChannel = Entry.Channel;
        return true;
      });
}

bool ReadOvertubeText(std::string_view Content, IImagerPositionLocator& Locator,
                      TCalibrationValues& Values, IUserInteraction& User) {
  return ReadChannelFile(
      Content, Locator, Values,
      [&User](TCalibrationText& Text, TChannelTable& Table, TCalibrationValues& Working) {
        std::int32_t Type = 0;
        if (!ReadIntegerLine(Text, Type)) {
          return false;
        }
        if (Type != 1 && Type != 2) {
          ShowNotice(User, "Unrecognised overtube type in overtube data file");
          return false;
        }
        double Length1 = 0;
        double Length2 = 0;
        double Length3 = 0;
        if (!ReadRealLine(Text, Length1) || (Type == 2 && !ReadRealLine(Text, Length2)) ||
            !ReadRealLine(Text, Length3)) {
          return false;
        }
        TChannelEntry Entry;
        if (!ReadChannelEntry(Text, Entry)) {
          return false;
        }
        Text.SkipLine();
        // The overtube may share a channel the catheter or remote claimed.
        if (!AcceptChannel(Entry.Channel, Working, false, "Invalid channel in overtube data file",
                           User)) {
          return false;
        }
        StoreEntry(Table, Entry);
        Working.OvertubeType = Type;
        Working.OvertubeLength1 = Length1;
        Working.OvertubeLength2 = Length2;
        Working.OvertubeLength3 = Length3;
        Working.OvertubeChannel = Entry.Channel;
        return true;
      });
}

bool ReadPainSensorText(std::string_view Content, IImagerPressureSensor& Sensor,
                        TCalibrationValues& Values) {
  TCalibrationText Text(Content);
  double Calibration = 0;
  double FullScale = 0;
  if (!ReadRealLine(Text, Calibration) || !ReadRealLine(Text, FullScale)) {
    return false;
  }
  std::string Units = Text.ReadLine();
  if (Failed(Sensor.SetCalibration(Calibration))) {
    return false;
  }
  Values.PainFullScale = FullScale;
  Values.PainUnits = std::move(Units);
  return true;
}

bool ReadSamplerFile(const std::string& Path, IImagerPositionLocator& Locator,
                     IUserInteraction& User) {
  return ReadFile(Path, ReadSamplerText, Locator, User);
}

bool ReadGeneratorFile(const std::string& Path, IImagerPositionLocator& Locator) {
  return ReadFile(Path, ReadGeneratorText, Locator);
}

bool ReadSensorFile(const std::string& Path, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User) {
  return ReadFile(Path, ReadSensorText, Locator, Values, User);
}

bool ReadRemoteFile(const std::string& Path, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User) {
  return ReadFile(Path, ReadRemoteText, Locator, Values, User);
}

bool ReadOvertubeFile(const std::string& Path, IImagerPositionLocator& Locator,
                      TCalibrationValues& Values, IUserInteraction& User) {
  return ReadFile(Path, ReadOvertubeText, Locator, Values, User);
}

bool ReadPainSensorFile(const std::string& Path, IImagerPressureSensor& Sensor,
                        TCalibrationValues& Values) {
  return ReadFile(Path, ReadPainSensorText, Sensor, Values);
}

} // namespace kestrava
