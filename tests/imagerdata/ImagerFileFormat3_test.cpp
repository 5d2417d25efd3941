#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <tuple>

namespace kestrava {
namespace {

using test::TBytes;

constexpr std::uint8_t Signature[16] = {0x26, 0x8F, 0xF2, 0xD2, 0xB4, 0x38, 0x94, 0x4F,
                                        0x85, 0x7A, 0x98, 0xE1, 0x6B, 0xF7, 0x5A, 0x93};

// Two frames that between them use every field the format stores. Values are
// exact in single precision so that they survive the narrowing.
void FillProcedure(TImagerProcedure& P) {
  P.PatientName = "Müller";
  P.ProcedureType = ProcedureTop;
  P.StartTime = 45000.5;
  P.HasPainData = true;
  P.PainUnits = "mmHg";
  TImagerFrame& A = P.AddFrame();
  A.Time = 0.25;
  A.SensorCount = 2;
  A.TubeRadius = 0.5f;
  A.SensorValid = {true, false};
  A.SensorPosition = {{{1, 2, 3}, {4, 5, 6}}};
  A.SensorDirection = {{{0, 0, 1}, {0, -1, 0}}};
  A.SegmentLength[0] = 0.125;
  A.EndoscopeValid = true;
  A.MarkerValid[5] = true;
  A.MarkerPosition[5] = {7, 8, 9};
  A.MarkerDirection[5] = {1, 0, 0};
  A.HandValid = true;
  A.HandPosition = {-1, -2, -3};
  A.HandDirection = {0, 1, 0};
  A.PainValid = true;
  A.Pain = 12.5;
  A.OvertubeKind = 1;
  A.OvertubeData1 = {0.75f, 1.5f, true, {2, 4, 8}};
  TImagerFrame& B = P.AddFrame();
  B.Time = 0.5;
  B.OvertubeKind = 2;
  B.OvertubeData2 = {1, 2, 3, false, {-4, -5, -6}};
}

// The file of FillProcedure, laid out by hand from the byte tables.
std::vector<std::uint8_t> ExpectedFile() {
  TBytes F;
  F.Data.assign(std::begin(Signature), std::end(Signature));
  F.Text("M\xFCller", 64).I32(1).F64(45000.5).I32(2).U8(1).Text("mmHg", 16);
  // Frame A: two slots, one segment, marker 5.
  F.U16(2).F32(0.5f).U8(0xFF).U8(0).Zeros(14);
  F.F32(1).F32(2).F32(3).F32(4).F32(5).F32(6).Zeros(14, 12);
  F.F32(0).F32(0).F32(1).F32(0).F32(-1).F32(0).Zeros(14, 12);
  F.F32(0.125f).Zeros(14, 4);
  F.Zeros(5).U8(0xFF);
  F.Zeros(5, 12).F32(7).F32(8).F32(9);
  F.Zeros(5, 12).F32(1).F32(0).F32(0);
  F.U8(0xFF).U8(0xFF).F32(-1).F32(-2).F32(-3).F32(0).F32(1).F32(0).F64(0.25).U8(1);
  F.U8(0xFF).F64(12.5);
  F.F32(0.75f).F32(1.5f).U8(0xFF).F32(2).F32(4).F32(8);
  // Frame B: nothing but its time, an empty pain block and kind 2.
  F.U16(0).F32(0).Zeros(642 - 6).F64(0.5).U8(2);
  F.U8(0).F64(0);
  F.F32(1).F32(2).F32(3).U8(0).F32(-4).F32(-5).F32(-6);
  return F.Data;
}

using ImagerFileFormat3 = test::ImagerFileTest;

TEST_F(ImagerFileFormat3, WritesTheByteTablesExactly) {
  TImagerProcedure P;
  FillProcedure(P);
  const std::string Path = P.SaveToFile((Dir / "small.img").string());
  EXPECT_EQ(Read(Path), ExpectedFile());
}

TEST_F(ImagerFileFormat3, RoundTripsEveryStoredField) {
  TImagerProcedure Original;
  FillProcedure(Original);
  TImagerProcedure Loaded;
  ASSERT_EQ(Loaded.LoadFromFile(Write("small.img", ExpectedFile())), 3);
  EXPECT_EQ(std::tuple(Loaded.PatientName, Loaded.ProcedureType, Loaded.StartTime,
                       Loaded.HasPainData, Loaded.PainUnits),
            std::tuple("Müller", ProcedureTop, 45000.5, true, "mmHg"));
  ASSERT_EQ(Loaded.FrameCount(), 2);
  for (int I = 0; I < 2; ++I) {
    EXPECT_TRUE(test::EveryField(Loaded.GetFrame(I)) == test::EveryField(Original.GetFrame(I)))
        << "frame " << I;
  }
}

TEST_F(ImagerFileFormat3, ReadsAnyNonZeroFlagAsTrueAndWritesUnknownOvertubeKindsAsNone) {
  auto Bytes = ExpectedFile();
  Bytes[113 + 7] = 1; // SensorValid[1] of frame A
  TImagerProcedure P;
  P.LoadFromFile(Write("flag.img", Bytes));
  EXPECT_TRUE(P.GetFrame(0).SensorValid[1]);

  TImagerProcedure Odd, Loaded; // an unknown kind would make the file unreadable
  Odd.AddFrame().OvertubeKind = 7;
  ASSERT_EQ(Loaded.LoadFromFile(Odd.SaveToFile((Dir / "kind.img").string())), 3);
  EXPECT_EQ(Loaded.GetFrame(0).OvertubeKind, 0);
}

TEST_F(ImagerFileFormat3, RefusesTruncatedAndDamagedFilesAndNamesOneThatCannotBeOpened) {
  const std::string Missing = (Dir / "none.img").string();
  TImagerProcedure P;
  EXPECT_EQ(test::ErrorText([&] { P.LoadFromFile(Missing); }), "Cannot open file: " + Missing);
  ExpectEveryTruncationRefused(ExpectedFile());
  auto Patched = [this](std::size_t Offset, std::vector<std::uint8_t> Value) {
    auto Copy = ExpectedFile();
    std::copy(Value.begin(), Value.end(), Copy.begin() + static_cast<long>(Offset));
    return Write("bad.bin", Copy);
  };
  ExpectRefused(Patched(0, {0x27}));                         // signature
  ExpectRefused(Patched(16 + 76, {0x00, 0x94, 0x35, 0x77})); // 2,000,000,000 frames
  ExpectRefused(Patched(113, {17, 0}));                      // SensorCount beyond 16 slots
  ExpectRefused(Patched(113 + 650, {3}));                    // overtube kind without a block
}

TEST_F(ImagerFileFormat3, SavesUnderTheImgExtensionAndAFailedSaveLeavesNoTrace) {
  TImagerProcedure P;
  EXPECT_EQ(P.SaveToFile((Dir / "a.dat").string()), (Dir / "a.img").string());
  EXPECT_EQ(P.SaveToFile((Dir / "b").string()), (Dir / "b.img").string());
  EXPECT_TRUE(!std::filesystem::exists(Dir / "a.dat") && std::filesystem::exists(Dir / "a.img"));
  TImagerProcedure Loaded; // a procedure without frames is a file of its own
  EXPECT_TRUE(Loaded.LoadFromFile((Dir / "a.img").string()) == 3 && Loaded.FrameCount() == 0);

  std::filesystem::create_directory(Dir / "taken.img");
  const std::string Target = (Dir / "taken.img").string();
  EXPECT_EQ(test::ErrorText([&] { P.SaveToFile(Target); }), "Cannot open file: " + Target);
  EXPECT_TRUE(std::filesystem::is_directory(Target));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), {}), 3); // no temporary
  EXPECT_THROW(P.SaveToFile((Dir / "missing" / "x.img").string()), Exception);
}

// A write that fails half-way (here: the file size limit, in a child process)
// must leave the earlier recording as it was.
TEST_F(ImagerFileFormat3, SaveFailingHalfWayKeepsTheOldFile) {
  const std::string Old = Write("old.img", ExpectedFile());
  TImagerProcedure P;
  FillProcedure(P);
  P.PatientName = "New";
  const auto SaveUnderSizeLimit = [&] {
    const rlimit Limit{200, 200};
    ::setrlimit(RLIMIT_FSIZE, &Limit);
    std::signal(SIGXFSZ, SIG_IGN);
    try {
      P.SaveToFile(Old);
    } catch (const Exception&) {
      std::_Exit(0);
    }
    std::_Exit(1);
  };
  EXPECT_EXIT(SaveUnderSizeLimit(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(Read(Old), ExpectedFile());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), {}), 1);
}

} // namespace
} // namespace kestrava
