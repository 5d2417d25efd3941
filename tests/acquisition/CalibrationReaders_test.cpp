#include "FakeImagerDriver.h"
#include "acquisition/CalibrationReaders.h"

#include <algorithm>
#include <string_view>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrava {
namespace {

using ::testing::ElementsAre;

class CalibrationReaders : public ::testing::Test {
protected:
  testing::TFakeImagerDriver Driver;
  IImagerPositionLocator& Locator = Driver;
  TScriptedUserInteraction User;
  TCalibrationValues Values;

  bool TableWritten() const {
    return std::count(Driver.Calls.begin(), Driver.Calls.end(), "SetChannelParameters") > 0;
  }
  double Entry(int Channel, int Item) const { return Driver.ChannelTable[2 * Channel + Item]; }
};

TEST_F(CalibrationReaders, SamplerFileFillsUpToEighteenValues) {
  ASSERT_TRUE(ReadSamplerText("2 channels\n1.5\n-2\n", Locator, User));
  EXPECT_EQ(Driver.SamplerValues[1], -2.0);
  EXPECT_EQ(Driver.SamplerValues[2], 0.0);
  std::string Full = "18\n";
  for (int I = 1; I <= 18; ++I) {
    Full += std::to_string(I) + "\n";
  }
  ASSERT_TRUE(ReadSamplerText(Full, Locator, User));
  EXPECT_EQ(Driver.SamplerValues[17], 18.0);
  Driver.Calls.clear();
  EXPECT_FALSE(ReadSamplerText("19\n", Locator, User));
  EXPECT_THAT(User.Texts(), ElementsAre("Sampler data file has too many channels"));
  EXPECT_TRUE(Driver.Calls.empty());
}

TEST_F(CalibrationReaders, GeneratorFileSendsCoilPairsThenTheNinePairs) {
  std::string Text;
  for (int Line = 0; Line < 12; ++Line) {
    Text += std::to_string(Line) + " " + std::to_string(Line + 0.5) + " ignored\n";
  }
  ASSERT_TRUE(ReadGeneratorText(Text, Locator));
  EXPECT_THAT(Driver.Calls, ElementsAre("SetGeneratorCalibration1", "SetGeneratorCalibration2"));
  EXPECT_EQ(Driver.Generator1[5], 2.5);   // coil 2, second value
  EXPECT_EQ(Driver.Generator2[0], 3.0);   // coil 0, k 0 is line 4
  EXPECT_EQ(Driver.Generator2[17], 11.5); // coil 2, k 2, second value
  Driver.Calls.clear();
  EXPECT_FALSE(ReadGeneratorText(Text.substr(0, Text.rfind("11 ")), Locator));
  EXPECT_TRUE(Driver.Calls.empty());
}

TEST_F(CalibrationReaders, SensorFileSetsSensorsAndKeepsOtherChannelEntries) {
  Driver.ChannelTable[std::size_t{2} * 9] = 42;
  ASSERT_TRUE(ReadSensorText("2\n5 0.1 0.2 0.025\n7 0.3 0.4 0.05 note\n", Locator, Values, User));
  TCalibrationValues Expected;
  Expected.SensorCount = 2;
  Expected.SensorChannel = {5, 7};
  Expected.SensorSpacing = {0.025, 0.05};
  Expected.ChannelUsed[5] = Expected.ChannelUsed[7] = true;
  EXPECT_EQ(Values, Expected);
  EXPECT_EQ(std::tuple(Entry(5, 0), Entry(7, 1), Entry(9, 0)), std::tuple(0.1, 0.4, 42.0));
  EXPECT_THAT(Driver.Calls, ElementsAre("GetChannelParameters", "SetChannelParameters"));

  ASSERT_TRUE(ReadSensorText("0\n", Locator, Values = {}, User));
  EXPECT_EQ(Values, TCalibrationValues{});
}

TEST_F(CalibrationReaders, CatheterRemoteAndOvertubeFaultsShowTheirMessageAndChangeNothing) {
  std::string Sixteen = "16\n";
  for (int Channel = 1; Channel <= 16; ++Channel) {
    Sixteen += std::to_string(Channel) + " 0 0 0.02\n";
  }
  using TReader =
      bool (*)(std::string_view, IImagerPositionLocator&, TCalibrationValues&, IUserInteraction&);
  const std::tuple<TReader, std::string, std::string> Cases[] = {
      {ReadSensorText, "17\n", "Sensor data file has too many sensors"},
      {ReadSensorText, "2\n3 0 0 0\n3 0 0 0.1\n", "Channel 3 used more than once"},
      {ReadSensorText, "1\n18 0 0 0\n", "Invalid channel in sensor data file"},
      {ReadSensorText, "1\n-1 0 0 0\n", "Invalid channel in sensor data file"},
      {ReadSensorText, Sixteen, std::string(SensorTipOffsetRefusedMessage)},
      {ReadRemoteText, "18 0 0\n", "Invalid channel in remote data file"},
      {ReadOvertubeText, "1\n0.5\n0.7\n-2 0 0\n", "Invalid channel in overtube data file"},
      {ReadOvertubeText, "3\n", "Unrecognised overtube type in overtube data file"},
  };
  for (const auto& [Reader, Text, Message] : Cases) {
    TScriptedUserInteraction CaseUser;
    EXPECT_FALSE(Reader(Text, Locator, Values, CaseUser)) << Text;
    EXPECT_THAT(CaseUser.Texts(), ElementsAre(Message)) << Text;
  }
  EXPECT_FALSE(TableWritten());
  EXPECT_EQ(Values, TCalibrationValues{});
  // Without a tip offset sixteen sensors fit.
  Sixteen.replace(Sixteen.find("0.02"), 4, "0   ");
  EXPECT_TRUE(ReadSensorText(Sixteen, Locator, Values, User));
}

TEST_F(CalibrationReaders, InputErrorsFailSilently) {
  for (const char* Text : {"", "x\n", "-1\n", "2\n1 0 0 0\n", "1\n1 0 zero 0\n"}) {
    EXPECT_FALSE(ReadSensorText(Text, Locator, Values, User)) << Text;
  }
  EXPECT_FALSE(ReadSamplerText("-1\n", Locator, User));
  EXPECT_FALSE(ReadRemoteText("4 1.0\n", Locator, Values, User));
  EXPECT_FALSE(ReadOvertubeText("2\n0.1\n0.2\n", Locator, Values, User));
  EXPECT_FALSE(ReadPainSensorText("1.0\n", Driver.Pressure, Values));
  EXPECT_FALSE(ReadSensorFile("/nonexistent/kestrava/none.msd", Locator, Values, User));
  EXPECT_TRUE(User.Messages().empty());
  EXPECT_FALSE(TableWritten());
  EXPECT_EQ(Values, TCalibrationValues{});
}

TEST_F(CalibrationReaders, RemoteMayNotTakeACatheterChannelButTheOvertubeMay) {
  ASSERT_TRUE(ReadSensorText("1\n4 0 0 0\n", Locator, Values, User));
  EXPECT_FALSE(ReadRemoteText("4 1 2\n", Locator, Values, User));
  EXPECT_THAT(User.Texts(), ElementsAre("Channel 4 used more than once"));
  ASSERT_TRUE(ReadRemoteText("6 1 2\n", Locator, Values, User));
  EXPECT_EQ(std::tuple(Values.HandChannel, Values.ChannelUsed[6], Entry(6, 0)),
            std::tuple(6, true, 1.0));
  ASSERT_TRUE(ReadOvertubeText("1\n0.5\n0.7\n4 3 9\n", Locator, Values, User));
  EXPECT_EQ(std::pair(Values.OvertubeChannel, Entry(4, 1)), std::pair(4, 9.0));
}

TEST_F(CalibrationReaders, OvertubeTypesGiveTheirLengths) {
  const auto Overtube = [this] {
    return std::tuple(Values.OvertubeType, Values.OvertubeLength1, Values.OvertubeLength2,
                      Values.OvertubeLength3, Values.OvertubeChannel);
  };
  ASSERT_TRUE(ReadOvertubeText("1\n0.5\n0.7\n2 0 0\n", Locator, Values, User));
  EXPECT_EQ(Overtube(), std::tuple(1, 0.5, 0.0, 0.7, 2));
  EXPECT_FALSE(Values.ChannelUsed[2]);
  ASSERT_TRUE(ReadOvertubeText("2\n0.5\n0.6\n0.7\n3 0 0\n", Locator, Values, User));
  EXPECT_EQ(Overtube(), std::tuple(2, 0.5, 0.6, 0.7, 3));
}

TEST_F(CalibrationReaders, PainSensorFileGivesCalibrationFullScaleAndUnits) {
  ASSERT_TRUE(ReadPainSensorText("0.25\n40\nmm Hg\n", Driver.Pressure, Values));
  EXPECT_EQ(std::tuple(Driver.PainCalibration, Values.PainFullScale, Values.PainUnits),
            std::tuple(0.25, 40.0, "mm Hg"));
  ASSERT_TRUE(ReadPainSensorText("0.25\n40\n\n", Driver.Pressure, Values));
  EXPECT_EQ(Values.PainUnits, "");
}

TEST_F(CalibrationReaders, DriverRefusingTheTableFailsTheReader) {
  Driver.ChannelTable[0] = 7;
  Driver.GetTableResult = testing::FakeFailure;
  EXPECT_FALSE(ReadRemoteText("1 2 3\n", Locator, Values, User));
  // A table the driver did not give must not be written back over channel 0.
  EXPECT_FALSE(TableWritten());
  Driver.GetTableResult = 0;
  Driver.SetTableResult = testing::FakeFailure;
  EXPECT_FALSE(ReadRemoteText("1 2 3\n", Locator, Values, User));
  EXPECT_EQ(Values, TCalibrationValues{});
}

} // namespace
} // namespace kestrava
