#include "drivers/simulator/SimulatorDriver.h"

#include "drivers/simulator/MeasurementNoise.h"

#include <algorithm>
#include <cmath>

namespace kestrava::simulator {

namespace {

// Noise streams: three position components and two angles per channel,
// then the pain reading.
constexpr std::uint64_t StreamsPerChannel = 5;
constexpr std::uint64_t PainStream = StreamsPerChannel * ChannelCount;

} // namespace

IUnknown* TSimulatorDriver::Create() {
  return static_cast<IImagerPositionLocator*>(new TSimulatorDriver());
}

HRESULT TSimulatorDriver::Initialise(const char16_t* DspFile) {
  Model_.reset();
  Shape_.reset();
  PainReady_ = false;
  RestartClock();
  TSimulatorSettings Settings;
  if (!LoadSimulatorSettings(PathOfWideText(DspFile), Settings, LastError_)) {
    return DRIVER_E_FAIL;
  }
  if (Settings.FailInitialise) {
    LastError_ = "Initialise fails as scripted (fail_initialise)";
    return DRIVER_E_FAIL;
  }
  PainFailuresLeft_ = Settings.FailPainInitialise;
  Model_ = std::make_unique<TSimulatedProcedure>(Settings);
  LastError_.clear();
  return S_OK;
}

HRESULT TSimulatorDriver::Sense(std::int32_t Channel, double* Position, double* Angles) {
  if (Model_->Settings().CoilsDisconnectedAt(SampleTime())) {
    return IMAGER_E_GENERATOR_COILS_DISCONNECTED;
  }
  TSensorReading Reading = ChannelReading(Channel);
  if (!Reading.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  AddNoise(Reading, Channel);
  PutPose(Reading.Position, Reading.Direction, Position, Angles);
  if (Model_->Settings().DirectionNoise > 0) {
    const std::uint64_t Stream = StreamsPerChannel * static_cast<std::uint64_t>(Channel);
    for (std::size_t I = 0; I < 2; ++I) {
      Angles[I] +=
          Model_->Settings().DirectionNoise * GaussianNoise(Seed(), SampleNumber(), Stream + 3 + I);
    }
  }
  return S_OK;
}

double TSimulatorDriver::SampleRate() const {
  return Model_ ? Model_->Settings().SampleRate : TSimulatorSettings{}.SampleRate;
}

std::uint64_t TSimulatorDriver::Seed() const {
  return SeedOverride().value_or(Model_ ? Model_->Settings().Seed : 0);
}

const TScopeShape& TSimulatorDriver::Shape() {
  if (!Shape_) {
    Shape_.emplace(Model_->ShapeAt(SampleTime()));
  }
  return *Shape_;
}

TSensorReading TSimulatorDriver::ChannelReading(int Channel) {
  switch (ChannelRole(Channel)) {
  case RoleEndoscope:
    return Model_->EndoscopeSensor(Shape(), ChannelPlace(Channel));
  case RoleRemote:
    return Model_->Hand(SampleTime());
  case RoleOvertube:
    return Model_->OvertubeSensor(Shape(), ChannelPlace(Channel));
  case RoleNothing:
    break;
  }
  return {};
}

void TSimulatorDriver::AddNoise(TSensorReading& Reading, int Channel) const {
  const double Sigma = Model_->Settings().PositionNoise;
  if (Sigma <= 0) {
    return;
  }
  const std::uint64_t Stream = StreamsPerChannel * static_cast<std::uint64_t>(Channel);
  for (std::size_t I = 0; I < 3; ++I) {
    Reading.Position[I] += Sigma * GaussianNoise(Seed(), SampleNumber(), Stream + I);
  }
}

// The pain sensor part.

HRESULT TSimulatorDriver::PainInitialise() {
  if (!Model_) {
    return DRIVER_E_NOT_READY;
  }
  if (PainFailuresLeft_ > 0) {
    --PainFailuresLeft_;
    return DRIVER_E_FAIL;
  }
  PainReady_ = true;
  return S_OK;
}

HRESULT TSimulatorDriver::PainTrigger() {
  return Model_ && PainReady_ ? S_OK : DRIVER_E_NOT_READY;
}

HRESULT TSimulatorDriver::PainWaitForSample(double TimeLimit) {
  if (!Model_ || !PainReady_) {
    return DRIVER_E_NOT_READY;
  }
  if (SampleTime() >= Model_->Settings().PainTimeoutAt) {
    return TimeOut(TimeLimit);
  }
  return S_OK;
}

HRESULT TSimulatorDriver::PainReading(double* Value) {
  if (!Model_ || !PainReady_) {
    return DRIVER_E_NOT_READY;
  }
  const TSimulatorSettings& Settings = Model_->Settings();
  const double Noise = Settings.PainNoise * GaussianNoise(Seed(), SampleNumber(), PainStream);
  *Value = std::max(0.0, Model_->PainAt(SampleTime()) + Noise) * PainCalibration();
  return S_OK;
}

} // namespace kestrava::simulator
