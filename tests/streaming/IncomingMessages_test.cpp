#include "streaming/IncomingMessages.h"
#include "tests/streaming/StreamTestSupport.h"

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using testing::RawMessage;

constexpr std::uint64_t Limit = 1 << 20;

TEST(IncomingMessages, ReadsPastNewerAndUnknownMessagesSplitAnywhere) {
  // A header version 2 message (extended header and metadata inside the
  // body), a query without body and a type nobody knows.
  std::vector<std::uint8_t> Stream =
      RawMessage(2, "STRING", 300, std::vector<std::uint8_t>(300, 7));
  for (const auto& More :
       {RawMessage(1, "GET_STATUS", 0), RawMessage(3, "FUTURE_THING", 5, {1, 2, 3, 4, 5})}) {
    Stream.insert(Stream.end(), More.begin(), More.end());
  }
  for (const std::size_t Chunk : {std::size_t{1}, std::size_t{7}, Stream.size()}) {
    TIncomingMessageReader Reader(Limit);
    for (std::size_t At = 0; At < Stream.size(); At += Chunk) {
      const std::size_t Size = std::min(Chunk, Stream.size() - At);
      ASSERT_TRUE(Reader.Consume({Stream.data() + At, Size})) << Reader.Problem();
    }
    EXPECT_EQ(Reader.MessagesRead(), 3u);
    EXPECT_FALSE(Reader.MidMessage());
  }
}

TEST(IncomingMessages, RefusesAbsurdBodiesAndGarbageForGood) {
  TIncomingMessageReader Huge(Limit);
  EXPECT_FALSE(Huge.Consume(RawMessage(1, "IMAGE", std::uint64_t{4} << 30)));
  EXPECT_NE(Huge.Problem().find("4294967296"), std::string::npos);
  EXPECT_FALSE(Huge.Consume(RawMessage(1, "STATUS", 0)));

  const std::string Http = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n"
                           "...............................";
  TIncomingMessageReader Browser(Limit);
  EXPECT_FALSE(Browser.Consume({reinterpret_cast<const std::uint8_t*>(Http.data()), Http.size()}));
  TIncomingMessageReader Unprintable(Limit);
  EXPECT_FALSE(Unprintable.Consume(RawMessage(1, "BAD\x01TYPE", 0)));
  TIncomingMessageReader VersionZero(Limit);
  EXPECT_FALSE(VersionZero.Consume(RawMessage(0, "STATUS", 0)));
}

} // namespace
} // namespace kestrava
