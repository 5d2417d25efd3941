#pragma once
// The replay driver: plays an imager file back through the hardware
// interfaces (see ReplaySource.h for what is played and the settings file),
// so a recorded procedure can be re-recorded through the whole acquisition
// path. The channel parameters mean what they mean to the simulator: B is
// what is wired to the channel (1 an endoscope sensor, 2 the remote's sensor,
// 3 the overtube sensor) and A, for an endoscope sensor, its distance from
// the tip along the recorded segment lengths.
//
// Thread: one thread at a time.

#include "acquisition/ImagerDriver.h"
#include "drivers/SamplePacer.h"
#include "drivers/SimulatedDriverBase.h"
#include "drivers/replay/ReplaySource.h"

#include <cstdint>
#include <memory>

namespace kestrava::replay {

// Read from the directory of the DSP.DAT path handed to Initialise.
inline constexpr const char* ReplaySettingsFileName = "Replay.dat";

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TReplayDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public TSimulatedDriverBase {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  // Reads Replay.dat beside DspFile and loads its imager file; restarts at time 0.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) override;

  HRESULT GetButtons(std::uint32_t* Mask) override;

  // Nothing in a replay is random.
  HRESULT OverrideSeed(std::uint64_t Seed) override;
  HRESULT GetSampleTime(double* Seconds) override;
  HRESULT GetSampleRate(double* Hertz) override;

private:
  TReplayDriver() = default;
  ~TReplayDriver() override = default;

  // The pain sensor plays the recording's pain; the calibration means
  // nothing to a recording.
  HRESULT PainInitialise() override;
  HRESULT PainTrigger() override;
  HRESULT PainWaitForSample(double TimeLimit) override;
  HRESULT PainReading(double* Value) override;

  bool RealTime() const;
  double SampleTime() const { return Pacer_.Time(Settings_.SampleRate); }

  std::unique_ptr<TReplaySource> Source_;
  TReplaySettings Settings_;
  TSamplePacer Pacer_;
};

} // namespace kestrava::replay
