#pragma once
// The colon's segments along the track the tip has mapped (ColonMap.h),
// found from the track's shape in the patient's axes.
//
// What this assumes about anatomy, in units of the distance between the
// iliac spines (HipWidth, some 24 cm in an adult) so that it holds for small
// and large patients alike, with heights from the spines' level:
// - The rectum is the first RectumLength of track (15-18 cm in an adult,
//   scaled by HipWidth against ReferenceHipWidth).
// - The descending colon runs up the left flank to the splenic flexure, the
//   colon's upper left corner: of the track on the left (more than
//   FlexureSide) and above the spines (more than FlexureHeight), the point
//   furthest up and to the left (the largest height + side), once the track
//   beyond it has gone TurnAcross to the right; that is the transverse
//   colon, which the sigmoid, turning down again on the left, never does.
// - The descending colon starts at the lower left corner below the splenic
//   flexure (the smallest height - side), found walking back down the left
//   flank until the track rises again by WalkBackRise or leaves the flank;
//   it must rise DescendingRise to the flexure. Between the rectum and it
//   lies the sigmoid, however it is pushed about.
// - The hepatic flexure is the upper right corner after the splenic flexure
//   (the largest height - side, right of HepaticSide), once the track has
//   dropped HepaticDrop beyond it down the ascending colon.
// - The caecum lies in the right lower quadrant: the track's end is taken
//   for it when it lies right of CaecumSide, at least CaecumBelowFlexure
//   below the hepatic flexure and at most CaecumHeight above the spines;
//   the caecum is then its last CaecumLength (scaled like the rectum).
// The flexures are corners rather than the highest points because the axes
// the markers give lean with the pelvis: the transverse colon, hanging in
// front, can stand higher than the flexures in them.
//
// Depths in metres along the track. Pure functions; any thread.

#include "timeline/ColonMap.h"
#include "timeline/ColonSegment.h"

#include <optional>
#include <vector>

namespace kestrava {

inline constexpr double ReferenceHipWidth = 0.24; // metres
inline constexpr double RectumLength = 0.16;      // metres at the reference width
inline constexpr double CaecumLength = 0.06;      // metres at the reference width

// In hip widths.
inline constexpr double FlexureSide = 0.2;
inline constexpr double FlexureHeight = 0.25;
inline constexpr double TurnAcross = 0.25;
inline constexpr double WalkBackRise = 0.1;
inline constexpr double WalkBackSide = 0.1;
inline constexpr double DescendingRise = 0.2;
inline constexpr double HepaticSide = 0.15;
inline constexpr double HepaticDrop = 0.25;
inline constexpr double CaecumSide = 0.15;
inline constexpr double CaecumBelowFlexure = 0.4;
inline constexpr double CaecumHeight = 0.3;

struct TColonLandmarks {
  // Depths where each segment starts; none when the track does not show it.
  double SigmoidStart = RectumLength;
  std::optional<double> DescendingStart;
  std::optional<double> SplenicFlexure;
  std::optional<double> HepaticFlexure;
  // Set only when the track's end lies where the caecum lies.
  std::optional<double> CaecumStart;

  // The segment at Depth along the track (Rectum at the anal verge).
  TColonSegment SegmentAt(double Depth) const;
};

// The landmarks of the track Points (from the anal verge on) of a patient
// whose iliac spines lie HipWidth apart (metres, more than 0).
TColonLandmarks FindColonLandmarks(const std::vector<TMapPoint>& Points, double HipWidth);

} // namespace kestrava
