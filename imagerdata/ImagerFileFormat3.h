#pragma once
// The current imager file generation: a 16-byte signature, the procedure
// header, then per frame a 651-byte record, a 9-byte pain block when the
// procedure has pain data, and a 21- or 25-byte overtube block by the frame's
// overtube kind.

#include "imagerdata/ImagerFileInput.h"
#include "imagerdata/ImagerProcedure.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

// The GUID {D2F28F26-38B4-4F94-857A-98E16BF75A93} in its binary form.
inline constexpr std::array<std::uint8_t, 16> ImagerFormat3Signature = {
    0x26, 0x8F, 0xF2, 0xD2, 0xB4, 0x38, 0x94, 0x4F, 0x85, 0x7A, 0x98, 0xE1, 0x6B, 0xF7, 0x5A, 0x93};

inline constexpr std::size_t Format3FrameRecordSize = 651;
inline constexpr std::size_t Format3PainBlockSize = 9;
inline constexpr std::size_t Format3Overtube1Size = 21;
inline constexpr std::size_t Format3Overtube2Size = 25;

// The whole file image of Procedure. A frame whose OvertubeKind is neither 1
// nor 2 is stored as kind 0, so that every file written can be read back.
std::vector<std::uint8_t> EncodeImagerFormat3(const TImagerProcedure& Procedure);

// Appends the entry of one frame (record and blocks) to Out as a file whose
// header says HasPainData holds it: the bytes EncodeImagerFormat3 writes for
// that frame.
void AppendImagerFormat3Frame(const TImagerFrame& Frame, bool HasPainData,
                              std::vector<std::uint8_t>& Out);

// Clears Procedure and loads it from Input. False when the input is not a
// (complete) format 3 file; Procedure then holds no frames and keeps its
// details. Never reads more frames than the input really holds. When the
// input starts as this format but cannot be read, Problem (if given) says
// where it failed ("truncated in frame 3 of 10").
bool ReadImagerFormat3(TImagerFileInput& Input, TImagerProcedure& Procedure,
                       std::string* Problem = nullptr);

} // namespace kestrava
