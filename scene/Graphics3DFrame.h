#pragma once
// A node of the scene tree: places its meshes and child frames relative to
// its parent. The world matrix is cached and recomputed on demand after any
// placement change up the chain.
//
// Ownership: a frame owns its meshes and its child frames; destroying a frame
// destroys its whole subtree. Children keep a plain back-pointer to the parent
// that owns them, so frames are neither copied nor moved.
// Thread: user-interface thread only.

#include "geometry/Matrices.h"
#include "scene/Graphics3DMesh.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrava {

class TGraphics3DFrame {
public:
  TGraphics3DFrame() = default;
  TGraphics3DFrame(const TGraphics3DFrame&) = delete;
  TGraphics3DFrame& operator=(const TGraphics3DFrame&) = delete;
  ~TGraphics3DFrame() = default;

  // A new mesh with default attributes, owned by this frame.
  TGraphics3DMesh& AddMesh();
  // Takes over a mesh built elsewhere (non-null, else E_Qel_ObjectPointerIsNil).
  TGraphics3DMesh& AddMesh(std::unique_ptr<TGraphics3DMesh> Mesh);
  // A new child frame with this frame as its Parent.
  TGraphics3DFrame& AddFrame();
  // Frees every mesh and every child frame with their subtrees.
  void Clear();

  const std::vector<std::unique_ptr<TGraphics3DMesh>>& Meshes() const { return Meshes_; }
  const std::vector<std::unique_ptr<TGraphics3DFrame>>& Children() const { return Children_; }
  TGraphics3DFrame* Parent() const { return Parent_; }

  const TPositionOrientation& Orientation() const { return Orientation_; }
  // Stores the placement (relative to the parent) and invalidates the cached
  // world matrix of this frame and of every descendant, visible or not.
  void SetOrientation(const TPositionOrientation& Placement);

  // Local-to-world: the parent's world matrix times this frame's placement.
  const TMatrix4& GetWorldMatrix() const;
  bool WorldMatrixValid() const { return WorldMatrixValid_; }

  // The largest VertexCount of a mesh of this frame or of a visible
  // descendant (an invisible frame hides its whole subtree); 0 when none.
  std::int32_t MaxVertexCount() const;
  // Sums over the same meshes as MaxVertexCount.
  std::int64_t TotalVertexCount() const;
  std::int64_t TotalFaceCount() const;

  // An invisible child is skipped, with its subtree, when drawing and counting.
  bool Visible = true;

private:
  void InvalidateWorldMatrices();

  std::vector<std::unique_ptr<TGraphics3DMesh>> Meshes_;
  std::vector<std::unique_ptr<TGraphics3DFrame>> Children_;
  TPositionOrientation Orientation_;
  TGraphics3DFrame* Parent_ = nullptr;
  // The cache is filled by const queries: readers such as the viewer only see
  // a const tree.
  mutable TMatrix4 WorldMatrix_;
  mutable bool WorldMatrixValid_ = false;
};

} // namespace kestrava
