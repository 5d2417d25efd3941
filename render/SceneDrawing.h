#pragma once
// Drawing a frame tree of meshes on a device inside a scene: children before
// their parent's own meshes, a hidden frame with its whole subtree skipped,
// per-mesh render states, the viewer's own lighting, and one draw call per
// mesh. The caller begins and ends the scene and sets the view, projection
// and global states.
//
// Thread: user-interface thread, inside a scene of Device.

#include "render/Direct3DTextures.h"
#include "scene/Graphics3DFrame.h"
#include "scene/Graphics3DScene.h"

#include <cstdint>
#include <span>

namespace kestrava {

// How many times a draw call answered "still drawing" is repeated before
// the drawing gives up with EDirectX.
inline constexpr std::int32_t MaxStillDrawingRepeats = 1000;

struct TSceneDrawingSettings {
  TVector3 Eye;           // camera position in world coordinates: the light
  bool Wireframe = false; // unlit white lines, untextured
  bool BackFaceCulling = false;
  std::int32_t TextureMode = 0;
};

class TSceneDrawing {
public:
  // Buffer holds at least Root.MaxVertexCount() vertices; Textures and
  // Target are used only for textured meshes.
  TSceneDrawing(I3DDevice& Device, const TGraphics3DScene& Scene,
                const TSceneDrawingSettings& Settings, std::span<D3DLVERTEX> Buffer,
                TDirect3DTextures& Textures, const TTextureTarget& Target);

  // Raises Exception "Mesh texture not set up." for a textured mesh without
  // image, EGraphics3DError for Phong shading or trilinear filtering of a
  // textured mesh, EDirectX when binding a texture fails. What was drawn
  // before the failure stays drawn.
  void DrawFrame(const TGraphics3DFrame& Frame);

private:
  void DrawMesh(const TGraphics3DMesh& Mesh, const TVector3& Light);
  // True when colour keying was switched on for the mesh's texture.
  bool BindTexture(const TGraphics3DMesh& Mesh);
  void SetMeshStates(const TGraphics3DMesh& Mesh);
  void Submit(const TGraphics3DMesh& Mesh, std::span<const D3DLVERTEX> Lit);

  I3DDevice& Device_;
  const TGraphics3DScene& Scene_;
  const TSceneDrawingSettings Settings_;
  std::span<D3DLVERTEX> Buffer_;
  TDirect3DTextures& Textures_;
  const TTextureTarget& Target_;
};

} // namespace kestrava
