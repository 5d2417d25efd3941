#pragma once
// Helpers for the imager file tests: a private directory per test and a
// little-endian byte builder that lays files out by hand, independently of
// the program's own encoder.

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::test {

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
  TBytes& Zeros(std::size_t N) {
    Data.insert(Data.end(), N, 0);
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

class ImagerFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir = std::filesystem::temp_directory_path() /
          ("kestrava-" + std::string(Info->test_suite_name()) + "-" + Info->name() + "-" +
           std::to_string(std::random_device{}()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override {
    std::error_code Ignored;
    std::filesystem::permissions(Dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(Dir, Ignored);
  }
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
  std::filesystem::path Dir;
};

} // namespace kestrava::test
