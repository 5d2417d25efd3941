#pragma once
// A plausible recording made without hardware, for demonstrations and for
// trying the tool: a five-minute colonoscopy, one frame per second, with the
// endoscope advancing along a gently curving path, three body markers, the
// hand sensor and a pain bump around the third minute.

#include <cstdint>

namespace kestrava {

class TImagerProcedure;

inline constexpr std::int32_t DemoFrameCount = 300;
inline constexpr double DemoSensorSpacing = 0.08; // metres between neighbouring sensors

// Clears Procedure and fills it with the demo recording. Deterministic: every
// call gives the same details and frames.
void BuildDemoProcedure(TImagerProcedure& Procedure);

} // namespace kestrava
