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

#include "drivers/DriverComponent.h"
#include "drivers/igtlink/IGTLinkDriverId.h"
#include "drivers/igtlink/IGTLinkSettings.h"
#include "drivers/igtlink/NewestPoses.h"
#include "drivers/igtlink/TrackerConnection.h"

#include <memory>
#include <optional>

namespace kestrava::igtlink {

// A caller's absurd time limit must not hold a recording up longer than this.
inline constexpr double MaxWaitSeconds = 2.0;

// Deleted by its own Release when the last reference goes, hence the private
// destructor.
class TIGTLinkDriver final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public TDriverComponent {
public:
  // A new component with one reference for the caller, as its root interface.
  static IUnknown* Create();

  // IImagerPositionLocator. Initialise reads DspFile (IGTLinkSettings.h),
  // finds the server's host and (re)starts the connection; it succeeds
  // whether or not the server is up yet.
  HRESULT Initialise(const char16_t* DspFile) override;
  HRESULT Trigger() override;
  HRESULT WaitForSample(double TimeLimit) override;

  // IImagerRemoteControl: no lamps, no buttons.
  HRESULT GetButtons(std::uint32_t* Mask) override;

  // IDriverDiagnostics: Initialise's reason, else the connection's problem.
  HRESULT GetLastErrorText(char* Buffer, std::uint32_t Capacity) override;

private:
  TIGTLinkDriver() = default;
  ~TIGTLinkDriver() override = default;

  bool Ready() const override { return Connection_ != nullptr; }
  HRESULT Sense(std::int32_t Channel, double* Position, double* Angles) override;

  // The pain sensor reads the `pain` name's number with each sample, times
  // the calibration value. Its Initialise fails without a `pain` name; the
  // reading comes with the position locator's sample: nothing to wait for.
  HRESULT PainInitialise() override;
  HRESULT PainTrigger() override { return PainReadyOrNot(); }
  HRESULT PainWaitForSample(double /*TimeLimit*/) override { return PainReadyOrNot(); }
  HRESULT PainReading(double* Value) override;
  HRESULT PainReadyOrNot() const { return PainReady_ && Ready() ? S_OK : DRIVER_E_NOT_READY; }

  void Stop();

  TIGTLinkSettings Settings_;
  bool PainReady_ = false;
  bool Triggered_ = false;
  TTrackerSample Sample_;
  // The connection writes into the poses: it is made after them and goes first.
  std::unique_ptr<TNewestPoses> Poses_;
  std::unique_ptr<TTrackerConnection> Connection_;
};

} // namespace kestrava::igtlink
