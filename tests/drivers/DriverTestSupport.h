#pragma once
// Shared fixture of the driver tests: a private directory for settings files
// and a simulator component reached through its interfaces.

#include "acquisition/ImagerDriver.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/simulator/SimulatorDriver.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace kestrava::testing {

inline std::filesystem::path MakeTemporaryDirectory() {
  std::string Pattern =
      (std::filesystem::temp_directory_path() / "kestrava-drivers-XXXXXX").string();
  if (mkdtemp(Pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a temporary directory";
  }
  return Pattern;
}

inline void WriteText(const std::filesystem::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

// The three hardware interfaces and the control interface of one component.
struct TDriverInterfaces {
  TComPtr<IUnknown> Root;
  TComPtr<IImagerPositionLocator> Locator;
  TComPtr<IImagerRemoteControl> Remote;
  TComPtr<IImagerPressureSensor> Pain;
  TComPtr<ISimulatedHardware> Control;

  explicit TDriverInterfaces(IUnknown* Created) : Root(TComPtr<IUnknown>::Adopt(Created)) {
    Locator = Root.Query<IImagerPositionLocator>(IID_IImagerPositionLocator);
    Remote = Root.Query<IImagerRemoteControl>(IID_IImagerRemoteControl);
    Pain = Root.Query<IImagerPressureSensor>(IID_IImagerPressureSensor);
    Control = Root.Query<ISimulatedHardware>(IID_ISimulatedHardware);
  }

  // Triggers and waits for one sample; the result of the wait.
  HRESULT Sample() {
    const HRESULT Triggered = Locator->Trigger();
    return Triggered != S_OK ? Triggered : Locator->WaitForSample(0.5);
  }
};

class TDriverTest : public ::testing::Test {
protected:
  void SetUp() override { Dir = MakeTemporaryDirectory(); }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  // A DSP.DAT holding exactly Settings, in the test's directory.
  std::u16string WriteDsp(const std::string& Settings) const {
    const std::filesystem::path Path = Dir / "DSP.DAT";
    WriteText(Path, Settings);
    return Path.u16string();
  }

  // A simulator initialised from Settings, wired with endoscope sensors on
  // channels 0..Sensors-1 at Spacing apart (sensor 0 at the tip), the remote
  // on channel 16 and an overtube sensor 0.25 m deep on channel 17.
  TDriverInterfaces MakeSimulator(const std::string& Settings, int Sensors = 4,
                                  double Spacing = 0.08) {
    TDriverInterfaces Driver(simulator::TSimulatorDriver::Create());
    double Table[2 * ChannelCount] = {};
    const auto Wire = [&Table](std::size_t Channel, double Along, double Role) {
      Table[2 * Channel] = Along;
      Table[2 * Channel + 1] = Role;
    };
    for (std::size_t I = 0; I < static_cast<std::size_t>(Sensors); ++I) {
      Wire(I, static_cast<double>(I) * Spacing, simulator::RoleEndoscope);
    }
    Wire(16, 0, simulator::RoleRemote);
    Wire(17, 0.25, simulator::RoleOvertube);
    EXPECT_EQ(Driver.Locator->SetChannelParameters(Table), S_OK);
    const std::u16string Dsp = WriteDsp(Settings);
    EXPECT_EQ(Driver.Locator->Initialise(Dsp.c_str()), S_OK);
    return Driver;
  }

  std::filesystem::path Dir;
};

struct TReading {
  HRESULT Result = S_OK;
  TVector3 Position;
  TVector3 Direction; // as the sensor points (the sampler negates it)
};

inline TReading ReadChannel(IImagerPositionLocator& Locator, int Channel) {
  double Position[3] = {}, Angles[2] = {};
  TReading Reading;
  Reading.Result = Locator.GetSensor(Channel, 0, Position, Angles, 0.0, 0);
  Reading.Position = Vector3(Position[0], Position[1], Position[2]);
  Reading.Direction = SphericalToVector(Angles[0], Angles[1]);
  return Reading;
}

} // namespace kestrava::testing
