#include "streaming/IncomingMessages.h"

#include <algorithm>

namespace kestrava {

namespace {

// Header layout (big-endian): version 0-1, type 2-13, device 14-33,
// time stamp 34-41, body size 42-49, CRC 50-57.
constexpr std::size_t TypeOffset = 2;
constexpr std::size_t TypeSize = 12;
constexpr std::size_t BodySizeOffset = 42;
constexpr unsigned NewestPlausibleVersion = 255;

std::uint64_t BigEndian(const std::uint8_t* Bytes, std::size_t Count) {
  std::uint64_t Value = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    Value = (Value << 8) | Bytes[I];
  }
  return Value;
}

bool PlausibleTypeName(const std::uint8_t* Type) {
  if (Type[0] == 0) {
    return false;
  }
  for (std::size_t I = 0; I < TypeSize && Type[I] != 0; ++I) {
    if (Type[I] < 0x20 || Type[I] > 0x7E) {
      return false;
    }
  }
  return true;
}

} // namespace

bool TIncomingMessageReader::Consume(std::span<const std::uint8_t> Bytes) {
  while (!Bytes.empty()) {
    if (!Problem_.empty()) {
      return false;
    }
    if (BodyLeft_ > 0) {
      const std::uint64_t Skipped = std::min<std::uint64_t>(BodyLeft_, Bytes.size());
      BodyLeft_ -= Skipped;
      Bytes = Bytes.subspan(static_cast<std::size_t>(Skipped));
      if (BodyLeft_ == 0) {
        ++MessagesRead_;
      }
      continue;
    }
    const std::size_t Taken = std::min(IGTLinkHeaderSize - HeaderFill_, Bytes.size());
    std::copy_n(Bytes.begin(), Taken, Header_.begin() + static_cast<std::ptrdiff_t>(HeaderFill_));
    HeaderFill_ += Taken;
    Bytes = Bytes.subspan(Taken);
    if (HeaderFill_ == IGTLinkHeaderSize) {
      HeaderFill_ = 0;
      if (!AcceptHeader()) {
        return false;
      }
    }
  }
  return Problem_.empty();
}

bool TIncomingMessageReader::AcceptHeader() {
  const std::uint64_t Version = BigEndian(Header_.data(), 2);
  const std::uint64_t BodySize = BigEndian(Header_.data() + BodySizeOffset, 8);
  if (Version == 0 || Version > NewestPlausibleVersion ||
      !PlausibleTypeName(Header_.data() + TypeOffset)) {
    Problem_ = "not an OpenIGTLink message header";
  } else if (BodySize > MaxBodySize_) {
    Problem_ = "a message body of " + std::to_string(BodySize) + " bytes";
  } else if (BodySize == 0) {
    ++MessagesRead_;
  }
  BodyLeft_ = Problem_.empty() ? BodySize : 0;
  return Problem_.empty();
}

} // namespace kestrava
