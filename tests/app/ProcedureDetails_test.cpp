// The procedure details: the data-file lists, the preselection, OK's checks
// in their order and the fields handed back.

#include "app/ProcedureDetails.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

class ProcedureDetails : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Directory.isValid()); }
  std::string Path() const { return Directory.path().toStdString(); }
  void Add(const char* Name) {
    QFile File(Directory.filePath(Name));
    ASSERT_TRUE(File.open(QIODevice::WriteOnly)) << Name;
  }
  QTemporaryDir Directory;
};

TEST_F(ProcedureDetails, ListsDataFilesWithoutExtensionSortedIgnoringCase) {
  for (const char* Name : {"b.msd", "A.msd", "a.msd", "Cath 2.msd", ".hidden.msd", "x.msd.bak",
                           ".msd", "upper.MSD", "coils.gen"}) {
    Add(Name);
  }
  ASSERT_TRUE(QDir(Directory.path()).mkdir("folder.msd"));
  EXPECT_EQ(ListDataFileNames(Path(), ".msd"),
            (std::vector<std::string>{".hidden", "A", "a", "b", "Cath 2"}));
  EXPECT_EQ(ListDataFileNames(Path() + "/missing", ".msd"), std::vector<std::string>{});
}

TEST_F(ProcedureDetails, RecordingNeedsSensorAndGeneratorFilesButNoOvertube) {
  TProcedureChoices Choices = ListProcedureChoices(Path());
  EXPECT_EQ(Choices.Overtubes, std::vector<std::string>{""});
  EXPECT_EQ(MissingDataFilesMessage(Choices), NoSensorFilesMessage);
  Add("Cath.msd");
  EXPECT_EQ(MissingDataFilesMessage(ListProcedureChoices(Path())), NoGeneratorCoilFilesMessage);
  Add("Coils.gen");
  Add("Tube.otb");
  Choices = ListProcedureChoices(Path());
  EXPECT_EQ(MissingDataFilesMessage(Choices), std::nullopt);
  EXPECT_EQ(Choices.Overtubes, (std::vector<std::string>{"", "Tube"}));
}

TEST(ProcedureDetailsPreset, SelectsExactNamesOnlyAndTheEmptyOvertubeOtherwise) {
  const TProcedureChoices Choices{{"Cath1", "Cath2"}, {"", "Tube"}, {"Coils"}};
  TProcedureDetails Details{"/store", "name", "Patient", 2, "Cath2.msd", "Tube", "Coils", true};
  EXPECT_EQ(PresetSelection(Details, Choices),
            (TProcedureSelection{"name", "Patient", 2, 1, 1, 0, true}));

  Details = {"/store", "", "", 3, "cath2", "tube.otb", "Other.gen", false};
  EXPECT_EQ(PresetSelection(Details, Choices),
            (TProcedureSelection{"", "", std::nullopt, std::nullopt, 0, std::nullopt, false}));
  Details.ProcedureType = -1;
  EXPECT_EQ(PresetSelection(Details, Choices).ProcedureType, std::nullopt);
}

TEST_F(ProcedureDetails, OkChecksInOrderShowingTheFirstFailureAndNamingItsControl) {
  using enum TProcedureDetailsControl;
  TScriptedUserInteraction User;
  TProcedureSelection Selection;
  auto Failure = [&] {
    return ValidateProcedureDetails(Path(), Selection, User);
  };
  auto Expect = [&](const char* Message, TProcedureDetailsControl Focus) {
    User.ClearMessages();
    EXPECT_EQ(Failure(), (TProcedureDetailsFailure{Message, Focus})) << Message;
    EXPECT_EQ(User.Texts(), std::vector<std::string>{Message});
  };

  Expect(EnterFileNameMessage, FileName);
  for (const char* Invalid : {"a.b", "a\\b", "a/b", "..", "/"}) {
    Selection.FileName = Invalid;
    Expect(InvalidFileNameMessage, FileName);
  }
  Selection.FileName = "Patient 12 x";
  Expect(EnterPatientNameMessage, PatientName);
  Selection.PatientName = "Smith";
  Expect(SelectProcedureTypeMessage, ProcedureType);
  Selection.ProcedureType = 0;
  Expect(SelectSensorMessage, Sensor);
  Selection.Sensor = 0;
  Expect(SelectGeneratorCoilsMessage, GeneratorCoils);
  Selection.GeneratorCoils = 0;
  User.ClearMessages();
  EXPECT_EQ(Failure(), std::nullopt);
  EXPECT_TRUE(User.Messages().empty());

  Add("Patient 12 x.img");
  EXPECT_EQ(Failure(), (TProcedureDetailsFailure{OverwriteQuestion, FileName})); // declined
  EXPECT_EQ(User.Messages().back(),
            (TUserMessage{OverwriteQuestion, "", TMessageIcon::Question, TMessageButtons::YesNo}));
  User.QueueAnswer(TMessageAnswer::No);
  EXPECT_EQ(Failure(), (TProcedureDetailsFailure{OverwriteQuestion, FileName}));
  User.QueueAnswer(TMessageAnswer::Yes);
  EXPECT_EQ(Failure(), std::nullopt);
}

TEST(ProcedureDetailsTake, GivesFullPathAndFileNamesWithTheirExtensions) {
  const TProcedureChoices Choices{{"Cath1", "Cath2"}, {"", "Tube"}, {"Coils"}};
  TProcedureDetails Details{"/store", "preset", "", 0, "", "Tube", "", false};
  TakeProcedureDetails({"Case 7", "Smith", 1, 0, 0, 0, true}, Choices, Details);
  EXPECT_EQ(Details, (TProcedureDetails{"/store", "/store/Case 7.img", "Smith", 1, "Cath1.msd", "",
                                        "Coils.gen", true}));
  TakeProcedureDetails({"Case 7", "Smith", 1, 1, 1, 0, true}, Choices, Details);
  EXPECT_EQ(Details.SensorFile, "Cath2.msd");
  EXPECT_EQ(Details.OvertubeFile, "Tube.otb");
}

} // namespace
} // namespace kestrava
