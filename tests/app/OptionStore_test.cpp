// The options: what "Set default options" keeps; reading and writing them,
// the value types, what a wrongly typed value does, the driver's identifier,
// and the QSettings store on a file.

#include "app/OptionStore.h"
#include "app/Options.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TOptions ChangedOptions() {
  return TOptions{false,    true,   false,   true,  false, true,      true,
                  false,    true,   2,       false, true,  true,      1,
                  "Cath Ä", "Tube", "Coils", false, true,  "/opened", "/stored, here",
                  0x123456, 0.25,   false,   true,  4000,  "0.0.0.0", true};
}

TEST(Options, SetDefaultOptionsKeepsOnlyTheLastChoicesAndTheFilesDirectory) {
  const TOptions Fresh = DefaultOptions("/work/dir");
  EXPECT_EQ(Fresh.ImagerFilesDirectory, "/work/dir");
  EXPECT_EQ(Fresh.ImagerFileStorageDirectory, QDir::homePath().toStdString() + "/Images");
  // The documented ones: the stream's port and address, the pain threshold.
  EXPECT_EQ(std::tuple(Fresh.IGTLinkPort, Fresh.IGTLinkAddress, Fresh.PatientPainThreshold),
            std::tuple(18944, "127.0.0.1", 0.1));

  TOptions Changed = ChangedOptions();
  TOptions Expected = DefaultOptions("/opened");
  Expected.UsePainSensor = true;
  Expected.ProcedureType = 1;
  Expected.SensorFilename = "Cath Ä";
  Expected.OvertubeFilename = "Tube";
  Expected.GeneratorCoilsFilename = "Coils";
  SetDefaultOptions(Changed);
  EXPECT_EQ(Changed, Expected);
}

TEST(OptionStore, EmptyStoreLeavesEveryOptionAtItsDefault) {
  const TMemoryOptionStore Empty;
  TOptions Options = DefaultOptions("/here");
  ReadOptions(Empty, Options);
  EXPECT_EQ(Options, DefaultOptions("/here"));
  EXPECT_EQ(ReadDriverId(Empty), std::nullopt);
}

TEST(OptionStore, OptionsAreWrittenWithTheirTypesAndReadBack) {
  TMemoryOptionStore Store;
  WriteOptions(Store, ChangedOptions());
  const auto& Values = Store.Values();
  // The design's 23, and ours beside them: loops, the OpenIGTLink server and
  // auto fit.
  EXPECT_EQ(Values.size(), 28u);
  EXPECT_EQ(Values.at("AutoFitEndoscope"), TOptionValue(1));
  EXPECT_EQ(Values.at("IGTLinkPort"), TOptionValue(4000));
  EXPECT_EQ(Values.at("IGTLinkAddress"), TOptionValue(std::string("0.0.0.0")));
  EXPECT_EQ(Values.at("ViewEndoscope"), TOptionValue(0));
  EXPECT_EQ(Values.at("ViewMarkers"), TOptionValue(1));
  EXPECT_EQ(Values.at("ViewMode"), TOptionValue(2));
  EXPECT_EQ(Values.at("BackgroundColor"), TOptionValue(0x123456));
  EXPECT_EQ(Values.at("SensorFilename"), TOptionValue(std::string("Cath Ä")));
  EXPECT_EQ(Values.at("ImagerFileStorageDirectory"), TOptionValue(std::string("/stored, here")));
  // 0.25 is 0x3FD0000000000000.
  EXPECT_EQ(Values.at("PatientPainThreshold"),
            TOptionValue(TOptionBytes{0, 0, 0, 0, 0, 0, 0xD0, 0x3F}));

  TOptions Read = DefaultOptions("/elsewhere");
  ReadOptions(Store, Read);
  EXPECT_EQ(Read, ChangedOptions());

  Store.WriteInteger("IGTLinkPort", 70000); // no such TCP port
  Store.WriteInteger("ViewEndoscope", -7);  // any non-zero word is true
  ReadOptions(Store, Read);
  EXPECT_TRUE(Read.ViewEndoscope);
  EXPECT_EQ(Read.IGTLinkPort, 4000);
}

TEST(OptionStore, ValueOfTheWrongTypeOrSizeKeepsTheDefault) {
  TMemoryOptionStore Store;
  Store.WriteString("ViewEndoscope", "0");
  Store.WriteBinary("AutoAlign", {0, 0, 0, 0});
  Store.WriteInteger("SensorFilename", 5);
  Store.WriteInteger("ViewMode", 3);
  Store.WriteInteger("PatientPainThreshold", 1);
  TOptions Options = DefaultOptions("/here");
  ReadOptions(Store, Options);
  EXPECT_EQ(Options, DefaultOptions("/here"));

  for (const TOptionBytes& Threshold :
       {TOptionBytes(7, 0), TOptionBytes(9, 0), TOptionBytes{0, 0, 0, 0, 0, 0, 0xF8, 0x7F}}) {
    Store.WriteBinary("PatientPainThreshold", Threshold);
    ReadOptions(Store, Options);
    EXPECT_EQ(Options.PatientPainThreshold, 0.1);
  }
}

