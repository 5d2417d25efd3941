#pragma once
// The simulated imager hardware as a driver component: the three hardware
// interfaces over TSimulatedProcedure, plus ISimulatedHardware.
//
// What the hardware's channel parameters mean here: for each channel, B says
// what is wired to it (1 an endoscope sensor, 2 the remote's sensor, 3 the
// overtube sensor, anything else nothing) and A places it: for an endoscope
// sensor its distance from the endoscope's tip, for the overtube sensor its
// depth along the colon from the anus, metres. The sampler, generator and
// pain calibration values are kept; only the pain calibration is used (it
// scales the reading). See README.md for "DSP.DAT".
//
// Samples follow TSamplePacer: sample n at procedure time n / sample rate.
//
// Thread: one thread at a time.

#include "acquisition/ImagerDriver.h"
#include "drivers/SamplePacer.h"
#include "drivers/SimulatedDriverBase.h"
#include "drivers/simulator/SimulatedProcedure.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace kestrava::simulator {

enum TChannelRole : int { RoleNothing = 0, RoleEndoscope = 1, RoleRemote = 2, RoleOvertube = 3 };

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TSimulatorDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public TSimulatedDriverBase {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  // IImagerPositionLocator. Initialise reads DspFile (see SimulatorSettings.h)
  // and restarts the procedure at time 0.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) override;

  // IImagerRemoteControl
  HRESULT GetButtons(std::uint32_t* Mask) override;

  // ISimulatedHardware
  HRESULT OverrideSeed(std::uint64_t Seed) override;
  HRESULT GetSampleTime(double* Seconds) override;
  HRESULT GetSampleRate(double* Hertz) override;

private:
  TSimulatorDriver() = default;
  ~TSimulatorDriver() override = default;

  // The pain sensor: the model's pain with its noise, times the calibration.
  HRESULT PainInitialise() override;
  HRESULT PainTrigger() override;
  HRESULT PainWaitForSample(double TimeLimit) override;
  HRESULT PainReading(double* Value) override;

  bool RealTime() const;
  std::uint64_t Seed() const;
  double SampleTime() const;
  std::uint64_t NoiseSample() const;
  const TScopeShape& Shape();
  TSensorReading ChannelReading(int Channel);
  void AddNoise(TSensorReading& Reading, int Channel) const;

  std::unique_ptr<TSimulatedProcedure> Model_;
  std::optional<TScopeShape> Shape_;
  std::optional<std::uint64_t> SeedOverride_;
  bool PainReady_ = false;
  std::int32_t PainFailuresLeft_ = 0;
  TSamplePacer Pacer_;
};

} // namespace kestrava::simulator
