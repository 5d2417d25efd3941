#pragma once
// Result codes of DirectDraw and Direct3D 6 that the rendering subsystem
// recognises, under the names the platform publishes for them.
//
// DirectDraw and Direct3D share one facility: every code of theirs is
// 0x88760000 plus a small number. A few general COM failures are reused by
// DirectDraw under its own names. Codes are compared as exact 32-bit values.

#include "foundation/QelObject.h"

#include <cstdint>

namespace kestrava {

// The platform's MAKE_DDHRESULT: severity "error", facility 0x876, Code in the low word.
constexpr HRESULT MakeDirectDrawResult(std::uint32_t Code) {
  return static_cast<HRESULT>(0x88760000u + Code);
}

inline constexpr HRESULT DD_OK = 0;

// General COM failures that DirectDraw reports under its own names.
inline constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);

// DirectDraw.
inline constexpr HRESULT DDERR_ALREADYINITIALIZED = MakeDirectDrawResult(5);
inline constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MakeDirectDrawResult(10);
inline constexpr HRESULT DDERR_CANNOTDETACHSURFACE = MakeDirectDrawResult(20);
inline constexpr HRESULT DDERR_CURRENTLYNOTAVAIL = MakeDirectDrawResult(40);
inline constexpr HRESULT DDERR_EXCEPTION = MakeDirectDrawResult(55);
inline constexpr HRESULT DDERR_HEIGHTALIGN = MakeDirectDrawResult(90);
inline constexpr HRESULT DDERR_INCOMPATIBLEPRIMARY = MakeDirectDrawResult(95);
inline constexpr HRESULT DDERR_INVALIDCAPS = MakeDirectDrawResult(100);
inline constexpr HRESULT DDERR_INVALIDCLIPLIST = MakeDirectDrawResult(110);
inline constexpr HRESULT DDERR_INVALIDMODE = MakeDirectDrawResult(120);
inline constexpr HRESULT DDERR_INVALIDOBJECT = MakeDirectDrawResult(130);
inline constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDirectDrawResult(145);
inline constexpr HRESULT DDERR_INVALIDRECT = MakeDirectDrawResult(150);
inline constexpr HRESULT DDERR_LOCKEDSURFACES = MakeDirectDrawResult(160);
inline constexpr HRESULT DDERR_NO3D = MakeDirectDrawResult(170);
inline constexpr HRESULT DDERR_NOALPHAHW = MakeDirectDrawResult(180);
inline constexpr HRESULT DDERR_NOCLIPLIST = MakeDirectDrawResult(205);
inline constexpr HRESULT DDERR_NOCOLORCONVHW = MakeDirectDrawResult(210);
inline constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeDirectDrawResult(212);
inline constexpr HRESULT DDERR_NOCOLORKEY = MakeDirectDrawResult(215);
inline constexpr HRESULT DDERR_NOCOLORKEYHW = MakeDirectDrawResult(220);
inline constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDirectDrawResult(225);
inline constexpr HRESULT DDERR_NOFLIPHW = MakeDirectDrawResult(230);
inline constexpr HRESULT DDERR_NOGDI = MakeDirectDrawResult(240);
inline constexpr HRESULT DDERR_NOMIRRORHW = MakeDirectDrawResult(250);
inline constexpr HRESULT DDERR_NOTFOUND = MakeDirectDrawResult(255);
inline constexpr HRESULT DDERR_NOOVERLAYHW = MakeDirectDrawResult(260);
inline constexpr HRESULT DDERR_NORASTEROPHW = MakeDirectDrawResult(280);
inline constexpr HRESULT DDERR_NOROTATIONHW = MakeDirectDrawResult(290);
inline constexpr HRESULT DDERR_NOSTRETCHHW = MakeDirectDrawResult(310);
inline constexpr HRESULT DDERR_NOT4BITCOLOR = MakeDirectDrawResult(316);
inline constexpr HRESULT DDERR_NOT4BITCOLORINDEX = MakeDirectDrawResult(317);
inline constexpr HRESULT DDERR_NOT8BITCOLOR = MakeDirectDrawResult(320);
inline constexpr HRESULT DDERR_NOTEXTUREHW = MakeDirectDrawResult(330);
inline constexpr HRESULT DDERR_NOVSYNCHW = MakeDirectDrawResult(335);
inline constexpr HRESULT DDERR_NOZBUFFERHW = MakeDirectDrawResult(340);
inline constexpr HRESULT DDERR_NOZOVERLAYHW = MakeDirectDrawResult(350);
inline constexpr HRESULT DDERR_OUTOFCAPS = MakeDirectDrawResult(360);
inline constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDirectDrawResult(380);
inline constexpr HRESULT DDERR_OVERLAYCANTCLIP = MakeDirectDrawResult(382);
inline constexpr HRESULT DDERR_OVERLAYCOLORKEYONLYONEACTIVE = MakeDirectDrawResult(384);
inline constexpr HRESULT DDERR_PALETTEBUSY = MakeDirectDrawResult(387);
inline constexpr HRESULT DDERR_COLORKEYNOTSET = MakeDirectDrawResult(400);
inline constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeDirectDrawResult(410);
inline constexpr HRESULT DDERR_SURFACEALREADYDEPENDENT = MakeDirectDrawResult(420);
inline constexpr HRESULT DDERR_SURFACEBUSY = MakeDirectDrawResult(430);
inline constexpr HRESULT DDERR_SURFACEISOBSCURED = MakeDirectDrawResult(440);
inline constexpr HRESULT DDERR_SURFACELOST = MakeDirectDrawResult(450);
inline constexpr HRESULT DDERR_SURFACENOTATTACHED = MakeDirectDrawResult(460);
inline constexpr HRESULT DDERR_TOOBIGHEIGHT = MakeDirectDrawResult(470);
inline constexpr HRESULT DDERR_TOOBIGSIZE = MakeDirectDrawResult(480);
inline constexpr HRESULT DDERR_TOOBIGWIDTH = MakeDirectDrawResult(490);
inline constexpr HRESULT DDERR_UNSUPPORTEDFORMAT = MakeDirectDrawResult(510);
inline constexpr HRESULT DDERR_UNSUPPORTEDMASK = MakeDirectDrawResult(520);
inline constexpr HRESULT DDERR_VERTICALBLANKINPROGRESS = MakeDirectDrawResult(537);
inline constexpr HRESULT DDERR_WASSTILLDRAWING = MakeDirectDrawResult(540);
inline constexpr HRESULT DDERR_XALIGN = MakeDirectDrawResult(560);
inline constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = MakeDirectDrawResult(561);
inline constexpr HRESULT DDERR_DIRECTDRAWALREADYCREATED = MakeDirectDrawResult(562);
inline constexpr HRESULT DDERR_NODIRECTDRAWHW = MakeDirectDrawResult(563);
inline constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDirectDrawResult(564);
inline constexpr HRESULT DDERR_NOEMULATION = MakeDirectDrawResult(565);
inline constexpr HRESULT DDERR_REGIONTOOSMALL = MakeDirectDrawResult(566);
inline constexpr HRESULT DDERR_CLIPPERISUSINGHWND = MakeDirectDrawResult(567);
inline constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeDirectDrawResult(568);
inline constexpr HRESULT DDERR_NOHWND = MakeDirectDrawResult(569);
inline constexpr HRESULT DDERR_HWNDSUBCLASSED = MakeDirectDrawResult(570);
inline constexpr HRESULT DDERR_HWNDALREADYSET = MakeDirectDrawResult(571);
inline constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeDirectDrawResult(572);
inline constexpr HRESULT DDERR_NOPALETTEHW = MakeDirectDrawResult(573);
inline constexpr HRESULT DDERR_BLTFASTCANTCLIP = MakeDirectDrawResult(574);
inline constexpr HRESULT DDERR_NOBLTHW = MakeDirectDrawResult(575);
inline constexpr HRESULT DDERR_NODDROPSHW = MakeDirectDrawResult(576);
inline constexpr HRESULT DDERR_OVERLAYNOTVISIBLE = MakeDirectDrawResult(577);
inline constexpr HRESULT DDERR_NOOVERLAYDEST = MakeDirectDrawResult(578);
inline constexpr HRESULT DDERR_INVALIDPOSITION = MakeDirectDrawResult(579);
inline constexpr HRESULT DDERR_NOTAOVERLAYSURFACE = MakeDirectDrawResult(580);
inline constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = MakeDirectDrawResult(581);
inline constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDirectDrawResult(582);
inline constexpr HRESULT DDERR_CANTDUPLICATE = MakeDirectDrawResult(583);
inline constexpr HRESULT DDERR_NOTLOCKED = MakeDirectDrawResult(584);
inline constexpr HRESULT DDERR_CANTCREATEDC = MakeDirectDrawResult(585);
inline constexpr HRESULT DDERR_NODC = MakeDirectDrawResult(586);
inline constexpr HRESULT DDERR_WRONGMODE = MakeDirectDrawResult(587);
inline constexpr HRESULT DDERR_IMPLICITLYCREATED = MakeDirectDrawResult(588);
inline constexpr HRESULT DDERR_NOTPALETTIZED = MakeDirectDrawResult(589);

