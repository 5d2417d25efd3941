#pragma once
// The software device's rasterizer: carries out a recorded queue of clears
// and draw batches on a 32-bit colour target and an optional float depth
// buffer.
//
// Rules it keeps (the pictures depend on them):
// - Pixel centres are at integer screen coordinates. Vertex positions are
//   snapped to 1/256 pixel and coverage is decided in exact integer
//   arithmetic with the top-left rule, so triangles sharing an edge cover
//   every pixel along it exactly once.
// - Clipping happens in homogeneous space against the near (z = 0) and far
//   (z = w) planes and a guard band around the viewport; the viewport
//   rectangle scissors the rest. Cut edges are computed from the inside
//   vertex towards the outside one, so neighbours produce identical points.
// - Colours and fog are interpolated linearly on the screen, texture
//   coordinates perspective-correctly when asked; depth is z / w.
// - Deterministic: the same queue gives the same pixels on any number of
//   threads. Vertex work and setup are split into runs of vertices and
//   primitives, rasterization into bands of rows, each written to its own
//   place; each pixel is written by one thread in submission order.
// - One pass over memory per band: a band whose colour (or depth) is cleared
//   before anything draws into it is cleared and drawn in a buffer of its
//   thread that stays in the cache, then written once to the target (and,
//   when asked, to the window it is presented in). Such a band's depth need
//   not reach memory at all (TExecuteOptions::KeepDepth).
//
// Thread: Execute is called from one thread at a time; it uses the worker
// it owns and returns when everything is drawn.

#include "foundation/Rectangle.h"
#include "render/DeviceTypes.h"
#include "render/MemoryFill.h"
#include "render/RenderWorker.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace kestrava {

// A texture as the rasterizer samples it: Height rows of Width texels
// (0xAARRGGBB), read-only while a queue executes.
struct TRasterTexture {
  const std::uint32_t* Texels = nullptr;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool HasAlpha = false;
  bool HasKey = false;
  TColourKey Key;
  friend bool operator==(const TRasterTexture&, const TRasterTexture&) = default;
};

// The device state a batch was drawn with.
struct TRasterState {
  bool DepthTest = false;
  bool DepthWrite = true;
  D3DCMPFUNC DepthFunction = D3DCMP_LESSEQUAL;
  D3DFILLMODE Fill = D3DFILL_SOLID;
  D3DSHADEMODE Shade = D3DSHADE_GOURAUD;
  D3DCULL Cull = D3DCULL_CCW;
  bool Blend = false;
  D3DBLEND SourceBlend = D3DBLEND_ONE;
  D3DBLEND DestBlend = D3DBLEND_ZERO;
  bool Fog = false;
  std::uint32_t FogColour = 0; // 0x00RRGGBB
  bool Specular = false;
  // Texturing; the rest of the fields only count when Textured.
  bool Textured = false;
  TRasterTexture Texture;
  D3DTEXTUREBLEND TextureBlend = D3DTBLEND_MODULATE;
  bool ColourKey = false;
  bool Perspective = true;
  bool Bilinear = false;
  bool WrapAddressU = true; // D3DTADDRESS_WRAP, else clamp
  bool WrapAddressV = true;
  bool WrapInterpolationU = false; // D3DWRAP_U: interpolate the shorter way round
  bool WrapInterpolationV = false;
  friend bool operator==(const TRasterState&, const TRasterState&) = default;
};

// A vertex after the world, view, projection and viewport-clip transforms:
// inside the viewport's clip volume -W <= X, Y <= W and 0 <= Z <= W.
// Colours are 0..255 per channel; F is the fog factor 0..255.
struct TClipVertex {
  float X, Y, Z, W;
  float R, G, B, A;
  float SR, SG, SB, F;
  float U, V;
};

// From the clip volume to pixels: screen x = OffsetX + ScaleX * X / W (and
// likewise y, depth); Scissor is the viewport rectangle cut to the target.
struct TViewportMapping {
  float OffsetX = 0, ScaleX = 1;
  float OffsetY = 0, ScaleY = -1;
  float OffsetZ = 0, ScaleZ = 1;
  TRect Scissor;
};

struct TRasterBatch {
  D3DPRIMITIVETYPE Type = D3DPT_TRIANGLELIST;
  std::uint32_t FirstVertex = 0; // into TRenderQueue::Input
  std::uint32_t VertexCount = 0;
  // Model to clip volume (world x view x projection x viewport clip), row vectors.
  double Transform[4][4] = {};
  std::uint32_t FirstIndex = 0; // into TRenderQueue::Indices
  std::uint32_t IndexCount = 0;
  std::uint32_t State = 0; // into TRenderQueue::States
  TViewportMapping Mapping;
  std::int64_t FirstPrimitive = 0; // position of its first primitive in the whole queue
  std::int64_t PrimitiveCount = 0;
};

