#pragma once
// Runs a job of numbered chunks on the calling thread and one persistent
// worker thread: each chunk exactly once, on whichever thread claims it
// first, and returns when all are done. Claiming is dynamic, so a worker
// that the system does not schedule in time costs nothing: the caller takes
// its chunks. Results stay deterministic as long as each chunk writes only
// its own part of the output.
//
// The worker is started on first use and kept for the life of the object,
// so a frame pays a wake-up rather than a thread creation; between the jobs
// of one burst (several per frame) it spins briefly instead of sleeping.
//
// Thread: Run is called from one thread at a time. An exception thrown by a
// chunk is passed on to the caller after every claimed chunk has ended (the
// first one, when several throw); chunks not yet started are then skipped.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrava {

class TRenderWorker {
public:
  using TWork = std::function<void(std::int32_t Chunk)>;

  // Threads is 1 or 2 (others are clamped); with 1 no thread is ever started.
  explicit TRenderWorker(std::int32_t Threads);
  ~TRenderWorker();
  TRenderWorker(const TRenderWorker&) = delete;
  TRenderWorker& operator=(const TRenderWorker&) = delete;

  std::int32_t Threads() const { return Threads_; }

  // Work(0) .. Work(Chunks - 1). MoreFollows tells the worker that another
  // job comes at once, so that it keeps spinning for it instead of sleeping
  // (and does not spin, taking a core, when nothing comes).
  void Run(std::int32_t Chunks, const TWork& Work, bool MoreFollows = false);

private:
  struct TJob {
    const TWork* Work = nullptr;
    std::int32_t Chunks = 0;
    std::atomic<std::int32_t> Next{0};
    std::atomic<std::int32_t> Done{0};
    std::atomic<bool> Failed{false};
    std::exception_ptr Error; // under Mutex_
  };

  void Help(TJob& Job);
  void WorkerLoop();

  std::int32_t Threads_;
  std::thread Thread_;
  std::mutex Mutex_;
  std::condition_variable Wake_;
  std::condition_variable Finished_;
  // Under Mutex_; Posted_ is also read without it while spinning.
  TJob* Current_ = nullptr;
  std::int32_t Active_ = 0; // 1 while the worker helps with Current_
  bool SpinAfterJob_ = false;
  std::atomic<std::uint64_t> Posted_{0};
  std::atomic<bool> Stopping_{false};
};

} // namespace kestrava
