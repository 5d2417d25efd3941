#pragma once
// The window a viewer core draws for: its size, where it sits on the screen,
// how it shows its plain colour, and (as the clipper's present target) how
// the back surface reaches it. The Qt control is one such window; the
// off-screen window below serves the command-line tool, the tests and the
// benchmark with the very same drawing path.
//
// Thread: user-interface thread only.

#include "foundation/Rectangle.h"
#include "render/DrawSurface.h"

#include <QImage>
#include <cstdint>

namespace kestrava {

class IViewerWindow : public IPresentTarget {
public:
  // The control's outer size in pixels (0 allowed).
  virtual std::int32_t Width() const = 0;
  virtual std::int32_t Height() const = 0;
  // The top-left corner of the client area in screen coordinates.
  virtual std::int32_t ScreenLeft() const = 0;
  virtual std::int32_t ScreenTop() const = 0;
  // Shows the control's own colour over its whole area (no device to draw with).
  virtual void FillWithColour() = 0;

protected:
  ~IViewerWindow() = default;
};

// A window that exists only in memory: what is presented to it lands in
// Picture(), of the window's size.
// Final and never deleted through IViewerWindow.
class TOffscreenViewerWindow final // NOLINT(cppcoreguidelines-virtual-class-destructor)
    : public IViewerWindow {
public:
  // Colour is 0x00BBGGRR, the program's form.
  TOffscreenViewerWindow(std::int32_t Width, std::int32_t Height, std::uint32_t Colour = 0);

  // Resizing starts a fresh picture of the window's colour.
  void SetSize(std::int32_t Width, std::int32_t Height);
  const QImage& Picture() const { return Picture_; }
  std::int32_t PresentCount() const { return Presents_; }
  std::int32_t FillCount() const { return Fills_; }

  std::int32_t Width() const override { return Width_; }
  std::int32_t Height() const override { return Height_; }
  std::int32_t ScreenLeft() const override { return 0; }
  std::int32_t ScreenTop() const override { return 0; }
  void FillWithColour() override;
  void Present(const QImage& Source, const TRect& SourceRect, const TRect& ScreenRect) override;
  // The picture's memory: presenting counts here too.
  std::optional<TWindowMemory> DirectMemory() override;

private:
  std::int32_t Width_;
  std::int32_t Height_;
  std::uint32_t Colour_;
  QImage Picture_;
  std::int32_t Presents_ = 0;
  std::int32_t Fills_ = 0;
};

} // namespace kestrava
