#pragma once
// An extra interface of the bundled drivers for whoever must tell a user why
// a driver does not work (the command-line tool; the workstation only shows
// "Failed to initialise DSP hardware"). Any driver may answer it.
//
// Thread: the thread that uses the driver.

#include "foundation/ComInterface.h"

#include <cstdint>

namespace kestrava {

inline constexpr TGuid IID_IDriverDiagnostics{
    0x6E0C5B2A, 0x4F1D, 0x4C8E, {0x9A, 0x3B, 0x2D, 0x7F, 0x1E, 0x5C, 0x8A, 0x11}};

class IDriverDiagnostics : public IUnknown {
public:
  // Why the last Initialise failed or, after one succeeded, why the hardware
  // is not delivering right now (UTF-8, "" when nothing is wrong): at most
  // Capacity - 1 bytes and a terminating zero are written.
  virtual HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) = 0;

protected:
  ~IDriverDiagnostics() = default;
};

} // namespace kestrava
