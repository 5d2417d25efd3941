// The OpenIGTLink server under the load the workstation gives it: how long a
// new frame takes to reach 8 loopback clients (target: under 1 ms), and 200
// frames per second to 8 clients that keep up (target: none dropped).

#include "imagerdata/ImagerFrame.h"
#include "streaming/IGTLinkServer.h"
#include "streaming/IncomingMessages.h"

#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace kestrava {
namespace {

using namespace std::chrono_literals;
constexpr int ClientCount = 8;

// 16 sensors along a gently bending curve, the hand and three markers;
// Step moves the curve so that the scope model changes.
std::unique_ptr<TImagerFrame> MovingFrame(int Step) {
  auto Frame = std::make_unique<TImagerFrame>();
  Frame->SensorCount = MaxSensors;
  Frame->TubeRadius = DefaultTubeRadius;
  Frame->EndoscopeValid = true;
  const double Phase = 0.01 * Step;
  for (std::size_t I = 0; I < MaxSensors; ++I) {
    const double A = 0.15 * static_cast<double>(I) + Phase;
    Frame->SensorValid[I] = true;
    Frame->SensorPosition[I] = {0.4 * std::sin(A), 0.4 - 0.4 * std::cos(A), 0.1};
    Frame->SensorDirection[I] = {std::cos(A), std::sin(A), 0};
  }
  Frame->SegmentLength.fill(0.06);
  Frame->HandValid = true;
  Frame->HandPosition = {0.5, 0.5, 0.5};
  Frame->HandDirection = {0, 1, 0};
  Frame->MarkerValid = {true, true, true, false, false, false};
  Frame->MarkerPosition[0] = {0.1, 0.2, 0.05};
  Frame->MarkerPosition[1] = {-0.1, 0.2, 0.05};
  Frame->MarkerPosition[2] = {0.0, -0.2, 0.05};
  Frame->Time = Step / 200.0 / 86400;
  return Frame;
}

int Connect(std::uint16_t Port) {
  const int Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in Where{};
  Where.sin_family = AF_INET;
  Where.sin_port = htons(Port);
  ::inet_pton(AF_INET, "127.0.0.1", &Where.sin_addr);
  // A refused connection shows as a client that never arrives.
  (void)::connect(Fd, reinterpret_cast<const sockaddr*>(&Where), sizeof Where);
  return Fd;
}

// A client that splits what it reads into messages and counts the frame's
// own (every message but models and keep-alives).
struct TCountingClient {
  int Fd = -1;
  std::vector<std::uint8_t> Pending;
  std::uint64_t FrameMessages = 0;

  void Read() {
    std::uint8_t Chunk[65536];
    const ssize_t Got = ::recv(Fd, Chunk, sizeof Chunk, MSG_DONTWAIT);
    if (Got <= 0) {
      return;
    }
    Pending.insert(Pending.end(), Chunk, Chunk + Got);
    std::size_t At = 0;
    while (Pending.size() - At >= IGTLinkHeaderSize) {
      std::uint64_t Body = 0;
      for (std::size_t I = 42; I < 50; ++I) {
        Body = (Body << 8) | Pending[At + I];
      }
      if (Pending.size() - At < IGTLinkHeaderSize + Body) {
        break;
      }
      const char* Type = reinterpret_cast<const char*>(&Pending[At + 2]);
      FrameMessages += std::string_view(Type, strnlen(Type, 12)) != "STATUS" &&
                       std::string_view(Type, strnlen(Type, 12)) != "POLYDATA";
      At += IGTLinkHeaderSize + static_cast<std::size_t>(Body);
    }
    Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(At));
  }
};

class TBench {
public:
  explicit TBench(TIGTLinkServerSettings Settings) {
    Settings.Port = 0;
    Server = std::make_unique<TIGTLinkServer>(Settings);
    for (int I = 0; I < ClientCount; ++I) {
      Clients.push_back({Connect(Server->Port()), {}, 0});
    }
    while (Server->Statistics().Clients.size() < ClientCount) {
      std::this_thread::sleep_for(1ms);
    }
  }
  ~TBench() {
    for (const auto& Client : Clients) {
      ::close(Client.Fd);
    }
  }
  // Reads every client until each has FrameMessages messages or Timeout.
  void ReadUntil(std::uint64_t FrameMessages, std::chrono::milliseconds Timeout) {
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    std::vector<pollfd> Polled;
    for (const auto& Client : Clients) {
      Polled.push_back({Client.Fd, POLLIN, 0});
    }
    while (std::chrono::steady_clock::now() < Deadline) {
      bool Done = true;
      for (const auto& Client : Clients) {
        Done = Done && Client.FrameMessages >= FrameMessages;
      }
      if (Done) {
        return;
      }
      ::poll(Polled.data(), Polled.size(), 10);
      for (auto& Client : Clients) {
        Client.Read();
      }
    }
  }

  std::unique_ptr<TIGTLinkServer> Server;
  std::vector<TCountingClient> Clients;
  const TStreamContext Context{};
};

// Publish to all 8 clients having read every TDATA and TRANSFORM of the frame.
void BM_FrameToEightClients(benchmark::State& State) {
  TIGTLinkServerSettings Settings;
  Settings.ModelInterval = 1h; // the model goes once, before the timing
  TBench Bench(Settings);
  const auto Frame = MovingFrame(0);
  Bench.Server->Publish(*Frame, Bench.Context);
  Bench.ReadUntil(1, 2s);
  const std::uint64_t PerFrame = Bench.Clients[0].FrameMessages;
  std::uint64_t Expected = PerFrame;
  for (auto _ : State) {
    Bench.Server->Publish(*Frame, Bench.Context);
    Expected += PerFrame;
    Bench.ReadUntil(Expected, 2s);
  }
  State.counters["messages_per_frame"] = static_cast<double>(PerFrame);
}
BENCHMARK(BM_FrameToEightClients)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Two seconds at 200 frames per second, the model changing all the time,
// with a thread reading the 8 clients as a navigation program would.
void BM_TwoHundredFramesPerSecondToEightClients(benchmark::State& State) {
  TBench Bench(TIGTLinkServerSettings{});
  std::atomic<bool> Reading = true;
  std::thread Reader([&] {
    while (Reading) {
      Bench.ReadUntil(UINT64_MAX, 50ms);
    }
  });
  constexpr int Frames = 400;
  const auto Period = std::chrono::microseconds(5000);
  for (auto _ : State) {
    auto Next = std::chrono::steady_clock::now();
    for (int Step = 0; Step < Frames; ++Step) {
      std::this_thread::sleep_until(Next);
      Bench.Server->Publish(*MovingFrame(Step), Bench.Context);
      Next += Period;
    }
    Bench.Server->WaitUntilIdle(5s);
  }
  Reading = false;
  Reader.join();
  const TStreamStatistics Stats = Bench.Server->Statistics();
  std::uint64_t Dropped = 0, Written = 0;
  for (const auto& Client : Stats.Clients) {
    Dropped += Client.FramesDropped;
    Written += Client.FramesWritten;
  }
  State.counters["frames"] = static_cast<double>(Stats.FramesPublished);
  State.counters["superseded"] = static_cast<double>(Stats.FramesSuperseded);
  State.counters["client_drops"] = static_cast<double>(Dropped);
  State.counters["frames_written"] = static_cast<double>(Written);
  State.counters["models"] = static_cast<double>(Stats.ModelsSent);
}
BENCHMARK(BM_TwoHundredFramesPerSecondToEightClients)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrava
