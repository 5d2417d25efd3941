#pragma once
// render --caption: labels written onto a finished picture so that it can be
// told apart later: which file, frame and time it shows (bottom left) and the
// name of each view (top left of the view). Text size follows the picture's
// height; each label sits on a dark translucent box, so it reads on any
// background colour.

#include "app/ViewCamera.h"

#include <QImage>
#include <cstdint>
#include <string>

namespace kestrava {

struct TPictureCaption {
  std::string FileName; // shown without its directory
  std::int32_t FrameNumber = 0;
  std::int32_t FrameCount = 0;
  double ElapsedSeconds = 0; // since the procedure's start
};

// Text height in pixels for a picture Height pixels tall.
std::int32_t CaptionTextHeight(std::int32_t Height);

// "h:mm:ss" of Seconds (rounded down; negative counts as 0).
std::string ElapsedText(double Seconds);

// Writes Caption and the view names of ViewMode (placed as PlaceViews puts
// the views) onto Picture. Needs a GUI application for the fonts.
void DrawCaption(QImage& Picture, const TPictureCaption& Caption, std::int32_t ViewMode);

} // namespace kestrava
