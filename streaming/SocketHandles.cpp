#include "streaming/SocketHandles.h"

#include "foundation/QelExceptions.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrava {

namespace {

constexpr int ListenBacklog = 16;

[[noreturn]] void RefuseListening(const std::string& Address, std::uint16_t Port,
                                  const std::string& Reason) {
  throw Exception("Cannot listen on " + Address + ":" + std::to_string(Port) + ": " + Reason);
}

std::uint16_t PortOf(const sockaddr_storage& Address) {
  if (Address.ss_family == AF_INET) {
    return ntohs(reinterpret_cast<const sockaddr_in&>(Address).sin_port);
  }
  if (Address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(Address).sin6_port);
  }
  return 0;
}

} // namespace

TUniqueFd& TUniqueFd::operator=(TUniqueFd&& Other) noexcept {
  if (this != &Other) {
    if (Fd_ >= 0) {
      ::close(Fd_);
    }
    Fd_ = std::exchange(Other.Fd_, -1);
  }
  return *this;
}

TUniqueFd::~TUniqueFd() {
  if (Fd_ >= 0) {
    ::close(Fd_);
  }
}

TUniqueFd ListenOn(const std::string& Address, std::uint16_t Port) {
  addrinfo Hints{};
  Hints.ai_family = AF_UNSPEC;
  Hints.ai_socktype = SOCK_STREAM;
  // Numeric only: a name lookup could block, and could resolve to an
  // interface nobody meant to open.
  Hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
  addrinfo* Found = nullptr;
  const std::string Service = std::to_string(Port);
  if (Address.empty() || getaddrinfo(Address.c_str(), Service.c_str(), &Hints, &Found) != 0) {
    RefuseListening(Address, Port, "not a numeric IP address");
  }
  const addrinfo First = *Found;
  sockaddr_storage Where{};
  std::memcpy(&Where, First.ai_addr, First.ai_addrlen);
  freeaddrinfo(Found);

  TUniqueFd Socket(::socket(First.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!Socket.Valid()) {
    RefuseListening(Address, Port, std::strerror(errno));
  }
  const int On = 1;
  ::setsockopt(Socket.Get(), SOL_SOCKET, SO_REUSEADDR, &On, sizeof On);
  if (First.ai_family == AF_INET6) {
    // "::1" means IPv6 loopback only, never IPv4 as well.
    ::setsockopt(Socket.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &On, sizeof On);
  }
  if (::bind(Socket.Get(), reinterpret_cast<const sockaddr*>(&Where), First.ai_addrlen) != 0 ||
      ::listen(Socket.Get(), ListenBacklog) != 0) {
    RefuseListening(Address, Port, std::strerror(errno));
  }
  return Socket;
}

std::uint16_t LocalPort(int Socket) {
  sockaddr_storage Address{};
  socklen_t Length = sizeof Address;
  if (::getsockname(Socket, reinterpret_cast<sockaddr*>(&Address), &Length) != 0) {
    return 0;
  }
  return PortOf(Address);
}

std::string PeerText(int Socket) {
  sockaddr_storage Address{};
  socklen_t Length = sizeof Address;
  char Host[INET6_ADDRSTRLEN] = {};
  if (::getpeername(Socket, reinterpret_cast<sockaddr*>(&Address), &Length) != 0 ||
      getnameinfo(reinterpret_cast<const sockaddr*>(&Address), Length, Host, sizeof Host, nullptr,
                  0, NI_NUMERICHOST) != 0) {
    return "?";
  }
  return std::string(Host) + ":" + std::to_string(PortOf(Address));
}

} // namespace kestrava
