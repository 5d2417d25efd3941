#pragma once
// What the streaming server needs to know about the procedure besides the
// frame itself. The patient's name has no place here on purpose: nothing
// that is not in this struct or the frame can reach a network client.

#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrava {

struct TStreamContext {
  std::int32_t ProcedureType = ProcedureColonoscopy;
  // The procedure's start: a local date-time (days since 30 December 1899).
  // Frame times are days since this moment.
  double StartTime = 0;
  bool HasPainData = false;
  std::string PainUnits;
  // The scope model ends at the cut-off plane, as the views draw it.
  bool AutoCutoff = true;
  // The loop detector's verdict for this frame, sent as STRING "LoopState"
  // when present.
  std::optional<std::string> LoopState;
};

// The procedure's details that may be streamed (never the patient's name).
TStreamContext StreamContextOf(const TImagerProcedure& Procedure);

// Seconds since 1970-01-01 UTC of a local date-time, as this computer's time
// zone rules read it (daylight saving included).
double UtcSecondsOfLocalDateTime(double DateTime);

} // namespace kestrava
