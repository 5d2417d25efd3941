#include "drivers/igtlink/TrackerConnection.h"

#include "drivers/igtlink/TrackerMessages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrava::igtlink {

namespace {

constexpr std::chrono::milliseconds ConnectTimeout{1000};
constexpr std::size_t ReadChunkBytes = std::size_t{64} * 1024;
// A server flooding us is read this much at a time, so that what arrived so
// far reaches the sampler before the rest is read.
constexpr std::size_t MaxReadPerTurn = std::size_t{1024} * 1024;

// A poll's timeout for the time left until When, rounded up so that the poll
// does not wake just before it.
int MillisecondsUntil(TClock::time_point When) {
  const auto Left = std::chrono::ceil<std::chrono::milliseconds>(When - TClock::now()).count();
  return static_cast<int>(std::clamp<std::int64_t>(Left, 0, INT_MAX));
}

std::string ServerText(const TIGTLinkSettings& Settings) {
  const bool Ipv6 = Settings.Host.find(':') != std::string::npos;
  return (Ipv6 ? "[" + Settings.Host + "]" : Settings.Host) + ":" + std::to_string(Settings.Port);
}

// What one turn of reading yields, recorded in one go.
class TTurn final : public ITrackerMessageSink {
public:
  explicit TTurn(TTrackedNames& Names) : Names_(Names) {}
  void OnMessageRead() override { ++MessagesRead; }
  void OnMessage(const TTrackerMessage& Message) override { Names_.Translate(Message, Updates); }
  void Clear() {
    Updates.clear();
    MessagesRead = 0;
  }

  std::vector<TNameUpdate> Updates;
  std::uint64_t MessagesRead = 0;

private:
  TTrackedNames& Names_;
};

} // namespace

bool FindServer(const TIGTLinkSettings& Settings, std::vector<TServerAddress>& Addresses,
                std::string& Error) {
  addrinfo Hints{};
  Hints.ai_family = AF_UNSPEC;
  Hints.ai_socktype = SOCK_STREAM;
  Hints.ai_flags = AI_NUMERICSERV;
  addrinfo* Found = nullptr;
  const int Result =
      ::getaddrinfo(Settings.Host.c_str(), std::to_string(Settings.Port).c_str(), &Hints, &Found);
  if (Result != 0) {
    Error = "cannot find the server " + Settings.Host + ": " + ::gai_strerror(Result);
    return false;
  }
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> Owned(Found, &::freeaddrinfo);
  Addresses.clear();
  for (const addrinfo* Entry = Found; Entry != nullptr; Entry = Entry->ai_next) {
    TServerAddress& Address = Addresses.emplace_back();
    std::memcpy(&Address.Address, Entry->ai_addr, Entry->ai_addrlen);
    Address.Length = Entry->ai_addrlen;
  }
  return !Addresses.empty();
}

TTrackerConnection::TOwnedFd::~TOwnedFd() {
  if (Fd_ >= 0) {
    ::close(Fd_);
  }
}

TTrackerConnection::TTrackerConnection(std::vector<TServerAddress> Addresses,
                                       const TIGTLinkSettings& Settings, TNewestPoses& Poses)
    : Addresses_(std::move(Addresses)), Settings_(Settings), ServerText_(ServerText(Settings)),
      Poses_(Poses), Wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      Problem_("not connected to " + ServerText_ + " yet") {
  if (!Wake_.Valid()) {
    throw std::runtime_error(std::string("cannot start the connection: ") + std::strerror(errno));
  }
  Thread_ = std::thread([this] { Run(); });
}

TTrackerConnection::~TTrackerConnection() {
  Stop_ = true;
  const std::uint64_t One = 1;
  // Never read, the counter stays readable: every later poll ends at once.
  [[maybe_unused]] const auto Ignored = ::write(Wake_.Get(), &One, sizeof One);
  Thread_.join();
}

std::string TTrackerConnection::Problem() const {
  const std::lock_guard Lock(ProblemMutex_);
  return Problem_;
}

void TTrackerConnection::SetProblem(std::string Text) {
  const std::lock_guard Lock(ProblemMutex_);
  Problem_ = std::move(Text);
}

void TTrackerConnection::Run() {
  TClock::time_point NextAttempt = TClock::now();
  while (WaitUntil(NextAttempt)) {
    NextAttempt = TClock::now() + RetryInterval;
    const TOwnedFd Socket = Connect();
    if (Socket.Valid()) {
      Serve(Socket);
    }
  }
}

bool TTrackerConnection::WaitUntil(TClock::time_point When) const {
  while (!Stop_ && TClock::now() < When) {
    pollfd Polled{Wake_.Get(), POLLIN, 0};
    ::poll(&Polled, 1, MillisecondsUntil(When));
  }
  return !Stop_;
}

