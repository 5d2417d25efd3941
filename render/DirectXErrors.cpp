#include "render/DirectXErrors.h"

#include "foundation/HexText.h"
#include "render/DirectXResultCodes.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kestrava {

namespace {

constexpr std::string_view UnrecognizedText = "Unrecognized error value";

// The rows are written through these so that a row's code and its name cannot
// drift apart: both come from the one constant.
#define KESTRAVA_DD_ROW(Name, Text)                                                                \
  TDirectXResultRow {                                                                              \
    DDERR_##Name, "DDERR_" #Name, Text                                                             \
  }
#define KESTRAVA_D3D_ROW(Name)                                                                     \
  TDirectXResultRow {                                                                              \
    D3DERR_##Name, "D3DERR_" #Name, "D3DERR_" #Name                                                \
  }

constexpr std::array ResultTable{
    KESTRAVA_DD_ROW(UNSUPPORTED, "Action not implemented"),
    KESTRAVA_DD_ROW(GENERIC, "Generic failure"),
    KESTRAVA_DD_ROW(OUTOFMEMORY, "Out of memory"),
    KESTRAVA_DD_ROW(INVALIDPARAMS,
                    "One or more of the parameters passed to the function are incorrect"),
    KESTRAVA_DD_ROW(ALREADYINITIALIZED, "The object has already been initialized"),
    KESTRAVA_DD_ROW(CANNOTATTACHSURFACE,
                    "This surface cannot be attached to the requested surface"),
    KESTRAVA_DD_ROW(CANNOTDETACHSURFACE,
                    "This surface cannot be detached from the requested surface"),
    KESTRAVA_DD_ROW(CURRENTLYNOTAVAIL, "Support for this operation is not available at the moment"),
    KESTRAVA_DD_ROW(EXCEPTION, "An exception was met while performing the requested operation"),
    KESTRAVA_DD_ROW(
        HEIGHTALIGN,
        "The height of the rectangle provided is not a multiple of the required alignment"),
    KESTRAVA_DD_ROW(INCOMPATIBLEPRIMARY, "Cannot create a primary surface whose attributes differ "
                                         "from the existing primary surface"),
    KESTRAVA_DD_ROW(INVALIDCAPS,
                    "One or more of the caps bits passed to the callback are incorrect"),
    KESTRAVA_DD_ROW(INVALIDCLIPLIST, "DirectDraw does not support the clip list provided"),
    KESTRAVA_DD_ROW(INVALIDMODE, "DirectDraw does not support the requested display mode"),
    KESTRAVA_DD_ROW(INVALIDOBJECT, "DirectDraw received a pointer to an invalid DirectDraw object"),
    KESTRAVA_DD_ROW(INVALIDPIXELFORMAT, "The pixel format was invalid as specified"),
    KESTRAVA_DD_ROW(INVALIDRECT, "Rectangle provided was invalid"),
    KESTRAVA_DD_ROW(LOCKEDSURFACES,
                    "The operation cannot go on because one or more surfaces are locked"),
    KESTRAVA_DD_ROW(NO3D, "No 3D hardware or emulation is present"),
    KESTRAVA_DD_ROW(NOALPHAHW, "No alpha acceleration hardware is present or available"),
    KESTRAVA_DD_ROW(NOCLIPLIST, "No clip list is available"),
    KESTRAVA_DD_ROW(NOCOLORCONVHW, "No colour conversion hardware is present or available"),
    KESTRAVA_DD_ROW(
        NOCOOPERATIVELEVELSET,
        "Create function called without DirectDraw object method SetCooperativeLevel being called"),
    KESTRAVA_DD_ROW(NOCOLORKEY, "The surface has no colour key at present"),
    KESTRAVA_DD_ROW(NOCOLORKEYHW, "No hardware support for the destination colour key is present"),
    KESTRAVA_DD_ROW(NOEXCLUSIVEMODE,
                    "The operation needs the application to hold exclusive mode, and it does not"),
    KESTRAVA_DD_ROW(NOFLIPHW, "Flipping visible surfaces is not supported"),
    KESTRAVA_DD_ROW(NOGDI, "No GDI is present"),
    KESTRAVA_DD_ROW(NOMIRRORHW, "No mirroring hardware is present or available"),
    KESTRAVA_DD_ROW(NOTFOUND, "The requested item was not found"),
    KESTRAVA_DD_ROW(NOOVERLAYHW, "No overlay hardware is present or available"),
    KESTRAVA_DD_ROW(NORASTEROPHW,
                    "No hardware for the requested raster operation is present or available"),
    KESTRAVA_DD_ROW(NOROTATIONHW, "No rotation hardware is present or available"),
    KESTRAVA_DD_ROW(NOSTRETCHHW, "No stretching hardware is present or available"),
    KESTRAVA_DD_ROW(
        NOT4BITCOLOR,
        "The operation needs a 4-bit colour palette surface and this surface is not one"),
    KESTRAVA_DD_ROW(
        NOT4BITCOLORINDEX,
        "The operation needs a 4-bit colour index palette surface and this surface is not one"),
    KESTRAVA_DD_ROW(NOT8BITCOLOR,
                    "The operation needs an 8-bit colour surface and this surface is not one"),
    KESTRAVA_DD_ROW(NOTEXTUREHW, "No texture mapping hardware is present or available"),
    KESTRAVA_DD_ROW(
        NOVSYNCHW,
        "No hardware support for operations synchronised with the vertical blank is present"),
    KESTRAVA_DD_ROW(NOZBUFFERHW, "No hardware support for z-buffer operations is present"),
    KESTRAVA_DD_ROW(NOZOVERLAYHW, "The hardware cannot z-order overlay surfaces"),
    KESTRAVA_DD_ROW(OUTOFCAPS, "The hardware the operation needs has already been allocated"),
    KESTRAVA_DD_ROW(OUTOFVIDEOMEMORY,
                    "DirectDraw does not have enough memory to perform the operation"),
    KESTRAVA_DD_ROW(OVERLAYCANTCLIP, "The hardware cannot clip overlays"),
    KESTRAVA_DD_ROW(OVERLAYCOLORKEYONLYONEACTIVE,
                    "Only one colour key can be active on an overlay at a time"),
    KESTRAVA_DD_ROW(PALETTEBUSY, "Access to this palette is being refused because the palette is "
                                 "already locked by another thread"),
    KESTRAVA_DD_ROW(COLORKEYNOTSET, "No source colour key has been set for the operation"),
    KESTRAVA_DD_ROW(SURFACEALREADYATTACHED,
                    "This surface is already attached to the surface it is being attached to"),
    KESTRAVA_DD_ROW(SURFACEALREADYDEPENDENT,
                    "This surface already depends on the surface it is being made to depend on"),
    KESTRAVA_DD_ROW(SURFACEBUSY, "Access to this surface is being refused because the surface is "
                                 "already locked by another thread"),
    KESTRAVA_DD_ROW(SURFACEISOBSCURED,
                    "Access to this surface is being refused because the surface is obscured"),
    KESTRAVA_DD_ROW(
        SURFACELOST,
        "Access to this surface is being refused because the surface memory is gone. The "
        "DirectDrawSurface object representing this surface should have Restore called on it"),
    KESTRAVA_DD_ROW(SURFACENOTATTACHED, "The requested surface is not attached"),
    KESTRAVA_DD_ROW(TOOBIGHEIGHT, "The requested height is more than DirectDraw can create"),
    KESTRAVA_DD_ROW(TOOBIGSIZE, "The requested size is more than DirectDraw can create"),
    KESTRAVA_DD_ROW(TOOBIGWIDTH, "The requested width is more than DirectDraw can create"),
    KESTRAVA_DD_ROW(UNSUPPORTEDFORMAT, "DirectDraw does not support the requested FourCC format"),
    KESTRAVA_DD_ROW(UNSUPPORTEDMASK, "DirectDraw does not support the requested colour bit mask"),
    KESTRAVA_DD_ROW(VERTICALBLANKINPROGRESS, "A vertical blank is in progress"),
    KESTRAVA_DD_ROW(WASSTILLDRAWING,
                    "Informs DirectDraw that the previous Blt which is transfering information to "
                    "or from this Surface is incomplete"),
    KESTRAVA_DD_ROW(XALIGN,
                    "The rectangle provided is not aligned horizontally on a required boundary"),
    KESTRAVA_DD_ROW(INVALIDDIRECTDRAWGUID,
                    "The GUID passed to DirectDrawCreate does not identify a DirectDraw driver"),
    KESTRAVA_DD_ROW(DIRECTDRAWALREADYCREATED,
                    "This process has already created a DirectDraw object for this driver"),
    KESTRAVA_DD_ROW(NODIRECTDRAWHW, "A hardware-only DirectDraw object cannot be created because "
                                    "the driver has no hardware support"),
    KESTRAVA_DD_ROW(PRIMARYSURFACEALREADYEXISTS,
                    "This process has already created a primary surface"),
    KESTRAVA_DD_ROW(NOEMULATION, "Software emulation is not available"),
    KESTRAVA_DD_ROW(REGIONTOOSMALL, "The region passed to the clipper's GetClipList is too small"),
    KESTRAVA_DD_ROW(CLIPPERISUSINGHWND,
                    "A clip list cannot be set on a clipper that is already watching a window"),
    KESTRAVA_DD_ROW(NOCLIPPERATTACHED, "No clipper object is attached to the surface"),
    KESTRAVA_DD_ROW(NOHWND, "The clipper has no clip list and no window, or no window has been set "
                            "by the cooperative level"),
    KESTRAVA_DD_ROW(HWNDSUBCLASSED, "DirectDraw cannot restore its state because another "
                                    "DirectDraw process has subclassed the window"),
    KESTRAVA_DD_ROW(
        HWNDALREADYSET,
        "The cooperative level window cannot be changed while surfaces or palettes exist"),
    KESTRAVA_DD_ROW(NOPALETTEATTACHED, "No palette object is attached to this surface"),
    KESTRAVA_DD_ROW(NOPALETTEHW, "No hardware support for 16 or 256 colour palettes"),
    KESTRAVA_DD_ROW(BLTFASTCANTCLIP,
                    "BltFast cannot be used on a surface that has a clipper attached"),
    KESTRAVA_DD_ROW(NOBLTHW, "No blitter hardware is present"),
    KESTRAVA_DD_ROW(NODDROPSHW, "No DirectDraw raster operation hardware is present"),
    KESTRAVA_DD_ROW(OVERLAYNOTVISIBLE,
                    "The position of an overlay was asked for while the overlay is hidden"),
    KESTRAVA_DD_ROW(
        NOOVERLAYDEST,
        "The position of an overlay was asked for before the overlay was given a destination"),
    KESTRAVA_DD_ROW(INVALIDPOSITION,
                    "The overlay cannot be placed at that position on the destination surface"),
    KESTRAVA_DD_ROW(NOTAOVERLAYSURFACE,
                    "An overlay operation was attempted on a surface that is not an overlay"),
    KESTRAVA_DD_ROW(
        EXCLUSIVEMODEALREADYSET,
        "An attempt was made to set the cooperative level when it was already set to exclusive"),
    KESTRAVA_DD_ROW(NOTFLIPPABLE, "A flip was attempted on a surface that cannot be flipped"),
    KESTRAVA_DD_ROW(CANTDUPLICATE,
                    "Primary and 3D surfaces, and surfaces attached to them, cannot be duplicated"),
    KESTRAVA_DD_ROW(NOTLOCKED, "An unlock was attempted on a surface that is not locked"),
    KESTRAVA_DD_ROW(CANTCREATEDC, "Windows cannot create any more device contexts"),
    KESTRAVA_DD_ROW(NODC, "No device context was ever created for this surface"),
    KESTRAVA_DD_ROW(WRONGMODE,
                    "The surface was created in another display mode and cannot be restored"),
    KESTRAVA_DD_ROW(IMPLICITLYCREATED, "The surface was created implicitly and cannot be restored"),
    KESTRAVA_DD_ROW(NOTPALETTIZED, "The surface in use is not palette-based"),
    KESTRAVA_D3D_ROW(BADMAJORVERSION),
    KESTRAVA_D3D_ROW(BADMINORVERSION),
    KESTRAVA_D3D_ROW(EXECUTE_CREATE_FAILED),
    KESTRAVA_D3D_ROW(EXECUTE_DESTROY_FAILED),
    KESTRAVA_D3D_ROW(EXECUTE_LOCK_FAILED),
    KESTRAVA_D3D_ROW(EXECUTE_UNLOCK_FAILED),
    KESTRAVA_D3D_ROW(EXECUTE_LOCKED),
    KESTRAVA_D3D_ROW(EXECUTE_NOT_LOCKED),
    KESTRAVA_D3D_ROW(EXECUTE_FAILED),
    KESTRAVA_D3D_ROW(EXECUTE_CLIPPED_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_NO_SUPPORT),
    KESTRAVA_D3D_ROW(TEXTURE_CREATE_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_DESTROY_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_LOCK_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_UNLOCK_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_LOAD_FAILED),
    KESTRAVA_D3D_ROW(TEXTURE_SWAP_FAILED),
    // The program has always reported this code without the underscore the
    // published constant has; the text stays as users and support know it.
    TDirectXResultRow{D3DERR_TEXTURE_LOCKED, "D3DERR_TEXTURELOCKED", "D3DERR_TEXTURELOCKED"},
    KESTRAVA_D3D_ROW(TEXTURE_NOT_LOCKED),
    KESTRAVA_D3D_ROW(TEXTURE_GETSURF_FAILED),
    KESTRAVA_D3D_ROW(MATRIX_CREATE_FAILED),
    KESTRAVA_D3D_ROW(MATRIX_DESTROY_FAILED),
    KESTRAVA_D3D_ROW(MATRIX_SETDATA_FAILED),
    KESTRAVA_D3D_ROW(MATRIX_GETDATA_FAILED),
    KESTRAVA_D3D_ROW(SETVIEWPORTDATA_FAILED),
    KESTRAVA_D3D_ROW(INVALIDCURRENTVIEWPORT),
    KESTRAVA_D3D_ROW(INVALIDPRIMITIVETYPE),
    KESTRAVA_D3D_ROW(INVALIDVERTEXTYPE),
    KESTRAVA_D3D_ROW(TEXTURE_BADSIZE),
    KESTRAVA_D3D_ROW(INVALIDRAMPTEXTURE),
    KESTRAVA_D3D_ROW(MATERIAL_CREATE_FAILED),
    KESTRAVA_D3D_ROW(MATERIAL_DESTROY_FAILED),
    KESTRAVA_D3D_ROW(MATERIAL_SETDATA_FAILED),
    KESTRAVA_D3D_ROW(MATERIAL_GETDATA_FAILED),
    KESTRAVA_D3D_ROW(INVALIDPALETTE),
    KESTRAVA_D3D_ROW(ZBUFF_NEEDS_SYSTEMMEMORY),
    KESTRAVA_D3D_ROW(ZBUFF_NEEDS_VIDEOMEMORY),
    KESTRAVA_D3D_ROW(SURFACENOTINVIDMEM),
    KESTRAVA_D3D_ROW(LIGHT_SET_FAILED),
    KESTRAVA_D3D_ROW(LIGHTHASVIEWPORT),
    KESTRAVA_D3D_ROW(LIGHTNOTINTHISVIEWPORT),
    KESTRAVA_D3D_ROW(SCENE_IN_SCENE),
    KESTRAVA_D3D_ROW(SCENE_NOT_IN_SCENE),
    KESTRAVA_D3D_ROW(SCENE_BEGIN_FAILED),
    KESTRAVA_D3D_ROW(SCENE_END_FAILED),
    KESTRAVA_D3D_ROW(INBEGIN),
    KESTRAVA_D3D_ROW(NOTINBEGIN),
    KESTRAVA_D3D_ROW(NOVIEWPORTS),
    KESTRAVA_D3D_ROW(VIEWPORTDATANOTSET),
    KESTRAVA_D3D_ROW(VIEWPORTHASNODEVICE),
    KESTRAVA_D3D_ROW(NOCURRENTVIEWPORT),
};

#undef KESTRAVA_DD_ROW
#undef KESTRAVA_D3D_ROW

// The order is what a lookup relies on: the codes compare as unsigned values,
// the COM codes (0x8000xxxx) first, then the DirectX facility (0x8876xxxx).
constexpr bool CodeBefore(const TDirectXResultRow& Left, const TDirectXResultRow& Right) {
  return static_cast<std::uint32_t>(Left.Code) < static_cast<std::uint32_t>(Right.Code);
}

constexpr bool StrictlyAscending() {
  for (std::size_t Row = 1; Row < ResultTable.size(); ++Row) {
    if (!CodeBefore(ResultTable[Row - 1], ResultTable[Row])) {
      return false;
    }
  }
  return true;
}

static_assert(ResultTable.size() == 141);
static_assert(StrictlyAscending(), "result codes must be unique and in ascending order");

} // namespace

