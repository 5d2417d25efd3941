#include "imagerdata/FrameStorage.h"
#include "imagerdata/ImagerFrame.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

constexpr std::size_t FramesPerBlock = TFrameStorage::BlockSize / TFrameStorage::SlotSize;

std::vector<std::unique_ptr<TImagerFrame>> MakeFrames(std::size_t Count, double FirstTime) {
  std::vector<std::unique_ptr<TImagerFrame>> Frames;
  for (std::size_t I = 0; I < Count; ++I) {
    Frames.push_back(std::make_unique<TImagerFrame>());
    Frames.back()->Time = FirstTime + static_cast<double>(I);
  }
  return Frames;
}

TEST(FrameStorage, KeepsEveryLiveFrameIntactWhileSlotsAreReused) {
  auto Frames = MakeFrames(3 * FramesPerBlock, 0);
  // Free every other frame, then fill the holes: a broken free list would
  // hand out a slot that is still in use.
  for (std::size_t I = 0; I < Frames.size(); I += 2) {
    Frames[I].reset();
  }
  auto Refill = MakeFrames(Frames.size() / 2 + 10, 1e6);
  for (std::size_t I = 1; I < Frames.size(); I += 2) {
    ASSERT_EQ(Frames[I]->Time, static_cast<double>(I));
  }
  for (std::size_t I = 0; I < Refill.size(); ++I) {
    ASSERT_EQ(Refill[I]->Time, 1e6 + static_cast<double>(I));
  }
}

TEST(FrameStorage, GivesBlocksBackWhenTheirFramesGo) {
  if (!TFrameStorage::UsesBlocks()) {
    GTEST_SKIP() << "sanitizer builds keep frames on the ordinary heap";
  }
  const std::size_t Before = TFrameStorage::BlockBytesHeld();
  {
    auto Frames = MakeFrames(4 * FramesPerBlock, 0);
    EXPECT_GE(TFrameStorage::BlockBytesHeld(), Before + 3 * TFrameStorage::BlockSize);
    // Ownership may leave through the base class, as a list's extract does.
    std::unique_ptr<TQelObject> AsBase(Frames.back().release());
    Frames.pop_back();
  }
  // One spare block may stay for the next frame.
  EXPECT_LE(TFrameStorage::BlockBytesHeld(), Before + TFrameStorage::BlockSize);
}

} // namespace
} // namespace kestrava
