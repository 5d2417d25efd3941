#include "app/MainLayout.h"

#include "app/ViewCamera.h"

#include <algorithm>

namespace kestrava {

namespace {

// The area still free for the views, shrinking as each band is placed.
struct TFreeArea {
  std::int32_t Left, Top, Width, Height;

  // Takes a band of GraphBandHeight off the bottom and returns it.
  TRect TakeBottomBand() {
    const TRect Band = RectOf(Left, Top + Height - GraphBandHeight, Width, GraphBandHeight);
    Height -= GraphBandHeight + GraphBandGap;
    return Band;
  }
};

// The left column, bottom up: Stop, Start (only with a driver), the gauge,
// and the information box filling the rest from the top.
void PlaceLeftColumn(const TMainLayoutInput& In, const TFreeArea& Area, TMainLayout& Out) {
  const std::int32_t BoxWidth = In.InfoBoxWidth;
  std::int32_t GaugeTop = 0;
  if (!In.DriverCreated) {
    GaugeTop = Area.Height - In.GaugeHeight;
  } else {
    const std::int32_t StopTop = Area.Height - In.StopButtonHeight;
    Out.StopButton = RectOf(8, StopTop, BoxWidth - 16, In.StopButtonHeight);
    const std::int32_t StartTop = StopTop - In.StartButtonHeight - 8;
    Out.StartButton = RectOf(8, StartTop, BoxWidth - 16, In.StartButtonHeight);
    Out.ButtonsPlaced = true;
    GaugeTop = StartTop - In.GaugeHeight - 8;
  }
  Out.Gauge = RectOf(2, GaugeTop, BoxWidth, In.GaugeHeight);
  Out.InfoBox = RectOf(Area.Left, 4, BoxWidth, GaugeTop - 4 - 8);
}

} // namespace

TMainLayout LayOutMainWindow(const TMainLayoutInput& In) {
  TMainLayout Out;
  Out.InfoBoxVisible = In.ViewInfo;
  Out.TimeLineVisible = In.ViewTimeLine;
  Out.InfoBox = In.InfoBox;
  Out.Gauge = In.Gauge;
  Out.StartButton = In.StartButton;
  Out.StopButton = In.StopButton;

  TFreeArea Area{2, 4, In.ClientWidth - 5, In.ClientHeight - 28};
  if (In.ViewInfo) {
    PlaceLeftColumn(In, Area, Out);
    Area.Left += In.InfoBoxWidth + 5;
    Area.Width -= In.InfoBoxWidth + 5;
  }
  if (In.ViewTimeLine)
    Out.TimeLine = Area.TakeBottomBand();
  Out.CurvatureGraphVisible = In.ViewEndoscopeCurvature && !In.Recording;
  if (Out.CurvatureGraphVisible)
    Out.CurvatureGraph = Area.TakeBottomBand();

  // PlaceViews clamps each view itself, so it gets the area as it is.
  const TRect ViewArea{Area.Left, Area.Top, Area.Left + Area.Width, Area.Top + Area.Height};
  const TViewPlacement Views = PlaceViews(In.ViewMode, ViewArea);
  Out.FrontView = Views.Front;
  Out.SideView = Views.Side;
  return Out;
}

} // namespace kestrava
