#include "app/OffscreenViews.h"

#include "app/ViewCamera.h"
#include "app/ViewFit.h"
#include "app/ViewPicture.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "scene/DrawableFrame.h"
#include "scene/PolygonImagerData.h"

#include <QPainter>
#include <memory>

namespace kestrava {

namespace {

// The main window's face colour, seen in the gap between twin views.
constexpr QRgb ViewGapColour = 0xFFF0F0F0;

struct TViewsJob {
  const TPolygonImagerData& Model;
  const TImagerFrame& Frame;
  const TViewCamera& Camera;
  std::int32_t ProcedureType = 0;
};

// One view set up as the main window's and pointed as it points them before
// each paint.
QImage DrawView(const TViewsJob& Job, const TRect& Bounds, bool Side) {
  const std::int32_t Width = Bounds.Right - Bounds.Left, Height = Bounds.Bottom - Bounds.Top;
  TOffscreenViewerWindow Window(Width, Height);
  TDirect3DViewerCore View(Window);
  View.SetUseDirect3DHardware(false);
  SetUpAsWindowView(View);
  if (Side)
    PointSideView(View, Job.Camera, Width, Height);
  else
    PointFrontView(View, Job.Camera, Width, Height);
  View.OnDraw = [&](TDirect3DViewerCore& Sender) {
    DrawViewPicture(Sender, Sender.BackSurfaceCanvas(), Job.Model, Job.Frame,
                    {ProgramBackground, true, Job.ProcedureType, nullptr});
  };
  View.Paint();
  return Window.Picture();
}

} // namespace

QImage DrawFittedViews(const TImagerFrame& Frame, std::int32_t ProcedureType, std::int32_t ViewMode,
                       std::int32_t Width, std::int32_t Height) {
  TImagerFrame Drawable;
  MakeDrawableFrame(Frame, Drawable);
  TViewCamera Camera;
  Camera.AlignToPatient(Drawable, ProcedureType, ViewMode == ViewModeLateral);
  // The model holds its scene's meshes: kept off the stack.
  const auto Model = std::make_unique<TPolygonImagerData>();
  Model->BuildFromFrame(Drawable, ProcedureType, true);
  FitCamera(Camera, ModelPointsToShow(*Model, Drawable), FitViewsOfPicture(ViewMode, Width, Height),
            MarkerLabelRoom());

  const TViewsJob Job{*Model, Drawable, Camera, ProcedureType};
  QImage Picture(Width, Height, QImage::Format_RGB32);
  Picture.fill(ViewGapColour);
  const TViewPlacement Placement = PlaceViews(ViewMode, {0, 0, Width, Height});
  QPainter Painter(&Picture);
  Painter.drawImage(Placement.Front.Left, Placement.Front.Top,
                    DrawView(Job, Placement.Front, false));
  if (ViewMode == ViewModeTwin && !Placement.Side.IsEmpty())
    Painter.drawImage(Placement.Side.Left, Placement.Side.Top, DrawView(Job, Placement.Side, true));
  return Picture;
}

} // namespace kestrava
