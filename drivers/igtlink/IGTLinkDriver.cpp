#include "drivers/igtlink/IGTLinkDriver.h"

#include <algorithm>
#include <exception>

namespace kestrava::igtlink {

IUnknown* TIGTLinkDriver::Create() {
  return static_cast<IImagerPositionLocator*>(new TIGTLinkDriver());
}

void TIGTLinkDriver::Stop() {
  Connection_.reset();
  Poses_.reset();
  Triggered_ = false;
  Sample_ = {};
}

HRESULT TIGTLinkDriver::Initialise(const char16_t* DspFile) {
  Stop();
  TIGTLinkSettings Settings;
  std::vector<TServerAddress> Addresses;
  if (!LoadIGTLinkSettings(PathOfWideText(DspFile), Settings, LastError_) ||
      !FindServer(Settings, Addresses, LastError_)) {
    return DRIVER_E_FAIL;
  }
  // Nothing may escape into the caller, which only knows result codes.
  try {
    Settings_ = std::move(Settings);
    Poses_ = std::make_unique<TNewestPoses>(
        std::chrono::duration_cast<TClock::duration>(
            std::chrono::duration<double>(Settings_.SampleTimeoutSeconds)),
        TClock::now());
    Connection_ = std::make_unique<TTrackerConnection>(std::move(Addresses), Settings_, *Poses_);
  } catch (const std::exception& Failure) {
    Stop();
    LastError_ = Failure.what();
    return DRIVER_E_FAIL;
  }
  LastError_.clear();
  return S_OK;
}

HRESULT TIGTLinkDriver::Trigger() {
  if (!Connection_) {
    return DRIVER_E_NOT_READY;
  }
  Triggered_ = true;
  return S_OK;
}

HRESULT TIGTLinkDriver::WaitForSample(double TimeLimit) {
  if (!Connection_) {
    return DRIVER_E_NOT_READY;
  }
  if (!Triggered_) {
    return DRIVER_E_FAIL;
  }
  Triggered_ = false;
  // Not a number waits not at all, an infinite limit the longest allowed.
  const double Seconds = TimeLimit > 0 ? std::min(TimeLimit, MaxWaitSeconds) : 0.0;
  const std::optional<TTrackerSample> Taken =
      Poses_->WaitForSample(TClock::now() + std::chrono::duration_cast<TClock::duration>(
                                                std::chrono::duration<double>(Seconds)));
  if (!Taken) {
    return DRIVER_E_TIMEOUT;
  }
  Sample_ = *Taken;
  return S_OK;
}

HRESULT TIGTLinkDriver::Sense(std::int32_t Channel, double* Position, double* Angles) {
  const auto Index = static_cast<std::size_t>(Channel);
  const TTrackedPose& Pose = Sample_.Poses[Index];
  if (!Pose.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  // The sampler reverses a catheter sensor's direction to run the endoscope
  // from the tip towards the operator: the pose's +Z must come out that way.
  const bool Reversed = Index < SensorSlots && !Settings_.ScopeAxisTowardsTip;
  PutPose(Pose.Position, Reversed ? NegateVector(Pose.Direction) : Pose.Direction, Position,
          Angles);
  return S_OK;
}

HRESULT TIGTLinkDriver::GetButtons(std::uint32_t* Mask) {
  if (Mask == nullptr) {
    return E_POINTER;
  }
  *Mask = 0;
  return S_OK;
}

HRESULT TIGTLinkDriver::GetLastErrorText(char* Buffer, std::uint32_t Capacity) {
  return CopyTextOut(Connection_ ? Connection_->Problem() : LastError_, Buffer, Capacity);
}

// The pain sensor part.

HRESULT TIGTLinkDriver::PainInitialise() {
  PainReady_ = Ready() && !Settings_.Names[PainIndex].empty();
  return PainReady_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TIGTLinkDriver::PainReading(double* Value) {
  *Value = 0;
  if (PainReadyOrNot() != S_OK) {
    return DRIVER_E_NOT_READY;
  }
  if (!Sample_.PainMeasured) {
    return DRIVER_E_NOT_MEASURED;
  }
  *Value = Sample_.Pain * PainCalibration();
  return S_OK;
}

} // namespace kestrava::igtlink
