#include "app/TimeLineMenu.h"

namespace kestrava {

const char* TimeLineCommandCaption(TTimeLineCommand Command) {
  switch (Command) {
  case TTimeLineCommand::SetAnalysisStart:
    return "Set analysis start marker";
  case TTimeLineCommand::SetAnalysisEnd:
    return "Set analysis end marker";
  case TTimeLineCommand::ClearAnalysis:
    return "Clear analysis markers";
  case TTimeLineCommand::SetReferenceStart:
    return "Set reference start marker";
  case TTimeLineCommand::SetReferenceEnd:
    return "Set reference end marker";
  case TTimeLineCommand::ClearReference:
    return "Clear reference markers";
  }
  return "";
}

bool TimeLineCommandEnabled(TTimeLineCommand Command, std::int32_t TimeLineIndex) {
  const bool Clears =
      Command == TTimeLineCommand::ClearAnalysis || Command == TTimeLineCommand::ClearReference;
  return Clears || TimeLineIndex != -1;
}

void ApplyTimeLineCommand(TImagerProcedure& Procedure, TTimeLineCommand Command,
                          std::int32_t TimeLineIndex) {
  switch (Command) {
  case TTimeLineCommand::SetAnalysisStart:
    Procedure.SetAnalysisStart(TimeLineIndex);
    break;
  case TTimeLineCommand::SetAnalysisEnd:
    Procedure.SetAnalysisEnd(TimeLineIndex);
    break;
  case TTimeLineCommand::ClearAnalysis:
    Procedure.SetAnalysisStart(-1);
    Procedure.SetAnalysisEnd(-1);
    break;
  case TTimeLineCommand::SetReferenceStart:
    Procedure.SetReferenceStart(TimeLineIndex);
    break;
  case TTimeLineCommand::SetReferenceEnd:
    Procedure.SetReferenceEnd(TimeLineIndex);
    break;
  case TTimeLineCommand::ClearReference:
    Procedure.SetReferenceStart(-1);
    Procedure.SetReferenceEnd(-1);
    break;
  }
}

} // namespace kestrava
