#pragma once
// A scripted imager driver for the acquisition tests: answers set by the
// test, the calls that matter logged in order. The test owns it; the
// reference count only tells whether everybody let go.

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerDriver.h"
#include "foundation/PlatformServices.h"

#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kestrava::testing {

inline constexpr HRESULT FakeFailure = static_cast<HRESULT>(0x80004005u);

struct TFakeReading {
  HRESULT Result = 0;
  std::array<double, 3> Position{};
  double Theta = 0;
  double Phi = 0;
};

class TFakeImagerDriver final : public IImagerPositionLocator, public IImagerRemoteControl {
public:
  bool HasPressure = true;

  HRESULT InitialiseResult = 0;
  HRESULT WaitResult = 0;
  HRESULT GetTableResult = 0;
  HRESULT SetTableResult = 0;
  std::deque<HRESULT> PainInitialiseResults; // then 0
  HRESULT PainWaitResult = 0;
  HRESULT PainResult = 0;
  double PainValue = 0;
  std::map<std::int32_t, TFakeReading> Readings; // a channel not listed is not measured

  std::vector<std::string> Calls; // "Initialise", "Pain Trigger", ...
  std::u16string DspFile;
  std::array<double, SamplerCalibrationValueCount> SamplerValues{};
  std::array<double, std::size_t{GeneratorCoilCount} * 2> Generator1{};
  std::array<double, std::size_t{GeneratorCoilCount} * 3 * 2> Generator2{};
  std::array<double, std::size_t{ChannelCount} * 2> ChannelTable{};
  double PainCalibration = 0;
  std::vector<std::uint8_t> PhaseCorrectionsSeen;
  std::int32_t References = 0;

  // The locator and the pain sensor both have Trigger() and WaitForSample(),
  // which one class could not tell apart, so the sensor is a part of its own
  // sharing the driver's count.
  struct TPressure final : IImagerPressureSensor {
    explicit TPressure(TFakeImagerDriver& Owner) : Owner(Owner) {}
    virtual ~TPressure() = default;
    TFakeImagerDriver& Owner;
    HRESULT QueryInterface(const TGuid& Iid, void** Object) override {
      return Owner.QueryInterface(Iid, Object);
    }
    std::uint32_t AddRef() override { return Owner.AddRef(); }
    std::uint32_t Release() override { return Owner.Release(); }
    HRESULT SetCalibration(double Value) override {
      Owner.PainCalibration = Value;
      return Owner.Log("Pain SetCalibration");
    }
    HRESULT Initialise() override {
      Owner.Log("Pain Initialise");
      if (Owner.PainInitialiseResults.empty()) {
        return 0;
      }
      const HRESULT Result = Owner.PainInitialiseResults.front();
      Owner.PainInitialiseResults.pop_front();
      return Result;
    }
    HRESULT Trigger() override { return Owner.Log("Pain Trigger"); }
    HRESULT Reserved6() override { return FakeFailure; }
    HRESULT WaitForSample(double Limit) override {
      Owner.Log("Pain WaitForSample " + std::to_string(Limit));
      return Owner.PainWaitResult;
    }
    HRESULT GetPain(double* Value) override {
      *Value = Owner.PainValue;
      return Owner.PainResult;
    }
  } Pressure{*this};

  TFakeImagerDriver() = default;
  virtual ~TFakeImagerDriver() = default;
  TFakeImagerDriver(const TFakeImagerDriver&) = delete;
  TFakeImagerDriver& operator=(const TFakeImagerDriver&) = delete;

  // The interfaces as the loader would deliver them.
  TImagerDriver AsDriver() { return QueryImagerDriver(static_cast<IImagerRemoteControl*>(this)); }

  void SetReading(std::int32_t Channel, std::array<double, 3> Position, double Theta, double Phi,
                  HRESULT Result = 0) {
    Readings[Channel] = {Result, Position, Theta, Phi};
  }
  HRESULT Log(std::string Call) {
    Calls.push_back(std::move(Call));
    return 0;
  }

