#pragma once
// The first imager file generation (read only): three files sharing a base
// name — base.img (183- or 184-byte header with the patient name, sensor
// count and sensor spacings), base.end (380-byte frame records with packed
// FAT times and angle-coded sensors) and base.mar (410-byte marker sets that
// frames refer to by number; the file may be missing).

#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <string>

namespace kestrava {

inline constexpr std::uint32_t ImagerFormat1Magic = 0xF1290001;
inline constexpr std::size_t Format1HeaderSize = 183;
inline constexpr std::size_t Format1FrameRecordSize = 380;
inline constexpr std::size_t Format1MarkerSetSize = 410;
inline constexpr int Format1MaxSensors = 18;

// Clears Procedure and loads the set that FileName (extension ".img" in any
// letter case) heads. False when it is not a format 1 set, including a header
// whose tip point and sensors would need more than the 16 slots of a frame;
// Procedure then holds no frames and keeps its details. Raises Exception
// "Cannot open file: <name>" for a header or frame file that cannot be
// opened, "File error: 'NumSensors' is invalid." for more than 18 sensors and
// "Imager file <FileName> is empty" for a frame file without a whole record.
bool ReadImagerFormat1(const std::string& FileName, TImagerProcedure& Procedure);

} // namespace kestrava
