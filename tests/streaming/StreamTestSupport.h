#pragma once
// Frames and loopback clients shared by the streaming tests. Every client
// connects to 127.0.0.1 and every wait is bounded.

#include "imagerdata/ImagerFrame.h"
#include "streaming/IncomingMessages.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <igtlMessageBase.h>
#include <igtlMessageHeader.h>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

using namespace std::chrono_literals;

// Count sensors 50 mm apart along +X with the tip at (0.1, 0.2, 0.3) m,
// their directions along +X (towards the operator's end, as measured); the hand pointing up +Y;
// three body markers and a pain reading.
inline std::unique_ptr<TImagerFrame> StreamedFrame(int Count = 4) {
  auto Frame = std::make_unique<TImagerFrame>();
  Frame->SensorCount = Count;
  Frame->TubeRadius = DefaultTubeRadius;
  Frame->EndoscopeValid = true;
  for (int I = 0; I < Count; ++I) {
    const auto Slot = static_cast<std::size_t>(I);
    Frame->SensorValid[Slot] = true;
    Frame->SensorPosition[Slot] = {0.1 + 0.05 * I, 0.2, 0.3};
    Frame->SensorDirection[Slot] = {1, 0, 0};
  }
  Frame->SegmentLength.fill(0.05);
  Frame->HandValid = true;
  Frame->HandPosition = {0.5, 0.5, 0.5};
  Frame->HandDirection = {0, 1, 0};
  Frame->MarkerValid = {true, true, true, false, false, false};
  // Patient axes: centre (0, 0, 0.05) m, normal -Z, axis +Y.
  Frame->MarkerPosition[0] = {0.1, 0.2, 0.05};
  Frame->MarkerPosition[1] = {-0.1, 0.2, 0.05};
  Frame->MarkerPosition[2] = {0.0, -0.2, 0.05};
  Frame->PainValid = true;
  Frame->Pain = 12.5;
  Frame->Time = 2.0 / 86400; // two seconds into the procedure
  return Frame;
}

struct TReceivedMessage {
  std::vector<std::uint8_t> Bytes; // header and body
  std::string Type() const { return Field(2, 12); }
  std::string Device() const { return Field(14, 20); }

private:
  std::string Field(std::size_t Offset, std::size_t Size) const {
    const char* Start = reinterpret_cast<const char*>(Bytes.data() + Offset);
    return std::string(Start, strnlen(Start, Size));
  }
};

// Unpacks a received message into Message (of the matching class) with its CRC checked.
template <typename TMessage> typename TMessage::Pointer Unpacked(const TReceivedMessage& Received) {
  igtl::MessageHeader::Pointer Header = igtl::MessageHeader::New();
  Header->InitPack();
  std::memcpy(Header->GetPackPointer(), Received.Bytes.data(), IGTLinkHeaderSize);
  Header->Unpack();
  typename TMessage::Pointer Message = TMessage::New();
  Message->SetMessageHeader(Header);
  Message->AllocatePack();
  std::memcpy(Message->GetPackBodyPointer(), Received.Bytes.data() + IGTLinkHeaderSize,
              static_cast<std::size_t>(Message->GetPackBodySize()));
  EXPECT_TRUE(Message->Unpack(1) & igtl::MessageHeader::UNPACK_BODY)
      << "CRC or body of " << Received.Device();
  return Message;
}

// Splits a byte stream into whole messages.
inline std::vector<TReceivedMessage> SplitMessages(const std::vector<std::uint8_t>& Bytes) {
  std::vector<TReceivedMessage> Messages;
  std::size_t At = 0;
  while (Bytes.size() - At >= IGTLinkHeaderSize) {
    std::uint64_t Body = 0;
    for (std::size_t I = 42; I < 50; ++I) {
      Body = (Body << 8) | Bytes[At + I];
    }
    const std::size_t Size = IGTLinkHeaderSize + static_cast<std::size_t>(Body);
    if (Bytes.size() - At < Size) {
      break;
    }
    Messages.push_back({{Bytes.begin() + static_cast<std::ptrdiff_t>(At),
                         Bytes.begin() + static_cast<std::ptrdiff_t>(At + Size)}});
    At += Size;
  }
  return Messages;
}

