#include "ToolTestSupport.h"
#include "acquisition/DriverLoader.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/igtlink/IGTLinkDriverId.h"
#include "tools/ToolErrors.h"

#include <map>

namespace kestrava::testing {
namespace {

class DriversCommand : public TToolTest {};

TEST_F(DriversCommand, ListsTheBundledDriversWithTheirIdsAndSettingsFiles) {
  const TToolRun Listed = Run({"drivers", "--program-dir", KESTRAVA_PROGRAM_DIR, "--json"});
  ASSERT_EQ(Listed.Code, 0) << Listed.Err;
  std::map<std::string, std::pair<std::string, std::string>> Found;
  for (const TJson& Driver : Listed.Json()) {
    Found[Driver["name"]] = {Driver["driver_id"], Driver["settings"]};
  }
  EXPECT_EQ(Found["simulator"],
            std::make_pair(std::string(SimulatorDriverId), std::string("DSP.DAT")));
  EXPECT_EQ(Found["replay"],
            std::make_pair(std::string(ReplayDriverId), std::string("Replay.dat")));
  EXPECT_EQ(Found["igtlink"],
            std::make_pair(std::string(igtlink::IGTLinkDriverId), std::string("DSP.DAT")));

  EXPECT_NE(Run({"drivers", "--program-dir", KESTRAVA_PROGRAM_DIR})
                .Out.find(std::string("igtlink    ") + igtlink::IGTLinkDriverId + "  DSP.DAT\n"),
            std::string::npos);

  // What a listed name selects loads, with every interface the sampler uses.
  const std::string Drivers = std::string(KESTRAVA_PROGRAM_DIR) + "/drivers";
  const std::optional<std::string> Id = FindImagerDriverId(Drivers, "IGTLink");
  ASSERT_EQ(Id, igtlink::IGTLinkDriverId);
  const TImagerDriver Driver = LoadImagerDriver(Drivers, *Id);
  EXPECT_TRUE(Driver.PositionLocator && Driver.RemoteControl && Driver.PressureSensor)
      << Driver.Problem;

  const TToolRun Missing = Run({"drivers", "--program-dir", PathOf("nowhere")});
  EXPECT_EQ(Missing.Code, ExitFileError);
  EXPECT_NE(Missing.Err.find("No drivers directory"), std::string::npos) << Missing.Err;
}

} // namespace
} // namespace kestrava::testing
