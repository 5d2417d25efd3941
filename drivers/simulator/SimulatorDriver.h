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
#include "drivers/DriverSupport.h"
#include "drivers/SamplePacer.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/simulator/SimulatedProcedure.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestrava::simulator {

enum TChannelRole : int { RoleNothing = 0, RoleEndoscope = 1, RoleRemote = 2, RoleOvertube = 3 };

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TSimulatorDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IImagerPositionLocator,
      public IImagerRemoteControl,
      public ISimulatedHardware {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  // IUnknown
  HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  // IImagerPositionLocator. Initialise reads DspFile (see SimulatorSettings.h)
  // and restarts the procedure at time 0.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT Reserved6() override;
  HRESULT Reserved7() override;
  HRESULT Reserved8() override;
  HRESULT Reserved9() override;
  HRESULT Reserved10() override;
  HRESULT Reserved11() override;
  HRESULT Reserved12() override;
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) override;
  HRESULT SetSamplerCalibration(const double* Values) override;
  HRESULT Reserved15() override;
  HRESULT SetGeneratorCalibration1(const double* Values) override;
  HRESULT Reserved17() override;
  HRESULT SetGeneratorCalibration2(const double* Values) override;
  HRESULT Reserved19() override;
  HRESULT SetChannelParameters(const double* Table) override;
  HRESULT GetChannelParameters(double* Table) override;

  // IImagerRemoteControl
  HRESULT Reserved3() override;
  HRESULT SetIndicators(std::uint32_t Mask) override;
  HRESULT GetButtons(std::uint32_t* Mask) override;

  // ISimulatedHardware
  HRESULT SetPacing(std::uint8_t RealTime) override;
  HRESULT OverrideSeed(std::uint64_t Seed) override;
  HRESULT GetSampleTime(double* Seconds) override;
  HRESULT GetSampleRate(double* Hertz) override;
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

private:
  TSimulatorDriver() = default;
  ~TSimulatorDriver() = default;

  // The pain sensor's Trigger and WaitForSample have the same signatures as
  // the position locator's, so one class cannot implement both: the pain
  // sensor is a part of the component with the component's reference count.
  // A member of the component, never deleted through its interface.
  class TPainSensor final // NOLINT(cppcoreguidelines-virtual-class-destructor)
      : public IImagerPressureSensor {
  public:
    explicit TPainSensor(TSimulatorDriver& Owner) : Owner_(Owner) {}
    HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;
    HRESULT SetCalibration(double Value) override;
    HRESULT Initialise() override;
    HRESULT Trigger() override;
    HRESULT Reserved6() override;
    HRESULT WaitForSample(double TimeLimit) override;
    HRESULT GetPain(double* Value) override;

  private:
    TSimulatorDriver& Owner_;
  };

  bool RealTime() const;
  std::uint64_t Seed() const;
  double SampleTime() const;
  std::uint64_t NoiseSample() const;
  const TScopeShape& Shape();
  TSensorReading ChannelReading(int Channel);
  void AddNoise(TSensorReading& Reading, int Channel) const;

  TDriverReferenceCount References_;
  TPainSensor PainSensor_{*this};
  std::unique_ptr<TSimulatedProcedure> Model_;
  std::optional<TScopeShape> Shape_;
  std::optional<bool> RealTimeOverride_;
  std::optional<std::uint64_t> SeedOverride_;
  std::string LastError_;
  std::array<double, std::size_t{2} * ChannelCount> Channels_{};
  std::array<double, SamplerCalibrationValueCount> SamplerCalibration_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 2> Generator1_{};
  std::array<double, std::size_t{GeneratorCoilCount} * 3 * 2> Generator2_{};
  std::uint32_t Indicators_ = 0;
  double PainCalibration_ = 1;
  bool PainReady_ = false;
  std::int32_t PainFailuresLeft_ = 0;
  TSamplePacer Pacer_;
};

} // namespace kestrava::simulator
