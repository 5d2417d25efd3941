#pragma once
// The extra interface of the drivers that stand in for the imager hardware
// (the simulator and the replay driver). The program never needs it; the
// command-line tool, the tests and the benchmarks use it to choose between
// real-time pacing and samples as fast as they are asked for, and to stamp
// frames with the driver's own procedure time when they run on a simulated
// clock.
//
// Thread: the thread that uses the driver.

#include "foundation/ComInterface.h"

#include <cstdint>

namespace kestrava {

inline constexpr TGuid IID_ISimulatedHardware{
    0x6E0C5B2A, 0x4F1D, 0x4C8E, {0x9A, 0x3B, 0x2D, 0x7F, 0x1E, 0x5C, 0x8A, 0x10}};

// Class identifiers ("Driver ID") of the two bundled drivers.
inline constexpr const char* SimulatorDriverId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A01}";
inline constexpr const char* ReplayDriverId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A02}";

class ISimulatedHardware : public IUnknown {
public:
  // RealTime 1: each sample is held back until its time on the wall clock;
  // 0: samples come as fast as they are asked for. Overrides the driver's
  // settings file and lasts across Initialise.
  virtual HRESULT SetPacing(std::uint8_t RealTime) = 0;
  // Replaces the settings file's random seed; lasts across Initialise.
  virtual HRESULT OverrideSeed(std::uint64_t Seed) = 0;
  // The procedure time, in seconds from the first sample, of the sample
  // last triggered; 0 before the first.
  virtual HRESULT GetSampleTime(double* Seconds) = 0;
  // Samples per second.
  virtual HRESULT GetSampleRate(double* Hertz) = 0;
  // Why the last Initialise failed (UTF-8, "" when it did not): at most
  // Capacity - 1 bytes and a terminating zero are written.
  virtual HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) = 0;

protected:
  ~ISimulatedHardware() = default;
};

} // namespace kestrava
