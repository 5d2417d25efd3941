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
  Pacer_.Restart();
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

HRESULT TSimulatorDriver::Trigger() {
  if (!Model_) {
    return DRIVER_E_NOT_READY;
  }
  Pacer_.Trigger(RealTime(), Model_->Settings().SampleRate);
  Shape_.reset();
  return S_OK;
}

HRESULT TSimulatorDriver::WaitForSample(double TimeLimit) {
  if (!Model_) {
    return DRIVER_E_NOT_READY;
  }
  if (!Pacer_.Pending()) {
    return DRIVER_E_FAIL;
  }
  if (SampleTime() >= Model_->Settings().SampleTimeoutAt) {
    if (RealTime()) {
      WaitOutTimeLimit(TimeLimit);
    }
    return DRIVER_E_TIMEOUT;
  }
  Pacer_.Deliver(RealTime(), Model_->Settings().SampleRate);
  return S_OK;
}

HRESULT TSimulatorDriver::GetSensor(std::int32_t Channel, std::uint8_t /*PhaseCorrection*/,
                                    double* Position, double* Angles, double /*Reserved*/,
                                    std::uint8_t /*ReservedFlag*/) {
  if (Position == nullptr || Angles == nullptr) {
    return E_POINTER;
  }
  if (Channel < 0 || Channel >= ChannelCount) {
    return DRIVER_E_INVALIDARG;
  }
  if (!Model_) {
    return DRIVER_E_NOT_READY;
  }
  if (Model_->Settings().CoilsDisconnectedAt(SampleTime())) {
    return IMAGER_E_GENERATOR_COILS_DISCONNECTED;
  }
  TSensorReading Reading = ChannelReading(Channel);
  if (!Reading.Measured) {
    return DRIVER_E_NOT_MEASURED;
  }
  AddNoise(Reading, Channel);
  Position[0] = Reading.Position.X;
  Position[1] = Reading.Position.Y;
  Position[2] = Reading.Position.Z;
  Angles[0] = std::acos(std::clamp(Reading.Direction.Z, -1.0, 1.0));
  Angles[1] = std::atan2(Reading.Direction.Y, Reading.Direction.X);
  if (Model_->Settings().DirectionNoise > 0) {
    const std::uint64_t Stream = StreamsPerChannel * static_cast<std::uint64_t>(Channel);
    for (std::size_t I = 0; I < 2; ++I) {
      Angles[I] +=
          Model_->Settings().DirectionNoise * GaussianNoise(Seed(), NoiseSample(), Stream + 3 + I);
    }
  }
  return S_OK;
}

HRESULT TSimulatorDriver::GetButtons(std::uint32_t* Mask) {
  if (Mask == nullptr) {
    return E_POINTER;
  }
  *Mask = 0;
  if (!Model_) {
    return DRIVER_E_NOT_READY;
  }
  *Mask = Model_->Settings().ButtonsAt(SampleTime());
  return S_OK;
}

HRESULT TSimulatorDriver::OverrideSeed(std::uint64_t Seed) {
  SeedOverride_ = Seed;
  return S_OK;
}

HRESULT TSimulatorDriver::GetSampleTime(double* Seconds) {
  if (Seconds == nullptr) {
    return E_POINTER;
  }
  // A scripted stopped clock: samples keep coming, their time stands still.
  *Seconds = Model_ ? std::min(SampleTime(), Model_->Settings().ClockStopsAt) : 0;
  return S_OK;
}

HRESULT TSimulatorDriver::GetSampleRate(double* Hertz) {
  if (Hertz == nullptr) {
    return E_POINTER;
  }
  *Hertz = Model_ ? Model_->Settings().SampleRate : TSimulatorSettings{}.SampleRate;
  return S_OK;
}

bool TSimulatorDriver::RealTime() const {
  return RealTimeOr(Model_ && Model_->Settings().RealTime);
}

std::uint64_t TSimulatorDriver::Seed() const {
  return SeedOverride_.value_or(Model_ ? Model_->Settings().Seed : 0);
}

double TSimulatorDriver::SampleTime() const {
  return Pacer_.Time(Model_->Settings().SampleRate);
}

std::uint64_t TSimulatorDriver::NoiseSample() const {
  return Pacer_.Sample();
}

const TScopeShape& TSimulatorDriver::Shape() {
  if (!Shape_) {
    Shape_.emplace(Model_->ShapeAt(SampleTime()));
  }
  return *Shape_;
}

TSensorReading TSimulatorDriver::ChannelReading(int Channel) {
  const double A = ChannelPlace(Channel);
  const double B = ChannelWiring(Channel);
  switch (static_cast<int>(std::lround(std::clamp(B, -1.0, 4.0)))) {
  case RoleEndoscope:
    return Model_->EndoscopeSensor(Shape(), A);
  case RoleRemote:
    return Model_->Hand(SampleTime());
  case RoleOvertube:
    return Model_->OvertubeSensor(Shape(), A);
  default:
    return {};
  }
}

void TSimulatorDriver::AddNoise(TSensorReading& Reading, int Channel) const {
  const double Sigma = Model_->Settings().PositionNoise;
  if (Sigma <= 0) {
    return;
  }
  const std::uint64_t Stream = StreamsPerChannel * static_cast<std::uint64_t>(Channel);
  for (std::size_t I = 0; I < 3; ++I) {
    Reading.Position[I] += Sigma * GaussianNoise(Seed(), NoiseSample(), Stream + I);
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
    if (RealTime()) {
      WaitOutTimeLimit(TimeLimit);
    }
    return DRIVER_E_TIMEOUT;
  }
  return S_OK;
}

HRESULT TSimulatorDriver::PainReading(double* Value) {
  if (!Model_ || !PainReady_) {
    return DRIVER_E_NOT_READY;
  }
  const TSimulatorSettings& Settings = Model_->Settings();
  const double Noise = Settings.PainNoise * GaussianNoise(Seed(), NoiseSample(), PainStream);
  *Value = std::max(0.0, Model_->PainAt(SampleTime()) + Noise) * PainCalibration();
  return S_OK;
}

} // namespace kestrava::simulator
