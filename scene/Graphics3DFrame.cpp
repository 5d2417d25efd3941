#include "scene/Graphics3DFrame.h"

#include "foundation/QelExceptions.h"

#include <algorithm>

namespace kestrava {

TGraphics3DMesh& TGraphics3DFrame::AddMesh() {
  return AddMesh(std::make_unique<TGraphics3DMesh>());
}

TGraphics3DMesh& TGraphics3DFrame::AddMesh(std::unique_ptr<TGraphics3DMesh> Mesh) {
  if (!Mesh) {
    throw E_Qel_ObjectPointerIsNil();
  }
  return *Meshes_.emplace_back(std::move(Mesh));
}

TGraphics3DFrame& TGraphics3DFrame::AddFrame() {
  auto& Child = *Children_.emplace_back(std::make_unique<TGraphics3DFrame>());
  Child.Parent_ = this;
  return Child;
}

void TGraphics3DFrame::Clear() {
  // clear() keeps the capacity, so rebuilding a frame every sample does not
  // regrow its lists.
  Meshes_.clear();
  Children_.clear();
}

void TGraphics3DFrame::SetOrientation(const TPositionOrientation& Placement) {
  Orientation_ = Placement;
  InvalidateWorldMatrices();
}

void TGraphics3DFrame::InvalidateWorldMatrices() {
  WorldMatrixValid_ = false;
  for (const auto& Child : Children_) {
    Child->InvalidateWorldMatrices();
  }
}

const TMatrix4& TGraphics3DFrame::GetWorldMatrix() const {
  if (!WorldMatrixValid_) {
    const TMatrix4 Local = OrientationToMatrix(Orientation_);
    WorldMatrix_ = Parent_ ? MultiplyMatrix4(Parent_->GetWorldMatrix(), Local) : Local;
    WorldMatrixValid_ = true;
  }
  return WorldMatrix_;
}

std::int32_t TGraphics3DFrame::MaxVertexCount() const {
  std::int32_t Largest = 0;
  for (const auto& Mesh : Meshes_) {
    Largest = std::max(Largest, Mesh->VertexCount());
  }
  for (const auto& Child : Children_) {
    if (Child->Visible) {
      Largest = std::max(Largest, Child->MaxVertexCount());
    }
  }
  return Largest;
}

std::int64_t TGraphics3DFrame::TotalVertexCount() const {
  std::int64_t Total = 0;
  for (const auto& Mesh : Meshes_) {
    Total += Mesh->VertexCount();
  }
  for (const auto& Child : Children_) {
    if (Child->Visible) {
      Total += Child->TotalVertexCount();
    }
  }
  return Total;
}

std::int64_t TGraphics3DFrame::TotalFaceCount() const {
  std::int64_t Total = 0;
  for (const auto& Mesh : Meshes_) {
    Total += Mesh->FaceCount();
  }
  for (const auto& Child : Children_) {
    if (Child->Visible) {
      Total += Child->TotalFaceCount();
    }
  }
  return Total;
}

} // namespace kestrava
