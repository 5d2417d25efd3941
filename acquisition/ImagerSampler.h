#pragma once
// The acquisition engine: owns the connection to the imager hardware driver,
// configures it from the calibration files before a recording, and turns one
// hardware sample into the live frame (catheter sensors with an optional
// computed tip point, the remote's hand sensor, the overtube sensor and the
// patient pain reading). It also places body markers from the remote's sensor.
//
// Life cycle: made (with or without a driver) -> InitialiseHardware once ->
// Setup before each recording (Ready) -> Sample per frame -> Stop.
//
// Units: metres and radians as the driver delivers them; the waits are the
// driver's (0.5 for a sample, 0.1 for a pain reading).
//
// Thread: user-interface thread; Sample blocks for up to the two waits.

#include "acquisition/CalibrationReaders.h"
#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerDriver.h"
#include "foundation/PlatformServices.h"
#include "foundation/QelExceptions.h"
#include "foundation/QelObject.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/ImagerFrame.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrava {

// Faults of acquisition; each carries its user message.
class EImagerException : public Exception {
public:
  using Exception::Exception;
};
class EImagerHardwareTimeout : public EImagerException {
public:
  EImagerHardwareTimeout() : EImagerException("Timeout waiting for imager hardware") {}
};
class EPressureSensorTimeout : public EImagerException {
public:
  EPressureSensorTimeout() : EImagerException("Timeout waiting for pain sensor hardware.") {}
};
class EGenCoilsDisconnected : public EImagerException {
public:
  EGenCoilsDisconnected() : EImagerException("Generator coils disconnected") {}
};

// The marker tones: the PC speaker timer's divisors as frequencies, 250 ms.
inline constexpr std::int32_t SpeakerTimerClockHz = 1193182;
inline constexpr std::int32_t MarkerHighToneHz = (SpeakerTimerClockHz + 600) / 1200; // 994
inline constexpr std::int32_t MarkerLowToneHz = (SpeakerTimerClockHz + 2500) / 5000; // 239
inline constexpr std::int32_t MarkerToneMilliseconds = 250;

// Every frame the sampler fills draws its tube with this radius (metres).
inline constexpr float SampledTubeRadius = 0.009f;

// Where the sampler finds its driver and the driver's own settings file.
struct TImagerSamplerPlaces {
  // Searched for the driver plugin (the program's drivers/ directory).
  std::string DriversDirectory;
  // Holds "DSP.DAT" (the program's directory).
  std::string CalibrationDirectory;
};

class TImagerSampler : public TQelObject {
public:
  // When CreateDriver is set, loads the driver DriverId (brace-form class
  // identifier text) from Places.DriversDirectory; a failure only leaves
  // DriverCreated() false. User and Platform must outlive the sampler.
  TImagerSampler(bool CreateDriver, const std::string& DriverId, const TImagerSamplerPlaces& Places,
                 IUserInteraction& User, IPlatformServices& Platform);
  // With a driver made elsewhere (tests, tools); DriverCreated() is
  // Driver.Created.
  TImagerSampler(TImagerDriver Driver, TImagerSamplerPlaces Places, IUserInteraction& User,
                 IPlatformServices& Platform);
  // Releases the driver's interfaces.
  ~TImagerSampler() override;

  // True when the position locator is present and accepts "DSP.DAT" of the
  // calibration directory. Enables recording; called once after creation.
  bool InitialiseHardware();

