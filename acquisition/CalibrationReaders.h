#pragma once
// The readers of the calibration files: each reads one file, checks it,
// shows its own message for the faults the user can act on, and hands the
// values to the driver. File layouts (plain text, see CalibrationText.h):
//
//   "Sampler.dat"      N (0..18), then N reals, one per line
//   generator ".gen"   12 lines of two reals: 3 coil pairs, then 9 pairs
//                      (coil-major, three per coil)
//   catheter ".msd"    N (0..16), then per sensor from the tip: channel, A, B,
//                      spacing
//   "Remote.dat"       channel, A, B
//   overtube ".otb"    type 1: 1 / Length1 / Length3 / channel A B
//                      type 2: 2 / Length1 / Length2 / Length3 / channel A B
//   "Pain Sensor.dat"  calibration value / full scale / units (whole line)
//
// Every reader returns true on success. On failure Values is unchanged, and
// when the file is at fault nothing has been sent to the driver (a driver
// refusing the second generator call has had the first). An input error (missing
// or oversized file, bad number, early end) fails without a message; the
// faults of the table below show their message first. Nothing a file holds
// can make a reader crash, hang or allocate beyond the file's size.
//
// Channel readers fetch the driver's channel table, change the entries of
// the channels they name and send the table back. A driver that refuses a
// call (a failure code) fails the reader without a message, since a table it
// did not fill must not be written back over its other channels.
//
// Thread: user-interface thread (the driver's thread).

#include "acquisition/ImagerDriver.h"
#include "foundation/UserInteraction.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrava {

inline constexpr int MaxCatheterSensors = 16;

// The values the readers keep for the sampler. A default-made object is the
// cleared state that a set-up starts from.
struct TCalibrationValues {
  std::int32_t SensorCount = 0;
  std::array<std::int32_t, MaxCatheterSensors> SensorChannel{};
  // Entry 0: tip to first sensor (0 = the first sensor is the tip); entry i:
  // sensor i - 1 to sensor i. Metres.
  std::array<double, MaxCatheterSensors> SensorSpacing{};
  std::int32_t HandChannel = 0;
  std::int32_t OvertubeType = 0;
  double OvertubeLength1 = 0;
  double OvertubeLength2 = 0;
  double OvertubeLength3 = 0;
  std::int32_t OvertubeChannel = 0;
  double PainFullScale = 0;
  std::string PainUnits;
  // Channels claimed by the catheter and the remote.
  std::array<bool, ChannelCount> ChannelUsed{};
  friend bool operator==(const TCalibrationValues&, const TCalibrationValues&) = default;
};

// Messages (shown with an OK button and the default caption):
//   "Sampler data file has too many channels"          sampler, N > 18
//   "Sensor data file has too many sensors"            catheter, N > 16
//   "Sensor data file has 16 sensors and a tip offset: a frame holds at most
//    16 points"                                        catheter, 16 sensors
//                                                      and spacing 0 not 0
//   "Invalid channel in sensor data file"              catheter, channel
//                                                      outside 0..17
//   "Invalid channel in remote data file"              remote, likewise
//   "Invalid channel in overtube data file"            overtube, likewise
//   "Unrecognised overtube type in overtube data file" overtube, type not 1/2
//   "Channel <n> used more than once"                  catheter or remote
//                                                      naming a claimed channel
// A negative count is an input error (no message).
inline constexpr std::string_view SensorTipOffsetRefusedMessage =
    "Sensor data file has 16 sensors and a tip offset: a frame holds at most 16 points";

// Fills the 18 sampler values (zero from N on) and sends them.
bool ReadSamplerFile(const std::string& Path, IImagerPositionLocator& Locator,
                     IUserInteraction& User);
// Sends the 3 x 2 coil pairs and then the 3 x 3 x 2 pairs.
bool ReadGeneratorFile(const std::string& Path, IImagerPositionLocator& Locator);
// Sets SensorCount, SensorChannel, SensorSpacing and claims the channels.
bool ReadSensorFile(const std::string& Path, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User);
// Sets HandChannel and claims it.
bool ReadRemoteFile(const std::string& Path, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User);
// Sets OvertubeType, the three lengths (type 1: Length2 = 0) and
// OvertubeChannel. The overtube's channel is only range-checked: it may be one
// the catheter or the remote claimed, and it claims nothing itself.
bool ReadOvertubeFile(const std::string& Path, IImagerPositionLocator& Locator,
                      TCalibrationValues& Values, IUserInteraction& User);
// Sends the calibration value to the pain sensor; sets PainFullScale and
// PainUnits (the third line as it stands, empty when missing).
bool ReadPainSensorFile(const std::string& Path, IImagerPressureSensor& Sensor,
                        TCalibrationValues& Values);

// The same readers on a file's text already in memory (tests, fuzzing).
bool ReadSamplerText(std::string_view Text, IImagerPositionLocator& Locator,
                     IUserInteraction& User);
bool ReadGeneratorText(std::string_view Text, IImagerPositionLocator& Locator);
bool ReadSensorText(std::string_view Text, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User);
bool ReadRemoteText(std::string_view Text, IImagerPositionLocator& Locator,
                    TCalibrationValues& Values, IUserInteraction& User);
bool ReadOvertubeText(std::string_view Text, IImagerPositionLocator& Locator,
                      TCalibrationValues& Values, IUserInteraction& User);
bool ReadPainSensorText(std::string_view Text, IImagerPressureSensor& Sensor,
                        TCalibrationValues& Values);

} // namespace kestrava
