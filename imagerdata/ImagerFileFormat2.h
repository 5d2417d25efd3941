#pragma once
// The second imager file generation (read only): an 8-byte magic and
// version, the procedure header, then 654-byte frame records carrying the
// pain reading but no overtube data, with sensor directions stored reversed.

#include "imagerdata/ImagerFileInput.h"
#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <string>

namespace kestrava {

inline constexpr std::uint32_t ImagerFormat2Magic = 0x7149331A;
inline constexpr std::size_t Format2PreambleSize = 8;
inline constexpr std::size_t Format2FrameRecordSize = 654;

// Clears Procedure and loads it from Input. False when the input is not a
// (complete) format 2 file; Procedure then holds no frames and keeps its
// details. Never reads more frames than the input really holds. When the
// input starts as this format but cannot be read, Problem (if given) says
// where it failed ("truncated in frame 3 of 10").
bool ReadImagerFormat2(TImagerFileInput& Input, TImagerProcedure& Procedure,
                       std::string* Problem = nullptr);

} // namespace kestrava
