// Drives an arbitrary frame through everything the workstation does to show
// it: the drawable copy, the shape model, the curvature analysis, the loop
// classification and its warning tube, the information box's lines, the
// marker alert, fitting the views, and a view drawn into memory. Any crash, sanitizer report or
// hang is a fault of the display.
//
// Input: byte 0 the procedure type (mod 3), byte 1 flags (1 auto cut-off,
// 2 lateral view, drawn in the side view, 4 pain data, 8 labels, 16 fit the
// views), then the frame's fields in the
// order of TImagerFrame, each in its own in-memory representation (doubles
// as 8 bytes, so every NaN and infinity is reachable); missing bytes read
// as zero. Bytes beyond the frame give the tip's depth along the colon
// that the loop classifier is told (none without them).

#include "app/InformationBoxLines.h"
#include "app/LoopTexts.h"
#include "app/MarkerPlacementCheck.h"
#include "app/ViewCamera.h"
#include "app/ViewFit.h"
#include "app/ViewPicture.h"
#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/ImagerProcedure.h"
#include "looping/LoopClassifier.h"
#include "looping/LoopHighlight.h"
#include "render/Direct3DViewerCore.h"
#include "render/Direct3DViewerWindow.h"
#include "scene/DrawableFrame.h"
#include "scene/PolygonImagerData.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace {

using namespace kestrava;

class TBytes {
public:
  TBytes(const std::uint8_t* Data, std::size_t Size) : Data_(Data), Size_(Size) {}
  template <class T> void Take(T& Value) {
    unsigned char Raw[sizeof(T)] = {};
    const std::size_t Count = std::min(sizeof(T), Size_ - Used_);
    std::memcpy(Raw, Data_ + Used_, Count);
    Used_ += Count;
    std::memcpy(&Value, Raw, sizeof(T));
  }
  void Take(bool& Value) {
    std::uint8_t Byte = 0;
    Take(Byte);
    Value = (Byte & 1) != 0;
  }
  void Take(TVector3& V) {
    Take(V.X);
    Take(V.Y);
    Take(V.Z);
  }
  void Take(TVector3Single& V) {
    Take(V.X);
    Take(V.Y);
    Take(V.Z);
  }
  template <class T, std::size_t N> void Take(std::array<T, N>& Values) {
    for (T& Value : Values)
      Take(Value);
  }

  std::size_t Remaining() const { return Size_ - Used_; }

private:
  const std::uint8_t* Data_;
  std::size_t Size_;
  std::size_t Used_ = 0;
};

void ReadFrame(TBytes& In, TImagerFrame& F) {
  In.Take(F.Time);
  In.Take(F.SensorCount);
  In.Take(F.TubeRadius);
  In.Take(F.SensorValid);
  In.Take(F.SensorPosition);
  In.Take(F.SensorDirection);
  In.Take(F.SegmentLength);
  In.Take(F.EndoscopeValid);
  In.Take(F.MarkerValid);
  In.Take(F.MarkerPosition);
  In.Take(F.MarkerDirection);
  In.Take(F.HandValid);
  In.Take(F.HandPosition);
  In.Take(F.HandDirection);
  In.Take(F.PainValid);
  In.Take(F.Pain);
  In.Take(F.OvertubeKind);
  In.Take(F.OvertubeData1.Length1);
  In.Take(F.OvertubeData1.Length3);
  In.Take(F.OvertubeData1.Valid);
  In.Take(F.OvertubeData1.Position);
  In.Take(F.OvertubeData2.Length1);
  In.Take(F.OvertubeData2.Length2);
  In.Take(F.OvertubeData2.Length3);
  In.Take(F.OvertubeData2.Valid);
  In.Take(F.OvertubeData2.Position);
}

