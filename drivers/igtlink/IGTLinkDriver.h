#pragma once
// The OpenIGTLink receiver as an imager hardware driver: records from any
// tracking server (PLUS Server, a vendor's bridge, `kestrava-tool stream`)
// by keeping the newest pose of each name its settings configure and
// handing out the newest poses with every sample. See README.md next to this
// file for the settings and what a tracker's poses need.
//
// Channels, as the calibration files name them (the bundled ones do):
// channel 0-15 is `sensor` slot 0-15 (catheter sensor i on channel i), 16
// the hand, 17 the overtube. A sensor's angles put the sampler's endoscope
// direction along the pose's +Z axis (the way Kestrava's stream sends it;
// scope_axis towards_tip reverses it), the hand's and overtube's angles are
// those of +Z. The channel parameters and the other calibration values are
// kept for the sampler's readers and mean nothing here. The remote has no
// buttons; the hand drives the body markers as the remote's sensor does.
//
// Timing (seconds): WaitForSample waits for poses newer than the previous
// sample, at most its TimeLimit (and never over MaxWaitSeconds); it fails
// only when nothing at all came from the server for the sample timeout. A
// name not heard of for the sample timeout is not measured. The network is
// the connection thread's (TrackerConnection.h): no call here waits on it.
//
// Thread: one thread at a time, as every driver.

#include "acquisition/ImagerDriver.h"
#include "drivers/DriverDiagnostics.h"
#include "drivers/DriverSupport.h"
#include "drivers/igtlink/IGTLinkDriverId.h"
#include "drivers/igtlink/IGTLinkSettings.h"
#include "drivers/igtlink/NewestPoses.h"
#include "drivers/igtlink/TrackerConnection.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace kestrava::igtlink {

// A caller's absurd time limit must not hold a recording up longer than this.
inline constexpr double MaxWaitSeconds = 2.0;

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TIGTLinkDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IImagerPositionLocator,
      public IImagerRemoteControl,
      public IDriverDiagnostics {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  TIGTLinkDriver(const TIGTLinkDriver&) = delete;
  TIGTLinkDriver& operator=(const TIGTLinkDriver&) = delete;

  HRESULT QueryInterface(const TGuid& Iid, void** Object) override;
  std::uint32_t AddRef() override { return References_.Add(); }
  std::uint32_t Release() override;

  // IImagerPositionLocator. Initialise reads DspFile (IGTLinkSettings.h),
  // finds the server's host and (re)starts the connection; it succeeds
  // whether or not the server is up yet.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double Reserved, std::uint8_t ReservedFlag) override;
  HRESULT SetSamplerCalibration(const double* Values) override;
  HRESULT SetGeneratorCalibration1(const double* Values) override;
  HRESULT SetGeneratorCalibration2(const double* Values) override;
  HRESULT SetChannelParameters(const double* Table) override;
  HRESULT GetChannelParameters(double* Table) override;
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

  // IImagerRemoteControl: no lamps, no buttons.
  HRESULT Reserved3() override { return DRIVER_E_FAIL; }
  HRESULT SetIndicators(std::uint32_t Mask) override;
  HRESULT GetButtons(std::uint32_t* Mask) override;

  // IDriverDiagnostics: Initialise's reason, else the connection's problem.
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

private:
  TIGTLinkDriver() = default;
  ~TIGTLinkDriver() = default;

  // The pain sensor reads the `pain` name's number with each sample, times
  // the calibration value. Its Initialise fails without a `pain` name. The
  // locator's Trigger and WaitForSample share their signatures with the pain
  // sensor's, so the sensor is a part of the component with its count.
  class TPainSensor final // NOLINT(cppcoreguidelines-virtual-class-destructor)
      : public IImagerPressureSensor {
  public:
    explicit TPainSensor(TIGTLinkDriver& Owner) : Owner_(Owner) {}
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
    bool Ready() const { return Ready_ && Owner_.Connection_; }

    TIGTLinkDriver& Owner_;
    double Calibration_ = 1;
    bool Ready_ = false;
  };

  void Stop();

  TDriverReferenceCount References_;
  TPainSensor PainSensor_{*this};
  TIGTLinkSettings Settings_;
  std::array<double, std::size_t{2} * ChannelCount> Channels_{};
  std::string LastError_;
  bool Triggered_ = false;
  TTrackerSample Sample_;
  // The connection writes into the poses: it is made after them and goes first.
  std::unique_ptr<TNewestPoses> Poses_;
  std::unique_ptr<TTrackerConnection> Connection_;
};

} // namespace kestrava::igtlink
