#include "scene/PolygonImagerData.h"

#include "foundation/IntegerHelpers.h"
#include "foundation/QelExceptions.h"

#include <algorithm>
#include <memory>

namespace kestrava {

namespace {

constexpr std::int32_t SphereStacks = 20;
constexpr std::int32_t SphereSlices = 40;

constexpr std::uint32_t Red = 0x0000FF;
constexpr std::uint32_t Cyan = 0xFFFF00;
constexpr std::uint32_t LightGreen = 0x40FF40;
constexpr std::uint32_t DarkRed = 0x000080;
constexpr std::uint32_t Grey = 0x808080;

// Flat caps get a duller highlight than the curved surfaces beside them.
constexpr double CurvedSpecular = 0.5;
constexpr double FlatSpecular = 0.2;
constexpr double SphereSpecular = 0.8;

void SetMaterial(TGraphics3DMesh& Mesh, std::uint32_t Colour, double Specular) {
  Mesh.MeshType = MeshTriangleList;
  Mesh.ShadingMode = ShadingGouraud;
  Mesh.SpecularEnabled = true;
  Mesh.Colour = Colour;
  Mesh.Ambient = 0.5;
  Mesh.Diffuse = 0.5;
  Mesh.Specular = Specular;
}

std::unique_ptr<TGraphics3DMesh> NewMesh(std::uint32_t Colour, double Specular) {
  auto Mesh = std::make_unique<TGraphics3DMesh>();
  SetMaterial(*Mesh, Colour, Specular);
  return Mesh;
}

void MakeTemplateSphere(TGraphics3DMesh& Mesh, std::uint32_t Colour, double Radius) {
  SetMaterial(Mesh, Colour, SphereSpecular);
  MakeSphere(Mesh, {}, SphereStacks, SphereSlices, Radius);
}

// Frame shows a copy of Sphere once a build places it.
void HoldHiddenCopy(TGraphics3DFrame& Frame, const TGraphics3DMesh& Sphere) {
  Frame.AddMesh().Assign(Sphere);
  Frame.Visible = false;
}

TPositionOrientation Upright(const TVector3& Position) {
  return MakePositionOrientation(Position, {0, 0, 1}, {0, 1, 0});
}

std::int32_t UsedSensors(const TImagerFrame& Frame) {
  return std::clamp(Frame.SensorCount, 0, MaxSensors);
}

// The overtube record of either kind, read the same way.
struct TOvertube {
  bool Valid = false;
  TVector3 Position;
  double Radius = 0;
  double BackLength = 0; // from the sensor back to the overtube's distal end
  double MaxDistance = 0;
};

bool ReadOvertube(const TImagerFrame& Frame, TOvertube& Overtube) {
  if (Frame.OvertubeKind == 1) {
    const TOvertubeData1& D = Frame.OvertubeData1;
    Overtube = {D.Valid, SingleToVector3(D.Position), D.Length1, 0, D.Length3};
    return true;
  }
  if (Frame.OvertubeKind == 2) {
    const TOvertubeData2& D = Frame.OvertubeData2;
    Overtube = {D.Valid, SingleToVector3(D.Position), D.Length1, D.Length2, D.Length3};
    return true;
  }
  return false;
}

} // namespace

TPolygonImagerData::TPolygonImagerData() {
  // The order of RootFrame's children is the drawing order.
  EndoscopeFrame_ = &RootFrame_.AddFrame();
  HandFrame_ = &RootFrame_.AddFrame();
  CurvatureFrame_ = &RootFrame_.AddFrame();
  OvertubeFrame_ = &RootFrame_.AddFrame();

  MakeTemplateSphere(MarkerSphere_, Red, MarkerSphereRadius);
  MakeTemplateSphere(HandSphere_, Cyan, MarkerSphereRadius);
  MakeTemplateSphere(CurvatureSphere_, LightGreen, MarkerSphereRadius);
  MakeTemplateSphere(OvertubeSensorSphere_, DarkRed, OvertubeSensorRadius);

  HoldHiddenCopy(*HandFrame_, HandSphere_);
  HoldHiddenCopy(*CurvatureFrame_, CurvatureSphere_);
  for (TGraphics3DFrame*& Marker : MarkerFrames_) {
    Marker = &RootFrame_.AddFrame();
    HoldHiddenCopy(*Marker, MarkerSphere_);
  }
}

TFrameCheck TPolygonImagerData::BuildFromFrame(const TImagerFrame& Source,
                                               std::int32_t ProcedureType, bool AutoCutoff) {
  ClearGeometry();
  TFrameCheck Check = MakeDrawableFrame(Source, Drawable_);
  try {
    Build(Drawable_, ProcedureType, AutoCutoff);
  } catch (const E_Qel_Maths&) {
    // Centre-line points that coincide although their sensors do not: the
    // meshes built so far stay, complete.
    if (Check.Sound())
      Check = {TFrameFault::CoincidentSensors, "centre line"};
  }
  return Check;
}

void TPolygonImagerData::Build(const TImagerFrame& Frame, std::int32_t ProcedureType,
                               bool AutoCutoff) {
  const TCutoffPlane Plane = TCutoffPlane::ForFrame(Frame, ProcedureType, AutoCutoff);
  if (ShowEndoscope && Frame.EndoscopeValid) {
    BuildEndoscope(Frame, Plane);
  }
  if (ShowMarkers) {
    PlaceMarkers(Frame);
  }
  if (ShowHand) {
    PlaceHand(Frame);
  }
  if (ShowCurvaturePoint) {
    PlaceCurvaturePoint();
  }
  if (ShowOvertube) {
    BuildOvertube(Frame, Plane);
  }
}

void TPolygonImagerData::ClearGeometry() {
  EndoscopeFrame_->Clear();
  OvertubeFrame_->Clear();
  for (TGraphics3DFrame* Marker : MarkerFrames_) {
    Marker->Visible = false;
  }
  HandFrame_->Visible = false;
  CurvatureFrame_->Visible = false;
}

void TPolygonImagerData::BuildEndoscope(const TImagerFrame& Frame, const TCutoffPlane& Plane) {
  const TSensorRuns Runs = FindSensorRuns(Frame, 0);
  for (std::int32_t R = 0; R < Runs.Count; ++R) {
    const TSensorRun& Run = Runs.Items[Slot(R)];
    if (Run.Count < 2) {
      continue;
    }
    CentreLine_.Build(Frame, Run, SectionsPerInterval, {}, Plane);
    // Only a run that starts at the tip sensor ends in the rounded tip.
    BuildTube(Frame.TubeRadius, Run.First == 0);
  }
}

void TPolygonImagerData::BuildTube(double Radius, bool Tip) {
  if (CentreLine_.Count() < 2) {
    return;
  }
  // Everything is built aside and handed to the frame only when complete, so
  // a failure part-way never leaves a half-made mesh in the scene.
  auto Tube = NewMesh(Grey, CurvedSpecular);
  MakeTube(*Tube, CentreLine_.Points(), EndoscopeCircle_, Radius);

  // The start cap faces away from the tube.
  const TPositionOrientation Start = ReverseOrientation(CentreLine_[0]);
  auto StartCap = NewMesh(Grey, Tip ? CurvedSpecular : FlatSpecular);
  if (Tip) {
    MakeDome(*StartCap, EndoscopeCircle_, TipDomeRings, Radius, Start);
  } else {
    MakeDisc(*StartCap, EndoscopeCircle_, Start, Radius);
  }
  auto EndCap = NewMesh(Grey, FlatSpecular);
  MakeDisc(*EndCap, EndoscopeCircle_, CentreLine_[CentreLine_.Count() - 1], Radius);

  EndoscopeFrame_->AddMesh(std::move(Tube));
  EndoscopeFrame_->AddMesh(std::move(StartCap));
  EndoscopeFrame_->AddMesh(std::move(EndCap));
}

void TPolygonImagerData::PlaceMarkers(const TImagerFrame& Frame) {
  for (std::int32_t I = 0; I < MarkerCount; ++I) {
    if (Frame.MarkerValid[Slot(I)]) {
      MarkerFrames_[Slot(I)]->SetOrientation(Upright(Frame.MarkerPosition[Slot(I)]));
      MarkerFrames_[Slot(I)]->Visible = true;
    }
  }
}

void TPolygonImagerData::PlaceHand(const TImagerFrame& Frame) {
  if (Frame.HandValid) {
    HandFrame_->SetOrientation(Upright(Frame.HandPosition));
    HandFrame_->Visible = true;
  }
}

void TPolygonImagerData::PlaceCurvaturePoint() {
  CurvatureFrame_->SetOrientation(Upright(CurvaturePoint));
  CurvatureFrame_->Visible = true;
}

void TPolygonImagerData::BuildOvertube(const TImagerFrame& Frame, const TCutoffPlane& Plane) {
  TOvertube Overtube;
  if (!ReadOvertube(Frame, Overtube) || !Overtube.Valid) {
    return;
  }
  AddOvertubeSensorSphere(Overtube.Position);
  if (!Frame.EndoscopeValid || UsedSensors(Frame) < 2) {
    return;
  }
  double Distance = 0, T = 0;
  std::int32_t Segment = 0;
  if (!Frame.FindNearestScopePoint(Overtube.Position, Distance, Segment, T) ||
      Distance > Overtube.MaxDistance) {
    return;
  }
  if (Frame.OvertubeKind == 2) {
    std::int32_t Back = 0;
    double BackT = T;
    if (Frame.MoveBackAlongScope(Segment, Back, BackT, Overtube.BackLength)) {
      Segment = Back;
      T = BackT;
    } else {
      // The overtube reaches past the tip: it starts on the tip sensor.
      Segment = 0;
      T = 0;
    }
  }
  const TSensorRuns Runs = FindSensorRuns(Frame, Segment);
  for (std::int32_t R = 0; R < Runs.Count; ++R) {
    const TSensorRun& Run = Runs.Items[Slot(R)];
    if (Run.Count < 2) {
      continue;
    }
    CentreLine_.Build(Frame, Run, SectionsPerInterval, {Run.First == Segment, T}, Plane);
    BuildOvertubeTube(Overtube.Radius);
  }
}

void TPolygonImagerData::BuildOvertubeTube(double Radius) {
  // A single remaining point has no direction to orient the end discs by.
  if (CentreLine_.Count() < 2) {
    return;
  }
  auto Tube = NewMesh(DarkRed, CurvedSpecular);
  MakeTube(*Tube, CentreLine_.Points(), OvertubeCircle_, Radius);
  auto StartCap = NewMesh(DarkRed, FlatSpecular);
  MakeDisc(*StartCap, OvertubeCircle_, ReverseOrientation(CentreLine_[0]), Radius);
  auto EndCap = NewMesh(DarkRed, FlatSpecular);
  MakeDisc(*EndCap, OvertubeCircle_, CentreLine_[CentreLine_.Count() - 1], Radius);

  OvertubeFrame_->AddMesh(std::move(Tube));
  OvertubeFrame_->AddMesh(std::move(StartCap));
  OvertubeFrame_->AddMesh(std::move(EndCap));
}

void TPolygonImagerData::AddOvertubeSensorSphere(const TVector3& Position) {
  auto Sphere = std::make_unique<TGraphics3DMesh>();
  Sphere->Assign(OvertubeSensorSphere_);
  for (TGraphics3DVertex& V : Sphere->Vertices()) {
    V.X = static_cast<float>(V.X + Position.X);
    V.Y = static_cast<float>(V.Y + Position.Y);
    V.Z = static_cast<float>(V.Z + Position.Z);
  }
  OvertubeFrame_->AddMesh(std::move(Sphere));
}

double TPolygonImagerData::ScopeLength(const TImagerFrame& Frame, std::int32_t ProcedureType,
                                       bool AutoCutoff) {
  const TCutoffPlane Plane = TCutoffPlane::ForFrame(Frame, ProcedureType, AutoCutoff);
  const std::int32_t Count = UsedSensors(Frame);
  const auto& P = Frame.SensorPosition;
  if (Count < 1 || !Frame.SensorValid[0] || Plane.IsBeyond(P[0])) {
    return 0;
  }
  double Length = 0;
  for (std::int32_t I = 0; I + 1 < Count; ++I) {
    if (!Frame.SensorValid[Slot(I + 1)]) {
      break;
    }
    const double Segment = Frame.SegmentLength[Slot(I)];
    if (Plane.IsBeyond(P[Slot(I + 1)])) {
      // Sensor I lies before the plane, so the segment crosses it.
      double T = 0;
      SegmentCrossesPlane(P[Slot(I)], P[Slot(I + 1)], Plane.Point(), Plane.Normal(), T);
      return Length + T * Segment;
    }
    Length += Segment;
  }
  return Length;
}

} // namespace kestrava