// What lives as long as the window does: made once, used by every run.
struct TDisplay {
  static constexpr std::int32_t Width = 64, Height = 48;
  TPolygonImagerData Model;
  TLoopHighlight Highlight;
  TCurvatureGraphPoints Graph;
  TEndoscopeCurvatureInfos Infos;
  TOffscreenViewerWindow FrontWindow{Width, Height}, SideWindow{Width, Height};
  TDirect3DViewerCore Front{FrontWindow}, Side{SideWindow};
  TDisplay() {
    for (TDirect3DViewerCore* View : {&Front, &Side}) {
      View->SetProjectionType(ProjectionParallel);
      View->SetNearClip(0.01);
      View->SetFarClip(5.0);
      View->SetBackFaceCulling(true);
      View->SetZBufferEnabled(true);
    }
  }
};

TDisplay* Views = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  static int Argc = 3;
  static char Name[] = "display_frame_fuzz", Option[] = "-platform", Platform[] = "offscreen";
  static char* Argv[] = {Name, Option, Platform, nullptr};
  static QGuiApplication Application(Argc, Argv);
  static TDisplay Instance;
  Views = &Instance;
  // The font system keeps what it loads for the first text for the rest of
  // the process; loading it here keeps that out of every run's leak check.
  QImage Text(8, 8, QImage::Format_RGB32);
  QPainter(&Text).drawText(0, 8, "R");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TBytes In(Data, Size);
  std::uint8_t Type = 0, Flags = 0;
  In.Take(Type);
  In.Take(Flags);
  TImagerProcedure Procedure;
  Procedure.ProcedureType = Type % 3;
  Procedure.HasPainData = (Flags & 4) != 0;
  TImagerFrame& Stored = Procedure.AddFrame();
  ReadFrame(In, Stored);
  const bool AutoCutoff = (Flags & 1) != 0, Lateral = (Flags & 2) != 0;
  std::optional<double> Depth;
  if (In.Remaining() >= sizeof(double)) {
    Depth.emplace();
    In.Take(*Depth);
  }

  TImagerFrame Shown;
  const TFrameCheck Check = MakeDrawableFrame(Stored, Shown);
  Views->Model.BuildFromFrame(Shown, Procedure.ProcedureType, AutoCutoff);
  AnalyseEndoscopeCurvature(&Shown, Views->Graph, Views->Infos);
  const TLoopState Loop = ClassifyLoop(Shown, Procedure.ProcedureType, Depth);
  Views->Highlight.Build(Shown, Procedure.ProcedureType, Loop);

  TInformationBoxState State;
  State.Mode = 1;
  State.CurrentFrame = 1;
  State.ScopeLength = TPolygonImagerData::ScopeLength(Shown, Procedure.ProcedureType, AutoCutoff);
  InformationBoxLines(State, Procedure, Shown);
  LoopInformationLines(Loop);
  LoopDetailText(Loop);
  ModelInformationLine(Check);
  MarkerPlacementAlert(Shown, Procedure.ProcedureType);

  TViewCamera Camera;
  Camera.AlignToPatient(Shown, Procedure.ProcedureType, Lateral);
  const std::vector<TFitPoint> Points = ModelPointsToShow(Views->Model, Shown);
  const TFitViews Fitted{TDisplay::Width, TDisplay::Height, true, TDisplay::Width,
                         TDisplay::Height};
  if ((Flags & 16) != 0 && PointsLeaveViews(Camera, Points, Fitted))
    FitCamera(Camera, Points, Fitted, MarkerLabelRoom());
  PointFrontView(Views->Front, Camera, TDisplay::Width, TDisplay::Height);
  PointSideView(Views->Side, Camera, TDisplay::Width, TDisplay::Height);
  const TViewPictureOptions Options{32768, (Flags & 8) != 0, Procedure.ProcedureType,
                                    &Views->Highlight.RootFrame()};
  // One view a run (the flag chooses which): drawing is most of a run's
  // time, and both views draw the same model.
  TDirect3DViewerCore& View = Lateral ? Views->Side : Views->Front;
  View.OnDraw = [&](TDirect3DViewerCore& Sender) {
    DrawViewPicture(Sender, Sender.BackSurfaceCanvas(), Views->Model, Shown, Options);
  };
  View.Paint();
  View.OnDraw = {};
  return 0;
}
