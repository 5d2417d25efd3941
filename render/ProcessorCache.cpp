#include "render/ProcessorCache.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string>

namespace kestrava {

namespace {

std::optional<std::string> FirstLine(const std::string& Path) {
  std::ifstream File(Path);
  std::string Line;
  if (!File || !std::getline(File, Line)) {
    return std::nullopt;
  }
  return Line;
}

// The largest of the caches Linux lists for processor 0: index0, index1, ...
// up to the first missing one.
std::optional<std::size_t> LinuxLastLevelCacheBytes() {
  std::optional<std::size_t> Largest;
  for (int Index = 0; Index < 16; ++Index) {
    const std::string Directory =
        "/sys/devices/system/cpu/cpu0/cache/index" + std::to_string(Index) + "/";
    const std::optional<std::string> Size = FirstLine(Directory + "size");
    if (!Size) {
      break;
    }
    if (const std::optional<std::size_t> Bytes = ParseCacheSize(*Size)) {
      Largest = std::max(Largest.value_or(0), *Bytes);
    }
  }
  return Largest;
}

} // namespace

std::optional<std::size_t> ParseCacheSize(std::string_view Text) {
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) {
    Text.remove_suffix(1);
  }
  std::size_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc{} || End == Text.data()) {
    return std::nullopt;
  }
  const std::string_view Unit(End, static_cast<std::size_t>(Text.data() + Text.size() - End));
  int Shift = 0;
  if (Unit == "K") {
    Shift = 10;
  } else if (Unit == "M") {
    Shift = 20;
  } else if (!Unit.empty()) {
    return std::nullopt;
  }
  if (Value == 0 || Value > (std::size_t{1} << 40) >> Shift) {
    return std::nullopt; // no cache, or one no processor has
  }
  return Value << Shift;
}

std::size_t LastLevelCacheBytes() {
  static const std::size_t Bytes = LinuxLastLevelCacheBytes().value_or(DefaultLastLevelCacheBytes);
  return Bytes;
}

bool OutgrowsCache(std::size_t Bytes) {
  return Bytes > LastLevelCacheBytes() / 2;
}

} // namespace kestrava
