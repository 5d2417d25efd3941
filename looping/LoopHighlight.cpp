#include "looping/LoopHighlight.h"

#include "looping/ScopeTrace.h"

#include <cmath>
#include <memory>

namespace kestrava {

namespace {

constexpr std::int32_t Sides = 12;
// Wide enough to cover the endoscope's own tube and its tip dome.
constexpr double RadiusFactor = 1.3;
constexpr double RingStep = 0.01;

// A unit vector across Direction, as close to Previous as possible, so that
// the rings do not twist from one to the next.
TVector3 UpAcross(const TVector3& Direction, const TVector3& Previous) {
  for (const TVector3& Guess : {Previous, TVector3{0, 0, 1}, TVector3{1, 0, 0}}) {
    const TVector3 Across =
        SubtractVectors(Guess, ScaleVector(Direction, DotProduct(Guess, Direction)));
    const double Length = VectorLength(Across);
    if (Length > 1e-6)
      return ScaleVector(Across, 1 / Length);
  }
  return {0, 1, 0};
}

} // namespace

TLoopHighlight::TLoopHighlight() : Tube_(&Root_.AddMesh()), Circle_(Sides) {
  Tube_->MeshType = MeshTriangleList;
  Tube_->ShadingMode = ShadingGouraud;
  Tube_->SpecularEnabled = true;
  Tube_->Colour = LoopWarningColour;
  Tube_->Ambient = 0.5;
  Tube_->Diffuse = 0.5;
  Tube_->Specular = 0.5;
  Clear();
}

void TLoopHighlight::Clear() {
  Root_.Visible = false;
  Empty_ = true;
}

void TLoopHighlight::Build(const TImagerFrame& Frame, std::int32_t ProcedureType,
                           const TLoopState& State) {
  Clear();
  if (!State.HasExtent || !(State.ExtentFar > State.ExtentNear))
    return;
  TScopeTrace Trace;
  std::string_view Reason;
  if (!Trace.Build(Frame, ProcedureType, Reason) || Trace.Count() < 2)
    return;
  Rings_.clear();
  TVector3 Up{0, 0, 1};
  const double Length = State.ExtentFar - State.ExtentNear;
  const auto Steps = static_cast<std::int32_t>(std::ceil(Length / RingStep));
  for (std::int32_t I = 0; I <= Steps; ++I) {
    const double At = State.ExtentNear + Length * I / Steps;
    const TVector3 Here = Trace.PositionAt(At);
    const TVector3 Ahead = Trace.PositionAt(At + RingStep / 2);
    const TVector3 Behind = Trace.PositionAt(At - RingStep / 2);
    const TVector3 Along = SubtractVectors(Ahead, Behind);
    const double AlongLength = VectorLength(Along);
    if (!(AlongLength > 1e-9))
      continue;
    const TVector3 Direction = ScaleVector(Along, 1 / AlongLength);
    Up = UpAcross(Direction, Up);
    Rings_.push_back(MakePositionOrientation(Here, Direction, Up));
  }
  if (Rings_.size() < 2)
    return;
  MakeTube(*Tube_, Rings_, Circle_, Frame.TubeRadius * RadiusFactor);
  Root_.Visible = true;
  Empty_ = false;
}

} // namespace kestrava
