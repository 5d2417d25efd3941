#pragma once
// A frame as the display may use it. Recorded files and drivers can hold
// numbers no model can be built from (not a number, infinite, kilometres
// away, a direction of zero length) or sensors that coincide. The display,
// the tool and the stream work on a drawable copy that leaves such items
// out, and say what was wrong; the stored frame itself is never changed.
//
// Units: metres. Thread: any.

#include "imagerdata/ImagerFrame.h"

#include <cstdint>
#include <string>

namespace kestrava {

enum class TFrameFault : std::uint8_t {
  None,
  NotANumber,
  Infinite,
  OutOfRange,
  ZeroDirection,
  CoincidentSensors,
};

// The first fault found in a frame, in the order of its fields (time,
// sensors tip first, markers, hand, overtube, pain), and where it lies.
struct TFrameCheck {
  TFrameFault Fault = TFrameFault::None;
  // "sensor 3 position", "segment 2 length", "marker 1 position", "hand
  // direction", "tube radius", "sensors 4 and 5"...; empty without a fault.
  std::string Where;
  bool Sound() const { return Fault == TFrameFault::None; }
};

// Farther than this from the field generator no sensor can be (metres).
inline constexpr double MaxCoordinate = 100.0;

// "not a number", "infinite", "out of range", "zero direction",
// "coincident sensors"; empty for None.
const char* FrameFaultText(TFrameFault Fault);

// "sensor 3 position: not a number"; empty for a sound frame.
std::string FrameCheckText(const TFrameCheck& Check);

// Copies Frame into Drawable, leaving out what no model can be built from:
// a sensor whose position or direction is unusable, or that follows an
// unusable segment length, is not valid there, and so are such markers, the
// hand and the overtube. A time or pain that is not a finite number becomes
// 0 (pain not valid), a tube radius outside 0 .. 0.1 m the default radius,
// a sensor count outside 0..16 the nearest of those. Neighbouring valid
// sensors in one place are kept but reported (without catheter length
// between them the model stops there).
// Returns the first fault found.
TFrameCheck MakeDrawableFrame(const TImagerFrame& Frame, TImagerFrame& Drawable);

// The check alone, without a copy.
TFrameCheck CheckFrame(const TImagerFrame& Frame);

} // namespace kestrava
