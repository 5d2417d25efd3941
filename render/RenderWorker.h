#pragma once
// Runs a job of numbered chunks on the calling thread and a set of
// persistent worker threads: each chunk exactly once, on whichever thread
// claims it first, and returns when all are done. Claiming is dynamic, so a
// worker that the system does not schedule in time costs nothing: the other
// threads take its chunks. Results stay deterministic as long as each chunk
// writes only its own part of the output.
//
// The workers are started on first use and kept for the life of the object,
// so a frame pays a wake-up rather than thread creations; between the jobs
// of one burst (several per frame) they spin briefly instead of sleeping.
//
// Thread: Run is called from one thread at a time. An exception thrown by a
// chunk is passed on to the caller after every claimed chunk has ended (the
// first one, when several throw); chunks claimed after the failure are
// skipped, so which chunks ran is then only known to include the failing one.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrava {

class TRenderWorker {
public:
  using TWork = std::function<void(std::int32_t Chunk)>;
  // Also told which thread runs the chunk: 0 is the caller, the workers are
  // 1 .. Threads() - 1, so that a chunk may use scratch memory of its thread.
  using TThreadWork = std::function<void(std::int32_t Chunk, std::int32_t Thread)>;

  // Most threads a worker runs (the caller's included); more are clamped.
  static constexpr std::int32_t MaxThreads = 64;

  // Threads counts the caller's thread: 1 runs everything on the caller and
  // never starts a thread; 0 or less means one per processor core.
  explicit TRenderWorker(std::int32_t Threads);
  ~TRenderWorker();
  TRenderWorker(const TRenderWorker&) = delete;
  TRenderWorker& operator=(const TRenderWorker&) = delete;

  std::int32_t Threads() const { return Threads_; }

  // Work(0) .. Work(Chunks - 1). MoreFollows tells the workers that another
  // job comes at once, so that they keep spinning for it instead of sleeping
  // (and do not spin, taking cores, when nothing comes).
  void Run(std::int32_t Chunks, const TWork& Work, bool MoreFollows = false);
  void Run(std::int32_t Chunks, const TThreadWork& Work, bool MoreFollows = false);

  // A job is coming soon: sleeping workers wake now and spin for it, so that
  // the system's wake-up latency passes while the caller prepares the job
  // instead of at its start. Nothing happens if no job comes: they sleep
  // again. Cheap when the workers are awake or not started.
  void ExpectJob();

private:
  struct TJob {
    const TThreadWork* Work = nullptr;
    std::int32_t Chunks = 0;
    std::atomic<std::int32_t> Next{0};
    std::atomic<std::int32_t> Done{0};
    std::atomic<bool> Failed{false};
    std::exception_ptr Error; // under Mutex_
  };

  void Help(TJob& Job, std::int32_t Thread);
  void WorkerLoop(std::int32_t Thread);

  std::int32_t Threads_;
  std::vector<std::thread> Workers_;
  std::mutex Mutex_;
  std::condition_variable Wake_;
  std::condition_variable Finished_;
  // Under Mutex_; Posted_ is also read without it while spinning.
  TJob* Current_ = nullptr;
  std::int32_t Active_ = 0; // workers helping with Current_
  bool SpinAfterJob_ = false;
  std::atomic<std::uint64_t> Posted_{0};
  std::uint64_t Expected_ = 0; // under Mutex_: ExpectJob calls
  std::atomic<std::int32_t> Sleeping_{0};
  std::atomic<bool> Stopping_{false};
};

// The thread count a worker asked for Threads uses (see TRenderWorker).
std::int32_t RenderThreadCount(std::int32_t Threads);

} // namespace kestrava
