#pragma once
// Loop detection on one frame: whether the colonoscope has formed a loop,
// of which class, where it crosses itself and which part of the endoscope it
// takes up. The entry point for the workstation, the tool and the streaming
// server: ClassifyLoop(Frame, ProcedureType).
//
// The shapes, in the patient's axes from the body markers (GetPatientAxes:
// Axis towards the head, Normal towards the front), looking at the part of
// the endoscope inside the patient (tip to the cut-off plane at the anus):
// - a crossing in the AP projection (along Normal) that closes a loop of at
//   least MinLoopArc of endoscope: alpha when the crossing lies less than
//   LowerAbdomenTop above the iliac spines' level, gamma above that; the
//   reverse forms when the limb nearer the tip passes behind the other;
// - deep transverse: beyond the highest point of the endoscope (the splenic
//   flexure) it sags more than DeepTransverseSag below the iliac spines'
//   level and rises again by RiseAfterSag towards the tip, at least
//   TransverseSpan across the body from that highest point;
// - N: the endoscope rises, turns through HairpinTurn or more within
//   HairpinWindow, and falls, each limb by HairpinDrop, the hairpin holding
//   more than NExcess of endoscope beyond the straight line across its base;
// - atypical: excess length above AtypicalExcess without those shapes.
// Excess length is the inserted length less the length of the same path
// with every loop cut short: across its crossing, its hairpin's base, or
// wherever the endoscope passes within NeckWidth of itself after at least
// MinLoopArc.
//
// When the tip's depth is known (the procedure timeline's: metres along the
// colon from the anal verge, see timeline/TimelineTracker.h), the inserted
// length less that depth is the excess any loop adds, whether its limbs
// cross, close in or stand wide apart. A tall N loop, the sigmoid pushed up
// as far as the transverse colon in a broad arch, neither turns sharply nor
// closes a neck; with more than NDepthExcess of such excess, the highest
// point of the endoscope that falls HairpinDrop on either side is taken for
// its top. The excess reported is then the larger of the two.
//
// Deterministic: the same frame gives the same state. Lengths in metres,
// positions in the frame's generator axes. Thread: any.

#include "geometry/Vectors.h"
#include "imagerdata/ImagerFrame.h"
#include "looping/LoopClass.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrava {

class TScopeTrace;

inline constexpr double MinLoopArc = 0.15;
inline constexpr double LowerAbdomenTop = 0.10;
inline constexpr double DeepTransverseSag = 0.05;
inline constexpr double RiseAfterSag = 0.05;
inline constexpr double TransverseSpan = 0.12;
inline constexpr double HairpinTurnDegrees = 150;
inline constexpr double HairpinWindow = 0.15;
inline constexpr double HairpinDrop = 0.08;
inline constexpr double NExcess = 0.10;
inline constexpr double AtypicalExcess = 0.15;
inline constexpr double NeckWidth = 0.05;
// Twice NExcess: the depth comes from the tip's track, which cuts the
// colon's corners by a few centimetres.
inline constexpr double NDepthExcess = 0.20;

struct TLoopState {
  // A loop of Class is present (Class is never None then).
  bool Present = false;
  TLoopClass Class = TLoopClass::None;
  // Where the limbs cross in the AP projection: the midpoint between them.
  bool HasCrossing = false;
  TVector3 Crossing;
  // The looped part of the endoscope, catheter metres from the tip.
  bool HasExtent = false;
  double ExtentNear = 0;
  double ExtentFar = 0;
  // Catheter metres from the tip to the anus, and how much of it the loops take.
  double InsertedLength = 0;
  double ExcessLength = 0;
  // Why the frame could not be classified (a static text); empty when it was.
  std::string_view Reason;
};

// The loop state of Frame for the procedure type ProcedureType (0 is a
// colonoscopy), with the tip's depth when it is known. Frames that cannot
// be classified (another procedure type, body markers 1-3 missing, fewer
// than four valid sensors) give class None with Reason set. Never throws
// for any frame content.
TLoopState ClassifyLoop(const TImagerFrame& Frame, std::int32_t ProcedureType,
                        std::optional<double> TipDepth = std::nullopt);

// The same on a trace already built (see ScopeTrace.h).
TLoopState ClassifyTrace(const TScopeTrace& Trace, std::optional<double> TipDepth = std::nullopt);

} // namespace kestrava
