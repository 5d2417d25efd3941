#pragma once
// What each 3D view of the main window draws when it paints: the background,
// the shape model's scene, and the body-marker labels written over it. The
// main window's views and kestrava-tool render share it, so that the tool's
// picture is the workstation's.
//
// Thread: user-interface thread, inside the view's OnDraw.

#include "app/ViewFit.h"

#include <cstdint>

namespace kestrava {

class IGraphics3DViewer;
class TDirect3DViewerCore;
class TGraphics3DFrame;
class TDirectDrawCanvas;
class TImagerFrame;
class TPolygonImagerData;

// The label of body marker Index (0..5) for a procedure type: "R", "L", "A",
// "4", "5", "6" for a colonoscopy, "1" to "6" for types 1 and 2; null for
// any other type or index.
const char* MarkerLabel(std::int32_t ProcedureType, std::int32_t Index);

// The pixels a marker's label covers right of and below its marker, in the
// font the labels are written in. Needs a GUI application.
TLabelRoom MarkerLabelRoom();

// Sets View up as the main window sets its views up at start: parallel
// projection, clipping 0.01 to 5 m, back faces culled, depth test on, solid.
// The window's views, the tool's pictures and the report's share it, so that
// they look alike.
void SetUpAsWindowView(TDirect3DViewerCore& View);

struct TViewPictureOptions {
  std::uint32_t Background = 32768; // 0x00BBGGRR
  bool ShowMarkers = true;
  std::int32_t ProcedureType = 0;
  // Drawn after the model with the model's lighting, before the labels (the
  // loop warning); null for none.
  const TGraphics3DFrame* Overlay = nullptr;
};

// Clears View with the background, renders Model's scene, then (with
// ShowMarkers) writes each valid marker's label in white, 10 pixels right
// of and below where the marker lands on the screen. Canvas may be null (no
// labels then); its painter is given back before returning.
void DrawViewPicture(IGraphics3DViewer& View, TDirectDrawCanvas* Canvas,
                     const TPolygonImagerData& Model, const TImagerFrame& Frame,
                     const TViewPictureOptions& Options);

} // namespace kestrava