TEST(OptionStore, DriverIdIsReadOnlyAsTheTextOfAClassIdentifier) {
  // The identifier's own rules are the loader's; a valid one is read below.
  TMemoryOptionStore Machine;
  Machine.WriteString("Driver ID", "6f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f9");
  EXPECT_EQ(ReadDriverId(Machine), std::nullopt);
  Machine.WriteInteger("Driver ID", 1);
  EXPECT_EQ(ReadDriverId(Machine), std::nullopt);
}

class SettingsOptionStore : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Directory.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Directory.filePath("user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope,
                       Directory.filePath("system"));
  }
  static QSettings Raw(QSettings::Scope Scope, const char* Application) {
    return QSettings(QSettings::NativeFormat, Scope, OptionsOrganisation, Application);
  }
  QTemporaryDir Directory;
};

TEST_F(SettingsOptionStore, WrittenOptionsReadBackFromTheFileWithExactTypes) {
  {
    const auto User = TSettingsOptionStore::User();
    TOptions Options = DefaultOptions("/here");
    ReadOptions(*User, Options);
    EXPECT_EQ(Options, DefaultOptions("/here"));
    auto Writable = TSettingsOptionStore::User();
    WriteOptions(*Writable, ChangedOptions());
    EXPECT_TRUE(Writable->Flush());
    EXPECT_EQ(Writable->Location(),
              Directory.filePath("user/Qel Medical Systems/Kestrava V4.5.conf").toStdString());
  }
  const auto User = TSettingsOptionStore::User();
  TOptions Read = DefaultOptions("/elsewhere");
  ReadOptions(*User, Read);
  EXPECT_EQ(Read, ChangedOptions());

  const QSettings File = Raw(QSettings::UserScope, UserOptionsApplication);
  EXPECT_EQ(File.value("ViewMarkers"), QVariant(QString("1"))); // a .conf keeps text
  EXPECT_EQ(File.value("BackgroundColor"), QVariant(QString("1193046")));
  EXPECT_EQ(File.value("SensorFilename"), QVariant(QString("Cath Ä")));
  EXPECT_EQ(File.value("PatientPainThreshold"), QVariant(QByteArray("\0\0\0\0\0\0\xD0\x3F", 8)));
}

TEST_F(SettingsOptionStore, OnlyWholeDecimalTextOrIntegersReadAsIntegers) {
  QSettings File = Raw(QSettings::UserScope, UserOptionsApplication);
  File.setValue("Negative", "-12");
  File.setValue("Word", 7);
  File.setValue("Letters", "abc");
  File.setValue("Fraction", "1.5");
  File.setValue("Padded", " 1");
  File.setValue("TooLarge", "2147483648");
  File.setValue("Empty", "");
  File.setValue("Bytes", QByteArray("1"));
  File.sync();
  const auto User = TSettingsOptionStore::User();
  EXPECT_EQ(User->ReadInteger("Negative"), -12);
  EXPECT_EQ(User->ReadInteger("Word"), 7);
  for (const char* Name : {"Letters", "Fraction", "Padded", "TooLarge", "Empty", "Bytes", "None"}) {
    EXPECT_EQ(User->ReadInteger(Name), std::nullopt) << Name;
  }
  EXPECT_EQ(User->ReadString("Bytes"), std::nullopt);
  EXPECT_EQ(User->ReadBinary("Letters"), std::nullopt);
  EXPECT_EQ(User->ReadString("Letters"), "abc");
}

TEST_F(SettingsOptionStore, DriverIdComesFromTheSystemScopeHardwareKey) {
  EXPECT_EQ(ReadDriverId(*TSettingsOptionStore::Machine()), std::nullopt);
  {
    QSettings Hardware = Raw(QSettings::SystemScope, HardwareOptionsApplication);
    Hardware.setValue(DriverIdName, "{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}");
    QSettings SystemWide = Raw(QSettings::SystemScope, UserOptionsApplication);
    SystemWide.setValue("ViewMode", 2);
  }
  EXPECT_EQ(ReadDriverId(*TSettingsOptionStore::Machine()),
            "{6F1E2D3C-4B5A-4978-8695-A4B3C2D1E0F9}");
  // Like the registry's per-user key, the user's options do not fall back to
  // values of the whole machine.
  EXPECT_EQ(TSettingsOptionStore::User()->ReadInteger("ViewMode"), std::nullopt);
}

} // namespace
} // namespace kestrava
