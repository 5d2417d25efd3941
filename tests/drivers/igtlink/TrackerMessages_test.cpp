#include "drivers/igtlink/TrackerMessages.h"
#include "tests/drivers/igtlink/TrackerTestSupport.h"

#include <igtl_util.h>

#include <gtest/gtest.h>

namespace kestrava::igtlink {
namespace {

using testing::Joined;
using testing::StringBytes;
using testing::TBytes;
using testing::TrackingDataBytes;
using testing::TransformBytes;
using testing::TTestPose;

struct TCollected final : ITrackerMessageSink {
  void OnMessageRead() override { ++Read; }
  void OnMessage(const TTrackerMessage& Message) override { Messages.push_back(Message); }
  std::uint64_t Read = 0;
  std::vector<TTrackerMessage> Messages;
};

void PutBigEndian(TBytes& Bytes, std::size_t At, std::uint64_t Value, std::size_t Count) {
  for (std::size_t I = 0; I < Count; ++I) {
    Bytes[At + I] = static_cast<std::uint8_t>(Value >> (8 * (Count - 1 - I)));
  }
}

// Message with its body changed by Change and the header's size and CRC made to fit.
template <typename TChange> TBytes Rewritten(const TBytes& Message, TChange Change) {
  TBytes Header(Message.begin(), Message.begin() + HeaderBytes);
  TBytes Body(Message.begin() + HeaderBytes, Message.end());
  Change(Header, Body);
  PutBigEndian(Header, 42, Body.size(), 8);
  PutBigEndian(Header, 50, crc64(Body.data(), Body.size(), 0), 8);
  return Joined({Header, Body});
}

// A TRANSFORM in header version 2: extended header (12 bytes, message id 7),
// the content, and a metadata header of no entries.
TBytes Version2Transform(const TTestPose& Pose) {
  return Rewritten(TransformBytes(Pose), [](TBytes& Header, TBytes& Body) {
    Header[1] = 2;
    TBytes Extended = {0, 12, 0, 2, 0, 0, 0, 0, 0, 0, 0, 7};
    Body.insert(Body.begin(), Extended.begin(), Extended.end());
    Body.insert(Body.end(), {0, 0});
  });
}

void ExpectPose(const TWirePose& Pose, const TTestPose& Sent) {
  EXPECT_EQ(Pose.Name, Sent.Name);
  for (std::size_t I = 0; I < 3; ++I) {
    EXPECT_NEAR(Pose.TranslationMillimetres[I], Sent.Millimetres[I], 1e-4) << Sent.Name;
    EXPECT_NEAR(Pose.AxisZ[I], Sent.Direction[I], 1e-6) << Sent.Name;
  }
}

TEST(TrackerMessageReader, DecodesPosesAndTextInPiecesSplitAnywhereAndReadsPastTheRest) {
  const TTestPose Tip{"Sensor00ToTracker", {10, -20, 30.5}, {0, 0, 1}};
  const TTestPose Probe{"Probe0", {-1, 2, -3}, {0.6, 0, -0.8}};
  const TTestPose FullName{"TwentyCharacterName1", {4, 5, 6}, {0, -1, 0}};
  const TTestPose Hand{"Hand", {7, 8, 9}, {0, 0.8, 0.6}};
  // A newer header version and a type it does not read: read past.
  const TBytes NewerVersion =
      Rewritten(TransformBytes(Tip), [](TBytes& Header, TBytes&) { Header[1] = 3; });
  const TBytes OtherType =
      Rewritten(TransformBytes(Tip), [](TBytes& Header, TBytes&) { Header[2] = 'X'; });
  const TBytes Stream =
      Joined({TransformBytes(Tip), TrackingDataBytes("Tracker", {Probe, FullName}), OtherType,
              StringBytes("PatientPain", "12.5 mmHg"), Version2Transform(Hand), NewerVersion});
  for (const std::size_t Piece : {std::size_t{1}, std::size_t{7}, HeaderBytes, Stream.size()}) {
    TTrackerMessageReader Reader;
    TCollected Got;
    for (std::size_t At = 0; At < Stream.size(); At += Piece) {
      ASSERT_TRUE(
          Reader.Consume(std::span(Stream).subspan(At, std::min(Piece, Stream.size() - At)), Got));
    }
    EXPECT_EQ(Got.Read, 6u) << Piece;
    EXPECT_EQ(Reader.MessagesDropped(), 0u);
    ASSERT_EQ(Got.Messages.size(), 4u) << Piece;
    ExpectPose(Got.Messages[0].Poses.at(0), Tip);
    EXPECT_EQ(Got.Messages[1].Kind, TTrackerMessage::TKind::TrackingData);
    ASSERT_EQ(Got.Messages[1].Poses.size(), 2u);
    ExpectPose(Got.Messages[1].Poses[0], Probe);
    ExpectPose(Got.Messages[1].Poses[1], FullName);
    EXPECT_EQ(Got.Messages[2].Device + ": " + Got.Messages[2].Text, "PatientPain: 12.5 mmHg");
    ExpectPose(Got.Messages[3].Poses.at(0), Hand);
  }
}

TEST(TrackerMessageReader, DropsMessagesThatDoNotCheckOutAndReadsOn) {
  const TTestPose Pose{"Probe", {1, 2, 3}, {0, 0, 1}};
  TBytes BadCrc = TransformBytes(Pose);
  BadCrc.back() ^= 1;
  const TBytes Stream = Joined({
      BadCrc,
      Rewritten(TransformBytes(Pose), [](TBytes&, TBytes& Body) { Body.pop_back(); }),
      Rewritten(StringBytes("Pain", "12"), [](TBytes&, TBytes& Body) { Body[3] = 200; }),
      Rewritten(TrackingDataBytes("Tracker", {Pose}),
                [](TBytes&, TBytes& Body) { Body.push_back(0); }),
      // An extended header claiming more metadata than the body holds.
      Rewritten(Version2Transform(Pose), [](TBytes&, TBytes& Body) { Body[3] = 60; }),
      TransformBytes(Pose),
  });
  TTrackerMessageReader Reader;
  TCollected Got;
  ASSERT_TRUE(Reader.Consume(Stream, Got));
  EXPECT_EQ(Got.Read, 6u);
  EXPECT_EQ(Reader.MessagesDropped(), 5u);
  ASSERT_EQ(Got.Messages.size(), 1u);
  ExpectPose(Got.Messages[0].Poses.at(0), Pose);
}

TEST(TrackerMessageReader, RefusesHeadersThatCannotBeMessagesAndStaysRefused) {
  const TBytes Good = TransformBytes({"Probe", {1, 2, 3}, {0, 0, 1}});
  struct TSpoil {
    const char* What;
    std::size_t At;
    std::uint8_t Byte;
  };
  for (const auto& [What, At, Byte] :
       {TSpoil{"version 0", 1, 0}, TSpoil{"version 256", 0, 1}, TSpoil{"empty type", 2, 0},
        TSpoil{"unprintable type", 3, 7}, TSpoil{"a body over 1 GiB", 46, 0x40}}) {
    TBytes Header(Good.begin(), Good.begin() + HeaderBytes);
    Header[At] = Byte;
    TTrackerMessageReader Reader;
    TCollected Got;
    EXPECT_FALSE(Reader.Consume(Header, Got)) << What;
    EXPECT_FALSE(Reader.Problem().empty()) << What;
    EXPECT_FALSE(Reader.Consume(Good, Got)) << What;
    EXPECT_EQ(Got.Read, 0u) << What;
  }
}

} // namespace
} // namespace kestrava::igtlink