struct TRasterClear {
  TRect Rect; // already cut to the viewport and the target
  std::uint32_t Flags = 0;
  std::uint32_t Colour = 0; // the stored pixel value
};

struct TRasterCommand {
  bool IsClear = false;
  std::uint32_t Index = 0; // into Clears or Batches
};

// A primitive after clipping, culling and projection.
struct TScreenVertex {
  std::int32_t FX, FY; // 1/256 pixel
  float Z, Rhw;
  float R, G, B, A;
  float SR, SG, SB, F;
  float U, V; // times Rhw when the batch is perspective-correct
};

// Everything recorded since the last execution. Indices refer to Input;
// Codes and Screen run parallel to it once the rasterizer has worked them
// out (see PrepareVertices); until then they hold old values.
struct TRenderQueue {
  std::vector<D3DLVERTEX> Input;
  std::vector<std::uint32_t> Codes;
  std::vector<TScreenVertex> Screen;
  std::vector<std::uint32_t> Indices;
  std::vector<TRasterState> States;
  std::vector<TRasterBatch> Batches;
  std::vector<TRasterClear> Clears;
  std::vector<TRasterCommand> Commands;
  std::int64_t Primitives = 0;

  bool Empty() const { return Commands.empty(); }
  // Empties the queue, keeping its memory for the next frame.
  void Reset();
  // The index of State in States, adding it when it differs from the last one.
  std::uint32_t AddState(const TRasterState& State);
  // Appends a batch (its indices already in Indices from FirstIndex on).
  void AddBatch(TRasterBatch Batch);
  void AddClear(const TRasterClear& Clear);
};

struct TRasterTarget {
  std::uint32_t* Colour = nullptr; // Height rows of Width pixels
  float* Depth = nullptr;          // the same layout; null without depth buffer
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool ColourHasAlpha = false;
  // The rows Colour[0] and Depth[0] belong to: a band drawn in a buffer of
  // its own has its first row there.
  std::int32_t ColourTop = 0;
  std::int32_t DepthTop = 0;

  std::uint32_t* ColourRow(std::int32_t Y) const {
    return Colour + static_cast<std::size_t>(Y - ColourTop) * static_cast<std::size_t>(Width);
  }
  float* DepthRow(std::int32_t Y) const {
    return Depth != nullptr
               ? Depth + static_cast<std::size_t>(Y - DepthTop) * static_cast<std::size_t>(Width)
               : nullptr;
  }
};

// Rows of the target copied to a window as each band is finished, so that
// presenting costs no pass of its own.
struct TPresentRows {
  std::uint32_t* Destination = nullptr; // receives pixel (Source.Left, Source.Top)
  std::size_t Pitch = 0;                // words from one destination row to the next
  TRect Source;                         // inside the target
  // Around the cache when the window does not stay in it anyway.
  TStores Stores = TStores::ThroughCache;
};

struct TExecuteOptions {
  // False lets a band whose depth is cleared before it is used keep its
  // depth in its thread's buffer only: Target.Depth then misses those rows
  // until RestoreDropped (see Dropped).
  bool KeepDepth = true;
  // The same for colour (with the depth of the band, when there is a depth
  // buffer, also cleared before use): for a picture that is presented and
  // then drawn anew, the window is the only place its colours need to go.
  bool KeepColour = true;
  const TPresentRows* Present = nullptr;
};

enum class TScreenKind : std::uint8_t { Point, Line, Triangle };
struct TScreenPrimitive {
  TScreenKind Kind = TScreenKind::Triangle;
  std::uint32_t Batch = 0;
  // The pixels that may be touched, inside the scissor (inclusive).
  std::int32_t MinX = 0, MaxX = 0, MinY = 0, MaxY = 0;
  // Its vertices (one for a point, two for a line), where they are kept: in
  // the queue's Screen array, or with the setup for vertices made by
  // clipping or changed for this primitive alone. Pointing at them instead
  // of copying keeps what setup writes, and another core then reads, small.
  const TScreenVertex* V[3] = {};
};

// What an execution left out of the target's memory (see TExecuteOptions).
struct TDroppedParts {
  bool Colour = false;
  bool Depth = false;
};

