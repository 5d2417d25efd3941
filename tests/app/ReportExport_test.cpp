// File > "Export report...": where the dialog starts, and a report that is
// written whole or not at all, with a message that names the file and why.

#include "app/ReportExport.h"
#include "imagerdata/ImagerProcedure.h"
#include "tests/support/ProcedureBuilders.h"
#include "tests/support/ScratchDirectory.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(ReportExport, TheDialogSuggestsThePdfBesideTheRecording) {
  EXPECT_EQ(SuggestedReportPath("/data/rec/exam 1.img"), "/data/rec/exam 1.pdf");
  EXPECT_EQ(SuggestedReportPath("/data/v1.2/exam"), "/data/v1.2/exam.pdf");
  EXPECT_EQ(SuggestedReportPath(""), "report.pdf");
}

TEST(ReportExport, WritesTheReportOrSaysWhichFileFailedAndWhy) {
  const support::TScratchDirectory Folder;
  const std::filesystem::path& Dir = Folder.Dir;
  TImagerProcedure Procedure;
  support::AddPainFrames(Procedure, {1, 2, 3});
  const std::string Recording = Procedure.SaveToFile((Dir / "exam.img").string());

  EXPECT_EQ(ExportProcedureReport(Procedure, Recording, {}, (Dir / "exam.pdf").string()), "");
  std::ifstream Written(Dir / "exam.pdf", std::ios::binary);
  std::string Start(5, '\0');
  Written.read(Start.data(), 5);
  EXPECT_EQ(Start, "%PDF-");

  EXPECT_EQ(ExportProcedureReport(Procedure, Recording, {}, Dir.string()),
            "The report could not be written.\nCannot write file: " + Dir.string() +
                " (it is a directory)");
  const auto Size = std::filesystem::file_size(Recording);
  EXPECT_EQ(ExportProcedureReport(Procedure, Recording, {}, Recording),
            "The report could not be written.\nCannot write file: " + Recording +
                " (it is the recording's own file)");
  EXPECT_EQ(std::filesystem::file_size(Recording), Size);
}

} // namespace
} // namespace kestrava
