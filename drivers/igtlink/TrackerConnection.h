#pragma once
// The receiver's connection to the tracking server, run by a thread of its
// own: it connects, asks for tracking data (STT_TDATA) when the settings say
// so, reads what arrives into TNewestPoses and, when the connection fails,
// closes, turns to garbage or stays silent for the sample timeout, tries
// again, at most once every RetryInterval. Nothing the server does (or fails
// to do) holds up anyone but this thread.
//
// Thread: the constructor starts the thread and the destructor stops it
// (within a poll, never waiting for the network); Problem may be called from
// any thread.

#include "drivers/igtlink/IGTLinkSettings.h"
#include "drivers/igtlink/NewestPoses.h"

#include <atomic>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <utility>
#include <vector>

namespace kestrava::igtlink {

inline constexpr std::chrono::seconds RetryInterval{1};

struct TServerAddress {
  sockaddr_storage Address{};
  socklen_t Length = 0;
};

// The addresses of Settings' server, found once (a host name may need the
// network to look up, which no thread but the caller's should wait for).
// False with Error when the host cannot be found.
bool FindServer(const TIGTLinkSettings& Settings, std::vector<TServerAddress>& Addresses,
                std::string& Error);

class TTrackerConnection {
public:
  // Addresses must not be empty; Poses must outlive the connection.
  TTrackerConnection(std::vector<TServerAddress> Addresses, const TIGTLinkSettings& Settings,
                     TNewestPoses& Poses);
  ~TTrackerConnection();
  TTrackerConnection(const TTrackerConnection&) = delete;
  TTrackerConnection& operator=(const TTrackerConnection&) = delete;

  // Why the server is not being heard from right now, "" while it is.
  std::string Problem() const;

private:
  // Owns a file descriptor and closes it once.
  class TOwnedFd {
  public:
    explicit TOwnedFd(int Fd = -1) : Fd_(Fd) {}
    TOwnedFd(TOwnedFd&& Other) noexcept : Fd_(std::exchange(Other.Fd_, -1)) {}
    TOwnedFd& operator=(TOwnedFd&& Other) = delete;
    TOwnedFd(const TOwnedFd&) = delete;
    TOwnedFd& operator=(const TOwnedFd&) = delete;
    ~TOwnedFd();
    int Get() const { return Fd_; }
    bool Valid() const { return Fd_ >= 0; }

  private:
    int Fd_;
  };

  void Run();
  bool WaitUntil(TClock::time_point When) const;
  TOwnedFd Connect();
  void Serve(const TOwnedFd& Socket);
  void SetProblem(std::string Text);

  const std::vector<TServerAddress> Addresses_;
  const TIGTLinkSettings Settings_;
  const std::string ServerText_;
  TNewestPoses& Poses_;
  const TOwnedFd Wake_; // an eventfd that ends any poll when the connection stops
  std::atomic<bool> Stop_ = false;
  mutable std::mutex ProblemMutex_;
  std::string Problem_;
  std::thread Thread_; // last: it starts once everything above exists
};

} // namespace kestrava::igtlink
