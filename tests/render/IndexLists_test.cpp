#include "render/IndexLists.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// Every length around the eight-at-a-time blocks, with indices on both
// sides of 0x8000, where signed and unsigned order part.
TEST(IndexLists, LargestAndWidenedAgreeWithOneAtATimeForEveryLengthAndRange) {
  std::mt19937 Random(5);
  for (const std::uint16_t Top :
       {std::uint16_t{40}, std::uint16_t{0x8000}, std::uint16_t{0xFFFF}}) {
    std::uniform_int_distribution<int> Value(0, Top);
    for (std::size_t Length = 0; Length <= 35; ++Length) {
      std::vector<std::uint16_t> Indices(Length);
      for (std::uint16_t& I : Indices) {
        I = static_cast<std::uint16_t>(Value(Random));
      }
      const std::uint16_t Expected =
          Indices.empty() ? 0 : *std::max_element(Indices.begin(), Indices.end());
      EXPECT_EQ(LargestIndex(Indices), Expected) << "length " << Length << " top " << Top;

      const std::uint32_t Base = 0xFFFF0000u;
      std::vector<std::uint32_t> Widened(Length + 1, 7u);
      WidenIndices(Indices, Base, Widened.data());
      for (std::size_t I = 0; I < Length; ++I) {
        ASSERT_EQ(Widened[I], Base + Indices[I]) << "length " << Length << " at " << I;
      }
      EXPECT_EQ(Widened[Length], 7u) << "wrote past the list";
    }
  }
}

} // namespace
} // namespace kestrava
