#include "render/DirectXErrors.h"
#include "render/DirectXResultCodes.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

std::uint32_t Unsigned(HRESULT Code) {
  return static_cast<std::uint32_t>(Code);
}

TEST(CheckDirectXResult, ReturnsForZeroAndRaisesTheTextAndCodeOfAnythingElse) {
  EXPECT_NO_THROW(CheckDirectXResult(DD_OK));
  EXPECT_THROW(CheckDirectXResult(DDERR_GENERIC), Exception);
  const struct {
    std::uint32_t Code;
    const char* Message;
  } Cases[] = {
      {0x887601C2u, "DirectX error - \"Access to this surface is being refused because the "
                    "surface memory is gone. The DirectDrawSurface object representing this "
                    "surface should have Restore called on it\" (error code: 887601C2H)"},
      // Direct3D codes are reported by their names.
      {0x887602FBu, "DirectX error - \"D3DERR_SCENE_END_FAILED\" (error code: 887602FBH)"},
      // A positive success code, and a published code outside the table.
      {1, "DirectX error - \"Unrecognized error value\" (error code: 00000001H)"},
      {0x887601B3u, "DirectX error - \"Unrecognized error value\" (error code: 887601B3H)"},
  };
  for (const auto& Case : Cases) {
    try {
      CheckDirectXResult(static_cast<HRESULT>(Case.Code));
      ADD_FAILURE() << "no EDirectX for " << Case.Code;
    } catch (const EDirectX& Error) {
      EXPECT_STREQ(Error.what(), Case.Message);
    }
  }
  EXPECT_STREQ(EDirectX_NeedVersion6().what(), "DirectX V6 or higher must be installed.");
  // Reported by its published name, which is not the constant's.
  EXPECT_EQ(DirectXResultText(D3DERR_TEXTURE_LOCKED), "D3DERR_TEXTURELOCKED");
}

// The table's order and size are checked where it is built. Direct3D codes
// are shown by name, DirectDraw codes by a text that the message quotes.
TEST(DirectXResultTable, LookupFindsEveryRowAndNothingForCodesLeftOut) {
  for (const TDirectXResultRow& Row : DirectXResultTable()) {
    EXPECT_EQ(FindDirectXResult(Row.Code), &Row) << Row.Name;
    const bool Direct3D = Row.Name.starts_with("D3DERR_");
    EXPECT_TRUE(Direct3D ? Row.Text == Row.Name : !Row.Text.empty() && !Row.Text.ends_with('.'))
        << Row.Name;
  }
  for (const HRESULT Code :
       {DDERR_CANTLOCKSURFACE, D3DERR_INVALID_DEVICE, D3DERR_ZBUFFER_NOTPRESENT,
        MakeDirectDrawResult(0), E_POINTER, static_cast<HRESULT>(0x88770000u + 450)}) {
    EXPECT_EQ(FindDirectXResult(Code), nullptr) << Unsigned(Code);
    EXPECT_EQ(DirectXResultName(Code), "");
    EXPECT_EQ(DirectXResultText(Code), "Unrecognized error value") << Unsigned(Code);
  }
}

} // namespace
} // namespace kestrava
