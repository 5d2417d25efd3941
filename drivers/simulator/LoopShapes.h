#pragma once
// The loops a script makes the endoscope form, as shapes the colon is
// stretched into, and the ground truth of what the endoscope then shows.
//
// A loop moves the colon's grid points over its span (the sigmoid, or the
// transverse colon between the flexures) part of the way, by its share
// (0 = not formed, 1 = fully formed), towards its full shape:
// - alpha, reverse alpha: a loop rising from the sigmoid that crosses itself
//   below its top, the limb nearer the tip in front (alpha) or behind;
// - gamma, reverse gamma: the same hanging down from the transverse colon;
// - N: the sigmoid pushed up into a narrow hairpin, with no crossing;
// - deep transverse: the transverse colon sagging into the pelvis.
// "Up", "front" and "side" are the patient's axes as the program finds them
// from the colonoscopy's body markers 1-3 (see TBodyAxes).
//
// The truth says whether the loop is there by looking at the noise-free
// shape itself: the crossing exists in the AP projection and closes at
// least MinTrueLoopArc, the hairpin stands high enough and holds enough
// endoscope, the sag reaches below the pelvic brim. Positions are in body
// axes (the anus at the origin), metres. Immutable; any thread.

#include "drivers/simulator/ColonPath.h"
#include "drivers/simulator/SimulatorSettings.h"
#include "geometry/Vectors.h"

#include <vector>

namespace kestrava::simulator {

// Thresholds of the truth, as the clinical definitions put them.
inline constexpr double MinTrueLoopArc = 0.15;  // a crossing loop holds this much endoscope
inline constexpr double LowerAbdomenTop = 0.10; // alpha below, gamma above (from the hips)
inline constexpr double HairpinRise = 0.08;     // an N hairpin stands this high
inline constexpr double HairpinExcess = 0.10;   // and takes this much more endoscope
inline constexpr double PelvicSag = 0.05;       // a deep transverse sags this far below the hips

// The patient's axes from the markers on the right and left iliac spines
// (M0, M1) and the anal verge (M2): Up from the anal verge towards the
// hips' midpoint, Front the normal (M1 - M2) x (M0 - M2), Side = Up x Front,
// Centre (M0 + M1 + 2 M2) / 4.
struct TBodyAxes {
  TVector3 Centre, Side, Up, Front;
  double HipsHeight = 0; // height of the hips' midpoint above the centre

  static TBodyAxes FromMarkers(const TVector3& M0, const TVector3& M1, const TVector3& M2);
  double Height(const TVector3& P) const { return DotProduct(SubtractVectors(P, Centre), Up); }
  double Across(const TVector3& P) const { return DotProduct(SubtractVectors(P, Centre), Side); }
  double Depth(const TVector3& P) const { return DotProduct(SubtractVectors(P, Centre), Front); }
};

// The colon arcs a loop of Kind stretches.
struct TColonSpan {
  double From = 0, To = 0;
};
TColonSpan LoopSpan(const TColonPath& Path, TLoopKind Kind);
// How deep the tip is held while a loop of Kind forms (colon arc).
double LoopTriggerArc(const TColonPath& Path, TLoopKind Kind);

// What a scripted loop shows on the noise-free endoscope.
struct TLoopTruth {
  bool Present = false;
  TLoopKind Kind = TLoopKind::Alpha;
  // The looped part, endoscope metres from the tip (nearer and further end).
  double ExtentNear = 0, ExtentFar = 0;
};

class TLoopShape {
public:
  TLoopShape(const TColonPath& Path, TLoopKind Kind, const TBodyAxes& Axes);

  TLoopKind Kind() const { return Kind_; }
  const TColonSpan& Span() const { return Span_; }
  // How far grid point J of the colon moves when the loop is fully formed.
  TVector3 Displacement(std::size_t J) const;

  // Judges the endoscope's shape: Points and Arcs are its grid points and
  // their arc along the endoscope, TipArc the tip's arc.
  TLoopTruth Judge(const std::vector<TVector3>& Points, const std::vector<double>& Arcs,
                   double TipArc) const;

private:
  TLoopTruth JudgeCrossing(const std::vector<TVector3>& Points, const std::vector<double>& Arcs,
                           double TipArc) const;

  const TColonPath* Path_;
  TLoopKind Kind_;
  TBodyAxes Axes_;
  TColonSpan Span_;
  std::size_t FirstGrid_ = 0, LastGrid_ = 0;
  std::vector<TVector3> Moves_; // one per grid point FirstGrid_ .. LastGrid_
};

} // namespace kestrava::simulator
