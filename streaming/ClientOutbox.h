#pragma once
// What is waiting to be written to one client. Frames wait in a small
// bounded queue: when it is full the oldest waiting frame makes room for the
// newest and is counted as dropped, so a slow client gets fresh poses late
// rather than old ones ever later. A message already partly written is
// always finished, since a cut message would garble the stream. At most one
// scope model waits (a newer one replaces it) and a keep-alive is queued
// only when nothing else waits.
//
// Messages are shared, immutable byte blocks: one frame is encoded once
// for every client. Thread: one at a time (the server's thread).

#include "streaming/StreamMessages.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>

namespace kestrava {

using TSharedBytes = std::shared_ptr<const TMessageBytes>;

class TClientOutbox {
public:
  // MaxWaitingFrames >= 1.
  explicit TClientOutbox(std::size_t MaxWaitingFrames) : MaxWaitingFrames_(MaxWaitingFrames) {}

  void PushFrame(TSharedBytes Frame);
  void PushModel(TSharedBytes Model);
  void PushKeepAlive(TSharedBytes KeepAlive);

  bool Empty() const { return Items_.empty(); }
  // The rest of the message at the front; empty when nothing waits.
  std::span<const std::uint8_t> Unwritten() const;
  // Count of the bytes of Unwritten() the socket took (at most its size).
  void MarkWritten(std::size_t Count);

  std::uint64_t FramesQueued() const { return FramesQueued_; }
  std::uint64_t FramesDropped() const { return FramesDropped_; }
  std::uint64_t FramesWritten() const { return FramesWritten_; }

private:
  enum class TKind { Frame, Model, KeepAlive };
  struct TItem {
    TKind Kind;
    TSharedBytes Bytes;
  };
  // The front item cannot be removed once any of it is written.
  bool Replaceable(std::size_t Index) const { return Index > 0 || Written_ == 0; }
  void RemoveFirstReplaceable(TKind Kind, std::uint64_t& Counter);
  std::size_t CountReplaceable(TKind Kind) const;

  std::size_t MaxWaitingFrames_;
  std::deque<TItem> Items_;
  std::size_t Written_ = 0; // bytes of the front item already written
  std::uint64_t FramesQueued_ = 0;
  std::uint64_t FramesDropped_ = 0;
  std::uint64_t FramesWritten_ = 0;
  std::uint64_t ModelsReplaced_ = 0;
};

} // namespace kestrava
