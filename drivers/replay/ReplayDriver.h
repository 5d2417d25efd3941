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
#include "drivers/SimulatedDriverBase.h"
#include "drivers/replay/ReplaySource.h"

#include <cstdint>
#include <memory>

namespace kestrava::replay {

// Read from the directory of the DSP.DAT path handed to Initialise.
inline constexpr const char* ReplaySettingsFileName = "Replay.dat";

// A component deletes itself with its last reference (hence the private
// destructor); Create hands out the first, as the root interface.
class TReplayDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public TSimulatedDriverBase {
public:
  // Reads Replay.dat beside DspFile and loads its imager file; restarts at time 0.
  HRESULT Initialise(const char16_t* DspFile) override;
  static IUnknown* Create();

private:
  HRESULT Sense(std::int32_t Channel, double* Position, double* Angles) override;
  // The pain sensor plays the recording's pain (nothing is random in a
  // replay and the calibration means nothing to a recording).
  HRESULT PainReading(double* Value) override;
  bool Ready() const override { return Source_ != nullptr; }
  double SampleRate() const override { return Settings_.SampleRate; }
  bool RealTimeByDefault() const override { return Settings_.RealTime; }
  std::uint32_t ButtonsAt(double Time) const override { return Source_->ButtonsAt(Time); }

  TReplayDriver() = default;
  ~TReplayDriver() override = default;

  std::unique_ptr<TReplaySource> Source_;
  TReplaySettings Settings_;
};

} // namespace kestrava::replay
