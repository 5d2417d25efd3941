#include "imagerdata/ImagerFileFormat2.h"

#include "imagerdata/ImagerFileBytes.h"
#include "imagerdata/ImagerFileLoadAttempt.h"
#include "imagerdata/ImagerFileRecords.h"

namespace kestrava {

namespace {

constexpr TFrameRecordLayout Layout2{.SensorCount = 0,
                                     .SensorValid = 2,
                                     .SensorPosition = 18,
                                     .SensorDirection = 210,
                                     .SegmentLength = 402,
                                     .MarkerValid = 462,
                                     .MarkerPosition = 468,
                                     .MarkerDirection = 540,
                                     .EndoscopeValid = 612,
                                     .HandValid = 613,
                                     .HandPosition = 614,
                                     .HandDirection = 626,
                                     .Time = 638};
constexpr std::size_t PainOffset = 646;

bool ReadFrame(TImagerFileInput& Input, TImagerProcedure& Procedure) {
  const auto Record = Input.Take(Format2FrameRecordSize);
  if (Record.empty()) {
    return false;
  }
  TImagerFrame& Frame = Procedure.AddFrame();
  if (!DecodeFrameFields(Record.data(), Layout2, true, Frame)) {
    return false;
  }
  // This generation predates stored tube radii and pain validity.
  Frame.TubeRadius = DefaultTubeRadius;
  Frame.Pain = LoadF64(Record.data(), PainOffset);
  return true;
}

} // namespace

bool ReadImagerFormat2(TImagerFileInput& Input, TImagerProcedure& Procedure, std::string* Problem) {
  TImagerFileLoadAttempt Attempt(Procedure);
  const auto Preamble = Input.Take(Format2PreambleSize);
  if (Preamble.empty() || LoadU32(Preamble.data(), 0) != ImagerFormat2Magic ||
      LoadU16(Preamble.data(), 4) != 0) {
    return false;
  }
  const auto HeaderBytes = Input.Take(ProcedureHeaderSize);
  if (HeaderBytes.empty()) {
    return ReportProblem(Problem, "truncated in the procedure header");
  }
  const TProcedureHeader Header = DecodeProcedureHeader(HeaderBytes.data());
  for (std::int32_t I = 0; I < Header.FrameCount; ++I) {
    if (!ReadFrame(Input, Procedure)) {
      return ReportProblem(Problem, FrameProblem(Input, I, Header.FrameCount));
    }
  }
  ApplyProcedureHeader(Header, Procedure);
  return Attempt.Accept();
}

} // namespace kestrava
