#pragma once
// What a tracking server sends, read without trusting a byte of it, and the
// one message the receiver sends back (STT_TDATA).
//
// The reader takes the byte stream in pieces split anywhere and decodes the
// messages that carry poses and readings: TRANSFORM (a pose named by its
// device), TDATA (a pose per element, named by the element) and STRING (text
// named by its device), with header version 1 or 2 (the latter's extended
// header and metadata are stepped over). Every other message, a newer header
// version, and a message of those types with a body above
// MaxDecodedBodyBytes is read past by its body size without being kept, so
// nothing a server sends makes the reader allocate more than that.
//
// A message whose CRC-64 does not match, or whose body does not have its
// type's layout, is dropped and counted; the stream goes on. A header that
// cannot be a message (version 0 or above 255, a type name that is empty or
// not printable ASCII, a claimed body above MaxClaimedBodyBytes) is refused:
// from there the reader cannot know where a message starts, so the caller
// must drop the connection.
//
// Thread: one at a time.

#include "geometry/Vectors.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrava::igtlink {

inline constexpr std::size_t HeaderBytes = 58;
inline constexpr std::uint64_t MaxDecodedBodyBytes = std::uint64_t{128} * 1024;
inline constexpr std::uint64_t MaxClaimedBodyBytes = std::uint64_t{256} << 20;

// One pose as sent: millimetres and the rotation's third column (the pose's
// +Z axis in the tracker's axes), neither checked nor normalised.
struct TWirePose {
  std::string Name;
  TVector3 TranslationMillimetres;
  TVector3 AxisZ;
};

struct TTrackerMessage {
  enum class TKind : std::uint8_t { Transform, TrackingData, Text };
  TKind Kind = TKind::Transform;
  std::string Device;
  std::vector<TWirePose> Poses; // TRANSFORM: one, named as the device; TDATA: one per element
  std::string Text;             // STRING
};

class ITrackerMessageSink {
public:
  virtual ~ITrackerMessageSink() = default;
  // Every whole message read, decoded or not, dropped or not: the server is
  // alive.
  virtual void OnMessageRead() = 0;
  // A decoded message; Message is only valid during the call.
  virtual void OnMessage(const TTrackerMessage& Message) = 0;
};

class TTrackerMessageReader {
public:
  // Reads on through Bytes, telling Sink of each message completed. False
  // once a header has been refused (Problem() says why); every later call is
  // false too.
  bool Consume(std::span<const std::uint8_t> Bytes, ITrackerMessageSink& Sink);

  // Messages dropped for a CRC or layout that does not fit.
  std::uint64_t MessagesDropped() const { return Dropped_; }
  const std::string& Problem() const { return Problem_; }

private:
  bool AcceptHeader();
  void FinishMessage(ITrackerMessageSink& Sink);
  bool Decode(std::span<const std::uint8_t> Content);

  std::array<std::uint8_t, HeaderBytes> Header_{};
  std::size_t HeaderFill_ = 0;
  std::uint64_t BodyLeft_ = 0;
  bool KeepBody_ = false;
  std::vector<std::uint8_t> Body_;
  TTrackerMessage Message_;
  std::uint64_t Dropped_ = 0;
  std::string Problem_;
};

// An STT_TDATA message asking for tracking data every Milliseconds, packed
// with header version 1, which every server reads.
std::vector<std::uint8_t> StartTrackingDataMessage(std::int32_t Milliseconds);

} // namespace kestrava::igtlink
