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
#include "drivers/SimulatedDriverBase.h"
#include "drivers/simulator/SimulatedProcedure.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

namespace kestrava::simulator {

// The wiring codes as the simulator's calibration files write them.
using enum kestrava::TChannelRole;

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

private:
  TSimulatorDriver() = default;
  ~TSimulatorDriver() override = default;

  bool Ready() const override { return Model_ != nullptr; }
  double SampleRate() const override;
  bool RealTimeByDefault() const override { return Model_ && Model_->Settings().RealTime; }
  std::uint32_t ButtonsAt(double Time) const override { return Model_->Settings().ButtonsAt(Time); }
  // A new sample has a new shape.
  void Triggered() override { Shape_.reset(); }
  bool TimedOut() const override { return SampleTime() >= Model_->Settings().SampleTimeoutAt; }
  // A scripted stopped clock: samples keep coming, their time stands still.
  double ReportedTime(double Time) const override {
    return std::min(Time, Model_->Settings().ClockStopsAt);
  }
  HRESULT Sense(std::int32_t Channel, double* Position, double* Angles) override;

  // The pain sensor: the model's pain with its noise, times the calibration.
  HRESULT PainInitialise() override;
  HRESULT PainTrigger() override;
  HRESULT PainWaitForSample(double TimeLimit) override;
  HRESULT PainReading(double* Value) override;

  std::uint64_t Seed() const;
  const TScopeShape& Shape();
  TSensorReading ChannelReading(int Channel);
  void AddNoise(TSensorReading& Reading, int Channel) const;

  std::unique_ptr<TSimulatedProcedure> Model_;
  std::optional<TScopeShape> Shape_;
  bool PainReady_ = false;
  std::int32_t PainFailuresLeft_ = 0;
};

} // namespace kestrava::simulator
