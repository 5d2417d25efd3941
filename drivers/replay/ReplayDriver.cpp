#include "drivers/replay/ReplayDriver.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace kestrava::replay {

namespace {

enum TChannelRole : int { RoleEndoscope = 1, RoleRemote = 2, RoleOvertube = 3 };

} // namespace

IUnknown* TReplayDriver::Create() {
  return static_cast<IImagerPositionLocator*>(new TReplayDriver());
}

HRESULT TReplayDriver::QueryInterface(const TGuid& Iid, void** Object) {
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
  if (Iid == IID_ISimulatedHardware) {
    return HandOut(static_cast<ISimulatedHardware*>(this), Object);
  }
  return E_NOINTERFACE;
}

std::uint32_t TReplayDriver::AddRef() {
  return References_.Add();
}

std::uint32_t TReplayDriver::Release() {
  const std::uint32_t Left = References_.Drop();
  if (Left == 0) {
    delete this;
  }
  return Left;
}

HRESULT TReplayDriver::Initialise(const char16_t* DspFile) {
  Source_.reset();
  Pacer_.Restart();
  const std::filesystem::path Settings =
      PathOfWideText(DspFile).parent_path() / ReplaySettingsFileName;
  TReplaySettings Loaded;
  if (!LoadReplaySettings(Settings, Loaded, LastError_)) {
    return DRIVER_E_FAIL;
  }
  try {
    Source_ = std::make_unique<TReplaySource>(Loaded.File, Loaded.Loop);
  } catch (const std::exception& Failure) {
    // The hardware's answer is only a result code; the reason stays here for
    // whoever asks through ISimulatedHardware.
    LastError_ = "cannot replay " + Loaded.File.string() + ": " + Failure.what();
    return DRIVER_E_FAIL;
  }
  Settings_ = Loaded;
  LastError_.clear();
  return S_OK;
}

HRESULT TReplayDriver::Trigger() {
  if (!Source_) {
    return DRIVER_E_NOT_READY;
  }
  Pacer_.Trigger(RealTime(), Settings_.SampleRate);
  return S_OK;
}

HRESULT TReplayDriver::WaitForSample(double /*TimeLimit*/) {
  if (!Source_) {
    return DRIVER_E_NOT_READY;
  }
  if (!Pacer_.Pending()) {
    return DRIVER_E_FAIL;
  }
  Pacer_.Deliver(RealTime(), Settings_.SampleRate);
  return S_OK;
}

HRESULT TReplayDriver::GetSensor(std::int32_t Channel, std::uint8_t /*PhaseCorrection*/,
                                 double* Position, double* Angles, double /*Reserved*/,
                                 std::uint8_t /*ReservedFlag*/) {
  if (Position == nullptr || Angles == nullptr) {
    return E_POINTER;
  }
  if (Channel < 0 || Channel >= ChannelCount) {
    return DRIVER_E_INVALIDARG;
  }
  if (!Source_) {
    return DRIVER_E_NOT_READY;
  }
  const double A = Channels_[2 * static_cast<std::size_t>(Channel)];
  const double B = Channels_[2 * static_cast<std::size_t>(Channel) + 1];
  const TImagerFrame& Frame = Source_->FrameAt(SampleTime());
  TReplayReading Reading;
  switch (static_cast<int>(std::lround(std::clamp(B, -1.0, 4.0)))) {
  case RoleEndoscope:
    Reading = TReplaySource::EndoscopeSensor(Frame, A);
    break;
  case RoleRemote:
    Reading = Source_->Remote(SampleTime());
    break;
  case RoleOvertube:
    Reading = TReplaySource::Overtube(Frame);
    break;
  default:
    break;
  }
  if (!Reading.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  Position[0] = Reading.Position.X;
  Position[1] = Reading.Position.Y;
  Position[2] = Reading.Position.Z;
  Angles[0] = std::acos(std::clamp(Reading.Direction.Z, -1.0, 1.0));
  Angles[1] = std::atan2(Reading.Direction.Y, Reading.Direction.X);
  return S_OK;
}

HRESULT TReplayDriver::SetSamplerCalibration(const double* Values) {
  return Values == nullptr ? E_POINTER : S_OK;
}

HRESULT TReplayDriver::SetGeneratorCalibration1(const double* Values) {
  return Values == nullptr ? E_POINTER : S_OK;
}

HRESULT TReplayDriver::SetGeneratorCalibration2(const double* Values) {
  return Values == nullptr ? E_POINTER : S_OK;
}

HRESULT TReplayDriver::SetChannelParameters(const double* Table) {
  if (Table == nullptr) {
    return E_POINTER;
  }
  std::copy_n(Table, Channels_.size(), Channels_.begin());
  return S_OK;
}

HRESULT TReplayDriver::GetChannelParameters(double* Table) {
  if (Table == nullptr) {
    return E_POINTER;
  }
  std::copy(Channels_.begin(), Channels_.end(), Table);
  return S_OK;
}

HRESULT TReplayDriver::SetIndicators(std::uint32_t Mask) {
  Indicators_ = Mask;
  return S_OK;
}

HRESULT TReplayDriver::GetButtons(std::uint32_t* Mask) {
  if (Mask == nullptr) {
    return E_POINTER;
  }
  *Mask = Source_ ? Source_->ButtonsAt(SampleTime()) : 0;
  return Source_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TReplayDriver::SetPacing(std::uint8_t RealTime) {
  RealTimeOverride_ = RealTime != 0;
  return S_OK;
}

HRESULT TReplayDriver::OverrideSeed(std::uint64_t /*Seed*/) {
  return S_OK;
}

HRESULT TReplayDriver::GetSampleTime(double* Seconds) {
  if (Seconds == nullptr) {
    return E_POINTER;
  }
  *Seconds = Source_ ? SampleTime() : 0;
  return S_OK;
}

HRESULT TReplayDriver::GetSampleRate(double* Hertz) {
  if (Hertz == nullptr) {
    return E_POINTER;
  }
  *Hertz = Settings_.SampleRate;
  return S_OK;
}

HRESULT TReplayDriver::GetLastErrorText(char* Buffer, std::uint32_t Capacity) {
  return CopyTextOut(LastError_, Buffer, Capacity);
}

bool TReplayDriver::RealTime() const {
  return RealTimeOverride_.value_or(Settings_.RealTime);
}

HRESULT TReplayDriver::TPainSensor::QueryInterface(const TGuid& Iid, void** Object) {
  return Owner_.QueryInterface(Iid, Object);
}

HRESULT TReplayDriver::TPainSensor::SetCalibration(double Value) {
  return std::isfinite(Value) ? S_OK : DRIVER_E_INVALIDARG;
}

HRESULT TReplayDriver::TPainSensor::Initialise() {
  return Owner_.Source_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TReplayDriver::TPainSensor::Trigger() {
  return Owner_.Source_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TReplayDriver::TPainSensor::WaitForSample(double /*TimeLimit*/) {
  return Owner_.Source_ ? S_OK : DRIVER_E_NOT_READY;
}

// A file without pain data has no reading to give: the sampler then marks
// the frame's pain as not valid.
HRESULT TReplayDriver::TPainSensor::GetPain(double* Value) {
  if (Value == nullptr) {
    return E_POINTER;
  }
  *Value = 0;
  if (!Owner_.Source_ || !Owner_.Source_->HasPain()) {
    return DRIVER_E_NOT_MEASURED;
  }
  *Value = Owner_.Source_->FrameAt(Owner_.SampleTime()).Pain;
  return S_OK;
}

} // namespace kestrava::replay
