#include "drivers/igtlink/IGTLinkSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace kestrava::igtlink {

namespace {

// Thrown inside the parser only, to leave a line at its first problem; the
// public readers turn it into their false result.
struct TSettingsError {
  std::string Text;
};

constexpr std::string_view Blanks = " \t\r";

std::string_view Trimmed(std::string_view Text) {
  const std::size_t First = Text.find_first_not_of(Blanks);
  if (First == std::string_view::npos) {
    return {};
  }
  return Text.substr(First, Text.find_last_not_of(Blanks) - First + 1);
}

// The first word of Text and the trimmed rest after it.
std::pair<std::string_view, std::string_view> FirstWord(std::string_view Text) {
  const std::size_t Gap = std::min(Text.find_first_of(Blanks), Text.size());
  return {Text.substr(0, Gap), Trimmed(Text.substr(Gap))};
}

std::string_view OneWord(std::string_view Keyword, std::string_view Values) {
  if (Values.empty() || Values.find_first_of(Blanks) != std::string_view::npos) {
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
      const auto [SlotWord, Name] = FirstWord(Values);
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
      const auto [Host, PortWord] = FirstWord(Values);
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
  for (std::size_t LineNumber = 1; !Text.empty(); ++LineNumber) {
    const std::size_t End = Text.find('\n');
    std::string_view Line = Text.substr(0, End);
    Text.remove_prefix(End == std::string_view::npos ? Text.size() : End + 1);
    Line = Trimmed(Line.substr(0, Line.find('#')));
    if (Line.empty()) {
      continue;
    }
    const auto [Keyword, Values] = FirstWord(Line);
    try {
      Parser.Apply(Keyword, Values);
    } catch (const TSettingsError& Failure) {
      Error = "line " + std::to_string(LineNumber) + ": " + Failure.Text;
      return false;
    }
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
  const std::string Name = Path.filename().string();
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    Error = "cannot open " + Path.string();
    return false;
  }
  // One byte more than allowed tells a file at the limit from a larger one
  // without reading the whole of something that is not a settings file.
  std::string Text(MaxIGTLinkSettingsBytes + 1, '\0');
  File.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  if (File.bad()) {
    Error = "cannot read " + Path.string();
    return false;
  }
  Text.resize(static_cast<std::size_t>(File.gcount()));
  if (Text.size() > MaxIGTLinkSettingsBytes || Text.find('\0') != std::string::npos) {
    Error = Name + " is not a settings file of at most " + std::to_string(MaxIGTLinkSettingsBytes) +
            " bytes of text";
    return false;
  }
  if (!ParseIGTLinkSettings(Text, Settings, Error)) {
    Error = Name + " " + Error;
    return false;
  }
  return true;
}

} // namespace kestrava::igtlink
