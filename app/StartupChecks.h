#pragma once
// What the workstation checks before it opens its window: a display that is
// not palette based, and a graphics device layer that offers its devices.
// Thread: user-interface thread.

#include <cstdint>

namespace kestrava {

inline constexpr const char* PaletteDisplayMessage =
    "This program can only run with a non-palette based display.\nTry changing the display "
    "settings to use 16 bit colour, then re-run this program.";
inline constexpr const char* DirectXMissingMessage =
    "DirectX V6 must be installed for this program to operate.";

// Sixteen bits per pixel or more.
bool DisplayDepthSufficient(std::int32_t BitsPerPixel);

// The primary display driver offers the version 6 drawing interface, and a
// second object of it the 3D layer; both are released at once.
bool GraphicsDevicesAvailable();

} // namespace kestrava
