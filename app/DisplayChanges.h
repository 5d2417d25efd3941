#pragma once
// What changed since the main window last refreshed. Handlers set flags and
// call the single refresh, which acts on them and clears them all together.

namespace kestrava {

struct TDisplayChanges {
  bool Procedure = false;
  bool Frame = false;
  bool Layout = false;
  bool Camera = false;
  bool ViewItems = false;
  bool Renderer = false;
  bool ViewMode = false;
  bool AutoCutoff = false;
  bool InfoVisibility = false;
  bool TimeLineVisibility = false;
  bool AlignmentRequested = false;
  // View > "Fit endoscope"; and "Auto fit endoscope" switched.
  bool FitRequested = false;
  bool AutoFit = false;

  // The changes that move or show/hide controls.
  bool NeedLayout() const {
    return Layout || ViewMode || InfoVisibility || Renderer || TimeLineVisibility;
  }
};

} // namespace kestrava
