// Frames no model can be built from as they stand: each fault is named with
// where it lies, the unusable item is left out of the drawable copy, and
// the model built from the frame has finite vertices only.

#include "SceneTestSupport.h"
#include "imagerdata/ImagerProcedure.h"
#include "scene/DrawableFrame.h"
#include "scene/PolygonImagerData.h"

#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

std::function<bool(const TImagerFrame&)> SensorLeftOut(std::size_t I) {
  return [I](const TImagerFrame& F) {
    return !F.SensorValid[I];
  };
}

struct TFaultCase {
  const char* Text;
  std::function<void(TImagerFrame&)> Spoil;
  // Whether the item is left out of the drawable copy.
  std::function<bool(const TImagerFrame&)> LeftOut;
};

TEST(DrawableFrame, NamesTheFirstFaultLeavesTheItemOutAndTheModelStaysFinite) {
  const TFaultCase Cases[] = {
      {"sensor 3 position: not a number", [](TImagerFrame& F) { F.SensorPosition[3].Y = NaN; },
       SensorLeftOut(3)},
      {"sensor 0 position: infinite", [](TImagerFrame& F) { F.SensorPosition[0].X = -Infinity; },
       SensorLeftOut(0)},
      {"sensor 5 position: out of range", [](TImagerFrame& F) { F.SensorPosition[5].Z = 1e30; },
       SensorLeftOut(5)},
      {"sensor 7 direction: zero direction", [](TImagerFrame& F) { F.SensorDirection[7] = {}; },
       SensorLeftOut(7)},
      {"segment 9 length: not a number", [](TImagerFrame& F) { F.SegmentLength[9] = NaN; },
       SensorLeftOut(10)},
      {"sensors 8 and 9: coincident sensors",
       [](TImagerFrame& F) {
         F.SensorPosition[9] = F.SensorPosition[8];
         F.SegmentLength[8] = 0;
       },
       [](const TImagerFrame& F) {
         return F.SensorValid[9];
       }},
      {"marker 2 position: infinite",
       [](TImagerFrame& F) {
         F.MarkerValid[1] = true;
         F.MarkerPosition[1].X = Infinity;
       },
       [](const TImagerFrame& F) {
         return !F.MarkerValid[1];
       }},
      {"hand position: not a number",
       [](TImagerFrame& F) {
         F.HandValid = true;
         F.HandPosition.Z = NaN;
       },
       [](const TImagerFrame& F) {
         return !F.HandValid;
       }},
      {"tube radius: out of range", [](TImagerFrame& F) { F.TubeRadius = -1; },
       [](const TImagerFrame& F) {
         return F.TubeRadius == DefaultTubeRadius;
       }},
      {"sensor count: out of range", [](TImagerFrame& F) { F.SensorCount = 40; },
       [](const TImagerFrame& F) {
         return F.SensorCount == MaxSensors;
       }},
      {"time: not a number", [](TImagerFrame& F) { F.Time = NaN; },
       [](const TImagerFrame& F) {
         return F.Time == 0;
       }},
      {"overtube position: not a number",
       [](TImagerFrame& F) {
         F.OvertubeKind = 2;
         F.OvertubeData2 = {0.1f, 0.1f, 0.1f, true, {std::nanf(""), 0, 0}};
       },
       [](const TImagerFrame& F) {
         return !F.OvertubeData2.Valid;
       }},
      {"pain: infinite", [](TImagerFrame& F) { F.Pain = Infinity; },
       [](const TImagerFrame& F) {
         return F.Pain == 0 && !F.PainValid;
       }},
  };
  TPolygonImagerData Model;
  for (const TFaultCase& Case : Cases) {
    SCOPED_TRACE(Case.Text);
    auto Frame = testing::ArcFrame();
    Case.Spoil(*Frame);
    TImagerFrame Drawable;
    EXPECT_EQ(FrameCheckText(MakeDrawableFrame(*Frame, Drawable)), Case.Text);
    EXPECT_TRUE(Case.LeftOut(Drawable));
    EXPECT_EQ(FrameCheckText(Model.BuildFromFrame(*Frame, ProcedureColonoscopy, true)), Case.Text);
    for (const auto& Mesh : Model.EndoscopeFrame().Meshes())
      for (const auto& V : Mesh->Vertices())
        ASSERT_TRUE(std::isfinite(V.X + V.Y + V.Z));
  }
  EXPECT_TRUE(CheckFrame(*testing::ArcFrame()).Sound());
}

} // namespace
} // namespace kestrava
