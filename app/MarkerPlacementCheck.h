#pragma once
// Body markers that cannot be right. Markers are placed with the remote's
// sensor held on the patient's landmarks; two of them a finger's width apart,
// or the three that give the patient's axes in a line, mean a button went
// off at the wrong place, and the axes, the views' alignment and the cut-off
// plane built on them would be wrong for the rest of the procedure. The
// window says so while recording; the markers are kept as placed.
//
// Lengths in metres. Thread: any.

#include <cstdint>
#include <string>

namespace kestrava {

class TImagerFrame;

// Markers closer than this cannot mark different landmarks.
inline constexpr double MarkerMinimumSpacing = 0.02;

// What is wrong with Frame's body markers for ProcedureType, or empty:
// - the first pair (in marker order) closer than MarkerMinimumSpacing:
//   "Markers 1 and 2 are 1 cm apart: place them again" (whole centimetres
//   rounded down, "less than 1 cm" below one);
// - else markers that give the patient axes (1-3 for a colonoscopy, 1-4 for
//   types 1 and 2) all placed but giving none, or, in a colonoscopy,
//   marker 3 within MarkerMinimumSpacing of the line through markers 1 and
//   2: "Markers 1-3 give no patient axes: place them again".
std::string MarkerPlacementAlert(const TImagerFrame& Frame, std::int32_t ProcedureType);

} // namespace kestrava
