#include "drivers/SimulatedDriverBase.h"

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

HRESULT TSimulatedDriverBase::QueryInterface(const TGuid& Iid, void** Object) {
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
  if (Iid == IID_IDriverDiagnostics) {
    return HandOut(static_cast<IDriverDiagnostics*>(this), Object);
  }
  return E_NOINTERFACE;
}

std::uint32_t TSimulatedDriverBase::AddRef() {
  return References_.Add();
}

std::uint32_t TSimulatedDriverBase::Release() {
  const std::uint32_t Left = References_.Drop();
  if (Left == 0) {
    delete this;
  }
  return Left;
}

HRESULT TSimulatedDriverBase::SetSamplerCalibration(const double* Values) {
  return Keep(Values, SamplerCalibration_);
}

HRESULT TSimulatedDriverBase::SetGeneratorCalibration1(const double* Values) {
  return Keep(Values, Generator1_);
}

HRESULT TSimulatedDriverBase::SetGeneratorCalibration2(const double* Values) {
  return Keep(Values, Generator2_);
}

HRESULT TSimulatedDriverBase::SetChannelParameters(const double* Table) {
  return Keep(Table, Channels_);
}

HRESULT TSimulatedDriverBase::GetChannelParameters(double* Table) {
  if (Table == nullptr) {
    return E_POINTER;
  }
  std::copy(Channels_.begin(), Channels_.end(), Table);
  return S_OK;
}

HRESULT TSimulatedDriverBase::SetIndicators(std::uint32_t Mask) {
  Indicators_ = Mask;
  return S_OK;
}

HRESULT TSimulatedDriverBase::SetPacing(std::uint8_t RealTime) {
  RealTimeOverride_ = RealTime != 0;
  return S_OK;
}

HRESULT TSimulatedDriverBase::GetLastErrorText(char* Buffer, std::uint32_t Capacity) {
  return CopyTextOut(LastError_, Buffer, Capacity);
}

HRESULT TSimulatedDriverBase::TPainSensor::QueryInterface(const TGuid& Iid, void** Object) {
  return Owner_.QueryInterface(Iid, Object);
}

HRESULT TSimulatedDriverBase::TPainSensor::SetCalibration(double Value) {
  if (!std::isfinite(Value)) {
    return DRIVER_E_INVALIDARG;
  }
  Owner_.PainCalibration_ = Value;
  return S_OK;
}

HRESULT TSimulatedDriverBase::TPainSensor::GetPain(double* Value) {
  if (Value == nullptr) {
    return E_POINTER;
  }
  return Owner_.PainReading(Value);
}

} // namespace kestrava
