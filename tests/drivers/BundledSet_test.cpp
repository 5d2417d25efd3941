// The drivers as the program meets them: plugins in the program directory,
// and the calibration set installed next to it.

#include "DriverTestSupport.h"
#include "acquisition/DriverPlugin.h"
#include "drivers/simulator/SimulatorSettings.h"

#include <QJsonObject>
#include <QPluginLoader>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

std::filesystem::path ProgramDir() {
  return KESTRAVA_PROGRAM_DIR;
}

std::string ReadAll(const std::filesystem::path& Path) {
  std::ifstream File(Path, std::ios::binary);
  std::ostringstream Text;
  Text << File.rdbuf();
  return Text.str();
}

// The numbers of a calibration line, up to Count of them.
std::vector<double> LineItems(const std::string& Line, std::size_t Count) {
  std::istringstream Items(Line);
  std::vector<double> Values;
  double Value = 0;
  while (Values.size() < Count && Items >> Value) {
    Values.push_back(Value);
  }
  return Values;
}

std::vector<std::string> Lines(const std::filesystem::path& Path) {
  std::istringstream Text(ReadAll(Path));
  std::vector<std::string> Result;
  for (std::string Line; std::getline(Text, Line);) {
    Result.push_back(Line);
  }
  return Result;
}

class BundledDriver : public ::testing::TestWithParam<const char*> {};

TEST_P(BundledDriver, LoadsAsAPluginNamedByItsDriverIdAndMakesAWorkingComponent) {
  const std::string Name = GetParam();
  const std::filesystem::path File =
      ProgramDir() / "drivers" / ("libkestrava_" + Name + "_driver.so");
  QPluginLoader Loader(QString::fromStdString(File.string()));
  const QJsonObject MetaData = Loader.metaData().value("MetaData").toObject();
  const std::string Id = MetaData.value("DriverId").toString().toStdString();
  EXPECT_EQ(Id, Name == "simulator" ? SimulatorDriverId : ReplayDriverId);
  auto* Plugin = qobject_cast<IImagerDriverPlugin*>(Loader.instance());
  ASSERT_NE(Plugin, nullptr) << Loader.errorString().toStdString();
  TDriverInterfaces Driver(Plugin->CreateDriver());
  EXPECT_TRUE(Driver.Locator && Driver.Remote && Driver.Pain && Driver.Control);
  double Rate = 0;
  ASSERT_EQ(Driver.Control->GetSampleRate(&Rate), S_OK);
  EXPECT_GT(Rate, 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, BundledDriver, ::testing::Values("simulator", "replay"));

TEST(BundledCalibrationSet, IsInstalledNextToTheProgramUnchanged) {
  for (const char* Name :
       {"DSP.DAT", "Sampler.dat", "Remote.dat", "Pain Sensor.dat", "Generator.gen",
        "Catheter16.msd", "Catheter8.msd", "Overtube1.otb", "Overtube2.otb"}) {
    const std::filesystem::path Source =
        std::filesystem::path(KESTRAVA_CALIBRATION_SOURCE_DIR) / Name;
    ASSERT_TRUE(std::filesystem::exists(ProgramDir() / Name)) << Name;
    EXPECT_EQ(ReadAll(ProgramDir() / Name), ReadAll(Source)) << Name;
  }
}

TEST(BundledCalibrationSet, CathetersPlaceEachSensorAtTheSumOfItsSpacings) {
  for (const char* Name : {"Catheter16.msd", "Catheter8.msd"}) {
    const std::vector<std::string> File = Lines(ProgramDir() / Name);
    const int Count = static_cast<int>(LineItems(File.at(0), 1).at(0));
    ASSERT_EQ(File.size(), static_cast<std::size_t>(Count) + 1) << Name;
    double FromTip = 0;
    for (int I = 0; I < Count; ++I) {
      const std::vector<double> Items = LineItems(File[static_cast<std::size_t>(I) + 1], 4);
      ASSERT_EQ(Items.size(), 4u) << Name << " sensor " << I;
      FromTip += Items[3];
      EXPECT_EQ(Items[0], I) << Name << ": one channel per sensor, in order";
      EXPECT_NEAR(Items[1], FromTip, 1e-9) << Name << " sensor " << I;
      EXPECT_EQ(Items[2], simulator::RoleEndoscope) << Name << " sensor " << I;
    }
    // 16 sensors leave no frame slot for a computed tip point.
    if (Count == 16) {
      EXPECT_EQ(LineItems(File[1], 4)[3], 0) << Name;
    }
  }
  EXPECT_EQ(LineItems(Lines(ProgramDir() / "Remote.dat").at(0), 3),
            (std::vector<double>{16, 0, simulator::RoleRemote}));
  EXPECT_EQ(LineItems(Lines(ProgramDir() / "Overtube1.otb").at(3), 3),
            (std::vector<double>{17, 0.25, simulator::RoleOvertube}));
  EXPECT_EQ(LineItems(Lines(ProgramDir() / "Overtube2.otb").at(4), 3),
            (std::vector<double>{17, 0.25, simulator::RoleOvertube}));
}

TEST(BundledCalibrationSet, SettingsPressTheMarkerButtonsOfEveryProcedureTypeBeforeInsertion) {
  simulator::TSimulatorSettings Settings;
  std::string Error;
  ASSERT_TRUE(simulator::LoadSimulatorSettings(ProgramDir() / "DSP.DAT", Settings, Error)) << Error;
  EXPECT_EQ(Settings.SampleRate, 25);
  EXPECT_TRUE(Settings.RealTime);
  std::uint32_t Pressed = 0;
  for (double T = 0; T < Settings.InsertionStart; T += 1 / Settings.SampleRate) {
    const std::uint32_t Mask = Settings.ButtonsAt(T);
    // One marker button at a time, so each lands on its own landmark.
    EXPECT_TRUE((Mask & (Mask - 1)) == 0) << T;
    Pressed |= Mask;
  }
  EXPECT_EQ(Pressed, 0x0Fu) << "markers 1-4: colonoscopy needs 1-3, the upper procedures 1-4";
  EXPECT_LE(Settings.InsertionStart, 10);
  EXPECT_EQ(Settings.SampleTimeoutAt, simulator::Never);
  EXPECT_TRUE(Settings.CoilsDisconnected.empty());
}

} // namespace
} // namespace kestrava::testing
