#include "render/SoftwareDevice.h"

#include "render/DirectXResultCodes.h"
#include "render/IndexLists.h"
#include "render/PrimitiveSetup.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kestrava {

namespace {

// A scene that never ends must not grow the queue without bound; past this
// many recorded vertices the queue is drawn early (the pictures are the same).
constexpr std::size_t MaxQueuedVertices = std::size_t{1} << 21;

bool ValidRenderValue(D3DRENDERSTATETYPE State, std::uint32_t Value) {
  switch (State) {
  case D3DRENDERSTATE_FILLMODE:
    return Value >= D3DFILL_POINT && Value <= D3DFILL_SOLID;
  case D3DRENDERSTATE_SHADEMODE:
    return Value >= D3DSHADE_FLAT && Value <= D3DSHADE_PHONG;
  case D3DRENDERSTATE_ZFUNC:
    return Value >= D3DCMP_NEVER && Value <= D3DCMP_ALWAYS;
  case D3DRENDERSTATE_SRCBLEND:
  case D3DRENDERSTATE_DESTBLEND:
    return Value == D3DBLEND_ZERO || Value == D3DBLEND_ONE || Value == D3DBLEND_SRCALPHA ||
           Value == D3DBLEND_INVSRCALPHA;
  case D3DRENDERSTATE_TEXTUREMAPBLEND:
    return Value == D3DTBLEND_DECAL || Value == D3DTBLEND_MODULATE ||
           Value == D3DTBLEND_MODULATEALPHA;
  case D3DRENDERSTATE_CULLMODE:
    return Value >= D3DCULL_NONE && Value <= D3DCULL_CCW;
  case D3DRENDERSTATE_ANTIALIAS:
    return Value <= D3DANTIALIAS_SORTINDEPENDENT;
  case D3DRENDERSTATE_WRAP0:
    return Value <= (D3DWRAP_U | D3DWRAP_V);
  case D3DRENDERSTATE_TEXTUREADDRESS:
  case D3DRENDERSTATE_TEXTUREADDRESSU:
  case D3DRENDERSTATE_TEXTUREADDRESSV:
    return Value == D3DTADDRESS_WRAP || Value == D3DTADDRESS_CLAMP;
  default:
    return State >= D3DRENDERSTATE_TEXTUREPERSPECTIVE && State < D3DRENDERSTATE_LAST_;
  }
}

bool ValidStageValue(D3DTEXTURESTAGESTATETYPE State, std::uint32_t Value) {
  switch (State) {
  case D3DTSS_ADDRESSU:
  case D3DTSS_ADDRESSV:
    return Value == D3DTADDRESS_WRAP || Value == D3DTADDRESS_CLAMP;
  case D3DTSS_MAGFILTER:
    return Value == D3DTFG_POINT || Value == D3DTFG_LINEAR;
  case D3DTSS_MINFILTER:
    return Value == D3DTFN_POINT || Value == D3DTFN_LINEAR;
  case D3DTSS_MIPFILTER:
    return Value == D3DTFP_NONE;
  default:
    return false;
  }
}

void Multiply(const double (&A)[4][4], const double (&B)[4][4], double (&Result)[4][4]) {
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      double Sum = 0;
      for (int K = 0; K < 4; ++K) {
        Sum += A[I][K] * B[K][J];
      }
      Result[I][J] = Sum;
    }
  }
}

void ToDouble(const TDeviceMatrix& M, double (&Result)[4][4]) {
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      Result[I][J] = M.M[I][J];
    }
  }
}

std::uint32_t ColourByte(float Value) {
  if (!(Value > 0.0f)) {
    return 0;
  }
  return static_cast<std::uint32_t>(std::lround(std::min(Value, 1.0f) * 255.0f));
}

TRect ViewportRect(const TViewport2& V) {
  return {static_cast<std::int32_t>(V.X), static_cast<std::int32_t>(V.Y),
          static_cast<std::int32_t>(V.X + V.Width), static_cast<std::int32_t>(V.Y + V.Height)};
}

} // namespace

