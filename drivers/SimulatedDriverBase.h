#pragma once
// What the drivers that stand in for the imager hardware (the simulator and
// the replay driver) share: the component's life cycle (QueryInterface,
// reference count, Release), the reserved slots, the calibration and
// channel tables the sampler hands over, the remote's indicators, the
// pacing override, the reason of the last failed Initialise and the pain
// sensor as a part of the component. A driver overrides only its hooks: the
// sampling, the readings, its clock and what its pain sensor measures.
//
// Thread: one thread at a time.

#include "acquisition/ImagerDriver.h"
#include "drivers/DriverDiagnostics.h"
#include "drivers/DriverSupport.h"
#include "drivers/SimulatedHardware.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrava {

// Components delete themselves when their last reference goes, never through
// an interface, hence the destructor that is virtual yet not public.
class TSimulatedDriverBase // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IImagerPositionLocator,
      public IImagerRemoteControl,
      public ISimulatedHardware,
      public IDriverDiagnostics {
public:
  TSimulatedDriverBase(const TSimulatedDriverBase&) = delete;
  TSimulatedDriverBase& operator=(const TSimulatedDriverBase&) = delete;

  // IUnknown: the three hardware interfaces, ISimulatedHardware and
  // IDriverDiagnostics.
  HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
  std::uint32_t AddRef() override;
  // The component destroys itself with its last reference.
  std::uint32_t Release() override;

  HRESULT Reserved6() override { return DRIVER_E_FAIL; }
  HRESULT Reserved7() override { return DRIVER_E_FAIL; }
  HRESULT Reserved8() override { return DRIVER_E_FAIL; }
  HRESULT Reserved9() override { return DRIVER_E_FAIL; }
  HRESULT Reserved10() override { return DRIVER_E_FAIL; }
  HRESULT Reserved11() override { return DRIVER_E_FAIL; }
  HRESULT Reserved12() override { return DRIVER_E_FAIL; }
  HRESULT Reserved15() override { return DRIVER_E_FAIL; }
  HRESULT Reserved17() override { return DRIVER_E_FAIL; }
  HRESULT Reserved19() override { return DRIVER_E_FAIL; }
  HRESULT Reserved3() override { return DRIVER_E_FAIL; }

  // The calibration values are accepted and kept; no stand-in needs them.
  HRESULT SetSamplerCalibration(const double* Values) override;
  HRESULT SetGeneratorCalibration1(const double* Values) override;
  HRESULT SetGeneratorCalibration2(const double* Values) override;
  HRESULT SetChannelParameters(const double* Table) override;
  HRESULT GetChannelParameters(double* Table) override;
  HRESULT SetIndicators(std::uint32_t Mask) override;

  HRESULT SetPacing(std::uint8_t RealTime) override;
  // ISimulatedHardware's and IDriverDiagnostics': why Initialise failed.
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

protected:
  TSimulatedDriverBase() = default;
  virtual ~TSimulatedDriverBase() = default;

  // Channel Channel's A (where it sits) and B (what is wired to it); the
  // caller has checked 0 <= Channel < ChannelCount.
  double ChannelPlace(std::int32_t Channel) const {
    return Channels_[2 * static_cast<std::size_t>(Channel)];
  }
  double ChannelWiring(std::int32_t Channel) const {
    return Channels_[2 * static_cast<std::size_t>(Channel) + 1];
  }
  // The pacing SetPacing asked for, else Default.
  bool RealTimeOr(bool Default) const { return RealTimeOverride_.value_or(Default); }
  // The pain sensor's calibration value as last set (1 until then).
  double PainCalibration() const { return PainCalibration_; }

  // The pain sensor's hooks: IImagerPressureSensor's operations after the
  // base has checked their arguments (Value is never null).
  virtual HRESULT PainInitialise() = 0;
  virtual HRESULT PainTrigger() = 0;
  virtual HRESULT PainWaitForSample(double TimeLimit) = 0;
  virtual HRESULT PainReading(double* Value) = 0;

  // Why the last Initialise failed; cleared by the driver when one succeeds.
  std::string LastError_;

private:
  // The pressure sensor's Trigger and WaitForSample share their signatures
  // with the position locator's, so one class cannot implement both: the
  // pain sensor is a part of the component with the component's count.
  // A member of the component, never deleted through its interface.
  class TPainSensor final // NOLINT(cppcoreguidelines-virtual-class-destructor)
      : public IImagerPressureSensor {
  public:
    explicit TPainSensor(TSimulatedDriverBase& Owner) : Owner_(Owner) {}
    HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
    std::uint32_t AddRef() override { return Owner_.AddRef(); }
    std::uint32_t Release() override { return Owner_.Release(); }
    HRESULT SetCalibration(double Value) override;
    HRESULT Initialise() override { return Owner_.PainInitialise(); }
    HRESULT Trigger() override { return Owner_.PainTrigger(); }
    HRESULT Reserved6() override { return DRIVER_E_FAIL; }
    HRESULT WaitForSample(double TimeLimit) override { return Owner_.PainWaitForSample(TimeLimit); }
    HRESULT GetPain(double* Value) override;

  private:
    TSimulatedDriverBase& Owner_;
  };

  TDriverReferenceCount References_;
  TPainSensor PainSensor_{*this};
  std::optional<bool> RealTimeOverride_;
  std::array<double, std::size_t{2} * ChannelCount> Channels_{};
  std::array<double, SamplerCalibrationValueCount> SamplerCalibration_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 2> Generator1_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 3 * 2> Generator2_{};
  std::uint32_t Indicators_ = 0;
  double PainCalibration_ = 1;
};

} // namespace kestrava
