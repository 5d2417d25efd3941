#include "drivers/igtlink/TrackerMessages.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <igtlTrackingDataMessage.h>
#include <igtl_util.h>
#include <string_view>

namespace kestrava::igtlink {

namespace {

// Header layout (big-endian): version 0-1, type 2-13, device 14-33,
// time stamp 34-41, body size 42-49, CRC 50-57.
constexpr std::size_t TypeOffset = 2;
constexpr std::size_t TypeSize = 12;
constexpr std::size_t DeviceOffset = 14;
constexpr std::size_t DeviceSize = 20;
constexpr std::size_t BodySizeOffset = 42;
constexpr std::size_t CrcOffset = 50;
constexpr unsigned NewestPlausibleVersion = 255;

// Header version 2 puts an extended header before the content and metadata
// after it: extended header size (2), metadata header size (2), metadata
// size (4), message id (4).
constexpr std::size_t ExtendedHeaderBytes = 12;

constexpr std::size_t TransformBytes = 48;
// A TDATA element: name (20), type (1), reserved (1), 12 floats.
constexpr std::size_t ElementNameBytes = 20;
constexpr std::size_t ElementBytes = 70;
constexpr std::size_t StringHeaderBytes = 4;

std::uint64_t BigEndian(const std::uint8_t* Bytes, std::size_t Count) {
  std::uint64_t Value = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    Value = (Value << 8) | Bytes[I];
  }
  return Value;
}

// The bytes up to the first NUL, at most Size of them: a name that fills its
// field has no terminator.
std::string_view FixedText(const std::uint8_t* Bytes, std::size_t Size) {
  const auto* Text = reinterpret_cast<const char*>(Bytes);
  return {Text, static_cast<std::size_t>(std::find(Text, Text + Size, '\0') - Text)};
}

bool PlausibleTypeName(std::string_view Type) {
  return !Type.empty() &&
         std::all_of(Type.begin(), Type.end(), [](char C) { return C >= 0x20 && C <= 0x7E; });
}

// Twelve big-endian floats as the protocol lays out a transform: the three
// columns of the rotation, then the translation.
void ReadTransform(const std::uint8_t* Bytes, TWirePose& Pose) {
  std::array<double, 12> Values{};
  for (std::size_t I = 0; I < Values.size(); ++I) {
    Values[I] = std::bit_cast<float>(static_cast<std::uint32_t>(BigEndian(Bytes + 4 * I, 4)));
  }
  Pose.AxisZ = {Values[6], Values[7], Values[8]};
  Pose.TranslationMillimetres = {Values[9], Values[10], Values[11]};
}

// Narrows a header version 2 body to its content: the extended header says
// how long it is itself and how much metadata follows the content.
bool StripExtensions(std::span<const std::uint8_t>& Body) {
  if (Body.size() < ExtendedHeaderBytes) {
    return false;
  }
  const std::uint64_t Extended = BigEndian(Body.data(), 2);
  const std::uint64_t Trailer = BigEndian(Body.data() + 2, 2) + BigEndian(Body.data() + 4, 4);
  if (Extended < ExtendedHeaderBytes || Extended + Trailer > Body.size()) {
    return false;
  }
  Body = Body.subspan(static_cast<std::size_t>(Extended),
                      static_cast<std::size_t>(Body.size() - Extended - Trailer));
  return true;
}

enum class TDecodedType : std::uint8_t { None, Transform, TrackingData, Text };

TDecodedType DecodedType(std::string_view Type) {
  if (Type == "TRANSFORM") {
    return TDecodedType::Transform;
  }
  if (Type == "TDATA") {
    return TDecodedType::TrackingData;
  }
  return Type == "STRING" ? TDecodedType::Text : TDecodedType::None;
}

} // namespace

bool TTrackerMessageReader::Consume(std::span<const std::uint8_t> Bytes,
                                    ITrackerMessageSink& Sink) {
  while (Problem_.empty() && !Bytes.empty()) {
    if (BodyLeft_ > 0) {
      const auto Taken = static_cast<std::size_t>(std::min<std::uint64_t>(BodyLeft_, Bytes.size()));
      if (KeepBody_) {
        Body_.insert(Body_.end(), Bytes.begin(),
                     Bytes.begin() + static_cast<std::ptrdiff_t>(Taken));
      }
      BodyLeft_ -= Taken;
      Bytes = Bytes.subspan(Taken);
      if (BodyLeft_ == 0) {
        FinishMessage(Sink);
      }
      continue;
    }
    const std::size_t Taken = std::min(HeaderBytes - HeaderFill_, Bytes.size());
    std::copy_n(Bytes.begin(), Taken, Header_.begin() + static_cast<std::ptrdiff_t>(HeaderFill_));
    HeaderFill_ += Taken;
    Bytes = Bytes.subspan(Taken);
    if (HeaderFill_ == HeaderBytes) {
      HeaderFill_ = 0;
      if (AcceptHeader() && BodyLeft_ == 0) {
        FinishMessage(Sink);
      }
    }
  }
  return Problem_.empty();
}

