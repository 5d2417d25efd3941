#pragma once
// Helpers for the imager file tests: a private directory per test, the check
// that a damaged file is refused, and a little-endian byte builder that lays
// files out by hand, independently of the program's own encoder.

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "tests/support/ScratchDirectory.h"

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::test {

// Every stored field of a frame, so that one comparison covers them all.
inline auto EveryField(const TImagerFrame& F) {
  return std::tie(F.Time, F.SensorCount, F.TubeRadius, F.SensorValid, F.SensorPosition,
                  F.SensorDirection, F.SegmentLength, F.EndoscopeValid, F.MarkerValid,
                  F.MarkerPosition, F.MarkerDirection, F.HandValid, F.HandPosition, F.HandDirection,
                  F.PainValid, F.Pain, F.OvertubeKind, F.OvertubeData1, F.OvertubeData2);
}

// The message of what Action throws, or "no error" when it returns.
template <class TAction> std::string ErrorText(TAction&& Action) {
  try {
    Action();
  } catch (const std::exception& Error) {
    return Error.what();
  }
  return "no error";
}

class TBytes {
public:
  TBytes& U8(std::uint8_t V) {
    Data.push_back(V);
    return *this;
  }
  TBytes& U16(std::uint16_t V) { return Le(V, 2); }
  TBytes& U32(std::uint32_t V) { return Le(V, 4); }
  TBytes& I32(std::int32_t V) { return Le(static_cast<std::uint32_t>(V), 4); }
  TBytes& F32(float V) { return Le(std::bit_cast<std::uint32_t>(V), 4); }
  TBytes& F64(double V) { return Le(std::bit_cast<std::uint64_t>(V), 8); }
  // Count entries of Each bytes, all zero.
  TBytes& Zeros(std::size_t Count, std::size_t Each = 1) {
    Data.insert(Data.end(), Count * Each, 0);
    return *this;
  }
  // Text in a zero-padded field of Size bytes.
  TBytes& Text(const std::string& Bytes, std::size_t Size) {
    Data.insert(Data.end(), Bytes.begin(), Bytes.end());
    return Zeros(Size - Bytes.size());
  }
  std::vector<std::uint8_t> Data;

private:
  TBytes& Le(std::uint64_t V, int N) {
    for (int I = 0; I < N; ++I) {
      Data.push_back(static_cast<std::uint8_t>(V >> (8 * I)));
    }
    return *this;
  }
};

// A format 1 header (patient "Smith", tip distance Tip, sensor distances
// 0.01 m apart), with or without the trailing procedure type byte.
inline std::vector<std::uint8_t> Format1Header(std::uint16_t NumSensors, double Tip,
                                               bool WithType = true) {
  TBytes F;
  F.U32(0xF1290001).U8(5).Text("Smith", 32).U16(NumSensors).F64(Tip);
  for (int K = 1; K < 18; ++K) {
    F.F64(0.01 * K);
  }
  if (WithType) {
    F.U8(1);
  }
  return F.Data;
}

// A format 2 file of one Peg frame with three slots (the middle one invalid);
// directions are stored reversed.
inline std::vector<std::uint8_t> Format2File(std::uint16_t Version = 0, std::uint16_t Sensors = 3) {
  TBytes F;
  F.U32(0x7149331A).U16(Version).U16(0);
  F.Text("Old \x80", 64).I32(2).F64(39000.25).I32(1).U8(1).Text("kPa", 16);
  F.U16(Sensors).U8(1).U8(0).U8(0xFF).Zeros(13);
  F.F32(1).F32(0).F32(0).F32(2).F32(0).F32(0).F32(3).F32(0).F32(0).Zeros(13, 12);
  F.F32(0).F32(0).F32(-1).F32(0).F32(0).F32(-1).F32(1).F32(0).F32(0).Zeros(13, 12);
  F.F32(0.5f).F32(0.25f).F32(99).Zeros(12, 4); // the third length lies beyond the slots
  F.U8(1).Zeros(5).F32(1).F32(1).F32(1).Zeros(5, 12).F32(0).F32(1).F32(0).Zeros(5, 12);
  F.U8(1).U8(0).F32(5).F32(6).F32(7).F32(0).F32(0).F32(1).F64(0.125).F64(3.5);
  return F.Data;
}

class ImagerFileTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Scratch.Made()); }
  std::string Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const {
    const auto Path = Dir / Name;
    // A fresh file rather than a truncated one: ext4 flushes truncated files on close.
    std::filesystem::remove(Path);
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()),
               static_cast<std::streamsize>(Bytes.size()));
    return Path.string();
  }
  static std::vector<std::uint8_t> Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
  }
  // No reader may accept a damaged file, and the frames the procedure held
  // are gone while its details survive.
  static void ExpectRefused(const std::string& Path) {
    TImagerProcedure P;
    P.PatientName = "Kept";
    P.AddFrame();
    EXPECT_THROW(P.LoadFromFile(Path), E_Qel_UnrecognisedDataFormat) << Path;
    EXPECT_EQ(P.FrameCount(), 0);
    EXPECT_EQ(P.PatientName, "Kept");
  }
  void ExpectEveryTruncationRefused(const std::vector<std::uint8_t>& Bytes) const {
    for (std::size_t Length = 0; Length < Bytes.size(); ++Length) {
      ExpectRefused(Write("cut.bin", {Bytes.begin(), Bytes.begin() + static_cast<long>(Length)}));
    }
  }

  support::TScratchDirectory Scratch{"kestrava-imagerfile"};
  const std::filesystem::path& Dir = Scratch.Dir;
};

} // namespace kestrava::test
