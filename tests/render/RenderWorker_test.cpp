// The chunked job runner behind the software device.

#include "render/RenderWorker.h"

#include <algorithm>
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
    // Told a job comes: at once, or only after the workers gave up on it.
    if (Round % 3 == 0) {
      Worker.ExpectJob();
    }
    if (Round % 5 == 0) {
      Worker.ExpectJob();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::array<std::atomic<int>, 37> Runs{};
    Worker.Run(
        37, [&](std::int32_t Chunk) { ++Runs[static_cast<std::size_t>(Chunk)]; }, Round % 2 == 0);
    for (const auto& R : Runs) {
      ASSERT_EQ(R.load(), 1);
    }
  }
}

TEST(RenderWorker, WorksOnAsManyChunksAtOnceAsItHasThreads) {
  // Every chunk waits until all have started: only that many threads at
  // once can let them go.
  for (const std::int32_t Threads : {2, 5}) {
    TRenderWorker Worker(Threads);
    std::atomic<std::int32_t> Started{0};
    std::atomic<std::int32_t> Overlapped{0};
    Worker.Run(Threads, [&](std::int32_t) {
      ++Started;
      const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (Started.load() < Threads && std::chrono::steady_clock::now() < Until) {
        std::this_thread::yield();
      }
      Overlapped += Started.load() == Threads ? 1 : 0;
    });
    EXPECT_EQ(Overlapped.load(), Threads);
  }
  EXPECT_EQ(
      TRenderWorker(0).Threads(),
      std::max<std::int32_t>(1, static_cast<std::int32_t>(std::thread::hardware_concurrency())));
}

TEST(RenderWorker, PassesOnAFailureAndKeepsServing) {
  TRenderWorker Worker(2);
  // Once a chunk fails, chunks claimed later may be skipped: all that is
  // promised is that the failing one ran, no chunk ran twice, and the
  // failure reaches the caller.
  std::array<std::atomic<int>, 8> Runs{};
  EXPECT_THROW(Worker.Run(8,
                          [&](std::int32_t Chunk) {
                            ++Runs[static_cast<std::size_t>(Chunk)];
                            if (Chunk == 3) {
                              throw std::runtime_error("chunk failed");
                            }
                          }),
               std::runtime_error);
  EXPECT_EQ(Runs[3].load(), 1);
  for (const auto& R : Runs) {
    EXPECT_LE(R.load(), 1);
  }
  std::atomic<int> Ran{0};
  Worker.Run(8, [&](std::int32_t) { ++Ran; });
  EXPECT_EQ(Ran.load(), 8);

  TRenderWorker Single(1);
  const auto Caller = std::this_thread::get_id();
  Single.Run(3, [&](std::int32_t) { EXPECT_EQ(std::this_thread::get_id(), Caller); });
}

} // namespace
} // namespace kestrava