std::span<const TDirectXResultRow> DirectXResultTable() {
  return ResultTable;
}

const TDirectXResultRow* FindDirectXResult(HRESULT Result) {
  const TDirectXResultRow Probe{Result, {}, {}};
  const auto* const Found =
      std::lower_bound(ResultTable.begin(), ResultTable.end(), Probe, CodeBefore);
  if (Found == ResultTable.end() || Found->Code != Result) {
    return nullptr;
  }
  return Found;
}

std::string_view DirectXResultName(HRESULT Result) {
  const TDirectXResultRow* const Row = FindDirectXResult(Result);
  return Row == nullptr ? std::string_view{} : Row->Name;
}

std::string_view DirectXResultText(HRESULT Result) {
  const TDirectXResultRow* const Row = FindDirectXResult(Result);
  return Row == nullptr ? UnrecognizedText : Row->Text;
}

std::string DirectXErrorMessage(HRESULT Result) {
  std::string Message = "DirectX error - \"";
  Message += DirectXResultText(Result);
  Message += "\" (error code: ";
  Message += HexText(static_cast<std::uint32_t>(Result));
  Message += "H)";
  return Message;
}

void CheckDirectXResult(HRESULT Result) {
  if (Result != 0) {
    throw EDirectX(DirectXErrorMessage(Result));
  }
}

} // namespace kestrava
