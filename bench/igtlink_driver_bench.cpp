// How long a pose takes from the tracking server to the sampler: a server on
// the loopback interface sends 18 poses (16 catheter sensors, the hand and
// the overtube) 40 times a second, as one TDATA message or as 18 TRANSFORM
// messages sent one by one (as PLUS Server does), and the sampler's side of
// the OpenIGTLink receiver takes samples as the sampler does (Trigger,
// WaitForSample, GetSensor for every channel). Reported: the median and the
// 99th percentile of the time from the server's last send of a frame to the
// sample holding that frame, in microseconds.
//
// Each variant runs 400 frames, ten seconds.

#include "drivers/igtlink/IGTLinkDriver.h"
#include "tests/support/ScratchDirectory.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <igtlTrackingDataMessage.h>
#include <igtlTransformMessage.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace kestrava;
using TClock = std::chrono::steady_clock;
using TBytes = std::vector<std::uint8_t>;

constexpr int Names = 18;
constexpr int Frames = 400;
constexpr auto FramePeriod = std::chrono::milliseconds(25);

std::string NameOf(int Index) {
  if (Index == 16) {
    return "Hand";
  }
  if (Index == 17) {
    return "Overtube";
  }
  char Name[16];
  std::snprintf(Name, sizeof Name, "Sensor%02d", Index);
  return Name;
}

// Frame Number's pose of Name Index: its x (millimetres) says the frame.
void PoseOf(int Number, int Index, igtl::Matrix4x4& Matrix) {
  igtl::IdentityMatrix(Matrix);
  Matrix[0][3] = static_cast<float>(Number);
  Matrix[1][3] = static_cast<float>(10 * Index);
}

TBytes Packed(igtl::MessageBase& Message, const std::string& Device) {
  Message.SetDeviceName(Device.c_str());
  Message.Pack();
  const auto* Bytes = static_cast<const std::uint8_t*>(Message.GetPackPointer());
  return {Bytes, Bytes + Message.GetPackSize()};
}

// The frame as the messages a server sends one by one.
std::vector<TBytes> FrameMessages(int Number, bool TrackingData) {
  std::vector<TBytes> Messages;
  igtl::Matrix4x4 Matrix;
  if (TrackingData) {
    const igtl::TrackingDataMessage::Pointer Message = igtl::TrackingDataMessage::New();
    for (int Index = 0; Index < Names; ++Index) {
      igtl::TrackingDataElement::Pointer Element = igtl::TrackingDataElement::New();
      Element->SetName(NameOf(Index).c_str());
      PoseOf(Number, Index, Matrix);
      Element->SetMatrix(Matrix);
      Message->AddTrackingDataElement(Element);
    }
    Messages.push_back(Packed(*Message, "Tracker"));
    return Messages;
  }
  for (int Index = 0; Index < Names; ++Index) {
    const igtl::TransformMessage::Pointer Message = igtl::TransformMessage::New();
    PoseOf(Number, Index, Matrix);
    Message->SetMatrix(Matrix);
    Messages.push_back(Packed(*Message, NameOf(Index)));
  }
  return Messages;
}

// A tracking server on 127.0.0.1 that sends Frames frames at 40 Hz to its
// one client, noting when each frame's last byte went out.
class TPacedServer {
public:
  explicit TPacedServer(bool TrackingData) {
    Listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in Where{};
    Where.sin_family = AF_INET;
    Where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(Listener_, reinterpret_cast<const sockaddr*>(&Where), sizeof Where) != 0 ||
        ::listen(Listener_, 1) != 0) {
      return; // Port() stays 0
    }
    socklen_t Length = sizeof Where;
    ::getsockname(Listener_, reinterpret_cast<sockaddr*>(&Where), &Length);
    Port_ = ntohs(Where.sin_port);
    Thread_ = std::thread([this, TrackingData] { Run(TrackingData); });
  }
  TPacedServer(const TPacedServer&) = delete;
  TPacedServer& operator=(const TPacedServer&) = delete;
  ~TPacedServer() {
    Stop_ = true;
    if (Thread_.joinable()) {
      Thread_.join();
    }
    ::close(Listener_);
  }

  // 0 when the server could not listen.
  std::uint16_t Port() const { return Port_; }
  // When frame Number's last message was handed to the network.
  TClock::time_point SentAt(int Number) const {
    return TClock::time_point(TClock::duration(SentAt_[static_cast<std::size_t>(Number)].load()));
  }

