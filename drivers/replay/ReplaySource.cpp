#include "drivers/replay/ReplaySource.h"

#include "drivers/SettingsText.h"
#include "foundation/QelExceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kestrava::replay {

namespace {

// Closer than this to a slot (metres) is on the slot: a re-recording through
// the same catheter then gets the recorded slots back exactly, although the
// file keeps segment lengths only to single precision.
constexpr double OnSlot = 1e-5;
// A frame is shown from this long before its stored time: stored times carry
// about a microsecond of rounding, and a re-recording that samples exactly
// on the second must still meet the frame of that second.
constexpr double EarlyShow = 1e-3;

TVector3 UnitOr(const TVector3& V, const TVector3& Fallback) {
  const double Length = VectorLength(V);
  return Length > 1e-12 && std::isfinite(Length) ? ScaleVector(V, 1 / Length) : Fallback;
}

constexpr TVector3 Forward{0, 0, 1};

// Applies one "keyword value" line; the reason when it cannot.
std::string ApplySetting(std::string_view Keyword, std::string_view Value,
                         const std::filesystem::path& Directory, TReplaySettings& Settings) {
  if (Keyword == "file") {
    if (Value.empty()) {
      return "file needs a path";
    }
    const std::filesystem::path File{std::string(Value)};
    Settings.File = File.is_absolute() ? File : Directory / File;
    return {};
  }
  if (Keyword == "sample_rate") {
    double Rate = 0;
    const auto [End, Code] = std::from_chars(Value.data(), Value.data() + Value.size(), Rate);
    if (Code != std::errc() || End != Value.data() + Value.size() || !(Rate >= 2 && Rate <= 1000)) {
      return "sample_rate must be a number between 2 and 1000";
    }
    Settings.SampleRate = Rate;
    return {};
  }
  if (Keyword == "pacing") {
    if (Value != "realtime" && Value != "none") {
      return "pacing must be 'realtime' or 'none'";
    }
    Settings.RealTime = Value == "realtime";
    return {};
  }
  if (Keyword == "loop") {
    if (Value != "yes" && Value != "no") {
      return "loop must be 'yes' or 'no'";
    }
    Settings.Loop = Value == "yes";
    return {};
  }
  return "unknown setting '" + std::string(Keyword) + "'";
}

} // namespace

bool LoadReplaySettings(const std::filesystem::path& Path, TReplaySettings& Settings,
                        std::string& Error) {
  const auto Parse = [&](std::string_view Text, std::string& Why) {
    TReplaySettings Parsed;
    const bool Read = ForEachSettingsLine(
        Text,
        [&](std::string_view Line) {
          const auto [Keyword, Value] = FirstSettingWord(Line);
          std::string Problem = ApplySetting(Keyword, Value, Path.parent_path(), Parsed);
          if (!Problem.empty()) {
            throw TSettingsError{std::move(Problem)};
          }
        },
        Why);
    if (!Read) {
      return false;
    }
    if (Parsed.File.empty()) {
      Why = "names no imager file";
      return false;
    }
    Settings = std::move(Parsed);
    return true;
  };
  return LoadSettingsFile(Path, MaxReplaySettingsBytes, Parse, Error);
}

TReplaySource::TReplaySource(const std::filesystem::path& File, bool Loop) {
  Procedure_.LoadFromFile(File.string());
  if (Procedure_.FrameCount() == 0) {
    throw Exception("The imager file has no frames");
  }
  if (Loop) {
    const std::int32_t Count = Procedure_.FrameCount();
    const double Last = Procedure_.GetFrame(Count - 1).Time * SecondsPerDay;
    const double First = Procedure_.GetFrame(0).Time * SecondsPerDay;
    const double Interval = Count > 1 ? (Last - First) / (Count - 1) : 1.0;
    LoopPeriod_ = Last + (Interval > 0 ? Interval : 1.0);
  }
  // Markers are placed one by one as a recording starts: the first frame
  // with the most of them holds the whole set.
  std::ptrdiff_t Most = 0;
  for (std::int32_t I = 0; I < Procedure_.FrameCount(); ++I) {
    const auto& Valid = Procedure_.GetFrame(I).MarkerValid;
    const std::ptrdiff_t Count = std::count(Valid.begin(), Valid.end(), true);
    if (Count > Most) {
      Most = Count;
      MarkedFrame_ = I;
    }
  }
}

