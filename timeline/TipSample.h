#pragma once
// What the timeline takes from one stored frame: where the endoscope's tip
// lies in the patient's own axes and whether it is past the anal verge.
//
// The axes come from body markers 1-3 as the loop detector finds them
// (GetPatientAxes of a colonoscopy): Side towards the patient's left when
// marker 1 is the right iliac spine, Height towards the head along the line
// from the anal verge to the spines' midpoint, Front along the markers'
// plane normal. Heights are measured from the spines' level, so 0 is the
// pelvic brim, and everything scales with HipWidth, the distance between
// the spines, when rules compare patients. The anal verge is the cut-off
// plane through marker 3 (GetMarkerAxis).
//
// Metres throughout. Pure function; any thread.

#include "geometry/Vectors.h"
#include "imagerdata/ImagerFrame.h"

namespace kestrava {

enum class TTipStatus {
  NoMarkers, // body markers 1-3 missing or in a line
  NoTip,     // no usable tip position
  Outside,   // the tip is not past the anal verge
  Inside,
};

struct TTipSample {
  TTipStatus Status = TTipStatus::NoMarkers;
  // Generator axes (the frame's own).
  TVector3 Tip;
  // Patient axes: X = Side, Y = Height above the iliac spines, Z = Front.
  TVector3 Patient;
  // The anal verge (marker 3) in the same patient axes.
  TVector3 AnalVerge;
  // How far the tip lies inside the anal plane; negative outside.
  double InsideDistance = 0;
  double HipWidth = 0;
};

// The tip counts as past the anal verge only this far inside its plane, so
// that a tip resting at the anus does not flicker in and out with noise.
inline constexpr double InsideMargin = 0.003;
// A tip sensor that has dropped out is stood in for by a valid sensor at
// most this far (catheter metres) behind it, moved forward along its direction.
inline constexpr double LongestTipStandIn = 0.10;

// The sample of Frame for a colonoscopy. Never throws for any frame content.
TTipSample SampleTip(const TImagerFrame& Frame);

} // namespace kestrava
