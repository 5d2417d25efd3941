#include "acquisition/ImagerSampler.h"

#include "geometry/Vectors.h"

#include <QString>
#include <cmath>
#include <filesystem>
#include <utility>

namespace kestrava {

namespace {

// One reading of a sensor. Measured is false unless the driver answered 0
// with finite numbers: a NaN that got into a frame would travel on into the
// stored file and the shape model.
struct TSensorReading {
  HRESULT Result = 0;
  bool Measured = false;
  TVector3 Position;
  double Theta = 0;
  double Phi = 0;
};

TSensorReading ReadSensor(IImagerPositionLocator& Locator, std::int32_t Channel,
                          bool PhaseCorrection) {
  double Position[3] = {0, 0, 0};
  double Angles[2] = {0, 0};
  TSensorReading Reading;
  Reading.Result = Locator.GetSensor(Channel, PhaseCorrection ? 1 : 0, Position, Angles, 0.0, 0);
  Reading.Measured = Reading.Result == 0 && std::isfinite(Position[0]) &&
                     std::isfinite(Position[1]) && std::isfinite(Position[2]) &&
                     std::isfinite(Angles[0]) && std::isfinite(Angles[1]);
  Reading.Position = {Position[0], Position[1], Position[2]};
  Reading.Theta = Angles[0];
  Reading.Phi = Angles[1];
  return Reading;
}

// The markers whose presence lets the endoscope be shown, per procedure type:
// the body axes of that type are built from them.
int MarkersNeeded(std::int32_t ProcedureType) {
  switch (ProcedureType) {
  case 0:
    return 3;
  case 1:
  case 2:
    return 4;
  default:
    return 0;
  }
}

TVector3Single ToSingle(const TVector3& V) {
  return {static_cast<float>(V.X), static_cast<float>(V.Y), static_cast<float>(V.Z)};
}

} // namespace

TImagerSampler::TImagerSampler(bool CreateDriver, const std::string& DriverId,
                               const TImagerSamplerPlaces& Places, IUserInteraction& User,
                               IPlatformServices& Platform)
    : TImagerSampler(CreateDriver ? LoadImagerDriver(Places.DriversDirectory, DriverId)
                                  : TImagerDriver{},
                     Places, User, Platform) {}

TImagerSampler::TImagerSampler(TImagerDriver Driver, TImagerSamplerPlaces Places,
                               IUserInteraction& User, IPlatformServices& Platform)
    : Places_(std::move(Places)), User_(User), Platform_(Platform),
      PositionLocator_(std::move(Driver.PositionLocator)),
      RemoteControl_(std::move(Driver.RemoteControl)),
      PressureSensor_(std::move(Driver.PressureSensor)), DriverCreated_(Driver.Created) {}

TImagerSampler::~TImagerSampler() = default;

std::string TImagerSampler::DspFilePath() const {
  return (std::filesystem::path(Places_.CalibrationDirectory) / "DSP.DAT").string();
}

bool TImagerSampler::InitialiseHardware() {
  if (!PositionLocator_) {
    return false;
  }
  const std::u16string Path = QString::fromStdString(DspFilePath()).toStdU16String();
  return PositionLocator_->Initialise(Path.c_str()) == 0;
}

bool TImagerSampler::Setup(std::int32_t ProcedureType, const std::string& SamplerFile,
                           const std::string& PainSensorFile, bool UsePainSensor,
                           const std::string& OvertubeFile, bool UseOvertube,
                           const std::string& RemoteFile, const std::string& SensorFile,
                           const std::string& GeneratorFile) {
  Ready_ = false;
  ProcedureType_ = ProcedureType;
  UseOvertube_ = UseOvertube;
  UsePainSensor_ = UsePainSensor && PressureSensor_;
  Calibration_ = TCalibrationValues{};
  if (!PositionLocator_) {
    ShowNotice(User_, "Failed to initialise DSP hardware");
    return false;
  }
  IImagerPositionLocator& Locator = *PositionLocator_.Get();
  if (!ReadSamplerFile(SamplerFile, Locator, User_)) {
    throw Exception("Failed to load sampler calibration data");
  }
  if (!ReadGeneratorFile(GeneratorFile, Locator)) {
    throw Exception("Failed to load generator calibration data");
  }
  if (!ReadSensorFile(SensorFile, Locator, Calibration_, User_)) {
    throw Exception("Failed to load sensor catheter calibration data");
  }
  if (!ReadRemoteFile(RemoteFile, Locator, Calibration_, User_)) {
    throw Exception("Failed to load remote control calibration data");
  }
  if (UseOvertube_ && !ReadOvertubeFile(OvertubeFile, Locator, Calibration_, User_)) {
    throw Exception("Failed to load overtube calibration data");
  }
  if (UsePainSensor_ && !ReadPainSensorFile(PainSensorFile, *PressureSensor_.Get(), Calibration_)) {
    throw Exception("Failed to load patient pain sensor calibration data");
  }
  if (!InitialiseHardware()) {
    ShowNotice(User_, "Failed to initialise DSP hardware");
    return false;
  }
  if (UsePainSensor_ && !InitialisePainSensor()) {
    return false;
  }
  Ready_ = true;
  return true;
}

bool TImagerSampler::InitialisePainSensor() {
  while (PressureSensor_->Initialise() != 0) {
    const TMessageAnswer Answer = User_.ShowMessage({"Failed to initialise patient pain sensor.",
                                                     {},
                                                     TMessageIcon::Error,
                                                     TMessageButtons::AbortRetryIgnore});
    if (Answer == TMessageAnswer::Ignore) {
      UsePainSensor_ = false;
      return true;
    }
    // Anything but Retry (a box closed without a choice included) gives up,
    // so that an unattended failure cannot loop for ever.
    if (Answer != TMessageAnswer::Retry) {
      return false;
    }
  }
  return true;
}

void TImagerSampler::Sample(TImagerFrame& Frame, bool PhaseCorrection) {
  if (!PositionLocator_) {
    throw EImagerHardwareTimeout();
  }
  PositionLocator_->Trigger();
  if (UsePainSensor_) {
    PressureSensor_->Trigger();
  }
  if (PositionLocator_->WaitForSample(0.5) != 0) {
    throw EImagerHardwareTimeout();
  }
  if (UsePainSensor_ && PressureSensor_->WaitForSample(0.1) != 0) {
    throw EPressureSensorTimeout();
  }
  SampleCatheter(Frame, PhaseCorrection);
  SampleHand(Frame);
  SampleOvertube(Frame);
  SamplePain(Frame);

  bool AnySlotValid = false;
  for (std::int32_t Slot = 0; Slot < Frame.SensorCount; ++Slot) {
    AnySlotValid = AnySlotValid || Frame.SensorValid[static_cast<std::size_t>(Slot)];
  }
  bool MarkersPresent = true;
  for (int Marker = 0; Marker < MarkersNeeded(ProcedureType_); ++Marker) {
    MarkersPresent = MarkersPresent && Frame.MarkerValid[static_cast<std::size_t>(Marker)];
  }
  Frame.EndoscopeValid = AnySlotValid && MarkersPresent;
}

void TImagerSampler::SampleCatheter(TImagerFrame& Frame, bool PhaseCorrection) const {
  const std::int32_t Count = Calibration_.SensorCount;
  const double TipOffset = Calibration_.SensorSpacing[0];
  const bool HasTip = TipOffset != 0;
  std::size_t Slot = 0;
  const auto Fill = [&Frame](std::size_t At, bool Valid, const TVector3& Position,
                             const TVector3& Direction) {
    Frame.SensorValid[At] = Valid;
    if (Valid) {
      Frame.SensorPosition[At] = Position;
      Frame.SensorDirection[At] = Direction;
    }
  };
  for (std::int32_t Sensor = 0; Sensor < Count; ++Sensor) {
    const TSensorReading Reading =
        ReadSensor(*PositionLocator_.Get(),
                   Calibration_.SensorChannel[static_cast<std::size_t>(Sensor)], PhaseCorrection);
    if (Reading.Result == IMAGER_E_GENERATOR_COILS_DISCONNECTED) {
      throw EGenCoilsDisconnected();
    }
    // The frame's directions run the way the slots do, from the tip towards
    // the operator: the reverse of the axis the sensor measures. The tip
    // point therefore lies against that direction, ahead of the first sensor.
    const TVector3 Direction = NegateVector(SphericalToVector(Reading.Theta, Reading.Phi));
    if (Sensor == 0 && HasTip) {
      Fill(Slot, Reading.Measured,
           SubtractVectors(Reading.Position, ScaleVector(Direction, TipOffset)), Direction);
      ++Slot;
    }
    Fill(Slot, Reading.Measured, Reading.Position, Direction);
    ++Slot;
  }
  Frame.SensorCount = static_cast<std::int32_t>(Slot);
  Frame.TubeRadius = SampledTubeRadius;
  // With a tip point, segment j runs from slot j to j + 1 and spacing j is
  // exactly that; without one, slot j is sensor j and the spacing that
  // follows it is entry j + 1.
  const std::size_t SpacingShift = HasTip ? 0 : 1;
  for (std::size_t Segment = 0; Segment + 1 < Slot; ++Segment) {
    Frame.SegmentLength[Segment] = Calibration_.SensorSpacing[Segment + SpacingShift];
  }
}

void TImagerSampler::SampleHand(TImagerFrame& Frame) const {
  Frame.HandValid = false;
  const TSensorReading Reading =
      ReadSensor(*PositionLocator_.Get(), Calibration_.HandChannel, false);
  if (Reading.Measured) {
    Frame.HandPosition = Reading.Position;
    Frame.HandDirection = SphericalToVector(Reading.Theta, Reading.Phi);
    Frame.HandValid = true;
  }
}

void TImagerSampler::SampleOvertube(TImagerFrame& Frame) const {
  if (!UseOvertube_) {
    Frame.OvertubeKind = 0;
    return;
  }
  Frame.OvertubeKind = Calibration_.OvertubeType;
  const TSensorReading Reading =
      ReadSensor(*PositionLocator_.Get(), Calibration_.OvertubeChannel, false);
  const TVector3Single Position = Reading.Measured ? ToSingle(Reading.Position) : TVector3Single{};
  if (Calibration_.OvertubeType == 1) {
    Frame.OvertubeData1 = {static_cast<float>(Calibration_.OvertubeLength1),
                           static_cast<float>(Calibration_.OvertubeLength3), Reading.Measured,
                           Position};
  } else {
    Frame.OvertubeData2 = {static_cast<float>(Calibration_.OvertubeLength1),
                           static_cast<float>(Calibration_.OvertubeLength2),
                           static_cast<float>(Calibration_.OvertubeLength3), Reading.Measured,
                           Position};
  }
}

void TImagerSampler::SamplePain(TImagerFrame& Frame) const {
  Frame.PainValid = false;
  Frame.Pain = 0;
  if (!UsePainSensor_) {
    return;
  }
  double Pain = 0;
  // A reading that failed or is not a number keeps Pain at 0: the recorder
  // takes its maximum over every frame, valid or not.
  if (Succeeded(PressureSensor_->GetPain(&Pain)) && std::isfinite(Pain)) {
    Frame.Pain = Pain;
    Frame.PainValid = true;
  }
}

void TImagerSampler::SetMarker(TImagerFrame& Frame, std::int32_t Index, bool Clear) {
  if (Index < 0 || Index >= MarkerCount) {
    throw E_Qel_InvalidArg();
  }
  const auto Marker = static_cast<std::size_t>(Index);
  if (Clear) {
    Frame.MarkerValid[Marker] = false;
    Platform_.Tone(MarkerHighToneHz, MarkerToneMilliseconds);
    return;
  }
  if (!Ready_) {
    return;
  }
  const TSensorReading Reading =
      ReadSensor(*PositionLocator_.Get(), Calibration_.HandChannel, false);
  Frame.MarkerValid[Marker] = Reading.Measured;
  if (Reading.Measured) {
    Frame.MarkerPosition[Marker] = Reading.Position;
    Frame.MarkerDirection[Marker] = SphericalToVector(Reading.Theta, Reading.Phi);
  }
  Platform_.Tone(Reading.Measured ? MarkerHighToneHz : MarkerLowToneHz, MarkerToneMilliseconds);
}

HRESULT TImagerSampler::SetRemoteIndicators(std::uint32_t Mask) {
  if (!RemoteControl_) {
    return E_POINTER;
  }
  return RemoteControl_->SetIndicators(Mask);
}

std::uint32_t TImagerSampler::GetRemoteButtons() {
  std::uint32_t Mask = 0;
  if (!RemoteControl_ || Failed(RemoteControl_->GetButtons(&Mask))) {
    return 0;
  }
  return Mask;
}

} // namespace kestrava
