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
  const double A = ChannelPlace(Channel);
  const double B = ChannelWiring(Channel);
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

HRESULT TReplayDriver::GetButtons(std::uint32_t* Mask) {
  if (Mask == nullptr) {
    return E_POINTER;
  }
  *Mask = Source_ ? Source_->ButtonsAt(SampleTime()) : 0;
  return Source_ ? S_OK : DRIVER_E_NOT_READY;
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

bool TReplayDriver::RealTime() const {
  return RealTimeOr(Settings_.RealTime);
}

HRESULT TReplayDriver::PainInitialise() {
  return Source_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TReplayDriver::PainTrigger() {
  return Source_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TReplayDriver::PainWaitForSample(double /*TimeLimit*/) {
  return Source_ ? S_OK : DRIVER_E_NOT_READY;
}

// A file without pain data has no reading to give: the sampler then marks
// the frame's pain as not valid.
HRESULT TReplayDriver::PainReading(double* Value) {
  *Value = 0;
  if (!Source_ || !Source_->HasPain()) {
    return DRIVER_E_NOT_MEASURED;
  }
  *Value = Source_->FrameAt(SampleTime()).Pain;
  return S_OK;
}

} // namespace kestrava::replay
