#include "ToolTestSupport.h"
#include "tools/DateTimeText.h"
#include "tools/DisplayText.h"

namespace kestrava::testing {
namespace {

class InfoCommand : public TToolTest {};

TEST_F(InfoCommand, ReportsEveryProcedureDetailInJsonAndText) {
  TImagerProcedure Procedure;
  FillProcedure(Procedure, {1, 2, 3});
  Procedure.PatientName = "J\u00F6rg \x1B[2J";
  Procedure.ProcedureType = ProcedureTop;
  Procedure.StartTime = DateTimeFromCivil(2026, 3, 4, 14, 5, 6);
  const std::string File = Procedure.SaveToFile(PathOf("top.img"));

  const TToolRun Result = Run({"info", File, "--json"});
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  EXPECT_EQ(Result.Json(), TJson::parse(R"({"format": 3, "patient_name": "J\u00f6rg \u001b[2J",
      "procedure_type": 1, "procedure_type_text": "Top", "start_time": )" +
                                        FormatNumber(Procedure.StartTime) + R"(,
      "start_time_iso": "2026-03-04T14:05:06", "frame_count": 3, "has_pain_data": true,
      "pain_units": "mmHg"})"));

  const std::string Text = Run({"info", File}).Out;
  EXPECT_NE(Text.find("J\u00F6rg ?[2J"), std::string::npos) << Text; // no escape to the terminal
  EXPECT_NE(Text.find("Top (1)"), std::string::npos);
  EXPECT_NE(Text.find("2026-03-04T14:05:06"), std::string::npos);
}

} // namespace
} // namespace kestrava::testing