// Direct3D (immediate mode).
inline constexpr HRESULT D3DERR_BADMAJORVERSION = MakeDirectDrawResult(700);
inline constexpr HRESULT D3DERR_BADMINORVERSION = MakeDirectDrawResult(701);
inline constexpr HRESULT D3DERR_EXECUTE_CREATE_FAILED = MakeDirectDrawResult(710);
inline constexpr HRESULT D3DERR_EXECUTE_DESTROY_FAILED = MakeDirectDrawResult(711);
inline constexpr HRESULT D3DERR_EXECUTE_LOCK_FAILED = MakeDirectDrawResult(712);
inline constexpr HRESULT D3DERR_EXECUTE_UNLOCK_FAILED = MakeDirectDrawResult(713);
inline constexpr HRESULT D3DERR_EXECUTE_LOCKED = MakeDirectDrawResult(714);
inline constexpr HRESULT D3DERR_EXECUTE_NOT_LOCKED = MakeDirectDrawResult(715);
inline constexpr HRESULT D3DERR_EXECUTE_FAILED = MakeDirectDrawResult(716);
inline constexpr HRESULT D3DERR_EXECUTE_CLIPPED_FAILED = MakeDirectDrawResult(717);
inline constexpr HRESULT D3DERR_TEXTURE_NO_SUPPORT = MakeDirectDrawResult(720);
inline constexpr HRESULT D3DERR_TEXTURE_CREATE_FAILED = MakeDirectDrawResult(721);
inline constexpr HRESULT D3DERR_TEXTURE_DESTROY_FAILED = MakeDirectDrawResult(722);
inline constexpr HRESULT D3DERR_TEXTURE_LOCK_FAILED = MakeDirectDrawResult(723);
inline constexpr HRESULT D3DERR_TEXTURE_UNLOCK_FAILED = MakeDirectDrawResult(724);
inline constexpr HRESULT D3DERR_TEXTURE_LOAD_FAILED = MakeDirectDrawResult(725);
inline constexpr HRESULT D3DERR_TEXTURE_SWAP_FAILED = MakeDirectDrawResult(726);
inline constexpr HRESULT D3DERR_TEXTURE_LOCKED = MakeDirectDrawResult(727);
inline constexpr HRESULT D3DERR_TEXTURE_NOT_LOCKED = MakeDirectDrawResult(728);
inline constexpr HRESULT D3DERR_TEXTURE_GETSURF_FAILED = MakeDirectDrawResult(729);
inline constexpr HRESULT D3DERR_MATRIX_CREATE_FAILED = MakeDirectDrawResult(730);
inline constexpr HRESULT D3DERR_MATRIX_DESTROY_FAILED = MakeDirectDrawResult(731);
inline constexpr HRESULT D3DERR_MATRIX_SETDATA_FAILED = MakeDirectDrawResult(732);
inline constexpr HRESULT D3DERR_MATRIX_GETDATA_FAILED = MakeDirectDrawResult(733);
inline constexpr HRESULT D3DERR_SETVIEWPORTDATA_FAILED = MakeDirectDrawResult(734);
inline constexpr HRESULT D3DERR_INVALIDCURRENTVIEWPORT = MakeDirectDrawResult(735);
inline constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MakeDirectDrawResult(736);
inline constexpr HRESULT D3DERR_INVALIDVERTEXTYPE = MakeDirectDrawResult(737);
inline constexpr HRESULT D3DERR_TEXTURE_BADSIZE = MakeDirectDrawResult(738);
inline constexpr HRESULT D3DERR_INVALIDRAMPTEXTURE = MakeDirectDrawResult(739);
inline constexpr HRESULT D3DERR_MATERIAL_CREATE_FAILED = MakeDirectDrawResult(740);
inline constexpr HRESULT D3DERR_MATERIAL_DESTROY_FAILED = MakeDirectDrawResult(741);
inline constexpr HRESULT D3DERR_MATERIAL_SETDATA_FAILED = MakeDirectDrawResult(742);
inline constexpr HRESULT D3DERR_MATERIAL_GETDATA_FAILED = MakeDirectDrawResult(743);
inline constexpr HRESULT D3DERR_INVALIDPALETTE = MakeDirectDrawResult(744);
inline constexpr HRESULT D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY = MakeDirectDrawResult(745);
inline constexpr HRESULT D3DERR_ZBUFF_NEEDS_VIDEOMEMORY = MakeDirectDrawResult(746);
inline constexpr HRESULT D3DERR_SURFACENOTINVIDMEM = MakeDirectDrawResult(747);
inline constexpr HRESULT D3DERR_LIGHT_SET_FAILED = MakeDirectDrawResult(750);
inline constexpr HRESULT D3DERR_LIGHTHASVIEWPORT = MakeDirectDrawResult(751);
inline constexpr HRESULT D3DERR_LIGHTNOTINTHISVIEWPORT = MakeDirectDrawResult(752);
inline constexpr HRESULT D3DERR_SCENE_IN_SCENE = MakeDirectDrawResult(760);
inline constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = MakeDirectDrawResult(761);
inline constexpr HRESULT D3DERR_SCENE_BEGIN_FAILED = MakeDirectDrawResult(762);
inline constexpr HRESULT D3DERR_SCENE_END_FAILED = MakeDirectDrawResult(763);
inline constexpr HRESULT D3DERR_INBEGIN = MakeDirectDrawResult(770);
inline constexpr HRESULT D3DERR_NOTINBEGIN = MakeDirectDrawResult(771);
inline constexpr HRESULT D3DERR_NOVIEWPORTS = MakeDirectDrawResult(772);
inline constexpr HRESULT D3DERR_VIEWPORTDATANOTSET = MakeDirectDrawResult(773);
inline constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MakeDirectDrawResult(774);
inline constexpr HRESULT D3DERR_NOCURRENTVIEWPORT = MakeDirectDrawResult(775);

// Codes the platform also publishes but that have no text of their own here:
// they are reported as unrecognised. Named so that callers and tests can say
// which code they mean.
inline constexpr HRESULT DDERR_CANTLOCKSURFACE = MakeDirectDrawResult(435);
inline constexpr HRESULT DDERR_OVERLAPPINGRECTS = MakeDirectDrawResult(270);
inline constexpr HRESULT DDERR_NODIRECTDRAWSUPPORT = MakeDirectDrawResult(222);
inline constexpr HRESULT DDERR_UNSUPPORTEDMODE = MakeDirectDrawResult(590);
inline constexpr HRESULT D3DERR_INVALID_DEVICE = MakeDirectDrawResult(705);
inline constexpr HRESULT D3DERR_INITFAILED = MakeDirectDrawResult(706);
inline constexpr HRESULT D3DERR_DEVICEAGGREGATED = MakeDirectDrawResult(707);
inline constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = MakeDirectDrawResult(2048);
inline constexpr HRESULT D3DERR_ZBUFFER_NOTPRESENT = MakeDirectDrawResult(2070);

} // namespace kestrava
