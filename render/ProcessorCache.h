#pragma once
// How much memory the processor's caches hold: a picture written through
// the cache is cheap to read back while it stays there, and costs twice the
// memory traffic once it does not.

#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrava {

// Assumed where the system does not say: a common last-level cache of a
// desktop processor.
constexpr std::size_t DefaultLastLevelCacheBytes = std::size_t{8} << 20;

// The size of the first processor's largest cache as the system reports it
// (on Linux in sysfs), else DefaultLastLevelCacheBytes. Read once.
std::size_t LastLevelCacheBytes();

// Whether Bytes written in one go push out most of what the last-level cache
// holds: more than half of it.
bool OutgrowsCache(std::size_t Bytes);

// A cache size as Linux writes it ("32768K", "1M" or bytes); nullopt for
// anything else.
std::optional<std::size_t> ParseCacheSize(std::string_view Text);

} // namespace kestrava
