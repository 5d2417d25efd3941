#pragma once
// The OpenIGTLink receiver's settings, read from the "DSP.DAT" path handed to
// Initialise. Plain text of at most MaxIGTLinkSettingsBytes: one setting per
// line, a keyword and its values separated by blanks, '#' starting a comment
// (so no name can hold one). The settings and what they mean are listed in
// README.md next to this file.
//
// Reading is bounded and never raises: the readers return false with a
// one-line reason that names the line.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrava::igtlink {

inline constexpr std::size_t MaxIGTLinkSettingsBytes = std::size_t{64} * 1024;
// What an OpenIGTLink device name or tracking data element name holds.
inline constexpr std::size_t MaxTrackedNameLength = 20;

// Where each configured name goes. Sensor slots 0-15, the hand and the
// overtube are indexed by the hardware channel the sampler reads them on.
inline constexpr std::size_t SensorSlots = 16;
inline constexpr std::size_t HandIndex = 16;
inline constexpr std::size_t OvertubeIndex = 17;
inline constexpr std::size_t PainIndex = 18;
inline constexpr std::size_t TrackedCount = 19;

struct TIGTLinkSettings {
  std::string Host = "127.0.0.1"; // a numeric address or a host name
  std::uint16_t Port = 18944;
  // The resolution asked for with STT_TDATA on every connect; 0 asks nothing.
  std::int32_t RequestTDataMilliseconds = 40;
  // A name not heard of for this long is not measured; the server not heard
  // from at all for this long is a sample timeout (and is reconnected).
  double SampleTimeoutSeconds = 2;
  // The catheter sensors' poses point their +Z towards the tip instead of
  // towards the operator's end (as Kestrava's own stream does).
  bool ScopeAxisTowardsTip = false;
  // The TRANSFORM device name or TDATA element name at each index; empty
  // where nothing is configured. The pain name is that of a STRING message.
  std::array<std::string, TrackedCount> Names;
};

// Reads settings from Text over the defaults. False with Error ("line N: ...")
// at the first line that cannot be used, or when no name is configured;
// Settings is then unchanged.
bool ParseIGTLinkSettings(std::string_view Text, TIGTLinkSettings& Settings, std::string& Error);

// Reads the file at Path. False with Error naming the file when it is
// missing, unreadable, too large, not text or not valid settings.
bool LoadIGTLinkSettings(const std::filesystem::path& Path, TIGTLinkSettings& Settings,
                         std::string& Error);

} // namespace kestrava::igtlink
