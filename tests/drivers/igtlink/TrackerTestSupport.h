#pragma once
// What the receiver's tests share: poses packed by the OpenIGTLink library
// as a tracking server sends them, and a server on the loopback interface
// that a test drives step by step. Every wait is bounded.

#include "streaming/StreamPoses.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <igtlStringMessage.h>
#include <igtlTrackingDataMessage.h>
#include <igtlTransformMessage.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

using namespace std::chrono_literals;
using TBytes = std::vector<std::uint8_t>;

struct TTestPose {
  std::string Name;
  TVector3 Millimetres;
  TVector3 Direction; // the pose's +Z
};

inline void PoseMatrix(const TTestPose& Pose, igtl::Matrix4x4 Matrix) {
  const TMatrix3 Rotation = RotationFromZTo(Pose.Direction);
  for (int Row = 0; Row < 4; ++Row) {
    for (int Column = 0; Column < 4; ++Column) {
      Matrix[Row][Column] =
          Row == 3      ? (Column == 3 ? 1.0f : 0.0f)
          : Column == 3 ? static_cast<float>(Pose.Millimetres[static_cast<std::size_t>(Row)])
                        : static_cast<float>(Rotation(Row, Column));
    }
  }
}

inline TBytes Packed(igtl::MessageBase& Message, const std::string& Device) {
  Message.SetDeviceName(Device.c_str());
  Message.Pack();
  const auto* Bytes = static_cast<const std::uint8_t*>(Message.GetPackPointer());
  return {Bytes, Bytes + Message.GetPackSize()};
}

inline TBytes TransformBytes(const TTestPose& Pose) {
  const igtl::TransformMessage::Pointer Message = igtl::TransformMessage::New();
  igtl::Matrix4x4 Matrix;
  PoseMatrix(Pose, Matrix);
  Message->SetMatrix(Matrix);
  return Packed(*Message, Pose.Name);
}

inline TBytes TrackingDataBytes(const std::string& Device, const std::vector<TTestPose>& Poses) {
  const igtl::TrackingDataMessage::Pointer Message = igtl::TrackingDataMessage::New();
  for (const TTestPose& Pose : Poses) {
    igtl::TrackingDataElement::Pointer Element = igtl::TrackingDataElement::New();
    Element->SetName(Pose.Name.c_str());
    igtl::Matrix4x4 Matrix;
    PoseMatrix(Pose, Matrix);
    Element->SetMatrix(Matrix);
    Message->AddTrackingDataElement(Element);
  }
  return Packed(*Message, Device);
}

inline TBytes StringBytes(const std::string& Device, const std::string& Text) {
  const igtl::StringMessage::Pointer Message = igtl::StringMessage::New();
  Message->SetString(Text.c_str());
  return Packed(*Message, Device);
}

inline TBytes Joined(std::initializer_list<TBytes> Parts) {
  TBytes All;
  for (const TBytes& Part : Parts) {
    All.insert(All.end(), Part.begin(), Part.end());
  }
  return All;
}

// A server on 127.0.0.1 with one client at a time.
class TLoopbackServer {
public:
  // Port 0 takes a free one.
  explicit TLoopbackServer(std::uint16_t Port = 0) {
    Listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int On = 1;
    ::setsockopt(Listener_, SOL_SOCKET, SO_REUSEADDR, &On, sizeof On);
    sockaddr_in Where{};
    Where.sin_family = AF_INET;
    Where.sin_port = htons(Port);
    Where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(Listener_, reinterpret_cast<const sockaddr*>(&Where), sizeof Where), 0);
    EXPECT_EQ(::listen(Listener_, 4), 0);
    socklen_t Length = sizeof Where;
    ::getsockname(Listener_, reinterpret_cast<sockaddr*>(&Where), &Length);
    Port_ = ntohs(Where.sin_port);
  }
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;
  ~TLoopbackServer() {
    CloseClient();
    ::close(Listener_);
  }

  std::uint16_t Port() const { return Port_; }

  // Takes the next client (closing the one before); false when none came.
  bool Accept(std::chrono::milliseconds Timeout = 5s) {
    CloseClient();
    if (!Ready(Listener_, Timeout)) {
      return false;
    }
    Client_ = ::accept4(Listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return Client_ >= 0;
  }

  void Send(const TBytes& Bytes) {
    EXPECT_EQ(::send(Client_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(Bytes.size()));
  }

  // At least Count bytes from the client, or what came before Timeout.
  TBytes Receive(std::size_t Count, std::chrono::milliseconds Timeout = 5s) {
    TBytes Bytes;
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (Bytes.size() < Count &&
           Ready(Client_, std::chrono::duration_cast<std::chrono::milliseconds>(
                              Deadline - std::chrono::steady_clock::now()))) {
      std::uint8_t Chunk[4096];
      const ssize_t Got = ::recv(Client_, Chunk, sizeof Chunk, 0);
      if (Got <= 0) {
        break;
      }
      Bytes.insert(Bytes.end(), Chunk, Chunk + Got);
    }
    return Bytes;
  }

  // True when the client closed its end within Timeout.
  bool ClientLeft(std::chrono::milliseconds Timeout = 5s) {
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    std::uint8_t Chunk[4096];
    while (Ready(Client_, std::chrono::duration_cast<std::chrono::milliseconds>(
                              Deadline - std::chrono::steady_clock::now()))) {
      if (::recv(Client_, Chunk, sizeof Chunk, MSG_DONTWAIT) <= 0) {
        return true;
      }
    }
    return false;
  }

  void CloseClient() {
    if (Client_ >= 0) {
      ::close(Client_);
      Client_ = -1;
    }
  }

private:
  static bool Ready(int Fd, std::chrono::milliseconds Timeout) {
    pollfd Polled{Fd, POLLIN, 0};
    return ::poll(&Polled, 1, static_cast<int>(std::max<std::int64_t>(Timeout.count(), 0))) > 0;
  }

  int Listener_ = -1;
  int Client_ = -1;
  std::uint16_t Port_ = 0;
};

} // namespace kestrava::testing
