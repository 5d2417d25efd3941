#pragma once
// The OpenIGTLink server that streams the endoscope to navigation software
// (3D Slicer, PLUS-style clients, MITK, custom tools): every published frame
// goes to every connected client as the messages listed in StreamMessages.h,
// the scope model follows at most every ModelInterval and only when it
// changed, and an idle client gets a STATUS keep-alive every
// KeepAliveInterval.
//
// Threading contract:
//  - The constructor starts listening (it raises Exception when it cannot)
//    and starts the server's own thread, which does every socket operation,
//    every encoding and the model building. The destructor stops that thread
//    and closes every connection; nothing is flushed.
//  - Publish, Statistics and WaitUntilIdle may be called from any thread,
//    concurrently. Publish never waits for the network or a client: it copies
//    the frame into a small queue under a lock that is only ever held for such
//    a copy, and wakes the server's thread. When PublishQueueFrames frames
//    wait there unencoded, the oldest is superseded (counted).
//  - Each client has its own bounded queue (see ClientOutbox.h): a client
//    that reads slowly loses old frames, counted as its drops; one that takes
//    nothing for StallTimeout, closes, sends garbage or claims an absurd
//    message body is disconnected alone.
//
// Clients' own messages are read past and ignored (IncomingMessages.h). The
// patient's name is never sent: it is not in what Publish takes.

#include "imagerdata/ImagerFrame.h"
#include "streaming/StreamContext.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrava {

inline constexpr std::uint16_t DefaultIGTLinkPort = 18944;
inline constexpr const char* DefaultIGTLinkAddress = "127.0.0.1";
// Failed turns in a row after which the server's thread stops.
inline constexpr int MaxConsecutiveFailures = 20;

struct TIGTLinkServerSettings {
  // Numeric IPv4 or IPv6 address; the loopback address keeps the stream on
  // this computer.
  std::string Address = DefaultIGTLinkAddress;
  std::uint16_t Port = DefaultIGTLinkPort; // 0: a free port (see Port())
  std::size_t MaxClients = 8;              // further clients are closed at once
  std::size_t MaxWaitingFrames = 4;        // per client, at least 1
  std::size_t PublishQueueFrames = 8;      // at least 1
  std::chrono::milliseconds KeepAliveInterval{250};
  std::chrono::milliseconds ModelInterval{250};
  std::chrono::milliseconds StallTimeout{5000};
  // The kernel's send buffer per client. Kept small so that a slow client's
  // backlog waits in our queue, where newer frames replace older ones,
  // instead of megabytes of stale frames in the kernel. 0: the system's.
  int SendBufferBytes = 128 * 1024;
  // A client's message claiming a larger body is taken as garbage.
  std::uint64_t MaxIncomingBodySize = std::uint64_t{256} << 20;
};

struct TStreamClientStatistics {
  std::string Peer; // "address:port"
  std::uint64_t FramesQueued = 0;
  std::uint64_t FramesDropped = 0; // replaced by newer frames before being written
  std::uint64_t FramesWritten = 0;
};

struct TStreamStatistics {
  std::uint64_t FramesPublished = 0;
  std::uint64_t FramesSuperseded = 0; // replaced before the server's thread took them
  std::uint64_t FramesEncoded = 0;    // sent to at least one client
  std::uint64_t ModelsSent = 0;
  std::uint64_t ClientsAccepted = 0;
  std::uint64_t ClientsRefused = 0;             // over MaxClients
  std::uint64_t ClientsDisconnected = 0;        // by the server: stalled, garbage, absurd body
  std::uint64_t ClientsLeft = 0;                // closed or failed on their side
  std::vector<TStreamClientStatistics> Clients; // connected now, oldest first
  // Turns of the server's thread that failed, and why the last one did.
  std::uint64_t Failures = 0;
  std::string LastFailure;
  // The server failed turn after turn and stopped: no client is served.
  bool Stopped = false;
};

class TIGTLinkServer {
public:
  explicit TIGTLinkServer(const TIGTLinkServerSettings& Settings = {});
  ~TIGTLinkServer();
  TIGTLinkServer(const TIGTLinkServer&) = delete;
  TIGTLinkServer& operator=(const TIGTLinkServer&) = delete;

  // The port listened on (the one chosen by the system when Settings.Port was 0).
  std::uint16_t Port() const;
  const std::string& Address() const;

  // Streams Frame (Time in days since Context.StartTime) to every client.
  void Publish(const TImagerFrame& Frame, const TStreamContext& Context);

  TStreamStatistics Statistics() const;

  // Waits until every frame published so far has been written to, or
  // dropped by, every client, or Timeout passes; true when it was.
  bool WaitUntilIdle(std::chrono::milliseconds Timeout) const;

private:
  class TImpl;
  std::unique_ptr<TImpl> Impl_;
};

} // namespace kestrava
