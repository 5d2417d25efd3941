#include "streaming/IGTLinkServer.h"

#include "foundation/GuardedTurns.h"
#include "foundation/QelExceptions.h"
#include "streaming/ClientOutbox.h"
#include "streaming/IncomingMessages.h"
#include "streaming/ScopeModelBuilder.h"
#include "streaming/SocketHandles.h"
#include "streaming/StreamMessages.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kestrava {

namespace {

using TClock = std::chrono::steady_clock;
// A client flooding us is read this much per turn, so the others still get theirs.
constexpr std::size_t MaxReadPerTurn = std::size_t{256} * 1024;
constexpr std::chrono::milliseconds LongestPoll{250};
// The poll list: the wake-up event, the listener, then the clients in order.
constexpr std::size_t FirstClientPollIndex = 2;

double UtcNow() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

struct TPublishedFrame {
  TImagerFrame Frame;
  TStreamContext Context;
};

struct TClient {
  TClient(TUniqueFd Connection, const TIGTLinkServerSettings& Settings, TClock::time_point Now)
      : Socket(std::move(Connection)), Peer(PeerText(Socket.Get())),
        Outbox(std::max<std::size_t>(Settings.MaxWaitingFrames, 1)),
        Reader(Settings.MaxIncomingBodySize), LastWrite(Now), LastProgress(Now) {}

  TUniqueFd Socket;
  std::string Peer;
  TClientOutbox Outbox;
  TIncomingMessageReader Reader;
  TClock::time_point LastWrite;    // anything written: keep-alives are due after a quiet spell
  TClock::time_point LastProgress; // nothing waiting, or the socket took some of it
  enum class TState { Open, Left, Disconnected } State = TState::Open;
};

} // namespace

class TIGTLinkServer::TImpl {
public:
  explicit TImpl(const TIGTLinkServerSettings& Settings)
      : Settings_(Settings), Listener_(ListenOn(Settings.Address, Settings.Port)),
        Port_(LocalPort(Listener_.Get())), Wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
        Inbox_(std::max<std::size_t>(Settings.PublishQueueFrames, 1)) {
    if (!Wake_.Valid()) {
      throw Exception(std::string("Cannot start the streaming server: ") + std::strerror(errno));
    }
    Thread_ = std::thread([this] { Run(); });
  }

  ~TImpl() {
    Stop_ = true;
    WakeUp();
    Thread_.join();
  }

  std::uint16_t Port() const { return Port_; }
  const std::string& Address() const { return Settings_.Address; }

  void Publish(const TImagerFrame& Frame, const TStreamContext& Context) {
    {
      const std::lock_guard Lock(InboxMutex_);
      if (InboxCount_ == Inbox_.size()) {
        InboxFirst_ = (InboxFirst_ + 1) % Inbox_.size();
        --InboxCount_;
        ++Superseded_;
      }
      TPublishedFrame& Slot = Inbox_[(InboxFirst_ + InboxCount_) % Inbox_.size()];
      Slot.Frame.Assign(Frame);
      Slot.Context = Context;
      ++InboxCount_;
      ++Published_;
    }
    WakeUp();
  }

  TStreamStatistics Statistics() const {
    const std::lock_guard Lock(SnapshotMutex_);
    return Snapshot_;
  }

  bool WaitUntilIdle(std::chrono::milliseconds Timeout) const {
    std::unique_lock Lock(SnapshotMutex_);
    return SnapshotChanged_.wait_for(Lock, Timeout, [this] {
      return SnapshotIdle_ && Snapshot_.FramesPublished == PublishedCount();
    });
  }

private:
  std::uint64_t PublishedCount() const {
    const std::lock_guard Lock(InboxMutex_);
    return Published_;
  }

  void WakeUp() {
    const std::uint64_t One = 1;
    // A full counter already means "wake up", so a failed write loses nothing.
    [[maybe_unused]] const auto Ignored = ::write(Wake_.Get(), &One, sizeof One);
  }

  // A fault in one turn (a frame no message can be made of, memory running
  // out) costs that turn and the frame in hand; the clients keep being
  // served. A fault on every turn stops the server cleanly instead of
  // spinning: every client is closed and the statistics say why.
  void Run() {
    const bool Stopped = RunGuardedTurns([this] { Turn(); }, [this] { return Stop_.load(); },
                                         [this](const std::string& What) { NoteFailure(What); },
                                         MaxConsecutiveFailures);
    if (!Stopped) {
      Clients_.clear();
      Failed_ = true;
      UpdateSnapshotGuarded();
    }
  }

