#pragma once
// What every bundled driver shares as a component: the life cycle
// (QueryInterface, reference count, Release), the reserved slots, the
// calibration and channel tables the sampler hands over, the remote's
// indicators, the checks of a sensor request, the reason of the last failed
// Initialise and the pain sensor as a part of the component. A driver
// overrides only its hooks: Initialise, sampling, its sensors' readings, the
// buttons and what its pain sensor does.
//
// Thread: one thread at a time.

#include "acquisition/ImagerDriver.h"
#include "drivers/DriverDiagnostics.h"
#include "drivers/DriverSupport.h"
#include "geometry/Vectors.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrava {

// Components delete themselves when their last reference goes, never through
// an interface, hence the destructor that is virtual yet not public.
class TDriverComponent // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IImagerPositionLocator,
      public IImagerRemoteControl,
      public IDriverDiagnostics {
public:
  TDriverComponent(const TDriverComponent&) = delete;
  TDriverComponent& operator=(const TDriverComponent&) = delete;

  // IUnknown: the three hardware interfaces and IDriverDiagnostics.
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

  // Checks the request, then asks Sense once the driver is Ready.
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) final;

  // The calibration values are accepted and kept. The calibration readers
  // fetch the channel table, change their channels' entries and send it
  // back: it must come back as it went.
  HRESULT SetSamplerCalibration(const double* Values) override;
  HRESULT SetGeneratorCalibration1(const double* Values) override;
  HRESULT SetGeneratorCalibration2(const double* Values) override;
  HRESULT SetChannelParameters(const double* Table) override;
  HRESULT GetChannelParameters(double* Table) override;
  HRESULT SetIndicators(std::uint32_t Mask) override;

  // Why Initialise failed.
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

protected:
  TDriverComponent() = default;
  virtual ~TDriverComponent() = default;

  // Initialise has succeeded: samples and readings may be asked for.
  virtual bool Ready() const = 0;
  // The reading of Channel (0 <= Channel < ChannelCount) once Ready; Position
  // and Angles are not null.
  virtual HRESULT Sense(std::int32_t Channel, double* Position, double* Angles) = 0;

  // Channel Channel's A (where it sits) and B (what is wired to it); the
  // caller has checked 0 <= Channel < ChannelCount.
  double ChannelPlace(std::int32_t Channel) const {
    return Channels_[2 * static_cast<std::size_t>(Channel)];
  }
  double ChannelWiring(std::int32_t Channel) const {
    return Channels_[2 * static_cast<std::size_t>(Channel) + 1];
  }
  // The pain sensor's calibration value as last set (1 until then).
  double PainCalibration() const { return PainCalibration_; }

  // The pain sensor's hooks: IImagerPressureSensor's operations after the
  // component has checked their arguments (Value is never null). The first
  // three answer whether the driver is Ready unless a driver says more.
  virtual HRESULT PainInitialise() { return ReadyOrNot(); }
  virtual HRESULT PainTrigger() { return ReadyOrNot(); }
  virtual HRESULT PainWaitForSample(double /*TimeLimit*/) { return ReadyOrNot(); }
  virtual HRESULT PainReading(double* Value) = 0;

  HRESULT ReadyOrNot() const { return Ready() ? S_OK : DRIVER_E_NOT_READY; }

  // Hands a sensor's pose out as the hardware does: the position and the
  // direction's polar and azimuth angles.
  static void PutPose(const TVector3& Where, const TVector3& Direction, double* Position,
                      double* Angles);

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
    explicit TPainSensor(TDriverComponent& Owner) : Owner_(Owner) {}
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
    TDriverComponent& Owner_;
  };

  TDriverReferenceCount References_;
  TPainSensor PainSensor_{*this};
  std::array<double, std::size_t{2} * ChannelCount> Channels_{};
  std::array<double, SamplerCalibrationValueCount> SamplerCalibration_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 2> Generator1_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 3 * 2> Generator2_{};
  std::uint32_t Indicators_ = 0;
  double PainCalibration_ = 1;
};

} // namespace kestrava
