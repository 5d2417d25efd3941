// Body markers that cannot be right: crowded pairs and markers 1-3 that give
// no patient axes, told apart from markers that are fine or not yet placed.

#include "app/MarkerPlacementCheck.h"
#include "imagerdata/ImagerFrame.h"

#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using TMarkers = std::vector<std::pair<int, TVector3>>;

TEST(MarkerPlacementCheck, NamesTheFirstCrowdedPairThenMarkersGivingNoAxes) {
  // Right and left iliac spines 24 cm apart, the anal verge 15 cm below.
  const TVector3 Right{0.12, 0, 0.15}, Left{-0.12, 0, 0.15}, Anus{0, 0, 0};
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  struct TCase {
    TMarkers Markers;
    std::int32_t Type;
    std::string Alert;
  };
  const TCase Cases[] = {
      {{{0, Right}, {1, Left}, {2, Anus}}, 0, ""},
      {{{0, Right}, {1, {0.125, 0.012, 0.15}}},
       0,
       "Markers 1 and 2 are 1 cm apart: place them again"},
      {{{0, Right}, {1, Left}, {2, Anus}, {4, {0, 0.003, 0}}},
       0,
       "Markers 3 and 5 are less than 1 cm apart: place them again"},
      {{{0, Right}, {1, Left}, {2, {0, 0.01, 0.15}}},
       0,
       "Markers 1-3 give no patient axes: place them again"},
      {{{0, Right}, {1, Left}, {2, {0.3, 0, 0.15}}},
       0,
       "Markers 1-3 give no patient axes: place them again"},
      {{{0, Right}, {1, Left}, {2, {0.3, 0, 0.15}}}, 1, ""}, // its axes need four
      {{{0, Right}, {1, {NaN, 0, 0}}, {2, {0.121, 0, 0.15}}},
       0,
       "Markers 1 and 3 are less than 1 cm apart: place them again"},
  };
  for (const TCase& Case : Cases) {
    TImagerFrame Frame;
    for (const auto& [Index, Position] : Case.Markers) {
      Frame.MarkerValid[Index] = true;
      Frame.MarkerPosition[Index] = Position;
    }
    EXPECT_EQ(MarkerPlacementAlert(Frame, Case.Type), Case.Alert);
  }
}

} // namespace
} // namespace kestrava