  void NoteFailure(const std::string& What) noexcept {
    try {
      LastFailure_ = What;
    } catch (...) {
      LastFailure_.clear(); // no memory even for the text: the count still tells
    }
    ++Failures_;
    HaveLatest_ = false;
    ModelPending_ = false;
    UpdateSnapshotGuarded();
  }

  void UpdateSnapshotGuarded() noexcept {
    try {
      UpdateSnapshot();
    } catch (...) {
      // The statistics stay as they were; the next good turn brings them up.
    }
  }

  void Turn() {
    WaitForWork();
    TakePublishedFrames();
    AcceptClients();
    ReadClients();
    const TClock::time_point Now = TClock::now();
    SendModelWhenDue(Now);
    QueueKeepAlives(Now);
    WriteClients();
    CloseStalledClients(TClock::now());
    RemoveClosedClients();
    UpdateSnapshot();
  }

  // Polls until a frame is published, a socket is ready or a timer is due.
  void WaitForWork() {
    Polled_.clear();
    Polled_.push_back({Wake_.Get(), POLLIN, 0});
    Polled_.push_back({Listener_.Get(), POLLIN, 0});
    for (const auto& Client : Clients_) {
      const short Events = static_cast<short>(POLLIN | (Client->Outbox.Empty() ? 0 : POLLOUT));
      Polled_.push_back({Client->Socket.Get(), Events, 0});
    }
    const auto Wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::clamp(
        NextDeadline() - TClock::now(), TClock::duration::zero(), TClock::duration(LongestPoll)));
    ::poll(Polled_.data(), Polled_.size(), static_cast<int>(Wait.count()) + 1);
    if ((Polled_[0].revents & POLLIN) != 0) {
      std::uint64_t Count = 0;
      [[maybe_unused]] const auto Ignored = ::read(Wake_.Get(), &Count, sizeof Count);
    }
  }

  TClock::time_point NextDeadline() const {
    TClock::time_point Next = TClock::now() + LongestPoll;
    if (ModelPending_ && !Clients_.empty()) {
      Next = std::min(Next, LastModelBuild_ + Settings_.ModelInterval);
    }
    for (const auto& Client : Clients_) {
      Next = std::min(Next, Client->Outbox.Empty() ? Client->LastWrite + Settings_.KeepAliveInterval
                                                   : Client->LastProgress + Settings_.StallTimeout);
    }
    return Next;
  }

  bool TakeOne(TPublishedFrame& Target) {
    const std::lock_guard Lock(InboxMutex_);
    if (InboxCount_ == 0) {
      return false;
    }
    const TPublishedFrame& Source = Inbox_[InboxFirst_];
    Target.Frame.Assign(Source.Frame);
    Target.Context = Source.Context;
    InboxFirst_ = (InboxFirst_ + 1) % Inbox_.size();
    --InboxCount_;
    return true;
  }

  void TakePublishedFrames() {
    while (TakeOne(Latest_)) {
      HaveLatest_ = true;
      ModelPending_ = true;
      if (Latest_.Context.StartTime != UtcStartOf_) {
        UtcStartOf_ = Latest_.Context.StartTime;
        UtcStart_ = UtcSecondsOfLocalDateTime(UtcStartOf_);
      }
      if (Clients_.empty()) {
        continue;
      }
      const double Utc = UtcStart_ + Latest_.Frame.Time * SecondsPerDay;
      const auto Bytes = std::make_shared<const TMessageBytes>(
          EncodeFrameMessages(Latest_.Frame, Latest_.Context, Utc));
      for (const auto& Client : Clients_) {
        Client->Outbox.PushFrame(Bytes);
      }
      ++FramesEncoded_;
      // Written at once: the next frame may be on its way already.
      WriteClients();
    }
  }

  void AcceptClients() {
    while (true) {
      TUniqueFd Connection(
          ::accept4(Listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
      if (!Connection.Valid()) {
        return; // EAGAIN, or a connection that failed before we took it
      }
      if (Clients_.size() >= Settings_.MaxClients) {
        ++ClientsRefused_;
        continue; // closed at once
      }
      const int On = 1;
      ::setsockopt(Connection.Get(), IPPROTO_TCP, TCP_NODELAY, &On, sizeof On);
      if (Settings_.SendBufferBytes > 0) {
        ::setsockopt(Connection.Get(), SOL_SOCKET, SO_SNDBUF, &Settings_.SendBufferBytes,
                     sizeof Settings_.SendBufferBytes);
      }
      auto Client = std::make_unique<TClient>(std::move(Connection), Settings_, TClock::now());
      if (LastModel_) {
        Client->Outbox.PushModel(LastModel_);
      }
      Clients_.push_back(std::move(Client));
      ++ClientsAccepted_;
    }
  }

  void ReadClients() {
    // Clients accepted after the poll are read on the next turn.
    const std::size_t Polled = std::min(Clients_.size(), Polled_.size() - FirstClientPollIndex);
    for (std::size_t I = 0; I < Polled; ++I) {
      TClient* Client = Clients_[I].get();
      if ((Polled_[I + FirstClientPollIndex].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
        continue;
      }
      std::size_t Total = 0;
      while (Client->State == TClient::TState::Open && Total < MaxReadPerTurn) {
        const ssize_t Got =
            ::recv(Client->Socket.Get(), ReadBuffer_.data(), ReadBuffer_.size(), MSG_DONTWAIT);
        if (Got > 0) {
          Total += static_cast<std::size_t>(Got);
          if (!Client->Reader.Consume({ReadBuffer_.data(), static_cast<std::size_t>(Got)})) {
            Client->State = TClient::TState::Disconnected;
          }
        } else if (Got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
          break;
        } else if (Got == 0 || errno != EINTR) {
          // Closed (perhaps in mid-message) or failed: gone either way.
          Client->State = TClient::TState::Left;
        }
      }
    }
  }

  void SendModelWhenDue(TClock::time_point Now) {
    if (!ModelPending_ || !HaveLatest_ || Clients_.empty() ||
        Now < LastModelBuild_ + Settings_.ModelInterval) {
      return;
    }
    ModelPending_ = false;
    LastModelBuild_ = Now;
    TScopeModelGeometry Geometry = ModelBuilder_.Build(Latest_.Frame, Latest_.Context.ProcedureType,
                                                       Latest_.Context.AutoCutoff);
    if (LastModel_ && Geometry == LastModelGeometry_) {
      return;
    }
    LastModelGeometry_ = std::move(Geometry);
    LastModel_ = std::make_shared<const TMessageBytes>(
        EncodeScopeModel(LastModelGeometry_, UtcStart_ + Latest_.Frame.Time * SecondsPerDay));
    for (const auto& Client : Clients_) {
      Client->Outbox.PushModel(LastModel_);
    }
    ++ModelsSent_;
  }

  void QueueKeepAlives(TClock::time_point Now) {
    std::shared_ptr<const TMessageBytes> KeepAlive;
    for (const auto& Client : Clients_) {
      if (Client->Outbox.Empty() && Now >= Client->LastWrite + Settings_.KeepAliveInterval) {
        if (!KeepAlive) {
          KeepAlive = std::make_shared<const TMessageBytes>(EncodeKeepAlive(UtcNow()));
        }
        Client->Outbox.PushKeepAlive(KeepAlive);
      }
    }
  }

  void WriteClients() {
    const TClock::time_point Now = TClock::now();
    for (const auto& Client : Clients_) {
      while (Client->State == TClient::TState::Open && !Client->Outbox.Empty()) {
        const std::span<const std::uint8_t> Bytes = Client->Outbox.Unwritten();
        const ssize_t Sent =
            ::send(Client->Socket.Get(), Bytes.data(), Bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (Sent >= 0) {
          Client->Outbox.MarkWritten(static_cast<std::size_t>(Sent));
          Client->LastWrite = Client->LastProgress = Now;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
          break;
        } else if (errno != EINTR) {
          Client->State = TClient::TState::Left;
        }
      }
      if (Client->Outbox.Empty()) {
        Client->LastProgress = Now;
      }
    }
  }

  void CloseStalledClients(TClock::time_point Now) {
    for (const auto& Client : Clients_) {
      if (Client->State == TClient::TState::Open && !Client->Outbox.Empty() &&
          Now >= Client->LastProgress + Settings_.StallTimeout) {
        Client->State = TClient::TState::Disconnected;
      }
    }
  }

  void RemoveClosedClients() {
    std::erase_if(Clients_, [this](const std::unique_ptr<TClient>& Client) {
      if (Client->State == TClient::TState::Open) {
        return false;
      }
      ++(Client->State == TClient::TState::Left ? ClientsLeft_ : ClientsDisconnected_);
      return true;
    });
  }

  void UpdateSnapshot() {
    TStreamStatistics Next;
    bool Idle = true;
    {
      const std::lock_guard Lock(InboxMutex_);
      Next.FramesPublished = Published_;
      Next.FramesSuperseded = Superseded_;
      Idle = InboxCount_ == 0;
    }
    Next.FramesEncoded = FramesEncoded_;
    Next.ModelsSent = ModelsSent_;
    Next.ClientsAccepted = ClientsAccepted_;
    Next.ClientsRefused = ClientsRefused_;
    Next.ClientsDisconnected = ClientsDisconnected_;
    Next.ClientsLeft = ClientsLeft_;
    Next.Failures = Failures_;
    Next.LastFailure = LastFailure_;
    Next.Stopped = Failed_;
    for (const auto& Client : Clients_) {
      Next.Clients.push_back({Client->Peer, Client->Outbox.FramesQueued(),
                              Client->Outbox.FramesDropped(), Client->Outbox.FramesWritten()});
      Idle = Idle && Client->Outbox.Empty();
    }
    {
      const std::lock_guard Lock(SnapshotMutex_);
      Snapshot_ = std::move(Next);
      SnapshotIdle_ = Idle;
    }
    SnapshotChanged_.notify_all();
  }

  const TIGTLinkServerSettings Settings_;
  const TUniqueFd Listener_;
  const std::uint16_t Port_;
  const TUniqueFd Wake_;

  // Shared with the publishing threads.
  mutable std::mutex InboxMutex_;
  std::vector<TPublishedFrame> Inbox_;
  std::size_t InboxFirst_ = 0, InboxCount_ = 0;
  std::uint64_t Published_ = 0, Superseded_ = 0;
  std::atomic<bool> Stop_ = false;

  // Shared with the readers of the statistics.
  mutable std::mutex SnapshotMutex_;
  mutable std::condition_variable SnapshotChanged_;
  TStreamStatistics Snapshot_;
  bool SnapshotIdle_ = true;

  // The server's thread only.
  std::vector<std::unique_ptr<TClient>> Clients_;
  std::vector<pollfd> Polled_;
  std::array<std::uint8_t, 16384> ReadBuffer_{};
  TPublishedFrame Latest_;
  bool HaveLatest_ = false;
  double UtcStartOf_ = 0, UtcStart_ = UtcSecondsOfLocalDateTime(0);
  TScopeModelBuilder ModelBuilder_;
  bool ModelPending_ = false;
  TClock::time_point LastModelBuild_{};
  TScopeModelGeometry LastModelGeometry_;
  TSharedBytes LastModel_;
  std::uint64_t FramesEncoded_ = 0, ModelsSent_ = 0;
  std::uint64_t ClientsAccepted_ = 0, ClientsRefused_ = 0;
  std::uint64_t ClientsDisconnected_ = 0, ClientsLeft_ = 0;
  std::uint64_t Failures_ = 0;
  std::string LastFailure_;
  bool Failed_ = false;
  std::thread Thread_; // last: it starts once everything above exists
};

TIGTLinkServer::TIGTLinkServer(const TIGTLinkServerSettings& Settings)
    : Impl_(std::make_unique<TImpl>(Settings)) {}

TIGTLinkServer::~TIGTLinkServer() = default;

std::uint16_t TIGTLinkServer::Port() const {
  return Impl_->Port();
}

const std::string& TIGTLinkServer::Address() const {
  return Impl_->Address();
}

void TIGTLinkServer::Publish(const TImagerFrame& Frame, const TStreamContext& Context) {
  Impl_->Publish(Frame, Context);
}

TStreamStatistics TIGTLinkServer::Statistics() const {
  return Impl_->Statistics();
}

bool TIGTLinkServer::WaitUntilIdle(std::chrono::milliseconds Timeout) const {
  return Impl_->WaitUntilIdle(Timeout);
}

} // namespace kestrava
