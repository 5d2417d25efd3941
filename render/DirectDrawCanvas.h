#pragma once
// A 2D drawing canvas on a drawing surface: text, lines and pictures drawn
// with a QPainter the surface hands out on demand, for example marker labels
// over the rendered scene on the viewer's back surface.
//
// While the canvas holds the painter the surface is locked: blits and 3D
// drawing on it fail until ReleaseCanvasDC. Ownership: the canvas shares the
// surface for its whole life; the painter belongs to the surface.
// Thread: user-interface thread only.

#include "render/DrawSurface.h"

#include <memory>

class QPainter;

namespace kestrava {

class TDirectDrawCanvas {
public:
  // Surface must not be null. No painter is taken yet.
  explicit TDirectDrawCanvas(std::shared_ptr<IDrawSurface> Surface);
  ~TDirectDrawCanvas();
  TDirectDrawCanvas(const TDirectDrawCanvas&) = delete;
  TDirectDrawCanvas& operator=(const TDirectDrawCanvas&) = delete;

  // The painter on the surface, taken from it on first use after a release.
  // Null when the surface refuses one (lost or locked): the caller then
  // draws nothing this time.
  QPainter* Painter();
  bool HoldsPainter() const { return Painter_ != nullptr; }
  // Gives the painter back to the surface (nothing when none is held).
  void ReleaseCanvasDC();

  const std::shared_ptr<IDrawSurface>& Surface() const { return Surface_; }

private:
  std::shared_ptr<IDrawSurface> Surface_;
  QPainter* Painter_ = nullptr;
};

} // namespace kestrava
