// The widget hosting a viewer core: its paint event draws and shows the
// back surface, and resizing drops the device for a rebuild.

#include "render/Direct3DViewerControl.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(Direct3DViewerControl, PaintEventDrawsThroughOnDrawAndShowsTheBackSurface) {
  TDirect3DViewerControl Control;
  Control.resize(40, 30);
  int Draws = 0;
  Control.OnDraw = [&](TDirect3DViewerCore& Sender) {
    ++Draws;
    Sender.Clear(0x000000FF, false);
  };
  const QImage Shot = Control.grab().toImage();
  EXPECT_EQ(Draws, 1);
  ASSERT_EQ(Shot.width(), 40);
  EXPECT_EQ(Shot.pixel(0, 0) & 0xFFFFFFu, 0xFE0000u);
  EXPECT_EQ(Shot.pixel(39, 29) & 0xFFFFFFu, 0xFE0000u);

  // A hidden widget gets its resize event just before it next paints.
  Control.resize(80, 50);
  const QImage Larger = Control.grab().toImage();
  EXPECT_EQ(Control.SurfaceWidth(), 80);
  EXPECT_EQ(Larger.pixel(79, 49) & 0xFFFFFFu, 0xFE0000u);
}

TEST(Direct3DViewerControl, WithoutADeviceItShowsItsWindowColour) {
  TDirect3DViewerControl Control(nullptr, {.DisplayBitsPerPixel = 8});
  Control.resize(20, 20);
  QPalette Palette = Control.palette();
  Palette.setColor(QPalette::Window, QColor(10, 20, 30));
  Control.setPalette(Palette);
  const QImage Shot = Control.grab().toImage();
  EXPECT_EQ(Shot.pixel(5, 5) & 0xFFFFFFu, 0x0A141Eu);
}

} // namespace
} // namespace kestrava
