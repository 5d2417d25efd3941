#include "drivers/SettingsText.h"

#include <algorithm>
#include <fstream>

namespace kestrava {

std::string_view TrimmedSetting(std::string_view Text) {
  const std::size_t First = Text.find_first_not_of(SettingsBlanks);
  if (First == std::string_view::npos) {
    return {};
  }
  return Text.substr(First, Text.find_last_not_of(SettingsBlanks) - First + 1);
}

std::pair<std::string_view, std::string_view> FirstSettingWord(std::string_view Text) {
  const std::size_t Gap = std::min(Text.find_first_of(SettingsBlanks), Text.size());
  return {Text.substr(0, Gap), TrimmedSetting(Text.substr(Gap))};
}

bool ReadSettingsFile(const std::filesystem::path& Path, std::size_t MaxBytes, std::string& Text,
                      std::string& Error) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    Error = "cannot open " + Path.string();
    return false;
  }
  Text.assign(MaxBytes + 1, '\0');
  File.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  if (File.bad()) {
    Error = "cannot read " + Path.string();
    return false;
  }
  Text.resize(static_cast<std::size_t>(File.gcount()));
  return true;
}

bool LoadSettingsFile(const std::filesystem::path& Path, std::size_t MaxBytes,
                      const std::function<bool(std::string_view Text, std::string& Error)>& Parse,
                      std::string& Error) {
  const std::string Name = Path.filename().string();
  std::string Text;
  if (!ReadSettingsFile(Path, MaxBytes, Text, Error)) {
    return false;
  }
  if (Text.size() > MaxBytes || Text.find('\0') != std::string::npos) {
    Error =
        Name + " is not a settings file of at most " + std::to_string(MaxBytes) + " bytes of text";
    return false;
  }
  if (!Parse(Text, Error)) {
    Error = Name + " " + Error;
    return false;
  }
  return true;
}

bool ForEachSettingsLine(std::string_view Text,
                         const std::function<void(std::string_view Line)>& Apply,
                         std::string& Error) {
  for (std::size_t LineNumber = 1; !Text.empty(); ++LineNumber) {
    const std::size_t End = Text.find('\n');
    const std::string_view Line = TrimmedSetting(Text.substr(0, std::min(End, Text.find('#'))));
    Text.remove_prefix(End == std::string_view::npos ? Text.size() : End + 1);
    if (Line.empty()) {
      continue;
    }
    try {
      Apply(Line);
    } catch (const TSettingsError& Problem) {
      Error = "line " + std::to_string(LineNumber) + ": " + Problem.Text;
      return false;
    }
  }
  return true;
}

} // namespace kestrava
