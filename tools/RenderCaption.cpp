#include "tools/RenderCaption.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace kestrava {

namespace {

// Small pictures still get text a person can read.
constexpr std::int32_t SmallestTextHeight = 11;
constexpr std::int32_t PictureHeightPerTextLine = 40;

void DrawLabel(QPainter& Painter, const QString& Text, std::int32_t Left, std::int32_t Top,
               bool Bottom) {
  const QFontMetrics Metrics(Painter.font());
  const std::int32_t Pad = std::max(2, Metrics.height() / 4);
  const QRect TextBox = Metrics.boundingRect(Text);
  QRect Box(0, 0, TextBox.width() + 2 * Pad, Metrics.height() + 2 * Pad);
  Box.moveLeft(Left);
  if (Bottom)
    Box.moveBottom(Top);
  else
    Box.moveTop(Top);
  Painter.fillRect(Box, QColor(0, 0, 0, 170));
  Painter.setPen(Qt::white);
  Painter.drawText(Box.adjusted(Pad, Pad, -Pad, -Pad), Qt::AlignLeft | Qt::AlignVCenter, Text);
}

} // namespace

std::int32_t CaptionTextHeight(std::int32_t Height) {
  return std::max(SmallestTextHeight, Height / PictureHeightPerTextLine);
}

std::string ElapsedText(double Seconds) {
  const auto Whole = static_cast<long long>(std::isfinite(Seconds) ? std::max(0.0, Seconds) : 0);
  char Text[32];
  std::snprintf(Text, sizeof Text, "%lld:%02lld:%02lld", Whole / 3600, Whole / 60 % 60, Whole % 60);
  return Text;
}

void DrawCaption(QImage& Picture, const TPictureCaption& Caption, std::int32_t ViewMode) {
  QPainter Painter(&Picture);
  QFont Font = Painter.font();
  Font.setPixelSize(CaptionTextHeight(Picture.height()));
  Painter.setFont(Font);
  const std::int32_t Gap = std::max(2, Font.pixelSize() / 2);

  const TViewPlacement Placement = PlaceViews(ViewMode, {0, 0, Picture.width(), Picture.height()});
  const bool Twin = ViewMode == ViewModeTwin && !Placement.Side.IsEmpty();
  DrawLabel(Painter, ViewMode == ViewModeLateral ? "Lateral" : "AP", Placement.Front.Left + Gap,
            Placement.Front.Top + Gap, false);
  if (Twin)
    DrawLabel(Painter, "Lateral", Placement.Side.Left + Gap, Placement.Side.Top + Gap, false);

  const std::string Name = std::filesystem::path(Caption.FileName).filename().string();
  const QString Line = QString::fromStdString(Name) +
                       QString("   frame %1 of %2   %3")
                           .arg(Caption.FrameNumber)
                           .arg(Caption.FrameCount)
                           .arg(QString::fromStdString(ElapsedText(Caption.ElapsedSeconds)));
  DrawLabel(Painter, Line, Gap, Picture.height() - Gap, true);
}

} // namespace kestrava
