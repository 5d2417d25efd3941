// The chunked job runner behind the software device.

#include "render/RenderWorker.h"

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(RenderWorker, RunsEveryChunkExactlyOnceBeforeReturning) {
  TRenderWorker Worker(2);
  for (int Round = 0; Round < 50; ++Round) {
    std::array<std::atomic<int>, 37> Runs{};
    Worker.Run(
        37, [&](std::int32_t Chunk) { ++Runs[static_cast<std::size_t>(Chunk)]; }, Round % 2 == 0);
    for (const auto& R : Runs) {
      ASSERT_EQ(R.load(), 1);
    }
  }
}

TEST(RenderWorker, WorksOnTwoChunksAtOnce) {
  // Chunk 0 waits for chunk 1 to start: only a second thread can let it go.
  TRenderWorker Worker(2);
  std::atomic<bool> SecondStarted{false};
  bool Overlapped = false;
  Worker.Run(2, [&](std::int32_t Chunk) {
    if (Chunk == 1) {
      SecondStarted = true;
      return;
    }
    const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!SecondStarted && std::chrono::steady_clock::now() < Until) {
      std::this_thread::yield();
    }
    Overlapped = SecondStarted;
  });
  EXPECT_TRUE(Overlapped);
}

TEST(RenderWorker, PassesOnAFailureAndKeepsServing) {
  TRenderWorker Worker(2);
  std::atomic<int> Ran{0};
  EXPECT_THROW(Worker.Run(8,
                          [&](std::int32_t Chunk) {
                            ++Ran;
                            if (Chunk == 3) {
                              throw std::runtime_error("chunk failed");
                            }
                          }),
               std::runtime_error);
  EXPECT_GE(Ran.load(), 4);
  Ran = 0;
  Worker.Run(8, [&](std::int32_t) { ++Ran; });
  EXPECT_EQ(Ran.load(), 8);

  TRenderWorker Single(1);
  const auto Caller = std::this_thread::get_id();
  Single.Run(3, [&](std::int32_t) { EXPECT_EQ(std::this_thread::get_id(), Caller); });
}

} // namespace
} // namespace kestrava
