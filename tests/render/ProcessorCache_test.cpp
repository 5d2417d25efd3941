#include "render/ProcessorCache.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(ProcessorCache, ReadsSizesAsLinuxWritesThemAndRefusesTheRest) {
  EXPECT_EQ(ParseCacheSize("32768K\n"), std::size_t{32} << 20);
  EXPECT_EQ(ParseCacheSize("1M"), std::size_t{1} << 20);
  EXPECT_EQ(ParseCacheSize("512"), std::size_t{512});
  for (const char* Bad : {"", "K", "0K", "12G", "-1K", "32768 K", "99999999999999M"}) {
    EXPECT_EQ(ParseCacheSize(Bad), std::nullopt) << Bad;
  }
  EXPECT_GT(LastLevelCacheBytes(), 0u);
  EXPECT_FALSE(OutgrowsCache(0));
  EXPECT_TRUE(OutgrowsCache(LastLevelCacheBytes()));
}

} // namespace
} // namespace kestrava
