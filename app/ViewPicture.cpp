#include "app/ViewPicture.h"

#include "imagerdata/ImagerFrame.h"
#include "render/Direct3DViewerCore.h"
#include "render/DirectDrawCanvas.h"
#include "scene/Graphics3DViewer.h"
#include "scene/PolygonImagerData.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kestrava {

namespace {

constexpr const char* ColonoscopyLabels[MarkerCount] = {"R", "L", "A", "4", "5", "6"};
constexpr const char* NumberedLabels[MarkerCount] = {"1", "2", "3", "4", "5", "6"};
constexpr int LabelOffset = 10;

int RoundToPixel(double Value) {
  return static_cast<int>(std::nearbyint(Value)); // ties to even
}

// A marker the projection cannot place (at the eye, or absurdly far off the
// view) gets no label rather than an integer overflow.
bool Placeable(const TVector3& Screen) {
  constexpr double Far = 1e6;
  return std::isfinite(Screen.X) && std::isfinite(Screen.Y) && std::abs(Screen.X) < Far &&
         std::abs(Screen.Y) < Far;
}

void DrawMarkerLabels(IGraphics3DViewer& View, QPainter& Painter, const TPolygonImagerData& Model,
                      const TImagerFrame& Frame, std::int32_t ProcedureType) {
  Painter.setPen(Qt::white);
  Painter.setBrush(Qt::NoBrush);
  for (std::int32_t I = 0; I < MarkerCount; ++I) {
    const char* Label = MarkerLabel(ProcedureType, I);
    if (Label == nullptr || !Frame.MarkerValid[static_cast<std::size_t>(I)])
      continue;
    const TVector3 Screen =
        View.ProjectToScreen(Frame.MarkerPosition[static_cast<std::size_t>(I)], Model.RootFrame());
    if (!Placeable(Screen))
      continue;
    // The text's top-left corner sits at the point, as a window's text-out puts it.
    const QRect Box(RoundToPixel(Screen.X) + LabelOffset, RoundToPixel(Screen.Y) + LabelOffset,
                    1000, 1000);
    Painter.drawText(Box, Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(Label));
  }
}

} // namespace

const char* MarkerLabel(std::int32_t ProcedureType, std::int32_t Index) {
  if (Index < 0 || Index >= MarkerCount)
    return nullptr;
  const auto Slot = static_cast<std::size_t>(Index);
  if (ProcedureType == 0)
    return ColonoscopyLabels[Slot];
  if (ProcedureType == 1 || ProcedureType == 2)
    return NumberedLabels[Slot];
  return nullptr;
}

TLabelRoom MarkerLabelRoom() {
  const QFontMetrics Metrics(QGuiApplication::font());
  int Widest = 0;
  for (const auto* Labels : {&ColonoscopyLabels, &NumberedLabels})
    for (const char* Label : *Labels)
      Widest = std::max(Widest, Metrics.horizontalAdvance(QString::fromLatin1(Label)));
  // A pixel more each way for the anti-aliased edge of the glyphs.
  return {LabelOffset + Widest + 1, LabelOffset + Metrics.height() + 1};
}

void DrawViewPicture(IGraphics3DViewer& View, TDirectDrawCanvas* Canvas,
                     const TPolygonImagerData& Model, const TImagerFrame& Frame,
                     const TViewPictureOptions& Options) {
  View.Clear(Options.Background, false);
  View.Render(Model.Scene(), Model.RootFrame());
  if (Options.Overlay != nullptr && Options.Overlay->Visible)
    View.Render(Model.Scene(), *Options.Overlay);
  if (!Options.ShowMarkers || Canvas == nullptr)
    return;
  if (QPainter* Painter = Canvas->Painter())
    DrawMarkerLabels(View, *Painter, Model, Frame, Options.ProcedureType);
  Canvas->ReleaseCanvasDC();
}

void SetUpAsWindowView(TDirect3DViewerCore& View) {
  View.SetProjectionType(ProjectionParallel);
  View.SetNearClip(0.01);
  View.SetFarClip(5.0);
  View.SetBackFaceCulling(true);
  View.SetZBufferEnabled(true);
  View.SetWireframe(false);
}

} // namespace kestrava