// ---------------------------------------------------------------------------
// Viewport

HRESULT TSoftwareViewport::SetViewport2(const TViewport2& Viewport) {
  const auto Limit = static_cast<std::uint32_t>(MaxSurfaceSide);
  if (Viewport.Width < 1 || Viewport.Height < 1 || Viewport.Width > Limit ||
      Viewport.Height > Limit || Viewport.X > Limit || Viewport.Y > Limit ||
      !(Viewport.ClipWidth > 0) || !(Viewport.ClipHeight > 0) || !std::isfinite(Viewport.ClipX) ||
      !std::isfinite(Viewport.ClipY) || !std::isfinite(Viewport.ClipWidth) ||
      !std::isfinite(Viewport.ClipHeight) || !std::isfinite(Viewport.MinZ) ||
      !std::isfinite(Viewport.MaxZ) || !(Viewport.MinZ <= Viewport.MaxZ)) {
    return DDERR_INVALIDPARAMS;
  }
  Data_ = Viewport;
  HasData_ = true;
  return DD_OK;
}

HRESULT TSoftwareViewport::GetViewport2(TViewport2& Viewport) const {
  if (!HasData_) {
    return D3DERR_VIEWPORTDATANOTSET;
  }
  Viewport = Data_;
  return DD_OK;
}

HRESULT TSoftwareViewport::SetBackground(const std::shared_ptr<I3DMaterial>& Material) {
  Background_ = Material;
  return DD_OK;
}

HRESULT TSoftwareViewport::Clear(std::span<const TRect> Rectangles, std::uint32_t Flags) {
  const auto Device = Device_.lock();
  if (!Device) {
    return D3DERR_VIEWPORTHASNODEVICE;
  }
  if (!HasData_) {
    return D3DERR_VIEWPORTDATANOTSET;
  }
  if (Flags == 0 || (Flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER)) != 0) {
    return DDERR_INVALIDPARAMS;
  }
  TMaterial Material;
  if (Background_) {
    Background_->GetMaterial(Material);
  }
  const std::uint32_t Colour = (ColourByte(Material.Diffuse.R) << 16) |
                               (ColourByte(Material.Diffuse.G) << 8) |
                               ColourByte(Material.Diffuse.B);
  return Device->RecordClear(Data_, Rectangles, Flags, Colour);
}

HRESULT TSoftwareViewport::TransformVertices(std::span<TTransformVertex> Vertices,
                                             std::uint32_t Flags, std::uint32_t& OffScreen) {
  OffScreen = 0;
  const auto Device = Device_.lock();
  if (!Device) {
    return D3DERR_VIEWPORTHASNODEVICE;
  }
  if (!HasData_) {
    return D3DERR_VIEWPORTDATANOTSET;
  }
  if (Flags != D3DTRANSFORM_CLIPPED && Flags != D3DTRANSFORM_UNCLIPPED) {
    return DDERR_INVALIDPARAMS;
  }
  double M[4][4];
  Device->WorldViewProjection(M);
  std::uint32_t AllOutside = ~0u;
  for (TTransformVertex& V : Vertices) {
    const double In[4] = {V.X, V.Y, V.Z, 1.0};
    double C[4];
    for (int J = 0; J < 4; ++J) {
      C[J] = In[0] * M[0][J] + In[1] * M[1][J] + In[2] * M[2][J] + In[3] * M[3][J];
    }
    if (C[3] == 0) {
      V.Rhw = 0;
      AllOutside = 0;
      continue;
    }
    const double XP = C[0] / C[3], YP = C[1] / C[3], ZP = C[2] / C[3];
    std::uint32_t Code = 0;
    Code |= XP < Data_.ClipX ? 1u : 0u;
    Code |= XP > Data_.ClipX + Data_.ClipWidth ? 2u : 0u;
    Code |= YP > Data_.ClipY ? 4u : 0u;
    Code |= YP < Data_.ClipY - Data_.ClipHeight ? 8u : 0u;
    Code |= ZP < 0 ? 16u : 0u;
    Code |= ZP > 1 ? 32u : 0u;
    AllOutside &= Code;
    V.X = static_cast<float>(Data_.X + (XP - Data_.ClipX) / Data_.ClipWidth * Data_.Width);
    V.Y = static_cast<float>(Data_.Y + (Data_.ClipY - YP) / Data_.ClipHeight * Data_.Height);
    V.Z = static_cast<float>(Data_.MinZ + ZP * (Data_.MaxZ - Data_.MinZ));
    V.Rhw = static_cast<float>(1.0 / C[3]);
  }
  if (Flags == D3DTRANSFORM_CLIPPED && !Vertices.empty()) {
    OffScreen = AllOutside;
  }
  return DD_OK;
}

