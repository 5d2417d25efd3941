#include "render/RenderWorker.h"

#include <algorithm>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrava {

namespace {

// About a few tens of microseconds: longer than the gap between the jobs of
// one frame, far shorter than the gap between frames.
constexpr int SpinRounds = 4000;

void Relax() {
#if defined(__SSE2__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// True when Done() became true while spinning.
template <class TCondition> bool SpinFor(TCondition Done) {
  for (int I = 0; I < SpinRounds; ++I) {
    if (Done()) {
      return true;
    }
    Relax();
  }
  return Done();
}

} // namespace

std::int32_t RenderThreadCount(std::int32_t Threads) {
  if (Threads <= 0) {
    // hardware_concurrency may answer 0 when it cannot tell.
    Threads = static_cast<std::int32_t>(
        std::min<unsigned>(std::thread::hardware_concurrency(), TRenderWorker::MaxThreads));
  }
  return std::clamp(Threads, 1, TRenderWorker::MaxThreads);
}

TRenderWorker::TRenderWorker(std::int32_t Threads) : Threads_(RenderThreadCount(Threads)) {}

TRenderWorker::~TRenderWorker() {
  if (!Workers_.empty()) {
    {
      const std::lock_guard Lock(Mutex_);
      Stopping_.store(true);
    }
    Wake_.notify_all();
    for (std::thread& Worker : Workers_) {
      Worker.join();
    }
  }
}

void TRenderWorker::Help(TJob& Job, std::int32_t Thread) {
  for (;;) {
    const std::int32_t Chunk = Job.Next.fetch_add(1);
    if (Chunk >= Job.Chunks) {
      return;
    }
    if (!Job.Failed.load()) {
      try {
        (*Job.Work)(Chunk, Thread);
      } catch (...) {
        const std::lock_guard Lock(Mutex_);
        if (!Job.Error) {
          Job.Error = std::current_exception();
        }
        Job.Failed.store(true);
      }
    }
    if (Job.Done.fetch_add(1) + 1 == Job.Chunks) {
      const std::lock_guard Lock(Mutex_);
      Finished_.notify_all();
    }
  }
}

void TRenderWorker::Run(std::int32_t Chunks, const TWork& Work, bool MoreFollows) {
  Run(Chunks, TThreadWork([&Work](std::int32_t Chunk, std::int32_t) { Work(Chunk); }), MoreFollows);
}

void TRenderWorker::Run(std::int32_t Chunks, const TThreadWork& Work, bool MoreFollows) {
  if (Chunks <= 0) {
    return;
  }
  TJob Job;
  Job.Work = &Work;
  Job.Chunks = Chunks;
  if (Threads_ == 1 || Chunks == 1) {
    Help(Job, 0);
  } else {
    if (Workers_.empty()) {
      for (std::int32_t I = 1; I < Threads_; ++I) {
        Workers_.emplace_back([this, I] { WorkerLoop(I); });
      }
    }
    {
      const std::lock_guard Lock(Mutex_);
      Current_ = &Job;
      SpinAfterJob_ = MoreFollows;
      Posted_.store(Posted_.load() + 1);
    }
    Wake_.notify_all();
    Help(Job, 0);
    // What is left is at most the chunks the workers are busy with.
    SpinFor([&] { return Job.Done.load() == Chunks; });
    std::unique_lock Lock(Mutex_);
    Finished_.wait(Lock, [&] { return Job.Done.load() == Chunks; });
    // A worker that wakes only now must not touch the job any more.
    Current_ = nullptr;
    Finished_.wait(Lock, [&] { return Active_ == 0; });
  }
  if (Job.Error) {
    std::rethrow_exception(Job.Error);
  }
}

void TRenderWorker::ExpectJob() {
  if (Sleeping_.load(std::memory_order_relaxed) == 0) {
    return;
  }
  {
    const std::lock_guard Lock(Mutex_);
    ++Expected_;
  }
  Wake_.notify_all();
}

void TRenderWorker::WorkerLoop(std::int32_t Thread) {
  std::uint64_t Seen = 0;
  std::uint64_t SeenExpected = 0;
  bool Spin = false;
  for (;;) {
    if (Spin) {
      SpinFor([&] { return Stopping_.load() || Posted_.load() != Seen; });
    }
    TJob* Job = nullptr;
    {
      std::unique_lock Lock(Mutex_);
      const auto Woken = [&] {
        return Stopping_.load() || Posted_.load() != Seen || Expected_ != SeenExpected;
      };
      if (!Woken()) {
        Sleeping_.fetch_add(1);
        Wake_.wait(Lock, Woken);
        Sleeping_.fetch_sub(1);
      }
      if (Stopping_.load()) {
        return;
      }
      if (Posted_.load() == Seen) {
        SeenExpected = Expected_; // only told to expect a job: spin for it
        Spin = true;
        continue;
      }
      SeenExpected = Expected_;
      Seen = Posted_.load();
      Job = Current_;
      Spin = SpinAfterJob_;
      if (Job == nullptr) {
        continue; // the caller finished that job alone
      }
      ++Active_;
    }
    Help(*Job, Thread);
    {
      const std::lock_guard Lock(Mutex_);
      --Active_;
    }
    Finished_.notify_all();
  }
}

} // namespace kestrava
