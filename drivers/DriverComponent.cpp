#include "drivers/DriverComponent.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

template <std::size_t N> HRESULT Keep(const double* Values, std::array<double, N>& Kept) {
  if (Values == nullptr) {
    return E_POINTER;
  }
  std::copy_n(Values, N, Kept.begin());
  return S_OK;
}

} // namespace

HRESULT TDriverComponent::QueryInterface(const TGuid& Iid, void** Object) {
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

std::uint32_t TDriverComponent::AddRef() {
  return References_.Add();
}

std::uint32_t TDriverComponent::Release() {
  const std::uint32_t Left = References_.Drop();
  if (Left == 0) {
    delete this;
  }
  return Left;
}

HRESULT TDriverComponent::GetSensor(std::int32_t Channel, std::uint8_t /*PhaseCorrection*/,
                                    double* Position, double* Angles, double /*Reserved*/,
                                    std::uint8_t /*ReservedFlag*/) {
  if (Position == nullptr || Angles == nullptr) {
    return E_POINTER;
  }
  if (Channel < 0 || Channel >= ChannelCount) {
    return DRIVER_E_INVALIDARG;
  }
  if (!Ready()) {
    return DRIVER_E_NOT_READY;
  }
  return Sense(Channel, Position, Angles);
}

void TDriverComponent::PutPose(const TVector3& Where, const TVector3& Direction, double* Position,
                               double* Angles) {
  Position[0] = Where.X;
  Position[1] = Where.Y;
  Position[2] = Where.Z;
  Angles[0] = std::acos(std::clamp(Direction.Z, -1.0, 1.0));
  Angles[1] = std::atan2(Direction.Y, Direction.X);
}

HRESULT TDriverComponent::SetSamplerCalibration(const double* Values) {
  return Keep(Values, SamplerCalibration_);
}

HRESULT TDriverComponent::SetGeneratorCalibration1(const double* Values) {
  return Keep(Values, Generator1_);
}

HRESULT TDriverComponent::SetGeneratorCalibration2(const double* Values) {
  return Keep(Values, Generator2_);
}

HRESULT TDriverComponent::SetChannelParameters(const double* Table) {
  return Keep(Table, Channels_);
}

HRESULT TDriverComponent::GetChannelParameters(double* Table) {
  if (Table == nullptr) {
    return E_POINTER;
  }
  std::copy(Channels_.begin(), Channels_.end(), Table);
  return S_OK;
}

HRESULT TDriverComponent::SetIndicators(std::uint32_t Mask) {
  Indicators_ = Mask;
  return S_OK;
}

HRESULT TDriverComponent::GetLastErrorText(char* Buffer, std::uint32_t Capacity) {
  return CopyTextOut(LastError_, Buffer, Capacity);
}

HRESULT TDriverComponent::TPainSensor::QueryInterface(const TGuid& Iid, void** Object) {
  return Owner_.QueryInterface(Iid, Object);
}

HRESULT TDriverComponent::TPainSensor::SetCalibration(double Value) {
  if (!std::isfinite(Value)) {
    return DRIVER_E_INVALIDARG;
  }
  Owner_.PainCalibration_ = Value;
  return S_OK;
}

HRESULT TDriverComponent::TPainSensor::GetPain(double* Value) {
  if (Value == nullptr) {
    return E_POINTER;
  }
  return Owner_.PainReading(Value);
}

} // namespace kestrava
