#include "render/DirectXErrors.h"
#include "render/DirectXResultCodes.h"

#include <cstdint>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

std::uint32_t Unsigned(HRESULT Code) {
  return static_cast<std::uint32_t>(Code);
}

TEST(CheckDirectXResult, ReturnsForZeroAndRaisesTheTextAndCodeOfAnythingElse) {
  EXPECT_NO_THROW(CheckDirectXResult(DD_OK));
  EXPECT_THROW(CheckDirectXResult(-1), EDirectX);
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

TEST(DirectXResultTable, RowsAreUniqueAscendingInTheirFamiliesAndFoundByTheLookup) {
  const auto Table = DirectXResultTable();
  ASSERT_EQ(Table.size(), 141u);
  std::set<std::uint32_t> Seen;
  for (std::size_t Row = 0; Row < Table.size(); ++Row) {
    const TDirectXResultRow& This = Table[Row];
    const std::uint32_t Code = Unsigned(This.Code);
    EXPECT_TRUE(Seen.insert(Code).second) << This.Name;
    if (Row > 0) {
      EXPECT_LT(Unsigned(Table[Row - 1].Code), Code) << This.Name;
    }
    const bool GeneralCom =
        Code == 0x80004001u || Code == 0x80004005u || Code == 0x8007000Eu || Code == 0x80070057u;
    EXPECT_TRUE(GeneralCom || (Code & 0xFFFF0000u) == 0x88760000u) << This.Name;
    EXPECT_EQ(FindDirectXResult(This.Code), &This);
    EXPECT_EQ(DirectXResultName(This.Code), This.Name);
    if (This.Name.starts_with("D3DERR_")) {
      EXPECT_EQ(This.Text, This.Name);
      EXPECT_GE(Code, 0x887602BCu) << This.Name;
      EXPECT_LE(Code, 0x88760307u) << This.Name;
    } else {
      ASSERT_TRUE(This.Name.starts_with("DDERR_")) << This.Name;
      ASSERT_FALSE(This.Text.empty()) << This.Name;
      EXPECT_NE(This.Text.back(), '.') << This.Name << " ends with a full stop";
    }
  }
}

TEST(DirectXResultTable, CodesLeftOutAreUnrecognized) {
  const HRESULT Absent[] = {
      DDERR_CANTLOCKSURFACE,
      DDERR_OVERLAPPINGRECTS,
      DDERR_NODIRECTDRAWSUPPORT,
      DDERR_UNSUPPORTEDMODE,
      D3DERR_INVALID_DEVICE,
      D3DERR_INITFAILED,
      D3DERR_DEVICEAGGREGATED,
      D3DERR_INVALIDVERTEXFORMAT,
      D3DERR_ZBUFFER_NOTPRESENT,
      MakeDirectDrawResult(0),
      MakeDirectDrawResult(0x2BB),
      E_NOINTERFACE,
      E_POINTER,
      static_cast<HRESULT>(0x88770000u + 450),
  };
  for (const HRESULT Code : Absent) {
    EXPECT_EQ(FindDirectXResult(Code), nullptr) << Unsigned(Code);
    EXPECT_EQ(DirectXResultName(Code), "");
    EXPECT_EQ(DirectXResultText(Code), "Unrecognized error value") << Unsigned(Code);
  }
}

} // namespace
} // namespace kestrava
