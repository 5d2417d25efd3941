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
#include "drivers/DriverSupport.h"
#include "drivers/SamplePacer.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/replay/ReplaySource.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestrava::replay {

// Read from the directory of the DSP.DAT path handed to Initialise.
inline constexpr const char* ReplaySettingsFileName = "Replay.dat";

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TReplayDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IImagerPositionLocator,
      public IImagerRemoteControl,
      public ISimulatedHardware {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  // Reads Replay.dat beside DspFile and loads its imager file; restarts at time 0.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT Reserved6() override { return DRIVER_E_FAIL; }
  HRESULT Reserved7() override { return DRIVER_E_FAIL; }
  HRESULT Reserved8() override { return DRIVER_E_FAIL; }
  HRESULT Reserved9() override { return DRIVER_E_FAIL; }
  HRESULT Reserved10() override { return DRIVER_E_FAIL; }
  HRESULT Reserved11() override { return DRIVER_E_FAIL; }
  HRESULT Reserved12() override { return DRIVER_E_FAIL; }
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) override;
  // The calibration values mean nothing to a recording; they are accepted.
  HRESULT SetSamplerCalibration(const double* Values) override;
  HRESULT Reserved15() override { return DRIVER_E_FAIL; }
  HRESULT SetGeneratorCalibration1(const double* Values) override;
  HRESULT Reserved17() override { return DRIVER_E_FAIL; }
  HRESULT SetGeneratorCalibration2(const double* Values) override;
  HRESULT Reserved19() override { return DRIVER_E_FAIL; }
  HRESULT SetChannelParameters(const double* Table) override;
  HRESULT GetChannelParameters(double* Table) override;

  HRESULT Reserved3() override { return DRIVER_E_FAIL; }
  HRESULT SetIndicators(std::uint32_t Mask) override;
  HRESULT GetButtons(std::uint32_t* Mask) override;

  HRESULT SetPacing(std::uint8_t RealTime) override;
  // Nothing in a replay is random.
  HRESULT OverrideSeed(std::uint64_t Seed) override;
  HRESULT GetSampleTime(double* Seconds) override;
  HRESULT GetSampleRate(double* Hertz) override;
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

private:
  TReplayDriver() = default;
  ~TReplayDriver() = default;

  // The pressure sensor's Trigger and WaitForSample share their signatures
  // with the position locator's: it is a part with the component's count.
  // A member of the component, never deleted through its interface.
  class TPainSensor final // NOLINT(cppcoreguidelines-virtual-class-destructor)
      : public IImagerPressureSensor {
  public:
    explicit TPainSensor(TReplayDriver& Owner) : Owner_(Owner) {}
    HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
    std::uint32_t AddRef() override { return Owner_.AddRef(); }
    std::uint32_t Release() override { return Owner_.Release(); }
    HRESULT SetCalibration(double Value) override;
    HRESULT Initialise() override;
    HRESULT Trigger() override;
    HRESULT Reserved6() override { return DRIVER_E_FAIL; }
    HRESULT WaitForSample(double TimeLimit) override;
    HRESULT GetPain(double* Value) override;

  private:
    TReplayDriver& Owner_;
  };

  bool RealTime() const;
  double SampleTime() const { return Pacer_.Time(Settings_.SampleRate); }

  TDriverReferenceCount References_;
  TPainSensor PainSensor_{*this};
  std::unique_ptr<TReplaySource> Source_;
  TReplaySettings Settings_;
  std::optional<bool> RealTimeOverride_;
  std::string LastError_;
  std::array<double, std::size_t{2} * ChannelCount> Channels_{};
  std::uint32_t Indicators_ = 0;
  TSamplePacer Pacer_;
};

} // namespace kestrava::replay
