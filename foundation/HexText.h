#pragma once
// Fixed-width hexadecimal text, as shown for driver result codes and
// identifiers.

#include <cstdint>
#include <string>

namespace kestrava {

// Always 8 upper-case digits, most significant first ("0000BEEF").
std::string HexText(std::uint32_t Value);

} // namespace kestrava
