#include "drivers/igtlink/TrackedNames.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kestrava::igtlink {

namespace {

constexpr double MetresPerMillimetre = 0.001;
// A rotation's column is a unit vector; one this short is no rotation at all.
constexpr double ShortestAxis = 1e-3;

bool IsFinite(const TVector3& V) {
  return std::isfinite(V.X) && std::isfinite(V.Y) && std::isfinite(V.Z);
}

TNameUpdate PoseUpdate(std::size_t Index, const TWirePose& Pose) {
  TNameUpdate Update;
  Update.Index = Index;
  const double Length = VectorLength(Pose.AxisZ);
  Update.Measured = IsFinite(Pose.TranslationMillimetres) && IsFinite(Pose.AxisZ) &&
                    std::isfinite(Length) && Length > ShortestAxis;
  if (Update.Measured) {
    Update.Position = ScaleVector(Pose.TranslationMillimetres, MetresPerMillimetre);
    Update.Direction = ScaleVector(Pose.AxisZ, 1 / Length);
  }
  return Update;
}

// "VALUE UNITS" as Kestrava's stream sends it, or any text that starts with
// a number; the units are the calibration's business, not the sender's.
TNameUpdate PainUpdate(const std::string& Text) {
  TNameUpdate Update;
  Update.Index = PainIndex;
  const char* Begin = Text.data();
  const char* End = Begin + Text.size();
  while (Begin != End && (*Begin == ' ' || *Begin == '\t')) {
    ++Begin;
  }
  double Value = 0;
  const auto [Next, Code] = std::from_chars(Begin, End, Value);
  Update.Measured =
      Code == std::errc() && std::isfinite(Value) && (Next == End || *Next == ' ' || *Next == '\t');
  Update.Pain = Update.Measured ? Value : 0;
  return Update;
}

} // namespace

std::size_t TTrackedNames::IndexOf(const std::string& Name) const {
  if (Name.empty()) {
    return TrackedCount;
  }
  return static_cast<std::size_t>(std::find(Names_.begin(), Names_.end(), Name) - Names_.begin());
}

void TTrackedNames::Translate(const TTrackerMessage& Message, std::vector<TNameUpdate>& Updates) {
  switch (Message.Kind) {
  case TTrackerMessage::TKind::Transform: {
    const std::size_t Index = IndexOf(Message.Device);
    if (Index < PainIndex) {
      Updates.push_back(PoseUpdate(Index, Message.Poses.front()));
      TrackingDataDevice_[Index].reset();
    }
    break;
  }
  case TTrackerMessage::TKind::TrackingData:
    TranslateTrackingData(Message, Updates);
    break;
  case TTrackerMessage::TKind::Text:
    if (IndexOf(Message.Device) == PainIndex) {
      Updates.push_back(PainUpdate(Message.Text));
    }
    break;
  }
}

void TTrackedNames::TranslateTrackingData(const TTrackerMessage& Message,
                                          std::vector<TNameUpdate>& Updates) {
  std::array<bool, TrackedCount> Given{};
  for (const TWirePose& Pose : Message.Poses) {
    const std::size_t Index = IndexOf(Pose.Name);
    if (Index < PainIndex) {
      Updates.push_back(PoseUpdate(Index, Pose));
      TrackingDataDevice_[Index] = Message.Device;
      Given[Index] = true;
    }
  }
  for (std::size_t Index = 0; Index < PainIndex; ++Index) {
    if (!Given[Index] && TrackingDataDevice_[Index] == Message.Device) {
      TrackingDataDevice_[Index].reset();
      Updates.push_back({Index, false, {}, {}, 0});
    }
  }
}

} // namespace kestrava::igtlink
