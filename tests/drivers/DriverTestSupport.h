#pragma once
// Shared fixture of the driver tests: a private directory for settings files
// and a simulator component reached through its interfaces.

#include "acquisition/ImagerDriver.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/simulator/SimulatorDriver.h"
#include "tests/support/ScratchDirectory.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

inline void WriteText(const std::filesystem::path& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary) << Text;
}

struct TReading {
  HRESULT Result = S_OK;
  TVector3 Position;
  TVector3 Direction; // as the sensor points (the sampler negates it)
};

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

  TReading Read(int Channel) const {
    double Position[3] = {}, Angles[2] = {};
    TReading Reading;
    Reading.Result = Locator->GetSensor(Channel, 0, Position, Angles, 0.0, 0);
    Reading.Position = Vector3(Position[0], Position[1], Position[2]);
    Reading.Direction = SphericalToVector(Angles[0], Angles[1]);
    return Reading;
  }

  // Each of Wiring is {channel, metres from the tip, role}; the rest unwired.
  HRESULT Wire(const std::vector<std::array<double, 3>>& Wiring) const {
    double Table[2 * ChannelCount] = {};
    for (const auto& [Channel, Along, Role] : Wiring) {
      Table[2 * static_cast<std::size_t>(Channel)] = Along;
      Table[2 * static_cast<std::size_t>(Channel) + 1] = Role;
    }
    return Locator->SetChannelParameters(Table);
  }
};

class TDriverTest : public ::testing::Test {
protected:
  // A DSP.DAT holding exactly Settings, in the test's directory.
  std::u16string WriteDsp(const std::string& Settings) const {
    WriteText(Dir / "DSP.DAT", Settings);
    return (Dir / "DSP.DAT").u16string();
  }

  // A simulator initialised from Settings, wired with endoscope sensors on
  // channels 0..3 0.08 m apart (sensor 0 at the tip), the remote on channel
  // 16 and an overtube sensor 0.25 m deep on channel 17.
  TDriverInterfaces MakeSimulator(const std::string& Settings) {
    TDriverInterfaces Driver(simulator::TSimulatorDriver::Create());
    std::vector<std::array<double, 3>> Wiring = {{16, 0, simulator::RoleRemote},
                                                 {17, 0.25, simulator::RoleOvertube}};
    for (int I = 0; I < 4; ++I) {
      Wiring.push_back({static_cast<double>(I), I * 0.08, simulator::RoleEndoscope});
    }
    EXPECT_EQ(Driver.Wire(Wiring), S_OK);
    EXPECT_EQ(Driver.Locator->Initialise(WriteDsp(Settings).c_str()), S_OK);
    return Driver;
  }

  support::TScratchDirectory Scratch{"kestrava-drivers"};
  std::filesystem::path Dir = Scratch.Dir;
};

} // namespace kestrava::testing
