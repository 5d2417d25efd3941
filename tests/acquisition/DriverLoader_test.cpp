#include "FakeImagerDriver.h"
#include "acquisition/DriverLoader.h"
#include "plugins/FakeComponent.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr const char* WorkingId = "{1A2B3C4D-0001-0002-0003-00000000000A}";

TEST(DriverLoader, ParsesOnlyTheBraceFormOfAClassIdentifier) {
  const auto Parsed = ParseClassIdentifier("{501c59a0-FD72-11D2-A910-0060087BDD26}");
  ASSERT_TRUE(Parsed);
  EXPECT_EQ(*Parsed, IID_IImagerPositionLocator);
  EXPECT_EQ(ClassIdentifierText(*Parsed), "{501C59A0-FD72-11D2-A910-0060087BDD26}");
  for (const char* Bad :
       {"", "501C59A0-FD72-11D2-A910-0060087BDD26", "{501C59A0-FD72-11D2-A910-0060087BDD2}",
        "{501C59A0_FD72-11D2-A910-0060087BDD26}", "{501C59G0-FD72-11D2-A910-0060087BDD26}",
        "{501C59A0-FD72-11D2-A9100-060087BDD26}"}) {
    EXPECT_FALSE(ParseClassIdentifier(Bad)) << Bad;
  }
}

TEST(DriverLoader, QueriesWhatTheComponentHasAndReleasesIt) {
  testing::TFakeImagerDriver Fake;
  Fake.HasPressure = false;
  {
    const TImagerDriver Driver = QueryImagerDriver(&Fake.Pressure);
    EXPECT_TRUE(Driver.Created && Driver.PositionLocator && Driver.RemoteControl);
    EXPECT_FALSE(Driver.PressureSensor);
  }
  EXPECT_EQ(Fake.References, 0);
  EXPECT_FALSE(QueryImagerDriver(nullptr).Created);
}

TEST(DriverLoader, FindsThePluginOfTheIdentifierInAnyLetterCase) {
  for (const char* Id : {WorkingId, "{1a2b3c4d-0001-0002-0003-00000000000a}"}) {
    const TImagerDriver Driver = LoadImagerDriver(KESTRAVA_FAKE_DRIVERS_DIR, Id);
    ASSERT_TRUE(Driver.Created) << Driver.Problem;
    ASSERT_TRUE(Driver.RemoteControl);
    EXPECT_FALSE(Driver.PositionLocator || Driver.PressureSensor);
    std::uint32_t Buttons = 0;
    Driver.RemoteControl->GetButtons(&Buttons);
    EXPECT_EQ(Buttons, testing::FakeComponentButtons);
  }
}

TEST(DriverLoader, AnyFailureGivesNoDriverAndRaisesNothing) {
  const std::pair<std::string, std::string> Cases[] = {
      {KESTRAVA_FAKE_DRIVERS_DIR, "{1A2B3C4D-0001-0002-0003-00000000000C}"}, // throws
      {KESTRAVA_FAKE_DRIVERS_DIR, "{00000000-0000-0000-0000-000000000000}"}, // nobody's
      {KESTRAVA_FAKE_DRIVERS_DIR, "Simulator"},
      {"/nonexistent/kestrava/drivers", WorkingId},
      {"", WorkingId},
  };
  for (const auto& [Directory, Id] : Cases) {
    TImagerDriver Driver;
    ASSERT_NO_THROW(Driver = LoadImagerDriver(Directory, Id)) << Id;
    EXPECT_FALSE(Driver.Created || Driver.PositionLocator || Driver.RemoteControl) << Id;
    EXPECT_FALSE(Driver.Problem.empty()) << Id;
  }
}

TEST(DriverLoader, ListsThePluginsByTheirMetadataAndFindsOneByNameOrIdentifier) {
  const std::vector<TInstalledDriver> Drivers = ListImagerDrivers(KESTRAVA_FAKE_DRIVERS_DIR);
  ASSERT_EQ(Drivers.size(), 2u) << "the file that is no library is left out";
  const auto Working = std::find_if(Drivers.begin(), Drivers.end(),
                                    [](const TInstalledDriver& D) { return D.Name == "working"; });
  ASSERT_NE(Working, Drivers.end());
  EXPECT_EQ(Working->DriverId, WorkingId);
  EXPECT_EQ(Working->Settings, "Working.dat");
  EXPECT_NE(Working->Library.find("WorkingDriver"), std::string::npos);
  const TInstalledDriver& Unnamed = Drivers[Working == Drivers.begin() ? 1 : 0];
  EXPECT_EQ(Unnamed.Name, Unnamed.Library) << "a plugin without a name goes by its file";
  EXPECT_TRUE(Unnamed.Settings.empty());

  for (const char* Given : {"working", "WORKING", "{1a2b3c4d-0001-0002-0003-00000000000a}"}) {
    EXPECT_EQ(FindImagerDriverId(KESTRAVA_FAKE_DRIVERS_DIR, Given), WorkingId) << Given;
  }
  EXPECT_FALSE(FindImagerDriverId(KESTRAVA_FAKE_DRIVERS_DIR, "simulator"));
  EXPECT_FALSE(
      FindImagerDriverId(KESTRAVA_FAKE_DRIVERS_DIR, "{00000000-0000-0000-0000-000000000000}"));
  EXPECT_FALSE(FindImagerDriverId("/nonexistent/kestrava/drivers", "working"));
  EXPECT_TRUE(ListImagerDrivers("").empty());
}

} // namespace
} // namespace kestrava
