#include "streaming/ClientOutbox.h"

#include <algorithm>

namespace kestrava {

std::size_t TClientOutbox::CountReplaceable(TKind Kind) const {
  std::size_t Count = 0;
  for (std::size_t I = 0; I < Items_.size(); ++I) {
    Count += Items_[I].Kind == Kind && Replaceable(I) ? 1 : 0;
  }
  return Count;
}

void TClientOutbox::RemoveFirstReplaceable(TKind Kind, std::uint64_t& Counter) {
  for (std::size_t I = 0; I < Items_.size(); ++I) {
    if (Items_[I].Kind == Kind && Replaceable(I)) {
      Items_.erase(Items_.begin() + static_cast<std::ptrdiff_t>(I));
      ++Counter;
      return;
    }
  }
}

void TClientOutbox::PushFrame(TSharedBytes Frame) {
  ++FramesQueued_;
  if (CountReplaceable(TKind::Frame) >= MaxWaitingFrames_) {
    RemoveFirstReplaceable(TKind::Frame, FramesDropped_);
  }
  Items_.push_back({TKind::Frame, std::move(Frame)});
}

void TClientOutbox::PushModel(TSharedBytes Model) {
  RemoveFirstReplaceable(TKind::Model, ModelsReplaced_);
  Items_.push_back({TKind::Model, std::move(Model)});
}

void TClientOutbox::PushKeepAlive(TSharedBytes KeepAlive) {
  if (Items_.empty()) {
    Items_.push_back({TKind::KeepAlive, std::move(KeepAlive)});
  }
}

std::span<const std::uint8_t> TClientOutbox::Unwritten() const {
  if (Items_.empty()) {
    return {};
  }
  return std::span<const std::uint8_t>(*Items_.front().Bytes).subspan(Written_);
}

void TClientOutbox::MarkWritten(std::size_t Count) {
  if (Items_.empty()) {
    return;
  }
  Written_ += std::min(Count, Items_.front().Bytes->size() - Written_);
  if (Written_ == Items_.front().Bytes->size()) {
    FramesWritten_ += Items_.front().Kind == TKind::Frame ? 1 : 0;
    Items_.pop_front();
    Written_ = 0;
  }
}

} // namespace kestrava