  // Configures the hardware for a recording of ProcedureType (0, 1, 2; as
  // TImagerProcedure::ProcedureType). Files are full paths; OvertubeFile is
  // read only when UseOvertube, PainSensorFile only when UsePainSensor and the
  // driver has a pain sensor. Reads sampler, generator, catheter, remote,
  // overtube, pain sensor files in that order; the first that fails raises
  // Exception with, in the same order: "Failed to load sampler calibration
  // data", "Failed to load generator calibration data", "Failed to load
  // sensor catheter calibration data", "Failed to load remote control
  // calibration data", "Failed to load overtube calibration data", "Failed to
  // load patient pain sensor calibration data" (a reader may have shown its
  // own message first). Then initialises the hardware: on failure shows
  // "Failed to initialise DSP hardware" (OK) and returns false. With the pain
  // sensor in use, retries its initialisation while the user answers Retry to
  // "Failed to initialise patient pain sensor." (Abort/Retry/Ignore): Abort
  // returns false, Ignore goes on without the pain sensor. True = Ready.
  // Ready is cleared on entry, so a failed set-up never leaves it set. Without
  // a position locator: shows "Failed to initialise DSP hardware", false.
  bool Setup(std::int32_t ProcedureType, const std::string& SamplerFile,
             const std::string& PainSensorFile, bool UsePainSensor, const std::string& OvertubeFile,
             bool UseOvertube, const std::string& RemoteFile, const std::string& SensorFile,
             const std::string& GeneratorFile);

  // Clears Ready.
  void Stop() { Ready_ = false; }

  // Takes one sample into Frame: the sensor slots, SensorCount, TubeRadius,
  // SegmentLength, EndoscopeValid, the hand, overtube and pain fields. The
  // marker fields are left as they are. Raises EImagerHardwareTimeout (also
  // when there is no position locator), EPressureSensorTimeout or
  // EGenCoilsDisconnected, leaving Frame partly filled. A measurement the
  // driver reports as good but with non-finite numbers counts as not measured;
  // a pain reading that is not valid leaves Pain at 0.
  void Sample(TImagerFrame& Frame, bool PhaseCorrection);

  // Clear: marker Index becomes not valid, high tone. Otherwise, only while
  // Ready: reads the hand sensor into marker Index (high tone), or marks it
  // not valid when that fails (low tone). Index outside 0..5 raises
  // E_Qel_InvalidArg.
  void SetMarker(TImagerFrame& Frame, std::int32_t Index, bool Clear);

  // The remote's indicator lamps (bits 0-5); the driver's result, E_POINTER
  // without a remote.
  HRESULT SetRemoteIndicators(std::uint32_t Mask);
  // The pressed remote buttons (bits 0-5 action, 6-9 mode); 0 without a
  // remote or when the driver fails.
  std::uint32_t GetRemoteButtons();

  bool Ready() const { return Ready_; }
  bool DriverCreated() const { return DriverCreated_; }
  bool HasPositionLocator() const { return static_cast<bool>(PositionLocator_); }
  bool HasRemoteControl() const { return static_cast<bool>(RemoteControl_); }
  bool HasPressureSensor() const { return static_cast<bool>(PressureSensor_); }
  std::int32_t ProcedureType() const { return ProcedureType_; }
  bool UseOvertube() const { return UseOvertube_; }
  // After Setup: the argument, a pain sensor present and not ignored.
  bool UsePainSensor() const { return UsePainSensor_; }
  // What the calibration files gave at the last Setup.
  const TCalibrationValues& Calibration() const { return Calibration_; }
  std::int32_t SensorCount() const { return Calibration_.SensorCount; }
  double PainFullScale() const { return Calibration_.PainFullScale; }
  const std::string& PainUnits() const { return Calibration_.PainUnits; }
  // The full path handed to the driver's Initialise.
  std::string DspFilePath() const;

private:
  bool InitialisePainSensor();
  void SampleCatheter(TImagerFrame& Frame, bool PhaseCorrection) const;
  void SampleHand(TImagerFrame& Frame) const;
  void SampleOvertube(TImagerFrame& Frame) const;
  void SamplePain(TImagerFrame& Frame) const;

  TImagerSamplerPlaces Places_;
  IUserInteraction& User_;
  IPlatformServices& Platform_;
  TComPtr<IImagerPositionLocator> PositionLocator_;
  TComPtr<IImagerRemoteControl> RemoteControl_;
  TComPtr<IImagerPressureSensor> PressureSensor_;
  bool DriverCreated_ = false;
  bool Ready_ = false;
  std::int32_t ProcedureType_ = 0;
  bool UseOvertube_ = false;
  bool UsePainSensor_ = false;
  TCalibrationValues Calibration_;
};

} // namespace kestrava
