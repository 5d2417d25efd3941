#include "imagerdata/LiveFileWriter.h"

#include "imagerdata/ImagerFileFormat3.h"

#include <exception>
#include <utility>

namespace kestrava {

TLiveFileWriter::TLiveFileWriter(std::unique_ptr<IEncodedFrameSink> Sink, std::int32_t Capacity)
    : Sink_(std::move(Sink)), HasPainData_(Sink_->HasPainData()), Capacity_(Capacity),
      Thread_([this] { Run(); }) {}

TLiveFileWriter::~TLiveFileWriter() {
  Finish();
}

void TLiveFileWriter::Append(const TImagerFrame& Frame) {
  const std::lock_guard Lock(Mutex_);
  if (Stopping_ || !Failure_.empty())
    return;
  if (PendingCount_ >= Capacity_) {
    Failure_ = "Imager file " + Sink_->Path() + ": the disk has not taken the last " +
               std::to_string(PendingCount_) + " frames; the file keeps the frames written before";
    Pending_.clear();
    PendingCount_ = 0;
    return;
  }
  AppendImagerFormat3Frame(Frame, HasPainData_, Pending_);
  ++PendingCount_;
  Wake_.notify_one();
}

std::optional<std::string> TLiveFileWriter::TakeFailure() {
  const std::lock_guard Lock(Mutex_);
  if (Failure_.empty() || FailureTaken_)
    return std::nullopt;
  FailureTaken_ = true;
  return Failure_;
}

std::string TLiveFileWriter::Failure() const {
  const std::lock_guard Lock(Mutex_);
  return Failure_;
}

void TLiveFileWriter::Finish() noexcept {
  {
    const std::lock_guard Lock(Mutex_);
    if (Finished_)
      return;
    Finished_ = true;
    Stopping_ = true;
  }
  Wake_.notify_one();
  Thread_.join();
  try {
    Sink_->Close();
  } catch (const std::exception& Error) {
    Fail(Error.what());
  }
}

void TLiveFileWriter::Fail(std::string Reason) {
  const std::lock_guard Lock(Mutex_);
  if (Failure_.empty())
    Failure_ = std::move(Reason);
  Pending_.clear();
  PendingCount_ = 0;
}

void TLiveFileWriter::Run() {
  std::vector<std::uint8_t> Batch;
  for (;;) {
    std::int32_t Count = 0;
    {
      std::unique_lock Lock(Mutex_);
      Wake_.wait(Lock, [this] { return Stopping_ || PendingCount_ > 0; });
      if (PendingCount_ == 0 || !Failure_.empty())
        return; // stopping with nothing left, or nothing worth writing
      // Swapping keeps both buffers' capacity: a long recording allocates
      // nothing once they have grown to a batch's size.
      Batch.clear();
      Batch.swap(Pending_);
      Count = std::exchange(PendingCount_, 0);
    }
    WriteBatch(Batch, Count);
  }
}

void TLiveFileWriter::WriteBatch(std::vector<std::uint8_t>& Batch, std::int32_t Count) {
  try {
    Sink_->AppendEncoded(Batch, Count);
    Written_ += Count;
  } catch (const std::exception& Error) {
    Fail(Error.what());
  }
}

} // namespace kestrava