TTrackerConnection::TOwnedFd TTrackerConnection::Connect() {
  std::string Reason;
  for (const TServerAddress& Address : Addresses_) {
    TOwnedFd Socket(
        ::socket(Address.Address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!Socket.Valid()) {
      Reason = std::strerror(errno);
      continue;
    }
    if (::connect(Socket.Get(), reinterpret_cast<const sockaddr*>(&Address.Address),
                  Address.Length) != 0) {
      if (errno != EINPROGRESS) {
        Reason = std::strerror(errno);
        continue;
      }
      pollfd Polled[2] = {{Socket.Get(), POLLOUT, 0}, {Wake_.Get(), POLLIN, 0}};
      const int Ready = ::poll(Polled, 2, static_cast<int>(ConnectTimeout.count()));
      if (Stop_) {
        return TOwnedFd();
      }
      int Error = 0;
      socklen_t Length = sizeof Error;
      if (Ready <= 0 || (Polled[0].revents & (POLLOUT | POLLERR | POLLHUP)) == 0) {
        Reason = "no answer";
        continue;
      }
      if (::getsockopt(Socket.Get(), SOL_SOCKET, SO_ERROR, &Error, &Length) != 0 || Error != 0) {
        Reason = std::strerror(Error != 0 ? Error : errno);
        continue;
      }
    }
    const int On = 1;
    ::setsockopt(Socket.Get(), IPPROTO_TCP, TCP_NODELAY, &On, sizeof On);
    return Socket;
  }
  SetProblem("cannot connect to " + ServerText_ + ": " + Reason + "; trying again every second");
  return TOwnedFd();
}

void TTrackerConnection::Serve(const TOwnedFd& Socket) {
  SetProblem({});
  TTrackerMessageReader Reader;
  TTrackedNames Names(Settings_);
  TTurn Turn(Names);
  // Servers that follow protocol version 2 send tracking data only when asked.
  const std::vector<std::uint8_t> Request =
      Settings_.RequestTDataMilliseconds > 0
          ? StartTrackingDataMessage(Settings_.RequestTDataMilliseconds)
          : std::vector<std::uint8_t>{};
  std::size_t RequestSent = 0;
  std::vector<std::uint8_t> Buffer(ReadChunkBytes);
  const auto Silence = std::chrono::duration_cast<TClock::duration>(
      std::chrono::duration<double>(Settings_.SampleTimeoutSeconds));
  TClock::time_point LastBytes = TClock::now();
  std::string Lost;
  while (!Stop_ && Lost.empty()) {
    const bool Sending = RequestSent < Request.size();
    pollfd Polled[2] = {{Socket.Get(), static_cast<short>(POLLIN | (Sending ? POLLOUT : 0)), 0},
                        {Wake_.Get(), POLLIN, 0}};
    ::poll(Polled, 2, MillisecondsUntil(LastBytes + Silence));
    if (Sending && (Polled[0].revents & POLLOUT) != 0) {
      const ssize_t Sent = ::send(Socket.Get(), Request.data() + RequestSent,
                                  Request.size() - RequestSent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (Sent > 0) {
        RequestSent += static_cast<std::size_t>(Sent);
      } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        Lost = std::string("failed: ") + std::strerror(errno);
      }
    }
    Turn.Clear();
    for (std::size_t Total = 0; Lost.empty() && Total < MaxReadPerTurn;) {
      const ssize_t Got = ::recv(Socket.Get(), Buffer.data(), Buffer.size(), MSG_DONTWAIT);
      if (Got > 0) {
        Total += static_cast<std::size_t>(Got);
        LastBytes = TClock::now();
        if (!Reader.Consume({Buffer.data(), static_cast<std::size_t>(Got)}, Turn)) {
          Lost = "sent something that is not OpenIGTLink (" + Reader.Problem() + ")";
        }
      } else if (Got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        break;
      } else if (Got == 0) {
        Lost = "closed the connection";
      } else if (errno != EINTR) {
        Lost = std::string("failed: ") + std::strerror(errno);
      }
    }
    // What arrived before a failure is as good as ever.
    if (Turn.MessagesRead > 0) {
      Poses_.Record(Turn.Updates, Turn.MessagesRead, TClock::now());
    }
    if (Lost.empty() && TClock::now() >= LastBytes + Silence) {
      std::ostringstream Text;
      Text << "sent nothing for " << Settings_.SampleTimeoutSeconds << " s";
      Lost = Text.str();
    }
  }
  if (!Stop_) {
    SetProblem("the server at " + ServerText_ + " " + Lost + "; reconnecting");
  }
}

} // namespace kestrava::igtlink
