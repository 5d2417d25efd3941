#pragma once
// Reading painted pictures back: colours and where they occur.

#include "controls/ControlColors.h"

#include <QImage>
#include <QRect>

namespace kestrava::testing {

inline bool IsColor(const QImage& Image, int X, int Y, TColor Color) {
  return Image.pixelColor(X, Y).rgb() == ToQColor(Color).rgb();
}

// The smallest rectangle holding every pixel of Color within Area; empty
// when there is none.
inline QRect BoundsOf(const QImage& Image, TColor Color, QRect Area = {}) {
  if (Area.isNull())
    Area = Image.rect();
  Area &= Image.rect();
  QRect Bounds;
  for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
    for (int X = Area.left(); X <= Area.right(); ++X)
      if (IsColor(Image, X, Y, Color))
        Bounds |= QRect(X, Y, 1, 1);
  return Bounds;
}

inline int CountOf(const QImage& Image, TColor Color) {
  int Count = 0;
  for (int Y = 0; Y < Image.height(); ++Y)
    for (int X = 0; X < Image.width(); ++X)
      Count += IsColor(Image, X, Y, Color) ? 1 : 0;
  return Count;
}

} // namespace kestrava::testing
