// Feeds arbitrary text to the calibration file readers. The first byte picks
// the reader (sampler, generator, catheter, remote, overtube, pain sensor);
// the rest is the file. Besides crashes, a reader that reports success with
// values no good file can give is a fault.

#include "acquisition/CalibrationReaders.h"
#include "tests/acquisition/FakeImagerDriver.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool ChannelsInRange(const kestrava::TCalibrationValues& Values) {
  for (std::int32_t I = 0; I < Values.SensorCount; ++I) {
    const std::int32_t Channel = Values.SensorChannel[static_cast<std::size_t>(I)];
    if (Channel < 0 || Channel >= kestrava::ChannelCount) {
      return false;
    }
  }
  return Values.HandChannel >= 0 && Values.HandChannel < kestrava::ChannelCount &&
         Values.OvertubeChannel >= 0 && Values.OvertubeChannel < kestrava::ChannelCount;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) {
    return 0;
  }
  const std::string_view Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  kestrava::testing::TFakeImagerDriver Driver;
  kestrava::TScriptedUserInteraction User;
  kestrava::TCalibrationValues Values;
  bool Read = false;
  switch (Data[0] % 6) {
  case 0:
    Read = kestrava::ReadSamplerText(Text, Driver, User);
    break;
  case 1:
    Read = kestrava::ReadGeneratorText(Text, Driver);
    break;
  case 2:
    Read = kestrava::ReadSensorText(Text, Driver, Values, User);
    break;
  case 3:
    Read = kestrava::ReadRemoteText(Text, Driver, Values, User);
    break;
  case 4:
    Read = kestrava::ReadOvertubeText(Text, Driver, Values, User);
    break;
  default:
    Read = kestrava::ReadPainSensorText(Text, Driver.Pressure, Values);
    break;
  }
  const bool Sound =
      Values.SensorCount >= 0 && Values.SensorCount <= kestrava::MaxCatheterSensors &&
      ChannelsInRange(Values) &&
      (Values.SensorCount < kestrava::MaxCatheterSensors || Values.SensorSpacing[0] == 0) &&
      (Values.OvertubeType == 0 || Values.OvertubeType == 1 || Values.OvertubeType == 2) &&
      Values.PainUnits.size() < Size;
  // A failing reader must leave the values as they were (all cleared here).
  if (!Sound || (!Read && !(Values == kestrava::TCalibrationValues{}))) {
    std::abort();
  }
  return 0;
}