// A plain TCP client on the loopback interface.
class TRawClient {
public:
  // Connects to Address:Port; Connected() tells whether it worked.
  explicit TRawClient(std::uint16_t Port, const char* Address = "127.0.0.1",
                      int ReceiveBuffer = 0) {
    Fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (ReceiveBuffer > 0) {
      ::setsockopt(Fd_, SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
    }
    sockaddr_in Where{};
    Where.sin_family = AF_INET;
    Where.sin_port = htons(Port);
    ::inet_pton(AF_INET, Address, &Where.sin_addr);
    Connected_ = ::connect(Fd_, reinterpret_cast<const sockaddr*>(&Where), sizeof Where) == 0;
  }
  TRawClient(const TRawClient&) = delete;
  TRawClient& operator=(const TRawClient&) = delete;
  ~TRawClient() { ::close(Fd_); }

  bool Connected() const { return Connected_; }

  void Send(const std::vector<std::uint8_t>& Bytes) {
    ASSERT_EQ(::send(Fd_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(Bytes.size()));
  }

  // Reads until Done holds for the messages so far, the server closes or
  // Timeout passes. Returns every whole message received.
  std::vector<TReceivedMessage>
  ReceiveUntil(const std::function<bool(const std::vector<TReceivedMessage>&)>& Done,
               std::chrono::milliseconds Timeout = 5s) {
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (!Closed_ && !Done(SplitMessages(Buffer_))) {
      const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
          Deadline - std::chrono::steady_clock::now());
      if (Left.count() <= 0) {
        break;
      }
      ReadFor(Left);
    }
    return SplitMessages(Buffer_);
  }

  // True when the server closed the connection within Timeout.
  bool WaitClosed(std::chrono::milliseconds Timeout = 5s) {
    ReceiveUntil([](const auto&) { return false; }, Timeout);
    return Closed_;
  }

  void Forget() { Buffer_.clear(); }

private:
  void ReadFor(std::chrono::milliseconds Timeout) {
    pollfd Polled{Fd_, POLLIN, 0};
    if (::poll(&Polled, 1, static_cast<int>(Timeout.count())) <= 0) {
      return;
    }
    std::uint8_t Chunk[65536];
    const ssize_t Got = ::recv(Fd_, Chunk, sizeof Chunk, 0);
    if (Got <= 0) {
      Closed_ = true;
      return;
    }
    Buffer_.insert(Buffer_.end(), Chunk, Chunk + Got);
  }

  int Fd_ = -1;
  bool Connected_ = false;
  bool Closed_ = false;
  std::vector<std::uint8_t> Buffer_;
};

// Predicates for ReceiveUntil.
inline auto HasDevice(const std::string& Device, std::size_t Times = 1) {
  return [Device, Times](const std::vector<TReceivedMessage>& Messages) {
    std::size_t Count = 0;
    for (const auto& M : Messages) {
      Count += M.Device() == Device ? 1 : 0;
    }
    return Count >= Times;
  };
}

// A 58-byte header with the given fields, followed by Body.
inline std::vector<std::uint8_t> RawMessage(std::uint16_t Version, const std::string& Type,
                                            std::uint64_t ClaimedBodySize,
                                            const std::vector<std::uint8_t>& Body = {}) {
  std::vector<std::uint8_t> Bytes(IGTLinkHeaderSize, 0);
  Bytes[0] = static_cast<std::uint8_t>(Version >> 8);
  Bytes[1] = static_cast<std::uint8_t>(Version);
  std::memcpy(Bytes.data() + 2, Type.data(), std::min<std::size_t>(Type.size(), 12));
  std::memcpy(Bytes.data() + 14, "Client", 6);
  for (std::size_t I = 0; I < 8; ++I) {
    Bytes[42 + I] = static_cast<std::uint8_t>(ClaimedBodySize >> (56 - 8 * I));
  }
  Bytes.insert(Bytes.end(), Body.begin(), Body.end());
  return Bytes;
}

} // namespace kestrava::testing
