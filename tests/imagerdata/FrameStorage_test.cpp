#include "imagerdata/FrameBlockPool.h"
#include "imagerdata/FrameStorage.h"
#include "imagerdata/ImagerFrame.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define KESTRAVA_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRAVA_TEST_ASAN 1
#endif
#endif

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

TEST(FrameBlockPool, KeepsTheLastEmptiedBlockAsSpareAfterTheSpareIsReused) {
  TFrameBlockPool Pool;
  const std::size_t PerBlock = TFrameBlockPool::SlotsPerBlock();
  std::vector<void*> First, Second;
  for (std::size_t I = 0; I < PerBlock; ++I) {
    First.push_back(Pool.Allocate());
  }
  for (std::size_t I = 0; I < PerBlock; ++I) {
    Second.push_back(Pool.Allocate());
  }
  for (void* Slot : First) {
    Pool.Release(Slot); // the first block empties and becomes the spare
  }
  void* Reused = Pool.Allocate(); // taken from the spare
  for (void* Slot : Second) {
    Pool.Release(Slot);
  }
  EXPECT_EQ(Pool.BytesHeld(), 2 * TFrameStorage::BlockSize)
      << "the second block, now empty, is the spare";
  Pool.Release(Reused);
  EXPECT_EQ(Pool.BytesHeld(), TFrameStorage::BlockSize) << "one spare, not two";
}

TEST(FrameBlockPoolDeathTest, ReleasingASlotTwiceStopsTheProgram) {
  TFrameBlockPool Pool;
  void* Kept = Pool.Allocate();
  void* Slot = Pool.Allocate();
  Pool.Release(Slot);
  EXPECT_DEATH(Pool.Release(Slot), "release of a frame slot not in use");
  EXPECT_DEATH(Pool.Release(static_cast<char*>(Kept) + 8), "not in use");
  Pool.Release(Kept);
}

#if defined(KESTRAVA_TEST_ASAN)
TEST(FrameBlockPoolDeathTest, MemoryUsedAfterItsReleaseIsReported) {
  void* Kept = TFrameStorage::Allocate(sizeof(TImagerFrame));
  void* Slot = TFrameStorage::Allocate(sizeof(TImagerFrame));
  TFrameStorage::Release(Slot, sizeof(TImagerFrame));
  const auto* Stale = static_cast<volatile unsigned char*>(Slot) + 100;
  EXPECT_DEATH(static_cast<void>(*Stale), "use-after-poison");
  TFrameStorage::Release(Kept, sizeof(TImagerFrame));
}
#endif

} // namespace
} // namespace kestrava
