#pragma once
// The acquisition path on the simulated driver of the program directory,
// for the recordings that tests and benchmarks make without the window.

#include "acquisition/DriverLoader.h"
#include "acquisition/ImagerSampler.h"
#include "app/RecordingSession.h"
#include "drivers/SimulatedHardware.h"
#include "foundation/PlatformServices.h"
#include "foundation/UserInteraction.h"
#include "imagerdata/EncodedFrameSink.h"
#include "tests/support/ScratchDirectory.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace kestrava::support {

// A sampler set up from the bundled calibration set with Script as its
// DSP.DAT and the simulator's noise drawn from Seed; Sampler is empty when
// the driver cannot be had.
struct TScriptedSampler {
  TScratchDirectory Scratch{"kestrava-sampler"};
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  TComPtr<ISimulatedHardware> Hardware;
  std::unique_ptr<TImagerSampler> Sampler;

  TScriptedSampler(const std::string& ProgramDir, const std::string& Script, std::uint64_t Seed) {
    std::ofstream(Scratch.Dir / "DSP.DAT") << Script;
    TImagerDriver Driver = LoadImagerDriver(ProgramDir + "/drivers", SimulatorDriverId);
    if (!Scratch.Made() || !Driver.Created) {
      return;
    }
    Hardware = Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware);
    Hardware->OverrideSeed(Seed);
    Sampler = std::make_unique<TImagerSampler>(
        std::move(Driver), TImagerSamplerPlaces{ProgramDir + "/drivers", Scratch.Dir.string()},
        User, Platform);
    const std::string P = ProgramDir + "/";
    if (!Sampler->InitialiseHardware() ||
        !Sampler->Setup(ProcedureColonoscopy, P + "Sampler.dat", P + "Pain Sensor.dat", false, "",
                        false, P + "Remote.dat", P + "Catheter16.msd", P + "Generator.gen")) {
      Sampler.reset();
    }
  }
  TScriptedSampler(const TScriptedSampler&) = delete;
  TScriptedSampler& operator=(const TScriptedSampler&) = delete;
  ~TScriptedSampler() { Sampler.reset(); } // before the folder its settings are in goes
};

// A recording session on the bundled simulator, unpaced (its samples come as
// fast as they are asked for) and on the given clock; Session is empty when
// the driver cannot be had or set up.
struct TUnpacedSession {
  TScriptedUserInteraction User;
  TNullPlatformServices Platform;
  std::unique_ptr<TImagerSampler> Sampler;
  TImagerProcedure Procedure;
  TImagerFrame Frame;
  std::unique_ptr<TRecordingSession> Session;
  std::string Problem;

  TUnpacedSession(const std::string& ProgramDir, IRecordingClock& Clock) {
    const std::string Drivers = ProgramDir + "/drivers";
    TImagerDriver Driver = LoadImagerDriver(Drivers, SimulatorDriverId);
    if (!Driver.Created) {
      Problem = Driver.Problem;
      return;
    }
    Driver.PositionLocator.Query<ISimulatedHardware>(IID_ISimulatedHardware)->SetPacing(0);
    Sampler = std::make_unique<TImagerSampler>(
        std::move(Driver), TImagerSamplerPlaces{Drivers, ProgramDir}, User, Platform);
    auto Made = std::make_unique<TRecordingSession>(*Sampler, Procedure, Frame, Clock);
    if (!Sampler->InitialiseHardware() ||
        !Made->SetUp(ProgramDirectorySetup(ProgramDir, ProcedureColonoscopy, "Catheter16.msd", "",
                                           "Generator.gen", false))) {
      Problem = "the simulator did not set up";
      return;
    }
    Session = std::move(Made);
  }
};

// A live file's disk that holds each frame until Release, or for PerFrame
// at most when that is given: a stalled disk, or a slow one.
class THeldDisk final : public IEncodedFrameSink {
public:
  struct TGate {
    std::mutex Mutex;
    std::condition_variable Released;
    bool Open = false;
    std::int32_t Frames = 0;
    void Release() {
      {
        const std::lock_guard Lock(Mutex);
        Open = true;
      }
      Released.notify_all();
    }
  };
  explicit THeldDisk(TGate& Gate, std::chrono::milliseconds PerFrame = {})
      : Gate_(Gate), PerFrame_(PerFrame) {}
  bool HasPainData() const override { return false; }
  const std::string& Path() const override { return Path_; }
  void Close() override {}
  void AppendEncoded(std::span<const std::uint8_t>, std::int32_t Count) override {
    std::unique_lock Lock(Gate_.Mutex);
    for (std::int32_t I = 0; I < Count; ++I) {
      if (PerFrame_.count() == 0) {
        Gate_.Released.wait(Lock, [this] { return Gate_.Open; });
      } else {
        Gate_.Released.wait_for(Lock, PerFrame_, [this] { return Gate_.Open; });
      }
      ++Gate_.Frames;
    }
  }

private:
  TGate& Gate_;
  std::chrono::milliseconds PerFrame_;
  std::string Path_ = "held.img";
};

} // namespace kestrava::support
