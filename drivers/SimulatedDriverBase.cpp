#include "drivers/SimulatedDriverBase.h"

#include <algorithm>
#include <cmath>

namespace kestrava {

HRESULT TSimulatedDriverBase::QueryInterface(const TGuid& Iid, void** Object) {
  if (Object != nullptr && Iid == IID_ISimulatedHardware) {
    return HandOut(static_cast<ISimulatedHardware*>(this), Object);
  }
  return TDriverComponent::QueryInterface(Iid, Object);
}

HRESULT TSimulatedDriverBase::Trigger() {
  if (!Ready()) {
    return DRIVER_E_NOT_READY;
  }
  Pacer_.Trigger(RealTime(), SampleRate());
  Triggered();
  return S_OK;
}

HRESULT TSimulatedDriverBase::WaitForSample(double TimeLimit) {
  if (!Ready()) {
    return DRIVER_E_NOT_READY;
  }
  if (!Pacer_.Pending()) {
    return DRIVER_E_FAIL;
  }
  if (TimedOut()) {
    return TimeOut(TimeLimit);
  }
  Pacer_.Deliver(RealTime(), SampleRate());
  return S_OK;
}

HRESULT TSimulatedDriverBase::TimeOut(double TimeLimit) const {
  if (RealTime()) {
    WaitOutTimeLimit(TimeLimit);
  }
  return DRIVER_E_TIMEOUT;
}

HRESULT TSimulatedDriverBase::GetButtons(std::uint32_t* Mask) {
  if (Mask == nullptr) {
    return E_POINTER;
  }
  *Mask = Ready() ? ButtonsAt(SampleTime()) : 0;
  return ReadyOrNot();
}

TChannelRole TSimulatedDriverBase::ChannelRole(std::int32_t Channel) const {
  switch (static_cast<int>(std::lround(std::clamp(ChannelWiring(Channel), -1.0, 4.0)))) {
  case RoleEndoscope:
    return RoleEndoscope;
  case RoleRemote:
    return RoleRemote;
  case RoleOvertube:
    return RoleOvertube;
  default:
    return RoleNothing;
  }
}

HRESULT TSimulatedDriverBase::SetPacing(std::uint8_t RealTime) {
  RealTimeOverride_ = RealTime != 0;
  return S_OK;
}

HRESULT TSimulatedDriverBase::OverrideSeed(std::uint64_t Seed) {
  SeedOverride_ = Seed;
  return S_OK;
}

HRESULT TSimulatedDriverBase::GetSampleTime(double* Seconds) {
  if (Seconds == nullptr) {
    return E_POINTER;
  }
  *Seconds = Ready() ? ReportedTime(SampleTime()) : 0;
  return S_OK;
}

HRESULT TSimulatedDriverBase::GetSampleRate(double* Hertz) {
  if (Hertz == nullptr) {
    return E_POINTER;
  }
  *Hertz = SampleRate();
  return S_OK;
}

} // namespace kestrava