  HRESULT QueryInterface(const TGuid& Iid, void** Object) override {
    *Object = nullptr;
    if (Iid == IID_IUnknown || Iid == IID_IImagerPositionLocator) {
      *Object = static_cast<IImagerPositionLocator*>(this);
    } else if (Iid == IID_IImagerRemoteControl) {
      *Object = static_cast<IImagerRemoteControl*>(this);
    } else if (Iid == IID_IImagerPressureSensor && HasPressure) {
      *Object = static_cast<IImagerPressureSensor*>(&Pressure);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++References); }
  std::uint32_t Release() override { return static_cast<std::uint32_t>(--References); }

  HRESULT Initialise(const char16_t* File) override {
    DspFile = File;
    Log("Initialise");
    return InitialiseResult;
  }
  HRESULT Trigger() override { return Log("Trigger"); }
  HRESULT WaitForSample(double Limit) override {
    Log("WaitForSample " + std::to_string(Limit));
    return WaitResult;
  }
  HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                    double* Angles, double, std::uint8_t) override {
    PhaseCorrectionsSeen.push_back(PhaseCorrection);
    const auto Found = Readings.find(Channel);
    if (Found == Readings.end()) {
      return FakeFailure;
    }
    std::memcpy(Position, Found->second.Position.data(), sizeof(double) * 3);
    Angles[0] = Found->second.Theta;
    Angles[1] = Found->second.Phi;
    return Found->second.Result;
  }
  HRESULT SetSamplerCalibration(const double* Values) override {
    std::memcpy(SamplerValues.data(), Values, sizeof SamplerValues);
    return Log("SetSamplerCalibration");
  }
  HRESULT SetGeneratorCalibration1(const double* Values) override {
    std::memcpy(Generator1.data(), Values, sizeof Generator1);
    return Log("SetGeneratorCalibration1");
  }
  HRESULT SetGeneratorCalibration2(const double* Values) override {
    std::memcpy(Generator2.data(), Values, sizeof Generator2);
    return Log("SetGeneratorCalibration2");
  }
  HRESULT SetChannelParameters(const double* Table) override {
    Log("SetChannelParameters");
    if (Succeeded(SetTableResult)) {
      std::memcpy(ChannelTable.data(), Table, sizeof ChannelTable);
    }
    return SetTableResult;
  }
  HRESULT GetChannelParameters(double* Table) override {
    Log("GetChannelParameters");
    std::memcpy(Table, ChannelTable.data(), sizeof ChannelTable);
    return GetTableResult;
  }
  HRESULT Reserved6() override { return FakeFailure; }
  HRESULT Reserved7() override { return FakeFailure; }
  HRESULT Reserved8() override { return FakeFailure; }
  HRESULT Reserved9() override { return FakeFailure; }
  HRESULT Reserved10() override { return FakeFailure; }
  HRESULT Reserved11() override { return FakeFailure; }
  HRESULT Reserved12() override { return FakeFailure; }
  HRESULT Reserved15() override { return FakeFailure; }
  HRESULT Reserved17() override { return FakeFailure; }
  HRESULT Reserved19() override { return FakeFailure; }

  HRESULT Reserved3() override { return FakeFailure; }
  HRESULT SetIndicators(std::uint32_t) override { return 0; }
  HRESULT GetButtons(std::uint32_t* Mask) override {
    *Mask = 0;
    return 0;
  }
};

class TRecordingPlatform final : public IPlatformServices {
public:
  std::vector<std::pair<std::int32_t, std::int32_t>> Tones; // Hz, ms
  bool IsKeyDown(std::int32_t) const override { return false; }
  bool IsShiftDown() const override { return false; }
  std::string LongPathName(const std::string& Path) const override { return Path; }
  void Tone(std::int32_t Hz, std::int32_t Milliseconds) override {
    Tones.emplace_back(Hz, Milliseconds);
  }
};

} // namespace kestrava::testing
