#pragma once
// POSIX sockets for the streaming server: an owning descriptor and the
// listening socket. Thread: any; a descriptor belongs to one thread at a time.

#include <cstdint>
#include <string>
#include <utility>

namespace kestrava {

// Owns a file descriptor and closes it once.
class TUniqueFd {
public:
  TUniqueFd() = default;
  explicit TUniqueFd(int Fd) : Fd_(Fd) {}
  TUniqueFd(TUniqueFd&& Other) noexcept : Fd_(std::exchange(Other.Fd_, -1)) {}
  TUniqueFd& operator=(TUniqueFd&& Other) noexcept;
  TUniqueFd(const TUniqueFd&) = delete;
  TUniqueFd& operator=(const TUniqueFd&) = delete;
  ~TUniqueFd();

  int Get() const { return Fd_; }
  bool Valid() const { return Fd_ >= 0; }

private:
  int Fd_ = -1;
};

// A non-blocking TCP socket listening on Address (a numeric IPv4 or IPv6
// address; 0.0.0.0 or :: for every interface) and Port (0: any free port).
// Raises Exception("Cannot listen on <Address>:<Port>: <reason>").
TUniqueFd ListenOn(const std::string& Address, std::uint16_t Port);

// The port a socket is bound to; 0 when unknown.
std::uint16_t LocalPort(int Socket);

// "address:port" of the other end of a connected socket, "?" when unknown.
std::string PeerText(int Socket);

} // namespace kestrava
