#include "drivers/igtlink/IGTLinkDriver.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace kestrava::igtlink {

namespace {

template <std::size_t N> HRESULT Accept(const double* Values, std::array<double, N>* Kept) {
  if (Values == nullptr) {
    return E_POINTER;
  }
  if (Kept != nullptr) {
    std::copy_n(Values, N, Kept->begin());
  }
  return S_OK;
}

} // namespace

IUnknown* TIGTLinkDriver::Create() {
  return static_cast<IImagerPositionLocator*>(new TIGTLinkDriver());
}

HRESULT TIGTLinkDriver::QueryInterface(const TGuid& Iid, void** Object) {
  if (Object == nullptr) {
    return E_POINTER;
  }
  *Object = nullptr;
  if (Iid == IID_IUnknown) {
    return HandOut(static_cast<IUnknown*>(static_cast<IImagerPositionLocator*>(this)), Object);
  }
  if (Iid == IID_IImagerPositionLocator) {
    return HandOut(static_cast<IImagerPositionLocator*>(this), Object);
  }
  if (Iid == IID_IImagerRemoteControl) {
    return HandOut(static_cast<IImagerRemoteControl*>(this), Object);
  }
  if (Iid == IID_IImagerPressureSensor) {
    return HandOut(static_cast<IImagerPressureSensor*>(&PainSensor_), Object);
  }
  if (Iid == IID_IDriverDiagnostics) {
    return HandOut(static_cast<IDriverDiagnostics*>(this), Object);
  }
  return E_NOINTERFACE;
}

std::uint32_t TIGTLinkDriver::Release() {
  const std::uint32_t Left = References_.Drop();
  if (Left == 0) {
    delete this;
  }
  return Left;
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

HRESULT TIGTLinkDriver::GetSensor(std::int32_t Channel, std::uint8_t /*PhaseCorrection*/,
                                  double* Position, double* Angles, double /*Reserved*/,
                                  std::uint8_t /*ReservedFlag*/) {
  if (Position == nullptr || Angles == nullptr) {
    return E_POINTER;
  }
  if (Channel < 0 || Channel >= ChannelCount) {
    return DRIVER_E_INVALIDARG;
  }
  if (!Connection_) {
    return DRIVER_E_NOT_READY;
  }
  const auto Index = static_cast<std::size_t>(Channel);
  const TTrackedPose& Pose = Sample_.Poses[Index];
  if (!Pose.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  // The sampler reverses a catheter sensor's direction to run the endoscope
  // from the tip towards the operator: the pose's +Z must come out that way.
  const bool Reversed = Index < SensorSlots && !Settings_.ScopeAxisTowardsTip;
  const TVector3 Axis = Reversed ? NegateVector(Pose.Direction) : Pose.Direction;
  Position[0] = Pose.Position.X;
  Position[1] = Pose.Position.Y;
  Position[2] = Pose.Position.Z;
  Angles[0] = std::acos(std::clamp(Axis.Z, -1.0, 1.0));
  Angles[1] = std::atan2(Axis.Y, Axis.X);
  return S_OK;
}

HRESULT TIGTLinkDriver::SetSamplerCalibration(const double* Values) {
  return Accept<SamplerCalibrationValueCount>(Values, nullptr);
}

HRESULT TIGTLinkDriver::SetGeneratorCalibration1(const double* Values) {
  return Accept<std::size_t{GeneratorCoilCount} * 2>(Values, nullptr);
}

HRESULT TIGTLinkDriver::SetGeneratorCalibration2(const double* Values) {
  return Accept<std::size_t{GeneratorCoilCount} * 3 * 2>(Values, nullptr);
}

// The calibration readers fetch the table, change their channels' entries
// and send it back: it must come back as it went.
HRESULT TIGTLinkDriver::SetChannelParameters(const double* Table) {
  return Accept(Table, &Channels_);
}

HRESULT TIGTLinkDriver::GetChannelParameters(double* Table) {
  if (Table == nullptr) {
    return E_POINTER;
  }
  std::copy(Channels_.begin(), Channels_.end(), Table);
  return S_OK;
}

HRESULT TIGTLinkDriver::SetIndicators(std::uint32_t /*Mask*/) {
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

HRESULT TIGTLinkDriver::TPainSensor::QueryInterface(const TGuid& Iid, void** Object) {
  return Owner_.QueryInterface(Iid, Object);
}

HRESULT TIGTLinkDriver::TPainSensor::SetCalibration(double Value) {
  if (!std::isfinite(Value)) {
    return DRIVER_E_INVALIDARG;
  }
  Calibration_ = Value;
  return S_OK;
}

HRESULT TIGTLinkDriver::TPainSensor::Initialise() {
  Ready_ = Owner_.Connection_ && !Owner_.Settings_.Names[PainIndex].empty();
  return Ready_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TIGTLinkDriver::TPainSensor::Trigger() {
  return Ready() ? S_OK : DRIVER_E_NOT_READY;
}

// The reading comes with the position locator's sample: nothing to wait for.
HRESULT TIGTLinkDriver::TPainSensor::WaitForSample(double /*TimeLimit*/) {
  return Ready() ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TIGTLinkDriver::TPainSensor::GetPain(double* Value) {
  if (Value == nullptr) {
    return E_POINTER;
  }
  *Value = 0;
  if (!Ready()) {
    return DRIVER_E_NOT_READY;
  }
  if (!Owner_.Sample_.PainMeasured) {
    return DRIVER_E_NOT_MEASURED;
  }
  *Value = Owner_.Sample_.Pain * Calibration_;
  return S_OK;
}

} // namespace kestrava::igtlink