// Carries out a recorded queue on a target: the software rasterizer, or
// another renderer behind the same recording device.
class IQueueExecutor {
public:
  virtual ~IQueueExecutor() = default;
  // Draws the queue (filling its vertex arrays on the way). False when the
  // executor lost what it draws with (its graphics context): nothing was
  // drawn, and the caller treats the target as lost.
  virtual bool Execute(TRenderQueue& Queue, const TRasterTarget& Target,
                       TDrawStatistics& Statistics, const TExecuteOptions& Options) = 0;
  // What the last Execute left out of the target's memory.
  virtual TDroppedParts Dropped() const = 0;
  // Draws what was left out into the target's memory. Queue, Target and
  // everything they point to must be as they were at Execute (except for the
  // parts left out).
  virtual void RestoreDropped(const TRenderQueue& Queue, const TRasterTarget& Target) = 0;
  // A hint that a queue has begun to fill and Execute follows soon.
  virtual void ExpectExecute() {}
};

// The part of the target one band of rows covers (defined with the rasterizer).
struct TBandRows;

class TSoftwareRasterizer final : public IQueueExecutor {
public:
  // Rows per band (as a shift): a band of colour and depth of a wide view
  // stays well inside a core's cache.
  static constexpr std::int32_t BandShift = 4;
  // Vertices are snapped to 1 / (1 << SubpixelBits) pixel.
  static constexpr std::int32_t SubpixelBits = 8;

  // Threads as for TRenderWorker.
  explicit TSoftwareRasterizer(std::int32_t Threads);

  // Fills the queue's vertex arrays, then draws it. Target's ColourTop and
  // DepthTop must be 0.
  bool Execute(TRenderQueue& Queue, const TRasterTarget& Target, TDrawStatistics& Statistics,
               const TExecuteOptions& Options) override;

  TDroppedParts Dropped() const override;
  // Draws the bands that left something out once more.
  void RestoreDropped(const TRenderQueue& Queue, const TRasterTarget& Target) override;
  // Wakes the render threads, so that they are ready when Execute comes.
  void ExpectExecute() override { Worker_.ExpectJob(); }

  // Test switch: sends every triangle through the general per-pixel path
  // instead of the specialised ones; the pictures must not change.
  void SetGeneralPathOnly(bool GeneralOnly) { GeneralOnly_ = GeneralOnly; }

private:
  // One cache line or more each: threads working on neighbouring chunks
  // (or with neighbouring scratch) would otherwise share the lines their
  // vectors' ends and counters live in, and every primitive set up would
  // pull the line away from the other core.
  static constexpr std::size_t CacheLine = 64;

  // The screen primitives of one run of the queue's primitives, and for
  // each band of rows the ones reaching it, in order.
  struct alignas(CacheLine) TSetupChunk {
    std::vector<TScreenPrimitive> Primitives;
    std::deque<TScreenVertex> MadeVertices; // see SetupPrimitives
    std::vector<std::vector<std::uint32_t>> Bins;
    TDrawStatistics Statistics;
  };

  // Memory of one thread for the band it works on.
  struct alignas(CacheLine) TBandScratch {
    std::vector<std::uint32_t> Colour;
    std::vector<float> Depth;
    std::vector<const TScreenPrimitive*> Merged;
  };

  // Per band: what it left out of the target's memory.
  static constexpr std::uint8_t DroppedColour = 1;
  static constexpr std::uint8_t DroppedDepth = 2;

  void OrderBands(std::size_t Bands);
  void RasterizeBand(const TRenderQueue& Queue, const TRasterTarget& Target, std::size_t Band,
                     std::int32_t Thread, const TExecuteOptions& Options);
  void RestoreBand(const TRenderQueue& Queue, const TRasterTarget& Target, std::size_t Band,
                   std::int32_t Thread);
  void DrawBand(const TRenderQueue& Queue, const TRasterTarget& Band, const TBandRows& Rows,
                const std::vector<const TScreenPrimitive*>& Merged) const;

  TRenderWorker Worker_;
  bool GeneralOnly_ = false;
  std::vector<TSetupChunk> Chunks_;   // kept between frames for their memory
  std::size_t SetupChunks_ = 0;       // of the last Execute
  std::vector<TBandScratch> Scratch_; // one per thread
  std::vector<std::uint8_t> Dropped_; // per band of the last Execute
  // The order bands are handed out in, and what it is worked out from; kept
  // between frames for their memory.
  std::vector<std::size_t> BandOrder_, BandWork_, BandScratchOrder_;
};

} // namespace kestrava
