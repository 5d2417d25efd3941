#include "render/SceneDrawing.h"

#include "render/DirectXErrors.h"
#include "render/DirectXResultCodes.h"
#include "render/SceneLighting.h"
#include "render/ViewProjection.h"
#include "scene/Graphics3DError.h"

#include <cstddef>

namespace kestrava {

namespace {

// The index array of a mesh is its face array read as 16-bit words.
static_assert(sizeof(TGraphics3DFace) == 3 * sizeof(std::uint16_t));
static_assert(offsetof(TGraphics3DFace, A) == 0 && offsetof(TGraphics3DFace, C) == 4);

std::span<const std::uint16_t> IndicesOf(const TGraphics3DMesh& Mesh) {
  const auto Faces = Mesh.Faces();
  return {reinterpret_cast<const std::uint16_t*>(Faces.data()), Faces.size() * 3};
}

std::uint32_t Flag(bool Value) {
  return Value ? 1u : 0u;
}

} // namespace

TSceneDrawing::TSceneDrawing(I3DDevice& Device, const TGraphics3DScene& Scene,
                             const TSceneDrawingSettings& Settings, std::span<D3DLVERTEX> Buffer,
                             TDirect3DTextures& Textures, const TTextureTarget& Target)
    : Device_(Device), Scene_(Scene), Settings_(Settings), Buffer_(Buffer), Textures_(Textures),
      Target_(Target) {}

void TSceneDrawing::DrawFrame(const TGraphics3DFrame& Frame) {
  if (!Frame.Visible)
    return;
  for (const auto& Child : Frame.Children())
    DrawFrame(*Child);
  const TMatrix4& World = Frame.GetWorldMatrix();
  Device_.SetTransform(D3DTRANSFORMSTATE_WORLD, DeviceMatrix(World));
  const TVector3 Light = LightPositionInFrame(World, Settings_.Eye);
  for (const auto& Mesh : Frame.Meshes()) {
    // An empty mesh ends the frame's list: the meshes after it are not drawn.
    if (Mesh->VertexCount() == 0)
      break;
    DrawMesh(*Mesh, Light);
  }
}

void TSceneDrawing::DrawMesh(const TGraphics3DMesh& Mesh, const TVector3& Light) {
  const auto Count = static_cast<std::size_t>(Mesh.VertexCount());
  // The buffer is sized from the tree before drawing; a tree changed behind
  // the drawing's back must not make it write past the end.
  if (Count > Buffer_.size())
    throw E_Qel_InvalidArg();
  const std::span<D3DLVERTEX> Lit = Buffer_.first(Count);
  LightMeshVertices(Mesh, Scene_, Light, Settings_.Wireframe, Lit);
  Device_.SetRenderState(D3DRENDERSTATE_CULLMODE,
                         Settings_.BackFaceCulling && !Mesh.TwoSided ? D3DCULL_CW : D3DCULL_NONE);
  const bool ColourKeyed = BindTexture(Mesh);
  SetMeshStates(Mesh);
  Submit(Mesh, Lit);
  if (ColourKeyed)
    Device_.SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 0);
}

bool TSceneDrawing::BindTexture(const TGraphics3DMesh& Mesh) {
  if (Settings_.Wireframe || !Mesh.Textured) {
    CheckDirectXResult(Device_.SetTexture(0, nullptr));
    return false;
  }
  if (Mesh.Texture == nullptr)
    throw Exception(MeshTextureNotSetUpText);
  const TTextureImage& Image = *Mesh.Texture;
  TDirect3DTexture& Entry = Textures_.PrepareTexture(Image, Target_);
  CheckDirectXResult(Device_.SetTexture(Entry.Stage, Entry.Texture));
  bool ColourKeyed = false;
  if (Image.Transparent) {
    const std::uint32_t Key = SwapRedAndBlue(Image.TransparentColour & 0xFFFFFFu);
    const TColourKey ColourKey{Key, Key};
    Entry.Surface->SetColorKey(DDCKEY_SRCBLT, &ColourKey);
    Device_.SetRenderState(D3DRENDERSTATE_COLORKEYENABLE, 1);
    ColourKeyed = true;
  }
  Device_.SetRenderState(D3DRENDERSTATE_WRAP0,
                         (Mesh.WrapU ? D3DWRAP_U : 0u) | (Mesh.WrapV ? D3DWRAP_V : 0u));
  Device_.SetRenderState(D3DRENDERSTATE_TEXTUREADDRESSU,
                         Mesh.WrapU ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
  Device_.SetRenderState(D3DRENDERSTATE_TEXTUREADDRESSV,
                         Mesh.WrapV ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
  Device_.SetRenderState(D3DRENDERSTATE_WRAPU, Flag(Mesh.WrapU));
  Device_.SetRenderState(D3DRENDERSTATE_WRAPV, Flag(Mesh.WrapV));
  switch (Settings_.TextureMode) {
  case 0:
    Device_.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_POINT);
    Device_.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    break;
  case 1:
    Device_.SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    Device_.SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    break;
  case 2:
    throw EGraphics3DError(TrilinearFilteringNotSupportedText);
  default:
    break; // the filters stay as they are
  }
  return ColourKeyed;
}

void TSceneDrawing::SetMeshStates(const TGraphics3DMesh& Mesh) {
  Device_.SetRenderState(D3DRENDERSTATE_SPECULARENABLE, Flag(Mesh.SpecularEnabled));
  Device_.SetRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, Flag(Mesh.PerspectiveCorrect != 0));
  switch (Mesh.ShadingMode) {
  case ShadingFlat:
    Device_.SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
    break;
  case ShadingGouraud:
    Device_.SetRenderState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD);
    break;
  case ShadingPhong:
    throw EGraphics3DError(PhongShadingNotSupportedText);
  default:
    break;
  }
  Device_.SetRenderState(D3DRENDERSTATE_DITHERENABLE, Flag(Mesh.Dither));
  Device_.SetRenderState(D3DRENDERSTATE_FOGENABLE, Flag(Mesh.FogEnabled));
  // No fog table: the fog factor is each vertex's specular alpha.
  if (Mesh.FogEnabled)
    Device_.SetRenderState(D3DRENDERSTATE_FOGCOLOR, SwapRedAndBlue(Mesh.FogColour & 0xFFFFFFu));
  Device_.SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, Flag(Mesh.Transparent));
  if (Mesh.Transparent) {
    Device_.SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    Device_.SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
}

void TSceneDrawing::Submit(const TGraphics3DMesh& Mesh, std::span<const D3DLVERTEX> Lit) {
  if (Mesh.MeshType != MeshPoints && Mesh.MeshType != MeshTriangleList)
    return;
  for (std::int32_t Attempt = 0; Attempt <= MaxStillDrawingRepeats; ++Attempt) {
    const HRESULT Result = Mesh.MeshType == MeshPoints
                               ? Device_.DrawPrimitive(D3DPT_POINTLIST, D3DFVF_LVERTEX, Lit, 0)
                               : Device_.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_LVERTEX,
                                                              Lit, IndicesOf(Mesh), 0);
    // Any other answer is left alone: the picture simply lacks the mesh.
    if (Result != DDERR_WASSTILLDRAWING)
      return;
  }
  // A device that never finishes would otherwise hang the window.
  CheckDirectXResult(DDERR_WASSTILLDRAWING);
}

} // namespace kestrava
