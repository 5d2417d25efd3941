#pragma once
// Where the main window's controls go for a client area of a given size: the
// information box with the pain gauge and the Start/Stop buttons down the
// left, the time line and the curvature graph along the bottom, and one or
// two 3D views in what is left.
//
// All values are pixels of the window's client area; rectangles are
// Left/Top/Right/Bottom. Plain arithmetic; thread: any.

#include "foundation/Rectangle.h"

#include <cstdint>

namespace kestrava {

// Fixed heights of the bands along the bottom and the gap under each.
inline constexpr std::int32_t GraphBandHeight = 98;
inline constexpr std::int32_t GraphBandGap = 4;

struct TMainLayoutInput {
  std::int32_t ClientWidth = 0;
  std::int32_t ClientHeight = 0;
  bool ViewInfo = true;
  bool ViewTimeLine = true;
  bool ViewEndoscopeCurvature = false;
  bool Recording = false;
  // Whether the sampler has a driver: only then do the Start/Stop buttons
  // take room under the gauge.
  bool DriverCreated = false;
  std::int32_t ViewMode = 0;

  // Sizes the controls keep (their designed sizes).
  std::int32_t InfoBoxWidth = 0;
  std::int32_t GaugeHeight = 0;
  std::int32_t StartButtonHeight = 0;
  std::int32_t StopButtonHeight = 0;

  // Where the left-hand controls are now: with the information box hidden
  // they keep these places.
  TRect InfoBox, Gauge, StartButton, StopButton;
};

struct TMainLayout {
  bool InfoBoxVisible = false;
  bool TimeLineVisible = false;
  bool CurvatureGraphVisible = false;
  // The buttons are shown by the layout only when it places them; otherwise
  // they keep whatever visibility they had.
  bool ButtonsPlaced = false;

  TRect InfoBox, Gauge, StartButton, StopButton;
  TRect TimeLine, CurvatureGraph;
  TRect FrontView, SideView;
};

TMainLayout LayOutMainWindow(const TMainLayoutInput& Input);

} // namespace kestrava
