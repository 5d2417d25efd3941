#pragma once
// The interfaces of the imager hardware driver, a component outside the program
// (a plugin found by its class identifier). Every operation keeps its slot so
// that a driver built against this header lines up with the caller; slots the
// program never calls are kept as reserved entries.
//
// Units: positions in metres, angles in radians (theta from +Z, phi from +X
// towards +Y), wait limits in seconds. Arrays are packed doubles, coil- or
// channel-major. Results: 0 = success; a set sign bit is a failure.
//
// Thread: a driver is used from one thread at a time.

#include "foundation/ComInterface.h"

#include <cstdint>

namespace kestrava {

// Returned by GetSensor while the generator coils are not connected.
inline constexpr HRESULT IMAGER_E_GENERATOR_COILS_DISCONNECTED = static_cast<HRESULT>(0x80042106u);

inline constexpr int SamplerCalibrationValueCount = 18;
inline constexpr int GeneratorCoilCount = 3;
inline constexpr int ChannelCount = 18;

inline constexpr TGuid IID_IImagerPositionLocator{
    0x501C59A0, 0xFD72, 0x11D2, {0xA9, 0x10, 0x00, 0x60, 0x08, 0x7B, 0xDD, 0x26}};
inline constexpr TGuid IID_IImagerRemoteControl{
    0x501C59A1, 0xFD72, 0x11D2, {0xA9, 0x10, 0x00, 0x60, 0x08, 0x7B, 0xDD, 0x26}};
inline constexpr TGuid IID_IImagerPressureSensor{
    0x501C59A2, 0xFD72, 0x11D2, {0xA9, 0x10, 0x00, 0x60, 0x08, 0x7B, 0xDD, 0x26}};

// Slots 3-21.
class IImagerPositionLocator : public IUnknown {
public:
  // 3: DspFile is the full path of "DSP.DAT"; 0 = hardware ready.
  virtual HRESULT Initialise(const char16_t* DspFile) = 0;
  // 4: starts one sample.
  virtual HRESULT Trigger() = 0;
  // 5: non-zero = no sample within TimeLimit seconds.
  virtual HRESULT WaitForSample(double TimeLimit) = 0;
  virtual HRESULT Reserved6() = 0;
  virtual HRESULT Reserved7() = 0;
  virtual HRESULT Reserved8() = 0;
  virtual HRESULT Reserved9() = 0;
  virtual HRESULT Reserved10() = 0;
  virtual HRESULT Reserved11() = 0;
  virtual HRESULT Reserved12() = 0;
  // 13: 0 = measured; IMAGER_E_GENERATOR_COILS_DISCONNECTED; anything else =
  // not measured. Angles are theta then phi. The program passes 0.0 and 0 for
  // the last two arguments.
  virtual HRESULT GetSensor(std::int32_t Channel, std::uint8_t PhaseCorrection, double* Position,
                            double* Angles, double Reserved, std::uint8_t ReservedFlag) = 0;
  // 14: SamplerCalibrationValueCount values.
  virtual HRESULT SetSamplerCalibration(const double* Values) = 0;
  virtual HRESULT Reserved15() = 0;
  // 16: GeneratorCoilCount x 2 values.
  virtual HRESULT SetGeneratorCalibration1(const double* Values) = 0;
  virtual HRESULT Reserved17() = 0;
  // 18: GeneratorCoilCount x 3 x 2 values.
  virtual HRESULT SetGeneratorCalibration2(const double* Values) = 0;
  virtual HRESULT Reserved19() = 0;
  // 20 and 21: ChannelCount x 2 values.
  virtual HRESULT SetChannelParameters(const double* Table) = 0;
  virtual HRESULT GetChannelParameters(double* Table) = 0;

protected:
  ~IImagerPositionLocator() = default;
};

// Slots 3-5. Button bits 0-5 are the six action buttons, bits 6-9 the mode
// buttons 0-3; indicator bits 0-5 light the action buttons.
class IImagerRemoteControl : public IUnknown {
public:
  virtual HRESULT Reserved3() = 0;
  virtual HRESULT SetIndicators(std::uint32_t Mask) = 0;
  virtual HRESULT GetButtons(std::uint32_t* Mask) = 0;

protected:
  ~IImagerRemoteControl() = default;
};

// Slots 3-8.
class IImagerPressureSensor : public IUnknown {
public:
  virtual HRESULT SetCalibration(double Value) = 0;
  // 0 = ready.
  virtual HRESULT Initialise() = 0;
  virtual HRESULT Trigger() = 0;
  virtual HRESULT Reserved6() = 0;
  // Non-zero = no reading within TimeLimit seconds.
  virtual HRESULT WaitForSample(double TimeLimit) = 0;
  // A success code (sign bit clear) = a valid reading.
  virtual HRESULT GetPain(double* Value) = 0;

protected:
  ~IImagerPressureSensor() = default;
};

} // namespace kestrava