bool TTrackerMessageReader::AcceptHeader() {
  const std::uint64_t Version = BigEndian(Header_.data(), 2);
  const std::uint64_t BodySize = BigEndian(Header_.data() + BodySizeOffset, 8);
  const std::string_view Type = FixedText(Header_.data() + TypeOffset, TypeSize);
  if (Version == 0 || Version > NewestPlausibleVersion || !PlausibleTypeName(Type)) {
    Problem_ = "not an OpenIGTLink message header";
    return false;
  }
  if (BodySize > MaxClaimedBodyBytes) {
    Problem_ = "a message body of " + std::to_string(BodySize) + " bytes";
    return false;
  }
  KeepBody_ =
      Version <= 2 && BodySize <= MaxDecodedBodyBytes && DecodedType(Type) != TDecodedType::None;
  Body_.clear();
  if (KeepBody_) {
    Body_.reserve(static_cast<std::size_t>(BodySize));
  }
  BodyLeft_ = BodySize;
  return true;
}

void TTrackerMessageReader::FinishMessage(ITrackerMessageSink& Sink) {
  Sink.OnMessageRead();
  if (!KeepBody_) {
    return;
  }
  KeepBody_ = false;
  const std::uint64_t Crc = BigEndian(Header_.data() + CrcOffset, 8);
  if (crc64(Body_.data(), Body_.size(), 0) != Crc) {
    ++Dropped_;
    return;
  }
  std::span<const std::uint8_t> Content(Body_);
  if (BigEndian(Header_.data(), 2) == 2 && !StripExtensions(Content)) {
    ++Dropped_;
    return;
  }
  if (!Decode(Content)) {
    ++Dropped_;
    return;
  }
  Sink.OnMessage(Message_);
}

bool TTrackerMessageReader::Decode(std::span<const std::uint8_t> Content) {
  Message_.Device = FixedText(Header_.data() + DeviceOffset, DeviceSize);
  Message_.Poses.clear();
  Message_.Text.clear();
  switch (DecodedType(FixedText(Header_.data() + TypeOffset, TypeSize))) {
  case TDecodedType::Transform: {
    if (Content.size() != TransformBytes) {
      return false;
    }
    Message_.Kind = TTrackerMessage::TKind::Transform;
    TWirePose& Pose = Message_.Poses.emplace_back();
    Pose.Name = Message_.Device;
    ReadTransform(Content.data(), Pose);
    return true;
  }
  case TDecodedType::TrackingData: {
    if (Content.size() % ElementBytes != 0) {
      return false;
    }
    Message_.Kind = TTrackerMessage::TKind::TrackingData;
    for (std::size_t At = 0; At < Content.size(); At += ElementBytes) {
      TWirePose& Pose = Message_.Poses.emplace_back();
      Pose.Name = FixedText(Content.data() + At, ElementNameBytes);
      ReadTransform(Content.data() + At + ElementNameBytes + 2, Pose);
    }
    return true;
  }
  case TDecodedType::Text: {
    if (Content.size() < StringHeaderBytes ||
        StringHeaderBytes + BigEndian(Content.data() + 2, 2) > Content.size()) {
      return false;
    }
    Message_.Kind = TTrackerMessage::TKind::Text;
    const auto Length = static_cast<std::size_t>(BigEndian(Content.data() + 2, 2));
    Message_.Text.assign(reinterpret_cast<const char*>(Content.data()) + StringHeaderBytes, Length);
    return true;
  }
  case TDecodedType::None:
    break;
  }
  return false;
}

std::vector<std::uint8_t> StartTrackingDataMessage(std::int32_t Milliseconds) {
  const igtl::StartTrackingDataMessage::Pointer Message = igtl::StartTrackingDataMessage::New();
  Message->SetDeviceName("Kestrava");
  Message->SetResolution(Milliseconds);
  Message->SetCoordinateName("");
  Message->Pack();
  const auto* Packed = static_cast<const std::uint8_t*>(Message->GetPackPointer());
  return {Packed, Packed + Message->GetPackSize()};
}

} // namespace kestrava::igtlink