// ---------------------------------------------------------------------------
// Device

TSoftwareDevice::TSoftwareDevice(std::shared_ptr<TMemorySurface> Target,
                                 const TDeviceDescription& Software, std::int32_t Threads)
    : TSoftwareDevice(std::move(Target), TDeviceDescription{}, Software,
                      std::make_unique<TSoftwareRasterizer>(Threads)) {}

TSoftwareDevice::TSoftwareDevice(std::shared_ptr<TMemorySurface> Target,
                                 const TDeviceDescription& Hardware,
                                 const TDeviceDescription& Software,
                                 std::unique_ptr<IQueueExecutor> Executor)
    : Target_(std::move(Target)), Hardware_(Hardware), Software_(Software),
      Executor_(std::move(Executor)) {
  RenderStates_[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = 1;
  RenderStates_[D3DRENDERSTATE_ZENABLE] = Target_->DepthBuffer() ? 1 : 0;
  RenderStates_[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  RenderStates_[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  RenderStates_[D3DRENDERSTATE_ZWRITEENABLE] = 1;
  RenderStates_[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  RenderStates_[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  RenderStates_[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  RenderStates_[D3DRENDERSTATE_TEXTUREMAPBLEND] = D3DTBLEND_MODULATE;
  RenderStates_[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  RenderStates_[D3DRENDERSTATE_ANTIALIAS] = D3DANTIALIAS_NONE;
  StageStates_[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
  StageStates_[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
  StageStates_[D3DTSS_MAGFILTER] = D3DTFG_POINT;
  StageStates_[D3DTSS_MINFILTER] = D3DTFN_POINT;
  StageStates_[D3DTSS_MIPFILTER] = D3DTFP_NONE;
}

TSoftwareDevice::~TSoftwareDevice() {
  // An immediate device would already have drawn; keep that promise for
  // drawing still recorded. A failure here (out of memory for the setup
  // arrays) cannot be reported from a destructor: the drawing is dropped.
  try {
    FinishPendingDrawing();
  } catch (...) {
    DropPending();
  }
}

HRESULT TSoftwareDevice::AddViewport(const std::shared_ptr<I3DViewport>& Viewport) {
  auto Own = std::dynamic_pointer_cast<TSoftwareViewport>(Viewport);
  if (!Own) {
    return DDERR_INVALIDPARAMS;
  }
  if (std::find(Viewports_.begin(), Viewports_.end(), Own) == Viewports_.end()) {
    Viewports_.push_back(Own);
  }
  Own->AttachTo(shared_from_this());
  return DD_OK;
}

HRESULT TSoftwareDevice::SetCurrentViewport(const std::shared_ptr<I3DViewport>& Viewport) {
  const auto Own = std::dynamic_pointer_cast<TSoftwareViewport>(Viewport);
  if (!Own || std::find(Viewports_.begin(), Viewports_.end(), Own) == Viewports_.end()) {
    return DDERR_INVALIDPARAMS;
  }
  CurrentViewport_ = Own;
  return DD_OK;
}

bool TSoftwareDevice::TargetLost() const {
  const auto Depth = Target_->DepthBuffer();
  return Target_->Lost() || (Depth && Depth->Lost());
}

HRESULT TSoftwareDevice::BeginScene() {
  if (InScene_) {
    return D3DERR_SCENE_IN_SCENE;
  }
  if (TargetLost()) {
    return DDERR_SURFACELOST;
  }
  InScene_ = true;
  return DD_OK;
}

HRESULT TSoftwareDevice::EndScene() {
  if (!InScene_) {
    return D3DERR_SCENE_NOT_IN_SCENE;
  }
  InScene_ = false;
  if (TargetLost()) {
    DropPending();
    return DDERR_SURFACELOST;
  }
  // The drawing stays recorded until its pixels are wanted: presented, it is
  // drawn and copied to the window in one pass.
  ++Statistics_.Scenes;
  return DD_OK;
}

HRESULT TSoftwareDevice::SetTransform(D3DTRANSFORMSTATETYPE Type, const TDeviceMatrix& Matrix) {
  if (Type < D3DTRANSFORMSTATE_WORLD || Type > D3DTRANSFORMSTATE_PROJECTION) {
    return DDERR_INVALIDPARAMS;
  }
  Transforms_[Type - 1] = Matrix;
  return DD_OK;
}

HRESULT TSoftwareDevice::GetTransform(D3DTRANSFORMSTATETYPE Type, TDeviceMatrix& Matrix) const {
  if (Type < D3DTRANSFORMSTATE_WORLD || Type > D3DTRANSFORMSTATE_PROJECTION) {
    return DDERR_INVALIDPARAMS;
  }
  Matrix = Transforms_[Type - 1];
  return DD_OK;
}

HRESULT TSoftwareDevice::SetRenderState(D3DRENDERSTATETYPE State, std::uint32_t Value) {
  if (!ValidRenderValue(State, Value)) {
    return DDERR_INVALIDPARAMS;
  }
  switch (State) {
  // The older single states are views of the newer ones.
  case D3DRENDERSTATE_WRAPU:
    RenderStates_[D3DRENDERSTATE_WRAP0] =
        (RenderStates_[D3DRENDERSTATE_WRAP0] & ~D3DWRAP_U) | (Value != 0 ? D3DWRAP_U : 0u);
    break;
  case D3DRENDERSTATE_WRAPV:
    RenderStates_[D3DRENDERSTATE_WRAP0] =
        (RenderStates_[D3DRENDERSTATE_WRAP0] & ~D3DWRAP_V) | (Value != 0 ? D3DWRAP_V : 0u);
    break;
  case D3DRENDERSTATE_TEXTUREADDRESS:
    StageStates_[D3DTSS_ADDRESSU] = Value;
    StageStates_[D3DTSS_ADDRESSV] = Value;
    break;
  case D3DRENDERSTATE_TEXTUREADDRESSU:
    StageStates_[D3DTSS_ADDRESSU] = Value;
    break;
  case D3DRENDERSTATE_TEXTUREADDRESSV:
    StageStates_[D3DTSS_ADDRESSV] = Value;
    break;
  default:
    RenderStates_[State] = Value;
    break;
  }
  return DD_OK;
}

HRESULT TSoftwareDevice::GetRenderState(D3DRENDERSTATETYPE State, std::uint32_t& Value) const {
  if (State < D3DRENDERSTATE_TEXTUREPERSPECTIVE || State >= D3DRENDERSTATE_LAST_) {
    return DDERR_INVALIDPARAMS;
  }
  switch (State) {
  case D3DRENDERSTATE_WRAPU:
    Value = (RenderStates_[D3DRENDERSTATE_WRAP0] & D3DWRAP_U) != 0 ? 1 : 0;
    break;
  case D3DRENDERSTATE_WRAPV:
    Value = (RenderStates_[D3DRENDERSTATE_WRAP0] & D3DWRAP_V) != 0 ? 1 : 0;
    break;
  case D3DRENDERSTATE_TEXTUREADDRESS:
  case D3DRENDERSTATE_TEXTUREADDRESSU:
    Value = StageStates_[D3DTSS_ADDRESSU];
    break;
  case D3DRENDERSTATE_TEXTUREADDRESSV:
    Value = StageStates_[D3DTSS_ADDRESSV];
    break;
  default:
    Value = RenderStates_[State];
    break;
  }
  return DD_OK;
}

HRESULT TSoftwareDevice::SetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                                              std::uint32_t Value) {
  if (Stage != 0 || !ValidStageValue(State, Value)) {
    return DDERR_INVALIDPARAMS;
  }
  StageStates_[State] = Value;
  return DD_OK;
}

HRESULT TSoftwareDevice::GetTextureStageState(std::uint32_t Stage, D3DTEXTURESTAGESTATETYPE State,
                                              std::uint32_t& Value) const {
  if (Stage != 0 || State < D3DTSS_ADDRESSU || State >= D3DTSS_LAST_) {
    return DDERR_INVALIDPARAMS;
  }
  Value = StageStates_[State];
  return DD_OK;
}

HRESULT TSoftwareDevice::SetTexture(std::uint32_t Stage,
                                    const std::shared_ptr<I3DTexture>& Texture) {
  if (Stage != 0) {
    return DDERR_INVALIDPARAMS;
  }
  if (Texture) {
    const auto Surface = std::dynamic_pointer_cast<TMemorySurface>(Texture->Surface());
    if (!Surface || Surface->Kind() != TSurfaceKind::Colour) {
      return DDERR_INVALIDPARAMS;
    }
  }
  Texture_ = Texture;
  return DD_OK;
}

HRESULT TSoftwareDevice::CheckDrawable(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat) {
  if (!InScene_) {
    return D3DERR_SCENE_NOT_IN_SCENE;
  }
  if (!CurrentViewport_) {
    return D3DERR_NOCURRENTVIEWPORT;
  }
  if (!CurrentViewport_->HasData()) {
    return D3DERR_VIEWPORTDATANOTSET;
  }
  if (VertexFormat != D3DFVF_LVERTEX) {
    return D3DERR_INVALIDVERTEXTYPE;
  }
  if (Type != D3DPT_POINTLIST && Type != D3DPT_LINELIST && Type != D3DPT_TRIANGLELIST) {
    return D3DERR_INVALIDPRIMITIVETYPE;
  }
  if (TargetLost()) {
    return DDERR_SURFACELOST;
  }
  if (Target_->Locked()) {
    return DDERR_SURFACEBUSY;
  }
  return DD_OK;
}

HRESULT TSoftwareDevice::DrawPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                                       std::span<const D3DLVERTEX> Vertices, std::uint32_t) {
  if (const HRESULT Result = CheckDrawable(Type, VertexFormat); Result != DD_OK) {
    return Result;
  }
  return Record(Type, Vertices, {}, false);
}

HRESULT TSoftwareDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE Type, std::uint32_t VertexFormat,
                                              std::span<const D3DLVERTEX> Vertices,
                                              std::span<const std::uint16_t> Indices,
                                              std::uint32_t) {
  if (const HRESULT Result = CheckDrawable(Type, VertexFormat); Result != DD_OK) {
    return Result;
  }
  if (!Indices.empty() && LargestIndex(Indices) >= Vertices.size()) {
    return DDERR_INVALIDPARAMS;
  }
  return Record(Type, Vertices, Indices, true);
}

void TSoftwareDevice::WorldViewProjection(double (&Result)[4][4]) const {
  double World[4][4], View[4][4], Projection[4][4], WorldView[4][4];
  ToDouble(Transforms_[0], World);
  ToDouble(Transforms_[1], View);
  ToDouble(Transforms_[2], Projection);
  Multiply(World, View, WorldView);
  Multiply(WorldView, Projection, Result);
}

TRasterState TSoftwareDevice::CurrentRasterState() {
  const auto& R = RenderStates_;
  TRasterState S;
  S.DepthTest = R[D3DRENDERSTATE_ZENABLE] != 0;
  S.DepthWrite = R[D3DRENDERSTATE_ZWRITEENABLE] != 0;
  S.DepthFunction = static_cast<D3DCMPFUNC>(R[D3DRENDERSTATE_ZFUNC]);
  S.Fill = static_cast<D3DFILLMODE>(R[D3DRENDERSTATE_FILLMODE]);
  // Phong is not offered by the device; like Direct3D it shades Gouraud then.
  S.Shade = R[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
  S.Cull = static_cast<D3DCULL>(R[D3DRENDERSTATE_CULLMODE]);
  S.Blend = R[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
  S.SourceBlend = static_cast<D3DBLEND>(R[D3DRENDERSTATE_SRCBLEND]);
  S.DestBlend = static_cast<D3DBLEND>(R[D3DRENDERSTATE_DESTBLEND]);
  S.Fog = R[D3DRENDERSTATE_FOGENABLE] != 0;
  S.FogColour = R[D3DRENDERSTATE_FOGCOLOR] & 0xFFFFFFu;
  S.Specular = R[D3DRENDERSTATE_SPECULARENABLE] != 0;
  if (Texture_) {
    const auto Surface = std::dynamic_pointer_cast<TMemorySurface>(Texture_->Surface());
    if (Surface && !Surface->Lost()) {
      S.Textured = true;
      S.Texture.Texels = Surface->ColourPixels();
      S.Texture.Width = Surface->Width();
      S.Texture.Height = Surface->Height();
      S.Texture.HasAlpha = Surface->HasAlpha();
      if (const auto& Key = Surface->SourceKey()) {
        S.Texture.HasKey = true;
        S.Texture.Key = *Key;
      }
      S.TextureBlend = static_cast<D3DTEXTUREBLEND>(R[D3DRENDERSTATE_TEXTUREMAPBLEND]);
      S.ColourKey = R[D3DRENDERSTATE_COLORKEYENABLE] != 0;
      S.Perspective = R[D3DRENDERSTATE_TEXTUREPERSPECTIVE] != 0;
      S.Bilinear = StageStates_[D3DTSS_MAGFILTER] == D3DTFG_LINEAR;
      S.WrapAddressU = StageStates_[D3DTSS_ADDRESSU] == D3DTADDRESS_WRAP;
      S.WrapAddressV = StageStates_[D3DTSS_ADDRESSV] == D3DTADDRESS_WRAP;
      S.WrapInterpolationU = (R[D3DRENDERSTATE_WRAP0] & D3DWRAP_U) != 0;
      S.WrapInterpolationV = (R[D3DRENDERSTATE_WRAP0] & D3DWRAP_V) != 0;
      UsePendingSurface(Surface);
    }
  }
  return S;
}

void TSoftwareDevice::UsePendingSurface(const std::shared_ptr<TMemorySurface>& Surface) {
  if (std::find(PendingSurfaces_.begin(), PendingSurfaces_.end(), Surface) ==
      PendingSurfaces_.end()) {
    // Another device's drawing recorded earlier on this surface comes first.
    Surface->FinishPendingUsersExcept(this);
    Surface->AddPendingUser(this);
    PendingSurfaces_.push_back(Surface);
  }
}

HRESULT TSoftwareDevice::Record(D3DPRIMITIVETYPE Type, std::span<const D3DLVERTEX> Vertices,
                                std::span<const std::uint16_t> Indices, bool Indexed) {
  const std::uint32_t Count =
      static_cast<std::uint32_t>(Indexed ? Indices.size() : Vertices.size());
  if (PrimitiveCount(Type, Count) == 0) {
    return DD_OK;
  }
  if (Owed_) {
    FinishPendingDrawing();
  }
  if (Queue_.Input.size() + Vertices.size() > MaxQueuedVertices) {
    DrawRecorded(nullptr, true);
  }
  if (Queue_.Batches.empty()) {
    Executor_->ExpectExecute();
  }
  UsePendingSurface(Target_);
  if (const auto Depth = Target_->DepthBuffer()) {
    UsePendingSurface(Depth);
  }
  const auto Base = static_cast<std::uint32_t>(Queue_.Input.size());
  Queue_.Input.insert(Queue_.Input.end(), Vertices.begin(), Vertices.end());

  TRasterBatch Batch;
  Batch.Type = Type;
  Batch.FirstVertex = Base;
  Batch.VertexCount = static_cast<std::uint32_t>(Vertices.size());
  // The viewport's clip volume becomes -w..w in x and y, so that clipping
  // and the guard band need no viewport data.
  const TViewport2& V = CurrentViewport_->Data();
  double Adjust[4][4] = {};
  Adjust[0][0] = 2.0 / V.ClipWidth;
  Adjust[3][0] = -(2.0 * V.ClipX / V.ClipWidth + 1.0);
  Adjust[1][1] = 2.0 / V.ClipHeight;
  Adjust[3][1] = 1.0 - 2.0 * V.ClipY / V.ClipHeight;
  Adjust[2][2] = 1.0;
  Adjust[3][3] = 1.0;
  double WorldViewProjectionMatrix[4][4];
  WorldViewProjection(WorldViewProjectionMatrix);
  Multiply(WorldViewProjectionMatrix, Adjust, Batch.Transform);
  Batch.FirstIndex = static_cast<std::uint32_t>(Queue_.Indices.size());
  Batch.IndexCount = Count;
  // Sized first and then written: a push per index is a measurable part of
  // recording, which the caller's thread does alone.
  const std::size_t At = Queue_.Indices.size();
  Queue_.Indices.resize(At + Count);
  std::uint32_t* const Written = Queue_.Indices.data() + At;
  if (Indexed) {
    WidenIndices(Indices, Base, Written);
  } else {
    std::iota(Written, Written + Count, Base);
  }
  Batch.State = Queue_.AddState(CurrentRasterState());
  Batch.Mapping.OffsetX = static_cast<float>(V.X + V.Width / 2.0);
  Batch.Mapping.ScaleX = static_cast<float>(V.Width / 2.0);
  Batch.Mapping.OffsetY = static_cast<float>(V.Y + V.Height / 2.0);
  Batch.Mapping.ScaleY = static_cast<float>(-(V.Height / 2.0));
  Batch.Mapping.OffsetZ = V.MinZ;
  Batch.Mapping.ScaleZ = V.MaxZ - V.MinZ;
  IntersectRectangles(ViewportRect(V), {0, 0, Target_->Width(), Target_->Height()},
                      Batch.Mapping.Scissor);
  Queue_.AddBatch(Batch);
  return DD_OK;
}

HRESULT TSoftwareDevice::RecordClear(const TViewport2& Viewport, std::span<const TRect> Rectangles,
                                     std::uint32_t Flags, std::uint32_t Colour) {
  if (TargetLost()) {
    return DDERR_SURFACELOST;
  }
  if (Target_->Locked()) {
    return DDERR_SURFACEBUSY;
  }
  TRect Area;
  if (!IntersectRectangles(ViewportRect(Viewport), {0, 0, Target_->Width(), Target_->Height()},
                           Area)) {
    return DD_OK;
  }
  const std::uint32_t Stored = Target_->HasAlpha() ? Colour : (Colour | 0xFF000000u);
  for (const TRect& Rectangle : Rectangles) {
    TRect Cut;
    if (IntersectRectangles(Rectangle, Area, Cut)) {
      if (Owed_) {
        // What the last drawing kept to itself is only needed when this
        // clear leaves some of it.
        const TDroppedParts Dropped = Executor_->Dropped();
        const bool ClearsAll = Cut == TRect{0, 0, Target_->Width(), Target_->Height()} &&
                               (!Dropped.Colour || (Flags & D3DCLEAR_TARGET) != 0) &&
                               (!Dropped.Depth || (Flags & D3DCLEAR_ZBUFFER) != 0);
        if (ClearsAll) {
          DropPending();
        } else {
          FinishPendingDrawing();
        }
      }
      UsePendingSurface(Target_);
      if (const auto Depth = Target_->DepthBuffer()) {
        UsePendingSurface(Depth);
      }
      Queue_.AddClear({Cut, Flags, Stored});
    }
  }
  return DD_OK;
}

TRasterTarget TSoftwareDevice::RasterTarget() const {
  const auto Depth = Target_->DepthBuffer();
  TRasterTarget Target;
  Target.Colour = Target_->ColourPixels();
  Target.Depth = Depth ? Depth->DepthPixels() : nullptr;
  Target.Width = Target_->Width();
  Target.Height = Target_->Height();
  Target.ColourHasAlpha = Target_->HasAlpha();
  return Target;
}

void TSoftwareDevice::FinishPendingDrawing() {
  if (Owed_) {
    if (!TargetLost()) {
      Executor_->RestoreDropped(Queue_, RasterTarget());
    }
    DropPending();
    return;
  }
  DrawRecorded(nullptr, false);
}

bool TSoftwareDevice::FinishPendingDrawingInto(const TMemorySurface& Source,
                                               const TPresentRows& Present) {
  if (&Source != Target_.get() || Owed_ || Queue_.Empty() || TargetLost()) {
    return false;
  }
  DrawRecorded(&Present, false);
  return true;
}

TDrawStatistics TSoftwareDevice::Statistics() {
  if (!Owed_) {
    DrawRecorded(nullptr, false);
  }
  return Statistics_;
}

void TSoftwareDevice::DrawRecorded(const TPresentRows* Present, bool KeepAll) {
  if (Queue_.Empty() || TargetLost()) {
    DropPending();
    return;
  }
  // Nothing reads the depth of a frame that is cleared before the next one;
  // a presented picture is in the window already. Either is drawn again
  // only if it turns out to be wanted after all.
  TExecuteOptions Options;
  Options.KeepDepth = KeepAll;
  Options.KeepColour = KeepAll || Present == nullptr;
  Options.Present = Present;
  bool Drawn = false;
  try {
    Drawn = Executor_->Execute(Queue_, RasterTarget(), Statistics_, Options);
  } catch (...) {
    DropPending();
    throw;
  }
  if (!Drawn) {
    // The executor's context is gone: to callers that is the loss of the
    // surface, restored and drawn again like any other.
    DropPending();
    Target_->MarkLost();
    return;
  }
  const TDroppedParts Dropped = Executor_->Dropped();
  if (Dropped.Colour || Dropped.Depth) {
    KeepForRestore(Dropped.Colour);
  } else {
    DropPending();
  }
}

// The drawing is done but some of it never reached the target's memory:
// keep the queue, so that whoever reads what is missing (or draws on it
// without clearing first) gets it drawn there. Only the surfaces that
// decide the missing pixels stay in use: the depth buffer, the target when
// its colours are missing, and the textures when colours are missing or
// their colour key decides what is drawn.
void TSoftwareDevice::KeepForRestore(bool ColourMissing) {
  Owed_ = true;
  bool TexturesMatter = false;
  for (const TRasterState& State : Queue_.States) {
    TexturesMatter = TexturesMatter || (State.Textured && (ColourMissing || State.ColourKey));
  }
  if (!TexturesMatter) {
    for (TRasterState& State : Queue_.States) {
      State.Textured = false;
    }
  }
  const auto Depth = Target_->DepthBuffer();
  std::erase_if(PendingSurfaces_, [&](const std::shared_ptr<TMemorySurface>& Surface) {
    const bool Keep = Surface == Depth || (Surface == Target_ ? ColourMissing : TexturesMatter);
    if (!Keep) {
      Surface->RemovePendingUser(this);
    }
    return !Keep;
  });
}

void TSoftwareDevice::DropPending() {
  Owed_ = false;
  Queue_.Reset();
  for (const auto& Surface : PendingSurfaces_) {
    Surface->RemovePendingUser(this);
  }
  PendingSurfaces_.clear();
}

HRESULT TSoftwareDevice::EnumTextureFormats(
    const std::function<bool(const TPixelFormat& Format)>& Callback) const {
  for (const TPixelFormat& Format : {PixelFormatXRGB8888, PixelFormatARGB8888}) {
    if (!Callback(Format)) {
      break;
    }
  }
  return DD_OK;
}

HRESULT TSoftwareDevice::GetCaps(TDeviceDescription& Hardware, TDeviceDescription& Software) const {
  Hardware = Hardware_;
  Software = Software_;
  return DD_OK;
}

} // namespace kestrava
