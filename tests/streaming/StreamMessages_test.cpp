#include "streaming/StreamMessages.h"
#include "streaming/StreamPoses.h"
#include "tests/streaming/StreamTestSupport.h"
#include "tests/support/ProcedureBuilders.h"

#include <array>
#include <cstdlib>
#include <ctime>
#include <igtlStringMessage.h>
#include <igtlTrackingDataMessage.h>
#include <igtlTransformMessage.h>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

using testing::StreamedFrame;
using testing::TReceivedMessage;
using testing::Unpacked;

TVector3 Column(const TMatrix3& R, int C) {
  return {R(0, C), R(1, C), R(2, C)};
}

TEST(StreamPoses, RotationTurnsZOntoTheDirectionAndStaysARotation) {
  for (const TVector3 Direction :
       {TVector3{-1, 0, 0}, TVector3{0, 0, 1}, TVector3{0, 0, -2}, TVector3{0.3, -0.4, 0.5}}) {
    const TMatrix3 R = RotationFromZTo(Direction);
    const TVector3 Unit = ScaleVector(Direction, 1 / VectorLength(Direction));
    for (int Axis = 0; Axis < 3; ++Axis) {
      EXPECT_NEAR(VectorLength(Column(R, Axis)), 1, 1e-12);
    }
    EXPECT_NEAR(DotProduct(Column(R, 0), Column(R, 1)), 0, 1e-12);
    // Right-handed: X x Y = Z, and Z is the sensor's direction.
    const TVector3 Z = CrossProduct(Column(R, 0), Column(R, 1));
    EXPECT_NEAR(VectorDistance(Z, Column(R, 2)), 0, 1e-12);
    EXPECT_NEAR(VectorDistance(Column(R, 2), Unit), 0, 1e-12);
  }
}

TEST(StreamPoses, TrackerToPatientMovesTheMarkersCentreToTheOriginInMillimetres) {
  const auto Frame = StreamedFrame();
  const std::optional<TMatrix4> M = TrackerToPatient(*Frame, ProcedureColonoscopy);
  ASSERT_TRUE(M);
  // Tip (0.1, 0.2, 0.3) m; centre (0, 0, 0.05) m; axes X = +X, Y = -Z, Z = +Y.
  const TVector4 Tip = TransformVector4(*M, {100, 200, 300, 1});
  EXPECT_NEAR(VectorDistance({Tip.X, Tip.Y, Tip.Z}, {100, -250, 200}), 0, 1e-9);

  Frame->MarkerValid[2] = false;
  EXPECT_FALSE(TrackerToPatient(*Frame, ProcedureColonoscopy));
}

TEST(StreamPoses, InvalidOrNonFiniteSensorsAreLeftOut) {
  auto Frame = StreamedFrame(4);
  Frame->SensorValid[1] = false;
  Frame->SensorPosition[2].X = std::numeric_limits<double>::quiet_NaN();
  Frame->OvertubeKind = 2;
  Frame->OvertubeData2.Valid = true;
  Frame->OvertubeData2.Position = {0.01f, 0.02f, 0.03f};
  std::vector<std::string> Names;
  for (const TSensorPose& Pose : SensorPoses(*Frame)) {
    Names.push_back(Pose.Name);
  }
  EXPECT_EQ(Names, (std::vector<std::string>{"Sensor00", "Sensor03", "Hand", "Overtube"}));
}

class StreamMessagesTest : public ::testing::Test {
protected:
  std::vector<TReceivedMessage> Encode(const TImagerFrame& Frame, const TStreamContext& Context) {
    return testing::SplitMessages(EncodeFrameMessages(Frame, Context, 1700000000.25));
  }
  TStreamContext Context{ProcedureColonoscopy, 45000, true, "mmHg", true, std::nullopt};
};

TEST_F(StreamMessagesTest, FrameGivesTrackingDataTransformsAndPainInMillimetres) {
  const auto Frame = StreamedFrame(2);
  const auto Messages = Encode(*Frame, Context);
  std::vector<std::string> Devices;
  Devices.reserve(Messages.size());
  for (const auto& M : Messages) {
    Devices.push_back(M.Type() + " " + M.Device());
  }
  EXPECT_EQ(Devices,
            (std::vector<std::string>{"TDATA ScopeSensors", "TRANSFORM Sensor00ToTracker",
                                      "TRANSFORM Sensor01ToTracker", "TRANSFORM HandToTracker",
                                      "TRANSFORM TrackerToPatient", "STRING PatientPain"}));

  const auto Tracking = Unpacked<igtl::TrackingDataMessage>(Messages[0]);
  ASSERT_EQ(Tracking->GetNumberOfTrackingDataElements(), 3);
  igtl::TrackingDataElement::Pointer Tip;
  Tracking->GetTrackingDataElement(0, Tip);
  EXPECT_STREQ(Tip->GetName(), "Sensor00");
  std::array<float, 3> P{};
  Tip->GetPosition(P.data());
  EXPECT_EQ(P, (std::array<float, 3>{100, 200, 300}));
  unsigned Seconds = 0, Fraction = 0;
  Tracking->GetTimeStamp(&Seconds, &Fraction);
  EXPECT_EQ(Seconds, 1700000000u);
  EXPECT_NEAR(Fraction / 4294967296.0, 0.25, 1e-6);

  const auto Transform = Unpacked<igtl::TransformMessage>(Messages[2]);
  igtl::Matrix4x4 M;
  Transform->GetMatrix(M);
  EXPECT_FLOAT_EQ(M[0][3], 150); // Sensor01 at x = 0.15 m
  EXPECT_FLOAT_EQ(M[0][2], 1);   // local +Z along the sensor's direction

  EXPECT_STREQ(Unpacked<igtl::StringMessage>(Messages[5])->GetString(), "12.5 mmHg");
}

TEST_F(StreamMessagesTest, PainOnlyWithPainDataAndLoopStateWhenGiven) {
  const auto Frame = StreamedFrame(2);
  Context.HasPainData = false;
  Context.LoopState = "Loop forming";
  const auto Messages = Encode(*Frame, Context);
  ASSERT_FALSE(Messages.empty());
  EXPECT_EQ(Messages.back().Device(), "LoopState");
  EXPECT_STREQ(Unpacked<igtl::StringMessage>(Messages.back())->GetString(), "Loop forming");
  for (const auto& M : Messages) {
    EXPECT_NE(M.Device(), "PatientPain");
  }
  EXPECT_EQ(PainText(3, "\xB0"
                        "C"),
            "3 ?C"); // the message says US-ASCII
}

TEST(StreamContext, LeavesThePatientNameBehindAndReadsLocalTimeAsUtc) {
  TImagerProcedure Procedure;
  support::AddPainFrames(Procedure, {});
  const TStreamContext Context = StreamContextOf(Procedure);
  EXPECT_TRUE(Context.HasPainData);
  EXPECT_EQ(Context.PainUnits, "mmHg");
  // Noon of 1 July 2023 in central Europe, under summer time, is 10:00 UTC.
  const char* SavedZone = std::getenv("TZ");
  const std::string Saved = SavedZone ? SavedZone : "";
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  ::tzset();
  EXPECT_DOUBLE_EQ(UtcSecondsOfLocalDateTime(45108.5), 1688205600);
  SavedZone ? ::setenv("TZ", Saved.c_str(), 1) : ::unsetenv("TZ");
  ::tzset();
}

} // namespace
} // namespace kestrava
