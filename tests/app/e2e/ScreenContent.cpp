#include "ScreenContent.h"

#include <algorithm>
#include <cstdlib>

namespace kestrava::test {

namespace {

bool IsGrey(QRgb P) {
  const int R = qRed(P), G = qGreen(P), B = qBlue(P);
  const int Low = std::min({R, G, B}), High = std::max({R, G, B});
  return High - Low <= 24 && Low >= 40 && High <= 230;
}

bool IsBlack(QRgb P) {
  return qRed(P) < 16 && qGreen(P) < 16 && qBlue(P) < 16;
}
bool IsWhite(QRgb P) {
  return qRed(P) > 220 && qGreen(P) > 220 && qBlue(P) > 220;
}

template <class TTest> int CountIn(const QImage& Image, const QRect& Box, TTest Test) {
  int Count = 0;
  const QRect Clipped = Box & Image.rect();
  for (int Y = Clipped.top(); Y <= Clipped.bottom(); ++Y)
    for (int X = Clipped.left(); X <= Clipped.right(); ++X)
      Count += Test(Image.pixel(X, Y)) ? 1 : 0;
  return Count;
}

} // namespace

std::vector<QRect> ColourRegions(const QImage& Image, QRgb Colour, int MinWidth) {
  std::vector<QRect> Regions;
  QRect Current;
  const auto Close = [&] {
    if (!Current.isNull() && Current.width() >= MinWidth)
      Regions.push_back(Current);
    Current = QRect();
  };
  for (int X = 0; X < Image.width(); ++X) {
    int Count = 0, Top = Image.height(), Bottom = -1;
    for (int Y = 0; Y < Image.height(); ++Y) {
      if ((Image.pixel(X, Y) & 0xFFFFFF) != (Colour & 0xFFFFFF))
        continue;
      ++Count;
      Top = std::min(Top, Y);
      Bottom = std::max(Bottom, Y);
    }
    if (Count * 3 < Image.height()) {
      Close();
      continue;
    }
    const QRect Column(X, Top, 1, Bottom - Top + 1);
    Current = Current.isNull() ? Column : Current.united(Column);
  }
  Close();
  return Regions;
}

int GreyPixels(const QImage& Image, const QRect& Box) {
  return CountIn(Image, Box, IsGrey);
}

int WhitePixels(const QImage& Image, const QRect& Box) {
  return CountIn(Image, Box, IsWhite);
}

QRect BlackBand(const QImage& Image, int Top) {
  QRect Best;
  int RunStart = -1;
  for (int Y = std::max(Top, 0); Y <= Image.height(); ++Y) {
    const bool Black = Y < Image.height() &&
                       CountIn(Image, QRect(0, Y, Image.width(), 1), IsBlack) * 2 > Image.width();
    if (Black && RunStart < 0)
      RunStart = Y;
    if (Black || RunStart < 0)
      continue;
    const QRect Band(0, RunStart, Image.width(), Y - RunStart);
    if (Band.height() > Best.height())
      Best = Band;
    RunStart = -1;
  }
  return Best;
}

} // namespace kestrava::test
