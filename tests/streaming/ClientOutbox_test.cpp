#include "streaming/ClientOutbox.h"

#include <tuple>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TSharedBytes Block(std::uint8_t Mark, std::size_t Size = 4) {
  return std::make_shared<const TMessageBytes>(Size, Mark);
}

std::vector<std::uint8_t> Drain(TClientOutbox& Outbox) {
  std::vector<std::uint8_t> Written;
  while (!Outbox.Empty()) {
    const auto Bytes = Outbox.Unwritten();
    Written.insert(Written.end(), Bytes.begin(), Bytes.end());
    Outbox.MarkWritten(Bytes.size());
  }
  return Written;
}

TEST(ClientOutbox, NewerFramesReplaceTheOldestWaitingButNeverACutMessage) {
  TClientOutbox Outbox(2);
  Outbox.PushFrame(Block(1));
  Outbox.MarkWritten(1); // frame 1 is on the wire now
  for (std::uint8_t Mark = 2; Mark <= 5; ++Mark) {
    Outbox.PushFrame(Block(Mark));
  }
  EXPECT_EQ(Outbox.FramesDropped(), 2u); // frames 2 and 3
  EXPECT_EQ(Drain(Outbox), (std::vector<std::uint8_t>{1, 1, 1, 4, 4, 4, 4, 5, 5, 5, 5}));
  EXPECT_EQ(std::tuple(Outbox.FramesQueued(), Outbox.FramesWritten()), std::tuple(5u, 3u));
}

TEST(ClientOutbox, OneModelWaitsAndKeepAlivesOnlyFillSilence) {
  TClientOutbox Outbox(4);
  Outbox.PushKeepAlive(Block(9, 1));
  Outbox.PushKeepAlive(Block(9, 1)); // something waits already
  Outbox.PushModel(Block(6, 2));
  Outbox.PushFrame(Block(1, 1));
  Outbox.PushModel(Block(7, 2)); // the waiting model is out of date
  EXPECT_EQ(Drain(Outbox), (std::vector<std::uint8_t>{9, 1, 7, 7}));
  EXPECT_EQ(Outbox.FramesDropped(), 0u);
}

} // namespace
} // namespace kestrava
