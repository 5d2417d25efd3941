#pragma once
// What the server does with the bytes a client sends it: nothing, safely.
// Clients send queries (GET_, STT_, STP_), their own data and, from newer
// protocol versions, headers with extended headers and metadata inside the
// body. Every message is read past by the body size in its 58-byte header
// without keeping the body, so no client can make the server allocate.
//
// A header is refused, and the client must be disconnected, when it cannot
// be a message: version 0 or above 255, a type name that is empty or not
// printable ASCII, or a body size above the limit (a garbled or hostile
// header claiming gigabytes).
//
// Thread: one at a time.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kestrava {

inline constexpr std::size_t IGTLinkHeaderSize = 58;

class TIncomingMessageReader {
public:
  explicit TIncomingMessageReader(std::uint64_t MaxBodySize) : MaxBodySize_(MaxBodySize) {}

  // Reads on through Bytes, which may split messages anywhere. False once a
  // header has been refused (Problem says why); every later call is false too.
  bool Consume(std::span<const std::uint8_t> Bytes);

  std::uint64_t MessagesRead() const { return MessagesRead_; }
  // Part of a message has arrived and the rest has not.
  bool MidMessage() const { return HeaderFill_ > 0 || BodyLeft_ > 0; }
  const std::string& Problem() const { return Problem_; }

private:
  bool AcceptHeader();

  std::uint64_t MaxBodySize_;
  std::array<std::uint8_t, IGTLinkHeaderSize> Header_{};
  std::size_t HeaderFill_ = 0;
  std::uint64_t BodyLeft_ = 0;
  std::uint64_t MessagesRead_ = 0;
  std::string Problem_;
};

} // namespace kestrava
