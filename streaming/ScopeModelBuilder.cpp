#include "streaming/ScopeModelBuilder.h"

#include "scene/PolygonImagerData.h"
#include "streaming/StreamPoses.h"

namespace kestrava {

namespace {

void AppendMesh(TScopeModelGeometry& Geometry, const TGraphics3DMesh& Mesh, const TMatrix4& World) {
  const auto First = static_cast<std::uint32_t>(Geometry.Points.size() / 3);
  for (const TGraphics3DVertex& V : Mesh.Vertices()) {
    const TVector4 P = TransformVector4(World, {V.X, V.Y, V.Z, 1});
    Geometry.Points.push_back(static_cast<float>(P.X * MillimetresPerMetre));
    Geometry.Points.push_back(static_cast<float>(P.Y * MillimetresPerMetre));
    Geometry.Points.push_back(static_cast<float>(P.Z * MillimetresPerMetre));
  }
  for (const TGraphics3DFace& F : Mesh.Faces()) {
    Geometry.Triangles.insert(Geometry.Triangles.end(), {First + F.A, First + F.B, First + F.C});
  }
}

} // namespace

TScopeModelBuilder::TScopeModelBuilder() : Model_(std::make_unique<TPolygonImagerData>()) {
  Model_->ShowEndoscope = true;
  Model_->ShowMarkers = Model_->ShowHand = Model_->ShowOvertube = false;
  Model_->ShowCurvaturePoint = false;
}

TScopeModelBuilder::~TScopeModelBuilder() = default;

TScopeModelGeometry TScopeModelBuilder::Build(const TImagerFrame& Frame, std::int32_t ProcedureType,
                                              bool AutoCutoff) {
  // A frame with faults gives what the views show of it.
  Model_->BuildFromFrame(Frame, ProcedureType, AutoCutoff);
  TScopeModelGeometry Geometry;
  const TGraphics3DFrame& Tube = Model_->EndoscopeFrame();
  if (Tube.Visible) {
    for (const auto& Mesh : Tube.Meshes()) {
      AppendMesh(Geometry, *Mesh, Tube.GetWorldMatrix());
    }
  }
  return Geometry;
}

} // namespace kestrava
