#include "drivers/igtlink/IGTLinkSettings.h"

#include <fstream>
#include <tuple>

#include <gtest/gtest.h>

namespace kestrava::igtlink {
namespace {

TEST(IGTLinkSettings, ReadsEverySettingAndNamesWithBlanks) {
  TIGTLinkSettings Settings;
  std::string Error;
  ASSERT_TRUE(ParseIGTLinkSettings("# PLUS on the tracking computer\n"
                                   "server tracker.local 18945\r\n"
                                   "request_tdata 0\n"
                                   "sensor 0   Channel 0   # the tip\n"
                                   "sensor 15 Sensor15ToTracker\n"
                                   "hand Stylus\n"
                                   "overtube Overtube\n"
                                   "pain PatientPain\n"
                                   "sample_timeout 0.25\n"
                                   "scope_axis towards_tip\n",
                                   Settings, Error))
      << Error;
  EXPECT_EQ(std::tuple(Settings.Host, Settings.Port, Settings.RequestTDataMilliseconds,
                       Settings.SampleTimeoutSeconds, Settings.ScopeAxisTowardsTip),
            std::tuple("tracker.local", 18945, 0, 0.25, true));
  EXPECT_EQ(std::tuple(Settings.Names[0], Settings.Names[15], Settings.Names[HandIndex],
                       Settings.Names[OvertubeIndex], Settings.Names[PainIndex], Settings.Names[1]),
            std::tuple("Channel 0", "Sensor15ToTracker", "Stylus", "Overtube", "PatientPain", ""));
}

TEST(IGTLinkSettings, RefusesWhatItCannotUseNamingTheLineAndChangingNothing) {
  const std::pair<const char*, const char*> Cases[] = {
      {"sensor 0 A\nseed 3\n", "line 2: unknown setting 'seed'"},
      {"sensor 16 A\n", "line 1: the sensor slot must be a number from 0 to 15, not '16'"},
      {"sensor 0\n", "sensor needs a name"},
      {"sensor 0 A\nsensor 0 B\n", "line 2: sensor 0 is given more than once"},
      {"sensor 0 A\nhand A\n", "line 2: 'A' is named more than once"},
      {"sensor 0 NameOfTwentyOneChars1\n", "longer than the 20 characters"},
      {"hand A\nserver 127.0.0.1\n", "server takes a host and a port"},
      {"hand A\nserver 127.0.0.1 70000\n", "the port must be a number from 1 to 65535"},
      {"hand A\nrequest_tdata -1\n", "request_tdata must be a number from 0 to 60000"},
      {"hand A\nsample_timeout 0\n", "sample_timeout must be a number from 0.05 to 3600"},
      {"hand A\nsample_timeout nan\n", "sample_timeout must be"},
      {"hand A\nscope_axis up\n", "scope_axis must be"},
      {"# nothing to receive\nserver 127.0.0.1 1\n", "names no sensor, hand, overtube or pain"},
  };
  for (const auto& [Text, Expected] : Cases) {
    TIGTLinkSettings Settings;
    std::string Error;
    EXPECT_FALSE(ParseIGTLinkSettings(Text, Settings, Error)) << Text;
    EXPECT_NE(Error.find(Expected), std::string::npos) << Text << " gave " << Error;
    EXPECT_EQ(Settings.Host, "127.0.0.1") << Text;
    EXPECT_TRUE(Settings.Names[HandIndex].empty()) << Text;
  }
}

TEST(IGTLinkSettings, LoadRefusesOversizedAndBinaryFilesNamingThem) {
  const std::filesystem::path Path = std::filesystem::temp_directory_path() / "kestrava-igt.dat";
  const std::pair<std::string, const char*> Cases[] = {
      {"hand A\n" + std::string(MaxIGTLinkSettingsBytes, '#'), "is not a settings file of at most"},
      {std::string("hand A\n\0", 8), "is not a settings file"},
      {"hand A\nport 1\n", "kestrava-igt.dat line 2: unknown setting 'port'"},
  };
  for (const auto& [Text, Expected] : Cases) {
    std::ofstream(Path, std::ios::binary) << Text;
    TIGTLinkSettings Settings;
    std::string Error;
    EXPECT_FALSE(LoadIGTLinkSettings(Path, Settings, Error));
    EXPECT_NE(Error.find(Expected), std::string::npos) << Error;
  }
  std::filesystem::remove(Path);
}

} // namespace
} // namespace kestrava::igtlink
