#include "drivers/replay/ReplayDriver.h"

#include <exception>

namespace kestrava::replay {

IUnknown* TReplayDriver::Create() {
  return static_cast<IImagerPositionLocator*>(new TReplayDriver());
}

HRESULT TReplayDriver::Initialise(const char16_t* DspFile) {
  Source_.reset();
  RestartClock();
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

HRESULT TReplayDriver::Sense(std::int32_t Channel, double* Position, double* Angles) {
  const TImagerFrame& Frame = Source_->FrameAt(SampleTime());
  TReplayReading Reading;
  switch (ChannelRole(Channel)) {
  case RoleEndoscope:
    Reading = TReplaySource::EndoscopeSensor(Frame, ChannelPlace(Channel));
    break;
  case RoleRemote:
    Reading = Source_->Remote(SampleTime());
    break;
  case RoleOvertube:
    Reading = TReplaySource::Overtube(Frame);
    break;
  case RoleNothing:
    break;
  }
  if (!Reading.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  PutPose(Reading.Position, Reading.Direction, Position, Angles);
  return S_OK;
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
