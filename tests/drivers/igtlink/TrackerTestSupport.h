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

inline void PoseMatrix(const TTestPose& Pose, igtl::Matrix4x4& Matrix) {
  const TMatrix3 Rotation = RotationFromZTo(Pose.Direction);
  igtl::IdentityMatrix(Matrix);
  for (int Row = 0; Row < 3; ++Row) {
    for (int Column = 0; Column < 3; ++Column) {
      Matrix[Row][Column] = static_cast<float>(Rotation(Row, Column));
    }
    Matrix[Row][3] = static_cast<float>(Pose.Millimetres[static_cast<std::size_t>(Row)]);
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

// A server on 127.0.0.1 (port 0: a free one) with one client at a time.
class TLoopbackServer {
public:
  explicit TLoopbackServer(std::uint16_t Port = 0)
      : Listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const int On = 1;
    ::setsockopt(Listener_, SOL_SOCKET, SO_REUSEADDR, &On, sizeof On);
    sockaddr_in Where{AF_INET, htons(Port), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t Length = sizeof Where;
    EXPECT_EQ(::bind(Listener_, reinterpret_cast<const sockaddr*>(&Where), Length), 0);
    EXPECT_EQ(::listen(Listener_, 4), 0);
    ::getsockname(Listener_, reinterpret_cast<sockaddr*>(&Where), &Length);
    Port_ = ntohs(Where.sin_port);
  }
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;
  ~TLoopbackServer() {
    ::close(Client_);
    ::close(Listener_);
  }

  std::uint16_t Port() const { return Port_; }

  // Takes the next client in place of the one before; false when none came.
  bool Accept(std::chrono::milliseconds Timeout = 5s) {
    ::close(std::exchange(Client_, -1));
    Client_ = Ready(Listener_, Timeout) ? ::accept4(Listener_, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    return Client_ >= 0;
  }

  void Send(const TBytes& Bytes) const {
    EXPECT_EQ(::send(Client_, Bytes.data(), Bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(Bytes.size()));
  }

  // What the client sent within Timeout, Count bytes at most; Left says
  // whether it closed its end.
  TBytes Receive(std::size_t Count, std::chrono::milliseconds Timeout, bool& Left) const {
    TBytes Bytes(Count);
    std::size_t Got = 0;
    Left = false;
    const auto Deadline = std::chrono::steady_clock::now() + Timeout;
    while (Got < Count && !Left &&
           Ready(Client_, std::chrono::duration_cast<std::chrono::milliseconds>(
                              Deadline - std::chrono::steady_clock::now()))) {
      const ssize_t Read = ::recv(Client_, Bytes.data() + Got, Count - Got, 0);
      Left = Read <= 0;
      Got += Read > 0 ? static_cast<std::size_t>(Read) : 0;
    }
    Bytes.resize(Got);
    return Bytes;
  }

  // True when the client closed its end within Timeout.
  bool ClientLeft(std::chrono::milliseconds Timeout = 5s) const {
    bool Left = false;
    Receive(std::size_t{1} << 20, Timeout, Left);
    return Left;
  }

private:
  static bool Ready(int Fd, std::chrono::milliseconds Timeout) {
    pollfd Polled{Fd, POLLIN, 0};
    return ::poll(&Polled, 1, static_cast<int>(std::max<std::int64_t>(Timeout.count(), 0))) > 0;
  }

  int Listener_;
  int Client_ = -1;
  std::uint16_t Port_ = 0;
};

} // namespace kestrava::testing
