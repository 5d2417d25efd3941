#pragma once
// What the drivers that stand in for the imager hardware (the simulator and
// the replay driver) add to a driver component: ISimulatedHardware, the
// pacing of samples on a procedure clock (TSamplePacer: sample n at time
// n / sample rate), the channels' wiring and the remote's buttons at the
// sample's time. A stand-in overrides only its hooks: what it has loaded,
// its rate, its readings, its buttons and what its pain sensor measures.
//
// Thread: one thread at a time.

#include "drivers/DriverComponent.h"
#include "drivers/SamplePacer.h"
#include "drivers/SimulatedHardware.h"

#include <cstdint>
#include <optional>

namespace kestrava {

// What channel parameter B says is wired to a channel.
enum TChannelRole : int { RoleNothing = 0, RoleEndoscope = 1, RoleRemote = 2, RoleOvertube = 3 };

class TSimulatedDriverBase // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public TDriverComponent,
      public ISimulatedHardware {
public:
  // IUnknown: the driver component's interfaces and ISimulatedHardware.
  HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
  std::uint32_t AddRef() override { return TDriverComponent::AddRef(); }
  std::uint32_t Release() override { return TDriverComponent::Release(); }

  // Samples follow the pacer; WaitForSample times out once TimedOut says so,
  // after the time limit when paced in real time.
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT GetButtons(std::uint32_t* Mask) override;

  HRESULT SetPacing(std::uint8_t RealTime) override;
  HRESULT OverrideSeed(std::uint64_t Seed) override;
  HRESULT GetSampleTime(double* Seconds) override;
  HRESULT GetSampleRate(double* Hertz) override;
  // ISimulatedHardware's and IDriverDiagnostics': why Initialise failed.
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override {
    return TDriverComponent::GetLastErrorText(Buffer, Capacity);
  }

protected:
  TSimulatedDriverBase() = default;
  ~TSimulatedDriverBase() override = default;

  // Samples per second (what the settings say once loaded).
  virtual double SampleRate() const = 0;
  // The settings' pacing, which SetPacing overrides.
  virtual bool RealTimeByDefault() const = 0;
  // The remote's buttons at procedure time Time, once Ready.
  virtual std::uint32_t ButtonsAt(double Time) const = 0;
  // A new sample has been triggered.
  virtual void Triggered() {}
  // The sample now due never comes.
  virtual bool TimedOut() const { return false; }
  // The time GetSampleTime reports for the sample at Time.
  virtual double ReportedTime(double Time) const { return Time; }

  // What is wired to Channel (0 <= Channel < ChannelCount).
  TChannelRole ChannelRole(std::int32_t Channel) const;
  bool RealTime() const { return RealTimeOverride_.value_or(RealTimeByDefault()); }
  double SampleTime() const { return Pacer_.Time(SampleRate()); }
  std::uint64_t SampleNumber() const { return Pacer_.Sample(); }
  // The seed OverrideSeed set, if any.
  std::optional<std::uint64_t> SeedOverride() const { return SeedOverride_; }
  // Times out a wait, after its time limit when paced in real time.
  HRESULT TimeOut(double TimeLimit) const;
  // Initialise starts the procedure clock again.
  void RestartClock() { Pacer_.Restart(); }

private:
  TSamplePacer Pacer_;
  std::optional<bool> RealTimeOverride_;
  std::optional<std::uint64_t> SeedOverride_;
};

} // namespace kestrava