private:
  void Run(bool TrackingData) {
    pollfd Polled{Listener_, POLLIN, 0};
    if (::poll(&Polled, 1, 5000) <= 0) {
      return;
    }
    const int Client = ::accept4(Listener_, nullptr, nullptr, SOCK_CLOEXEC);
    auto Next = TClock::now();
    for (int Number = 1; Number < static_cast<int>(SentAt_.size()) && !Stop_; ++Number) {
      const std::vector<TBytes> Messages = FrameMessages(Number, TrackingData);
      std::this_thread::sleep_until(Next);
      for (std::size_t I = 0; I < Messages.size(); ++I) {
        // Noted before the send, so that the sampler never meets a frame
        // whose time is not there yet.
        if (I + 1 == Messages.size()) {
          SentAt_[static_cast<std::size_t>(Number)] = TClock::now().time_since_epoch().count();
        }
        ::send(Client, Messages[I].data(), Messages[I].size(), MSG_NOSIGNAL);
      }
      Next += FramePeriod;
    }
    ::close(Client);
  }

  int Listener_ = -1;
  std::uint16_t Port_ = 0;
  std::vector<std::atomic<TClock::rep>> SentAt_ = std::vector<std::atomic<TClock::rep>>(Frames + 2);
  std::atomic<bool> Stop_ = false;
  std::thread Thread_;
};

double Percentile(std::vector<double> Values, double Fraction) {
  if (Values.empty()) {
    return 0;
  }
  std::sort(Values.begin(), Values.end());
  const auto At =
      static_cast<std::size_t>(std::lround(Fraction * static_cast<double>(Values.size() - 1)));
  return Values[At];
}

void BM_PoseReceivedToSampleReturned(benchmark::State& State) {
  const bool TrackingData = State.range(0) != 0;
  State.SetLabel(TrackingData ? "one TDATA of 18 elements" : "18 TRANSFORMs");
  TPacedServer Server(TrackingData);
  if (Server.Port() == 0) {
    State.SkipWithError("cannot listen on the loopback interface");
    return;
  }
  const support::TScratchDirectory Scratch("kestrava-bench");
  if (!Scratch.Made()) {
    State.SkipWithError("no temporary directory");
    return;
  }
  const std::filesystem::path Dsp = Scratch.Dir / "DSP.DAT";
  {
    std::ofstream File(Dsp);
    File << "server 127.0.0.1 " << Server.Port() << "\nrequest_tdata 0\nhand Hand\n"
         << "overtube Overtube\n";
    for (int Index = 0; Index < 16; ++Index) {
      File << "sensor " << Index << ' ' << NameOf(Index) << '\n';
    }
  }
  const TComPtr<IUnknown> Root = TComPtr<IUnknown>::Adopt(igtlink::TIGTLinkDriver::Create());
  const TComPtr<IImagerPositionLocator> Locator =
      Root.Query<IImagerPositionLocator>(IID_IImagerPositionLocator);
  if (Locator->Initialise(Dsp.u16string().c_str()) != S_OK) {
    State.SkipWithError("the driver does not start");
    return;
  }
  std::vector<double> Latencies;
  int Last = 0;
  for (auto _ : State) {
    Locator->Trigger();
    const HRESULT Waited = Locator->WaitForSample(0.5);
    double Position[3] = {}, Angles[2] = {};
    int Measured = 0;
    for (int Channel = ChannelCount - 1; Channel >= 0; --Channel) {
      Measured += Locator->GetSensor(Channel, 0, Position, Angles, 0.0, 0) == S_OK ? 1 : 0;
    }
    const auto Returned = TClock::now();
    const int Number = static_cast<int>(std::lround(Position[0] * 1000));
    if (Waited == S_OK && Measured == Names && Number > Last && Number <= Frames) {
      Latencies.push_back(
          std::chrono::duration<double, std::micro>(Returned - Server.SentAt(Number)).count());
      Last = Number;
    }
  }
  State.counters["median_us"] = Percentile(Latencies, 0.5);
  State.counters["p99_us"] = Percentile(Latencies, 0.99);
  State.counters["frames"] = static_cast<double>(Latencies.size());
}
BENCHMARK(BM_PoseReceivedToSampleReturned)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(Frames)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
