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

std::string MessageOf(HRESULT Result) {
  try {
    CheckDirectXResult(Result);
  } catch (const EDirectX& Error) {
    return Error.what();
  }
  ADD_FAILURE() << "no EDirectX for " << Unsigned(Result);
  return {};
}

TEST(CheckDirectXResult, ReturnsForZeroOnly) {
  EXPECT_NO_THROW(CheckDirectXResult(DD_OK));
  EXPECT_THROW(CheckDirectXResult(1), EDirectX);
  EXPECT_THROW(CheckDirectXResult(-1), EDirectX);
  EXPECT_THROW(CheckDirectXResult(DDERR_GENERIC), Exception);
}

TEST(CheckDirectXResult, LostSurfaceMessageCarriesTextAndCode) {
  EXPECT_EQ(MessageOf(static_cast<HRESULT>(0x887601C2u)),
            "DirectX error - \"Access to this surface is being refused because the surface "
            "memory is gone. The DirectDrawSurface object representing this surface should have "
            "Restore called on it\" (error code: 887601C2H)");
}

TEST(CheckDirectXResult, Direct3DCodeIsReportedByItsName) {
  EXPECT_EQ(MessageOf(static_cast<HRESULT>(0x887602FBu)),
            "DirectX error - \"D3DERR_SCENE_END_FAILED\" (error code: 887602FBH)");
}

TEST(CheckDirectXResult, PositiveSuccessCodeIsUnrecognizedWithEightDigits) {
  EXPECT_EQ(MessageOf(1), "DirectX error - \"Unrecognized error value\" (error code: 00000001H)");
}

TEST(CheckDirectXResult, PublishedCodeOutsideTableIsUnrecognized) {
  EXPECT_EQ(MessageOf(static_cast<HRESULT>(0x887601B3u)),
            "DirectX error - \"Unrecognized error value\" (error code: 887601B3H)");
}

TEST(EDirectX, NeedVersion6IsADirectXFailureWithItsOwnText) {
  try {
    throw EDirectX_NeedVersion6();
  } catch (const EDirectX& Error) {
    EXPECT_STREQ(Error.what(), "DirectX V6 or higher must be installed.");
  }
}

TEST(DirectXResultTable, HoldsNinetyDirectDrawAndFiftyOneDirect3DRows) {
  const auto Table = DirectXResultTable();
  ASSERT_EQ(Table.size(), 141u);
  int DirectDraw = 0;
  int Direct3D = 0;
  for (const TDirectXResultRow& Row : Table) {
    const std::string Name(Row.Name);
    if (Name.starts_with("DDERR_")) {
      ++DirectDraw;
      EXPECT_FALSE(Row.Text.empty()) << Name;
      EXPECT_NE(Row.Text.back(), '.') << Name << " ends with a full stop";
    } else if (Name.starts_with("D3DERR_")) {
      ++Direct3D;
      EXPECT_EQ(Row.Text, Row.Name);
      EXPECT_GE(Unsigned(Row.Code), 0x887602BCu) << Name;
      EXPECT_LE(Unsigned(Row.Code), 0x88760307u) << Name;
    } else {
      ADD_FAILURE() << "unexpected name " << Name;
    }
  }
  EXPECT_EQ(DirectDraw, 90);
  EXPECT_EQ(Direct3D, 51);
}

TEST(DirectXResultTable, CodesAreUniqueAscendingAndInTheirFamilies) {
  const auto Table = DirectXResultTable();
  std::set<std::uint32_t> Seen;
  for (std::size_t Row = 0; Row < Table.size(); ++Row) {
    const std::uint32_t Code = Unsigned(Table[Row].Code);
    EXPECT_TRUE(Seen.insert(Code).second) << Table[Row].Name;
    if (Row > 0) {
      EXPECT_LT(Unsigned(Table[Row - 1].Code), Code) << Table[Row].Name;
    }
    const bool GeneralCom =
        Code == 0x80004001u || Code == 0x80004005u || Code == 0x8007000Eu || Code == 0x80070057u;
    EXPECT_TRUE(GeneralCom || (Code & 0xFFFF0000u) == 0x88760000u) << Table[Row].Name;
    // Every row must be reachable through the lookup.
    EXPECT_EQ(FindDirectXResult(Table[Row].Code), &Table[Row]);
  }
}

TEST(DirectXResultTable, TellingRowsHaveTheirExactTexts) {
  const struct {
    std::uint32_t Code;
    const char* Name;
    const char* Text;
  } Telling[] = {
      {0x80004001u, "DDERR_UNSUPPORTED", "Action not implemented"},
      {0x80004005u, "DDERR_GENERIC", "Generic failure"},
      {0x8007000Eu, "DDERR_OUTOFMEMORY", "Out of memory"},
      {0x80070057u, "DDERR_INVALIDPARAMS",
       "One or more of the parameters passed to the function are incorrect"},
      {0x88760064u, "DDERR_INVALIDCAPS",
       "One or more of the caps bits passed to the callback are incorrect"},
      {0x88760091u, "DDERR_INVALIDPIXELFORMAT", "The pixel format was invalid as specified"},
      {0x88760096u, "DDERR_INVALIDRECT", "Rectangle provided was invalid"},
      {0x887600D4u, "DDERR_NOCOOPERATIVELEVELSET",
       "Create function called without DirectDraw object method SetCooperativeLevel being "
       "called"},
      {0x8876017Cu, "DDERR_OUTOFVIDEOMEMORY",
       "DirectDraw does not have enough memory to perform the operation"},
      {0x887601AEu, "DDERR_SURFACEBUSY",
       "Access to this surface is being refused because the surface is already locked by "
       "another thread"},
      {0x8876021Cu, "DDERR_WASSTILLDRAWING",
       "Informs DirectDraw that the previous Blt which is transfering information to or from "
       "this Surface is incomplete"},
      {0x88760245u, "DDERR_EXCLUSIVEMODEALREADYSET",
       "An attempt was made to set the cooperative level when it was already set to exclusive"},
      {0x887602FAu, "D3DERR_SCENE_BEGIN_FAILED", "D3DERR_SCENE_BEGIN_FAILED"},
  };
  for (const auto& Row : Telling) {
    const auto Code = static_cast<HRESULT>(Row.Code);
    EXPECT_EQ(DirectXResultName(Code), Row.Name);
    EXPECT_EQ(DirectXResultText(Code), Row.Text) << Row.Name;
  }
}

TEST(DirectXResultTable, NamedConstantsMatchTheirRows) {
  // Spot checks across the range: a slip in one constant shifts its row.
  EXPECT_EQ(DirectXResultName(DDERR_ALREADYINITIALIZED), "DDERR_ALREADYINITIALIZED");
  EXPECT_EQ(Unsigned(DDERR_ALREADYINITIALIZED), 0x88760005u);
  EXPECT_EQ(Unsigned(DDERR_NOTPALETTIZED), 0x8876024Du);
  EXPECT_EQ(Unsigned(D3DERR_BADMAJORVERSION), 0x887602BCu);
  EXPECT_EQ(Unsigned(D3DERR_NOCURRENTVIEWPORT), 0x88760307u);
  EXPECT_EQ(DirectXResultName(D3DERR_NOCURRENTVIEWPORT), "D3DERR_NOCURRENTVIEWPORT");
  EXPECT_EQ(DirectXResultText(D3DERR_TEXTURE_LOCKED), "D3DERR_TEXTURELOCKED");
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
