#include "drivers/igtlink/IGTLinkSettings.h"

#include <cstdlib>
#include <fstream>

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
  EXPECT_EQ(Settings.Host, "tracker.local");
  EXPECT_EQ(Settings.Port, 18945);
  EXPECT_EQ(Settings.RequestTDataMilliseconds, 0);
  EXPECT_EQ(Settings.SampleTimeoutSeconds, 0.25);
  EXPECT_TRUE(Settings.ScopeAxisTowardsTip);
  EXPECT_EQ(Settings.Names[0], "Channel 0");
  EXPECT_EQ(Settings.Names[15], "Sensor15ToTracker");
  EXPECT_EQ(Settings.Names[HandIndex], "Stylus");
  EXPECT_EQ(Settings.Names[OvertubeIndex], "Overtube");
  EXPECT_EQ(Settings.Names[PainIndex], "PatientPain");
  EXPECT_TRUE(Settings.Names[1].empty());

  const TIGTLinkSettings Defaults;
  EXPECT_EQ(Defaults.Host, "127.0.0.1");
  EXPECT_EQ(Defaults.Port, 18944);
  EXPECT_EQ(Defaults.RequestTDataMilliseconds, 40);
  EXPECT_EQ(Defaults.SampleTimeoutSeconds, 2);
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

TEST(IGTLinkSettings, LoadRefusesMissingOversizedAndBinaryFilesNamingThem) {
  std::string Pattern = (std::filesystem::temp_directory_path() / "kestrava-igt-XXXXXX").string();
  ASSERT_NE(mkdtemp(Pattern.data()), nullptr);
  const std::filesystem::path Dir = Pattern;
  std::ofstream(Dir / "DSP.DAT", std::ios::binary) << "hand A\n"
                                                   << std::string(MaxIGTLinkSettingsBytes, '#');
  std::ofstream(Dir / "Binary.dat", std::ios::binary) << std::string("hand A\n\0", 8);
  std::ofstream(Dir / "Bad.dat", std::ios::binary) << "hand A\nport 1\n";
  const std::pair<const char*, const char*> Cases[] = {
      {"Missing.dat", "cannot open"},
      {"DSP.DAT", "DSP.DAT is not a settings file of at most 65536 bytes of text"},
      {"Binary.dat", "Binary.dat is not a settings file"},
      {"Bad.dat", "Bad.dat line 2: unknown setting 'port'"},
  };
  for (const auto& [Name, Expected] : Cases) {
    TIGTLinkSettings Settings;
    std::string Error;
    EXPECT_FALSE(LoadIGTLinkSettings(Dir / Name, Settings, Error)) << Name;
    EXPECT_NE(Error.find(Expected), std::string::npos) << Error;
  }
  std::filesystem::remove_all(Dir);
}

} // namespace
} // namespace kestrava::igtlink
