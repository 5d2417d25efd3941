#include "drivers/igtlink/IGTLinkSettings.h"

#include "drivers/SettingsText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <sstream>

namespace kestrava::igtlink {

namespace {

std::string_view OneWord(std::string_view Keyword, std::string_view Values) {
  if (Values.empty() || Values.find_first_of(SettingsBlanks) != std::string_view::npos) {
    throw TSettingsError{std::string(Keyword) + " takes one value"};
  }
  return Values;
}

template <typename T> T Number(std::string_view Word, T Low, T High, const std::string& What) {
  T Value{};
  const char* End = Word.data() + Word.size();
  const auto [Next, Code] = std::from_chars(Word.data(), End, Value);
  if (Code != std::errc() || Next != End || !(Value >= Low && Value <= High)) {
    std::ostringstream Text;
    Text << What << " must be a number from " << Low << " to " << High << ", not '" << Word << "'";
    throw TSettingsError{Text.str()};
  }
  return Value;
}

// Names travel as the 20 bytes of a device or element name: printable ASCII,
// so that what the user typed is what the server must send.
std::string TrackedName(std::string_view Keyword, std::string_view Name) {
  if (Name.empty()) {
    throw TSettingsError{std::string(Keyword) + " needs a name"};
  }
  if (Name.size() > MaxTrackedNameLength) {
    throw TSettingsError{"'" + std::string(Name) + "' is longer than the " +
                         std::to_string(MaxTrackedNameLength) + " characters a name can hold"};
  }
  if (!std::all_of(Name.begin(), Name.end(), [](char C) { return C >= 0x20 && C <= 0x7E; })) {
    throw TSettingsError{"a name may hold printable ASCII characters only"};
  }
  return std::string(Name);
}

class TParser {
public:
  explicit TParser(TIGTLinkSettings& Settings) : Settings_(Settings) {}

  void Apply(std::string_view Keyword, std::string_view Values) {
    if (Keyword == "sensor") {
      const auto [SlotWord, Name] = FirstSettingWord(Values);
      const auto Slot = Number<std::size_t>(SlotWord, 0, SensorSlots - 1, "the sensor slot");
      Once("sensor " + std::to_string(Slot));
      SetName(Slot, TrackedName(Keyword, Name));
    } else if (Keyword == "hand" || Keyword == "overtube" || Keyword == "pain") {
      Once(Keyword);
      const std::size_t Index = Keyword == "hand"       ? HandIndex
                                : Keyword == "overtube" ? OvertubeIndex
                                                        : PainIndex;
      SetName(Index, TrackedName(Keyword, Values));
    } else if (Keyword == "server") {
      Once(Keyword);
      const auto [Host, PortWord] = FirstSettingWord(Values);
      if (Host.empty() || PortWord.empty()) {
        throw TSettingsError{"server takes a host and a port"};
      }
      Settings_.Host = std::string(Host);
      Settings_.Port = Number<std::uint16_t>(OneWord("the port", PortWord), 1, 65535, "the port");
    } else if (Keyword == "request_tdata") {
      Once(Keyword);
      Settings_.RequestTDataMilliseconds =
          Number<std::int32_t>(OneWord(Keyword, Values), 0, 60000, "request_tdata");
    } else if (Keyword == "sample_timeout") {
      Once(Keyword);
      Settings_.SampleTimeoutSeconds =
          Number<double>(OneWord(Keyword, Values), 0.05, 3600, "sample_timeout");
    } else if (Keyword == "scope_axis") {
      Once(Keyword);
      const std::string_view Axis = OneWord(Keyword, Values);
      if (Axis != "towards_operator" && Axis != "towards_tip") {
        throw TSettingsError{"scope_axis must be 'towards_operator' or 'towards_tip'"};
      }
      Settings_.ScopeAxisTowardsTip = Axis == "towards_tip";
    } else {
      throw TSettingsError{"unknown setting '" + std::string(Keyword) + "'"};
    }
  }

private:
  // A setting given twice is almost always an edit that forgot the first one.
  void Once(std::string_view Setting) {
    if (!Seen_.insert(std::string(Setting)).second) {
      throw TSettingsError{std::string(Setting) + " is given more than once"};
    }
  }

  // One name feeding two places would make a sensor and, say, the hand
  // report the same coil without anyone noticing.
  void SetName(std::size_t Index, std::string Name) {
    if (std::find(Settings_.Names.begin(), Settings_.Names.end(), Name) != Settings_.Names.end()) {
      throw TSettingsError{"'" + Name + "' is named more than once"};
    }
    Settings_.Names[Index] = std::move(Name);
  }

  TIGTLinkSettings& Settings_;
  std::set<std::string, std::less<>> Seen_;
};

} // namespace

bool ParseIGTLinkSettings(std::string_view Text, TIGTLinkSettings& Settings, std::string& Error) {
  TIGTLinkSettings Parsed = Settings;
  TParser Parser(Parsed);
  if (!ForEachSettingsLine(
          Text,
          [&Parser](std::string_view Line) {
            const auto [Keyword, Values] = FirstSettingWord(Line);
            Parser.Apply(Keyword, Values);
          },
          Error)) {
    return false;
  }
  if (std::all_of(Parsed.Names.begin(), Parsed.Names.end(),
                  [](const std::string& Name) { return Name.empty(); })) {
    Error = "names no sensor, hand, overtube or pain to receive";
    return false;
  }
  Settings = std::move(Parsed);
  Error.clear();
  return true;
}

bool LoadIGTLinkSettings(const std::filesystem::path& Path, TIGTLinkSettings& Settings,
                         std::string& Error) {
  return LoadSettingsFile(
      Path, MaxIGTLinkSettingsBytes,
      [&Settings](std::string_view Text, std::string& Why) {
        return ParseIGTLinkSettings(Text, Settings, Why);
      },
      Error);
}

} // namespace kestrava::igtlink
