#pragma once
// Writes a recording's frames to its live file on a thread of its own, so
// that a slow or stalled disk never holds up acquisition: Append only
// encodes the frame and queues it. The writer takes whatever is queued as
// one batch, so a disk that falls behind catches up with two flushes for
// many frames, and the file on the disk stays at every moment a valid
// imager file holding every frame of the batches flushed so far.
//
// A failure of the sink stops the writing for good (the file keeps what it
// had); so does a queue that reaches its capacity, since a disk that has
// taken nothing for that long cannot be trusted with the rest. The caller
// hears of it once through TakeFailure, and keeps the frames in memory.
//
// Thread: Append, TakeFailure, Failure, FramesWritten and Finish from one
// thread (the caller's); the sink is used only by the writer's own thread
// until Finish returns.

#include "imagerdata/EncodedFrameSink.h"
#include "imagerdata/ImagerFrame.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrava {

class TLiveFileWriter {
public:
  // An hour of frames at one a second.
  static constexpr std::int32_t DefaultCapacity = 3600;

  // Sink is not null; Capacity > 0 frames may wait at once.
  explicit TLiveFileWriter(std::unique_ptr<IEncodedFrameSink> Sink,
                           std::int32_t Capacity = DefaultCapacity);
  // Finishes.
  ~TLiveFileWriter();
  TLiveFileWriter(const TLiveFileWriter&) = delete;
  TLiveFileWriter& operator=(const TLiveFileWriter&) = delete;

  // Queues Frame after every frame appended before. Does nothing once the
  // writing has failed or finished.
  void Append(const TImagerFrame& Frame);

  // The failure that stopped the writing, the first time it is asked for
  // after it happened; nothing before and after.
  std::optional<std::string> TakeFailure();
  // The failure that stopped the writing; empty while there is none.
  std::string Failure() const;
  // Frames the sink has kept.
  std::int32_t FramesWritten() const { return Written_.load(); }
  // The writing has not failed (frames appended so far reach the file).
  bool Healthy() const { return Failure().empty(); }

  // Writes what is queued, closes the sink and ends the thread; a failure
  // of either is kept as Failure. Waits for the writes under way.
  void Finish() noexcept;

private:
  void Run();
  void Fail(std::string Reason);
  void WriteBatch(std::vector<std::uint8_t>& Batch, std::int32_t Count);

  std::unique_ptr<IEncodedFrameSink> Sink_;
  const bool HasPainData_;
  const std::int32_t Capacity_;
  mutable std::mutex Mutex_;
  std::condition_variable Wake_;
  // Entries waiting for the thread, encoded by Append.
  std::vector<std::uint8_t> Pending_;
  std::int32_t PendingCount_ = 0;
  bool Stopping_ = false;
  bool Finished_ = false;
  std::string Failure_;
  bool FailureTaken_ = false;
  std::atomic<std::int32_t> Written_{0};
  // Last: started once everything above exists.
  std::thread Thread_;
};

} // namespace kestrava
