#pragma once
// Records and constants of the render device layer: what the viewer hands to
// the device (pre-lit vertices, matrices, viewports, render states) and what
// the device reports about itself (pixel formats, surface descriptions,
// device descriptions). Names follow DirectDraw / Direct3D 6 where a reader
// knows them from there; the numeric values are this layer's own.
//
// Conventions of the whole layer:
// - Colours handed to the device are 0xAARRGGBB (`D3DCOLOR`).
// - Screen coordinates are pixels with y downwards; pixel (i, j) has its
//   centre at the integer point (i, j), as in Direct3D 6.
// - Matrices use the row-vector convention: a point p = (x, y, z, 1) becomes
//   p * M, the translation lives in row 3 (M[3][0..2]).
// - Results are HRESULT codes from render/DirectXResultCodes.h (DD_OK = 0).

#include "foundation/QelObject.h"

#include <cstdint>

namespace kestrava {

using D3DCOLOR = std::uint32_t; // 0xAARRGGBB

// ---------------------------------------------------------------------------
// Vertices

// A pre-lit vertex (32 bytes): untransformed position, diffuse and specular
// colours already lit by the caller, one texture coordinate pair. The alpha
// of Specular is the vertex fog factor (255 = no fog, 0 = all fog colour).
struct D3DLVERTEX {
  float X = 0, Y = 0, Z = 0;
  std::uint32_t Reserved = 0;
  D3DCOLOR Diffuse = 0;
  D3DCOLOR Specular = 0;
  float TU = 0, TV = 0;
};
static_assert(sizeof(D3DLVERTEX) == 32);

// The vertex format code of D3DLVERTEX; the only format the draw calls take.
inline constexpr std::uint32_t D3DFVF_LVERTEX = 0x1E2;

// A point for TransformVertices: X, Y, Z go in (model coordinates); out come
// screen x, y in pixels, the depth mapped into the viewport's MinZ..MaxZ and
// Rhw = 1 / w of the clip-space point.
struct TTransformVertex {
  float X = 0, Y = 0, Z = 0;
  float Rhw = 0;
};

// TransformVertices flags.
inline constexpr std::uint32_t D3DTRANSFORM_CLIPPED = 0x1;
inline constexpr std::uint32_t D3DTRANSFORM_UNCLIPPED = 0x2;

enum D3DPRIMITIVETYPE : std::uint32_t {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_TRIANGLELIST = 4,
};

// ---------------------------------------------------------------------------
// Transforms

struct TDeviceMatrix {
  float M[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  friend bool operator==(const TDeviceMatrix&, const TDeviceMatrix&) = default;
};

enum D3DTRANSFORMSTATETYPE : std::uint32_t {
  D3DTRANSFORMSTATE_WORLD = 1,
  D3DTRANSFORMSTATE_VIEW = 2,
  D3DTRANSFORMSTATE_PROJECTION = 3,
};

// ---------------------------------------------------------------------------
// Viewport

// Maps the clip volume (after the projection and the homogeneous divide)
//   ClipX <= x <= ClipX + ClipWidth, ClipY - ClipHeight <= y <= ClipY, 0 <= z <= 1
// onto the pixel rectangle (X, Y, Width, Height) and the depth range
// MinZ..MaxZ:
//   screen x = X + (x - ClipX) / ClipWidth * Width
//   screen y = Y + (ClipY - y) / ClipHeight * Height
//   depth    = MinZ + z * (MaxZ - MinZ)
// Geometry outside the clip volume is clipped away; nothing is drawn outside
// the pixel rectangle.
struct TViewport2 {
  std::uint32_t X = 0, Y = 0, Width = 0, Height = 0;
  float ClipX = -1, ClipY = 1, ClipWidth = 2, ClipHeight = 2;
  float MinZ = 0, MaxZ = 1;
};

// Viewport Clear flags.
inline constexpr std::uint32_t D3DCLEAR_TARGET = 0x1;  // colour from the background material
inline constexpr std::uint32_t D3DCLEAR_ZBUFFER = 0x2; // depth to 1.0

// Colour with float channels, 1.0 = full intensity.
struct TColourValue {
  float R = 0, G = 0, B = 0, A = 0;
};

// A material; only Diffuse matters to this layer (it is the viewport's clear
// colour when the material is the background, channel byte = round(255 * c)
// clamped to 0..255).
struct TMaterial {
  TColourValue Diffuse;
  TColourValue Ambient;
  TColourValue Specular;
  TColourValue Emissive;
  float Power = 0;
};

// ---------------------------------------------------------------------------
// Render states (I3DDevice::SetRenderState). Defaults in brackets.

enum D3DRENDERSTATETYPE : std::uint32_t {
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 1, // bool [1]: perspective-correct texture coordinates
  D3DRENDERSTATE_ZENABLE,                // bool [1 if the target had a depth buffer at creation]
  D3DRENDERSTATE_FILLMODE,               // D3DFILLMODE [D3DFILL_SOLID]
  D3DRENDERSTATE_SHADEMODE,              // D3DSHADEMODE [D3DSHADE_GOURAUD]
  D3DRENDERSTATE_ZWRITEENABLE,           // bool [1]
  D3DRENDERSTATE_ZFUNC,                  // D3DCMPFUNC [D3DCMP_LESSEQUAL]
  D3DRENDERSTATE_SRCBLEND,               // D3DBLEND [D3DBLEND_ONE]
  D3DRENDERSTATE_DESTBLEND,              // D3DBLEND [D3DBLEND_ZERO]
  D3DRENDERSTATE_TEXTUREMAPBLEND,        // D3DTEXTUREBLEND [D3DTBLEND_MODULATE]
  D3DRENDERSTATE_CULLMODE,               // D3DCULL [D3DCULL_CCW]
  D3DRENDERSTATE_DITHERENABLE,           // bool [0]; accepted, no effect on 32-bit targets
  D3DRENDERSTATE_ALPHABLENDENABLE,       // bool [0]
  D3DRENDERSTATE_FOGENABLE,              // bool [0]: vertex fog from the specular alpha
  D3DRENDERSTATE_SPECULARENABLE,         // bool [0]: specular colour added after texturing
  D3DRENDERSTATE_FOGCOLOR,               // 0x00RRGGBB [0]
  D3DRENDERSTATE_COLORKEYENABLE,         // bool [0]: texels matching the texture's key vanish
  D3DRENDERSTATE_ANTIALIAS,       // D3DANTIALIASMODE [D3DANTIALIAS_NONE]; accepted, no effect
  D3DRENDERSTATE_WRAP0,           // D3DWRAP_U | D3DWRAP_V [0]: shortest-way interpolation
  D3DRENDERSTATE_WRAPU,           // bool [0]: the same as bit D3DWRAP_U of WRAP0
  D3DRENDERSTATE_WRAPV,           // bool [0]: the same as bit D3DWRAP_V of WRAP0
  D3DRENDERSTATE_TEXTUREADDRESS,  // D3DTEXTUREADDRESS: sets both U and V of stage 0
  D3DRENDERSTATE_TEXTUREADDRESSU, // D3DTEXTUREADDRESS [D3DTADDRESS_WRAP], stage 0
  D3DRENDERSTATE_TEXTUREADDRESSV, // D3DTEXTUREADDRESS [D3DTADDRESS_WRAP], stage 0
  D3DRENDERSTATE_LAST_            // not a state; bounds the table
};

enum D3DFILLMODE : std::uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : std::uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
// D3DCULL_CW removes triangles whose vertices run clockwise on the screen
// (y downwards); D3DCULL_CCW those that run counter-clockwise.
enum D3DCULL : std::uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC : std::uint32_t {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS,
  D3DCMP_EQUAL,
  D3DCMP_LESSEQUAL,
  D3DCMP_GREATER,
  D3DCMP_NOTEQUAL,
  D3DCMP_GREATEREQUAL,
  D3DCMP_ALWAYS,
};
// Blend factors; the device blends colour = source * SRCBLEND + target * DESTBLEND.
// Only these four are supported; others are refused with DDERR_INVALIDPARAMS.
enum D3DBLEND : std::uint32_t {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
};
// DECAL: the texel replaces the colour. MODULATE: texel colour times vertex
// colour; the texel's alpha replaces the vertex alpha when the texture has
// an alpha channel. MODULATEALPHA: the alphas multiply as well.
enum D3DTEXTUREBLEND : std::uint32_t {
  D3DTBLEND_DECAL = 1,
  D3DTBLEND_MODULATE = 2,
  D3DTBLEND_MODULATEALPHA = 4,
};
enum D3DANTIALIASMODE : std::uint32_t {
  D3DANTIALIAS_NONE = 0,
  D3DANTIALIAS_SORTDEPENDENT = 1,
  D3DANTIALIAS_SORTINDEPENDENT = 2,
};
inline constexpr std::uint32_t D3DWRAP_U = 1;
inline constexpr std::uint32_t D3DWRAP_V = 2;
enum D3DTEXTUREADDRESS : std::uint32_t { D3DTADDRESS_WRAP = 1, D3DTADDRESS_CLAMP = 3 };

// ---------------------------------------------------------------------------
// Texture stage states (I3DDevice::SetTextureStageState); the software
// device has one stage, 0.

enum D3DTEXTURESTAGESTATETYPE : std::uint32_t {
  D3DTSS_ADDRESSU = 1, // D3DTEXTUREADDRESS [D3DTADDRESS_WRAP]
  D3DTSS_ADDRESSV,     // D3DTEXTUREADDRESS [D3DTADDRESS_WRAP]
  D3DTSS_MAGFILTER,    // D3DTEXTUREMAGFILTER [D3DTFG_POINT]
  D3DTSS_MINFILTER,    // D3DTEXTUREMINFILTER [D3DTFN_POINT]
  D3DTSS_MIPFILTER,    // D3DTEXTUREMIPFILTER [D3DTFP_NONE]; only NONE is supported
  D3DTSS_LAST_         // not a state; bounds the table
};
// The software device filters with MAGFILTER alone (it does not tell
// magnification from minification); MINFILTER is stored and read back.
enum D3DTEXTUREMAGFILTER : std::uint32_t { D3DTFG_POINT = 1, D3DTFG_LINEAR = 2 };
enum D3DTEXTUREMINFILTER : std::uint32_t { D3DTFN_POINT = 1, D3DTFN_LINEAR = 2 };
enum D3DTEXTUREMIPFILTER : std::uint32_t { D3DTFP_NONE = 1 };

// ---------------------------------------------------------------------------
// Pixel formats and surfaces

inline constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x00000001;
inline constexpr std::uint32_t DDPF_FOURCC = 0x00000004;
inline constexpr std::uint32_t DDPF_RGB = 0x00000040;
inline constexpr std::uint32_t DDPF_ZBUFFER = 0x00000400;
inline constexpr std::uint32_t DDPF_STENCILBUFFER = 0x00004000;
inline constexpr std::uint32_t DDPF_LUMINANCE = 0x00020000;
inline constexpr std::uint32_t DDPF_BUMPLUMINANCE = 0x00040000;
inline constexpr std::uint32_t DDPF_BUMPDUDV = 0x00080000;

// For RGB formats BitCount is the bits per pixel and the masks select the
// channels; for depth formats BitCount is the depth bits (RBitMask holds the
// depth mask, GBitMask the stencil mask).
struct TPixelFormat {
  std::uint32_t Flags = 0;
  std::uint32_t FourCC = 0;
  std::uint32_t BitCount = 0;
  std::uint32_t RBitMask = 0;
  std::uint32_t GBitMask = 0;
  std::uint32_t BBitMask = 0;
  std::uint32_t AlphaBitMask = 0;
  friend bool operator==(const TPixelFormat&, const TPixelFormat&) = default;
};

// The formats the layer stores. Colour surfaces are 32-bit, one 32-bit word
// per pixel, little-endian 0xAARRGGBB; in the XRGB format the top byte reads
// as 0xFF (so that QImage's RGB32 sees opaque pixels) and is ignored by every
// comparison. Depth surfaces hold one float per pixel (1.0 = far).
inline constexpr TPixelFormat PixelFormatXRGB8888{DDPF_RGB,   0,          32, 0x00FF0000,
                                                  0x0000FF00, 0x000000FF, 0};
inline constexpr TPixelFormat PixelFormatARGB8888{
    DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
inline constexpr TPixelFormat PixelFormatDepth32{DDPF_ZBUFFER, 0, 32, 0xFFFFFFFF, 0, 0, 0};

// Surface capabilities (TSurfaceCaps::Caps).
inline constexpr std::uint32_t DDSCAPS_COMPLEX = 0x00000008;
inline constexpr std::uint32_t DDSCAPS_OFFSCREENPLAIN = 0x00000040;
inline constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x00000200;
inline constexpr std::uint32_t DDSCAPS_SYSTEMMEMORY = 0x00000800;
inline constexpr std::uint32_t DDSCAPS_TEXTURE = 0x00001000;
inline constexpr std::uint32_t DDSCAPS_3DDEVICE = 0x00002000;
inline constexpr std::uint32_t DDSCAPS_VIDEOMEMORY = 0x00004000;
inline constexpr std::uint32_t DDSCAPS_ZBUFFER = 0x00020000;
inline constexpr std::uint32_t DDSCAPS_MIPMAP = 0x00400000;
// TSurfaceCaps::Caps2.
inline constexpr std::uint32_t DDSCAPS2_TEXTUREMANAGE = 0x00000010;

struct TSurfaceCaps {
  std::uint32_t Caps = 0;
  std::uint32_t Caps2 = 0;
};

// Which fields of TSurfaceDescription are set.
inline constexpr std::uint32_t DDSD_CAPS = 0x00000001;
inline constexpr std::uint32_t DDSD_HEIGHT = 0x00000002;
inline constexpr std::uint32_t DDSD_WIDTH = 0x00000004;
inline constexpr std::uint32_t DDSD_PITCH = 0x00000008;
inline constexpr std::uint32_t DDSD_PIXELFORMAT = 0x00001000;
inline constexpr std::uint32_t DDSD_MIPMAPCOUNT = 0x00020000;
inline constexpr std::uint32_t DDSD_TEXTURESTAGE = 0x00100000;

// The largest width or height of a surface; larger requests are refused
// (DDERR_TOOBIGWIDTH / DDERR_TOOBIGHEIGHT) so that no request can ask for
// unbounded memory.
inline constexpr std::int32_t MaxSurfaceSide = 8192;

struct TSurfaceDescription {
  std::uint32_t Flags = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Pitch = 0; // bytes per row; reported, never taken from a request
  std::uint32_t MipMapCount = 0;
  TSurfaceCaps Caps;
  TPixelFormat PixelFormat;
  std::uint32_t TextureStage = 0;
};

// A colour key range; a pixel matches when Low <= (pixel & 0xFFFFFF) <= High
// (both taken & 0xFFFFFF). Low == High keys one colour.
struct TColourKey {
  std::uint32_t Low = 0;
  std::uint32_t High = 0;
  friend bool operator==(const TColourKey&, const TColourKey&) = default;
};
// Whether a pixel value lies in the key's range.
inline bool MatchesColourKey(std::uint32_t Pixel, const TColourKey& Key) {
  const std::uint32_t Value = Pixel & 0xFFFFFFu;
  return Value >= (Key.Low & 0xFFFFFFu) && Value <= (Key.High & 0xFFFFFFu);
}

// SetColorKey / GetColorKey flags.
inline constexpr std::uint32_t DDCKEY_SRCBLT = 0x00000008;

// Blt flags.
inline constexpr std::uint32_t DDBLT_COLORFILL = 0x00000400;
inline constexpr std::uint32_t DDBLT_KEYSRC = 0x00008000;         // the source's own key
inline constexpr std::uint32_t DDBLT_KEYSRCOVERRIDE = 0x00010000; // the key in the effects
inline constexpr std::uint32_t DDBLT_WAIT = 0x01000000;           // blits are synchronous

struct TBltEffects {
  std::uint32_t FillColour = 0; // DDBLT_COLORFILL: the pixel value, 0x00RRGGBB for XRGB
  TColourKey SourceColourKey;   // DDBLT_KEYSRCOVERRIDE
};

// A locked surface's memory: Height rows of Pitch bytes from Bits.
struct TLockedSurface {
  void* Bits = nullptr;
  std::int32_t Pitch = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  TPixelFormat PixelFormat;
};

// SetCooperativeLevel flags; DDSCL_NORMAL is required, nothing else is offered.
inline constexpr std::uint32_t DDSCL_NORMAL = 0x00000008;
inline constexpr std::uint32_t DDSCL_NOWINDOWCHANGES = 0x00000004;

// ---------------------------------------------------------------------------
// Device descriptions

// Render and depth bit depths (TDeviceDescription::RenderBitDepth etc.).
inline constexpr std::uint32_t DDBD_1 = 0x00004000;
inline constexpr std::uint32_t DDBD_2 = 0x00002000;
inline constexpr std::uint32_t DDBD_4 = 0x00001000;
inline constexpr std::uint32_t DDBD_8 = 0x00000800;
inline constexpr std::uint32_t DDBD_16 = 0x00000400;
inline constexpr std::uint32_t DDBD_24 = 0x00000200;
inline constexpr std::uint32_t DDBD_32 = 0x00000100;

// Colour models.
inline constexpr std::uint32_t D3DCOLOR_MONO = 1;
inline constexpr std::uint32_t D3DCOLOR_RGB = 2;

// TDeviceDescription::Flags: which fields are valid. A device whose hardware
// description has Flags == 0 is a software device.
inline constexpr std::uint32_t D3DDD_COLORMODEL = 0x00000001;
inline constexpr std::uint32_t D3DDD_DEVCAPS = 0x00000002;
inline constexpr std::uint32_t D3DDD_LINECAPS = 0x00000010;
inline constexpr std::uint32_t D3DDD_TRICAPS = 0x00000020;
inline constexpr std::uint32_t D3DDD_DEVICERENDERBITDEPTH = 0x00000040;
inline constexpr std::uint32_t D3DDD_DEVICEZBUFFERBITDEPTH = 0x00000080;

// TPrimitiveCaps::ShadeCaps.
inline constexpr std::uint32_t D3DPSHADECAPS_COLORFLATRGB = 0x00000002;
inline constexpr std::uint32_t D3DPSHADECAPS_COLORGOURAUDRGB = 0x00000008;
inline constexpr std::uint32_t D3DPSHADECAPS_SPECULARFLATRGB = 0x00000040;
inline constexpr std::uint32_t D3DPSHADECAPS_SPECULARGOURAUDRGB = 0x00000200;
inline constexpr std::uint32_t D3DPSHADECAPS_ALPHAFLATBLEND = 0x00001000;
inline constexpr std::uint32_t D3DPSHADECAPS_ALPHAGOURAUDBLEND = 0x00004000;
inline constexpr std::uint32_t D3DPSHADECAPS_FOGFLAT = 0x00040000;
inline constexpr std::uint32_t D3DPSHADECAPS_FOGGOURAUD = 0x00080000;

// TPrimitiveCaps::RasterCaps.
inline constexpr std::uint32_t D3DPRASTERCAPS_ZTEST = 0x00000010;
inline constexpr std::uint32_t D3DPRASTERCAPS_SUBPIXEL = 0x00000020;
inline constexpr std::uint32_t D3DPRASTERCAPS_FOGVERTEX = 0x00000080;
inline constexpr std::uint32_t D3DPRASTERCAPS_ZBUFFERLESSHSR = 0x00008000;

// TPrimitiveCaps::TextureCaps.
inline constexpr std::uint32_t D3DPTEXTURECAPS_PERSPECTIVE = 0x00000001;
inline constexpr std::uint32_t D3DPTEXTURECAPS_POW2 = 0x00000002;
inline constexpr std::uint32_t D3DPTEXTURECAPS_ALPHA = 0x00000004;
inline constexpr std::uint32_t D3DPTEXTURECAPS_TRANSPARENCY = 0x00000008;
inline constexpr std::uint32_t D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;

// TPrimitiveCaps::TextureFilterCaps.
inline constexpr std::uint32_t D3DPTFILTERCAPS_NEAREST = 0x00000001;
inline constexpr std::uint32_t D3DPTFILTERCAPS_LINEAR = 0x00000002;

// TPrimitiveCaps::TextureAddressCaps.
inline constexpr std::uint32_t D3DPTADDRESSCAPS_WRAP = 0x00000001;
inline constexpr std::uint32_t D3DPTADDRESSCAPS_CLAMP = 0x00000004;

struct TPrimitiveCaps {
  std::uint32_t MiscCaps = 0;
  std::uint32_t RasterCaps = 0;
  std::uint32_t ZCmpCaps = 0;
  std::uint32_t SrcBlendCaps = 0;
  std::uint32_t DestBlendCaps = 0;
  std::uint32_t ShadeCaps = 0;
  std::uint32_t TextureCaps = 0;
  std::uint32_t TextureFilterCaps = 0;
  std::uint32_t TextureBlendCaps = 0;
  std::uint32_t TextureAddressCaps = 0;
};

// What a Direct3D device can do; every device reports a hardware and a
// software description, one of them all zero.
struct TDeviceDescription {
  std::uint32_t Flags = 0; // D3DDD_*: which fields below are valid
  std::uint32_t ColourModel = 0;
  std::uint32_t DeviceCaps = 0;
  TPrimitiveCaps LineCaps;
  TPrimitiveCaps TriangleCaps;
  std::uint32_t RenderBitDepth = 0;  // DDBD_* of the display depths the device renders at
  std::uint32_t ZBufferBitDepth = 0; // DDBD_* of its depth buffers
  std::uint32_t MinTextureWidth = 0, MinTextureHeight = 0;
  std::uint32_t MaxTextureWidth = 0, MaxTextureHeight = 0;
};

// FindDevice search flags.
inline constexpr std::uint32_t D3DFDS_GUID = 0x00000001;

struct TFindDeviceSearch {
  std::uint32_t Flags = 0;
  TGuid Guid;
};

struct TFindDeviceResult {
  TGuid Guid;
  TDeviceDescription Hardware;
  TDeviceDescription Software;
};

// Device identifiers. The software (RGB) device is always there; the null
// device is never enumerated by this layer but keeps its name for the
// callers' choice rules; the hardware identifier is reserved for a device
// that renders through the graphics card.
inline constexpr TGuid IID_IDirect3DRGBDevice{
    0x4B657301, 0x5244, 0x0001, {0x8A, 0x3E, 0x52, 0x47, 0x42, 0x44, 0x45, 0x56}};
inline constexpr TGuid IID_IDirect3DHALDevice{
    0x4B657301, 0x5244, 0x0002, {0x8A, 0x3E, 0x48, 0x41, 0x4C, 0x44, 0x45, 0x56}};
inline constexpr TGuid IID_IDirect3DNullDevice{
    0x4B657301, 0x5244, 0x0003, {0x8A, 0x3E, 0x4E, 0x55, 0x4C, 0x4C, 0x44, 0x56}};

// Counters of one device since its creation (or the last ResetStatistics).
struct TDrawStatistics {
  std::int64_t TrianglesSubmitted = 0; // triangles handed to the draw calls
  std::int64_t TrianglesCulled = 0;    // removed by the cull mode or as degenerate
  std::int64_t TrianglesClipped = 0;   // crossed a clipping plane and were cut
  std::int64_t TrianglesDrawn = 0;     // rasterized (after clipping: pieces count)
  std::int64_t PointsDrawn = 0;
  std::int64_t Scenes = 0; // EndScene calls that succeeded
};

} // namespace kestrava