const TImagerFrame& TReplaySource::FrameAt(double T) const {
  if (LoopPeriod_ > 0 && T >= LoopPeriod_) {
    T = std::fmod(T, LoopPeriod_);
  }
  // The last frame at or before T: frames are in time order.
  std::int32_t Low = 0, High = Procedure_.FrameCount() - 1;
  while (Low < High) {
    const std::int32_t Middle = Low + (High - Low + 1) / 2;
    if (Procedure_.GetFrame(Middle).Time * SecondsPerDay <= T + EarlyShow) {
      Low = Middle;
    } else {
      High = Middle - 1;
    }
  }
  return Procedure_.GetFrame(Low);
}

std::uint32_t TReplaySource::ButtonsAt(double T) const {
  if (MarkedFrame_ < 0) {
    return 0;
  }
  const TImagerFrame& Marked = Procedure_.GetFrame(MarkedFrame_);
  int Order = 0;
  for (std::size_t I = 0; I < Marked.MarkerValid.size(); ++I) {
    if (!Marked.MarkerValid[I]) {
      continue;
    }
    const double From = Order++ * MarkerPressInterval;
    if (T >= From && T < From + MarkerPressSeconds) {
      return 1u << I;
    }
  }
  return 0;
}

TReplayReading TReplaySource::EndoscopeSensor(const TImagerFrame& Frame, double DistanceFromTip) {
  const std::size_t Count = static_cast<std::size_t>(std::clamp(Frame.SensorCount, 0, MaxSensors));
  const auto Slot = [&](std::size_t I) -> TReplayReading {
    if (!Frame.SensorValid[I]) {
      return {};
    }
    // The file holds the endoscope's direction towards the operator; the
    // sensor points the other way.
    return {true, Frame.SensorPosition[I], UnitOr(NegateVector(Frame.SensorDirection[I]), Forward)};
  };
  double FromTip = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    if (std::abs(DistanceFromTip - FromTip) <= OnSlot) {
      return Slot(I);
    }
    if (I + 1 == Count) {
      break;
    }
    const double Length = Frame.SegmentLength[I];
    if (std::isfinite(Length) && Length > 0 && DistanceFromTip > FromTip &&
        DistanceFromTip < FromTip + Length) {
      const TReplayReading A = Slot(I), B = Slot(I + 1);
      if (!A.Measured || !B.Measured) {
        return {};
      }
      const double T = (DistanceFromTip - FromTip) / Length;
      const TVector3 Position =
          AddVectors(A.Position, ScaleVector(SubtractVectors(B.Position, A.Position), T));
      const TVector3 Direction = UnitOr(
          AddVectors(ScaleVector(A.Direction, 1 - T), ScaleVector(B.Direction, T)), A.Direction);
      return {true, Position, Direction};
    }
    if (std::isfinite(Length)) {
      FromTip += Length;
    }
  }
  return {};
}

TReplayReading TReplaySource::Remote(double T) const {
  const std::uint32_t Buttons = ButtonsAt(T);
  if (Buttons != 0) {
    const TImagerFrame& Marked = Procedure_.GetFrame(MarkedFrame_);
    std::size_t Index = 0;
    while ((Buttons & (1u << Index)) == 0) {
      ++Index;
    }
    return {true, Marked.MarkerPosition[Index], UnitOr(Marked.MarkerDirection[Index], Forward)};
  }
  const TImagerFrame& Frame = FrameAt(T);
  if (!Frame.HandValid) {
    return {};
  }
  return {true, Frame.HandPosition, UnitOr(Frame.HandDirection, Forward)};
}

TReplayReading TReplaySource::Overtube(const TImagerFrame& Frame) {
  if (Frame.OvertubeKind == 1 && Frame.OvertubeData1.Valid) {
    return {true, SingleToVector3(Frame.OvertubeData1.Position), Forward};
  }
  if (Frame.OvertubeKind == 2 && Frame.OvertubeData2.Valid) {
    return {true, SingleToVector3(Frame.OvertubeData2.Position), Forward};
  }
  return {};
}

} // namespace kestrava::replay
