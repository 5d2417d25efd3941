#include "drivers/simulator/SimulatorSettings.h"

#include "drivers/SettingsText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <set>
#include <sstream>

namespace kestrava::simulator {

namespace {

using TWords = std::vector<std::string_view>;

TWords SplitWords(std::string_view Line) {
  TWords Words;
  std::size_t I = 0;
  while (I < Line.size()) {
    while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t' || Line[I] == '\r')) {
      ++I;
    }
    const std::size_t Start = I;
    while (I < Line.size() && Line[I] != ' ' && Line[I] != '\t' && Line[I] != '\r') {
      ++I;
    }
    if (I > Start) {
      Words.push_back(Line.substr(Start, I - Start));
    }
  }
  return Words;
}

double ParseReal(std::string_view Word) {
  double Value = 0;
  const char* End = Word.data() + Word.size();
  const auto [Next, Code] = std::from_chars(Word.data(), End, Value);
  if (Code != std::errc() || Next != End || !std::isfinite(Value)) {
    throw TSettingsError{"'" + std::string(Word) + "' is not a number"};
  }
  return Value;
}

std::uint64_t ParseUnsigned(std::string_view Word) {
  int Base = 10;
  if (Word.size() > 2 && Word[0] == '0' && (Word[1] == 'x' || Word[1] == 'X')) {
    Word.remove_prefix(2);
    Base = 16;
  }
  std::uint64_t Value = 0;
  const char* End = Word.data() + Word.size();
  const auto [Next, Code] = std::from_chars(Word.data(), End, Value, Base);
  if (Code != std::errc() || Next != End || Word.empty()) {
    throw TSettingsError{"'" + std::string(Word) + "' is not a whole number"};
  }
  return Value;
}

double InRange(double Value, double Low, double High, const char* What) {
  if (Value < Low || Value > High) {
    std::ostringstream Text;
    Text << What << " must lie between " << Low << " and " << High;
    throw TSettingsError{Text.str()};
  }
  return Value;
}

double Time(std::string_view Word) {
  return InRange(ParseReal(Word), 0, 1e7, "a time");
}

constexpr std::array<const char*, 6> LoopKindTexts = {"alpha", "reverse-alpha", "n",
                                                      "gamma", "reverse-gamma", "deep-transverse"};

TLoopKind ParseLoopKind(std::string_view Word) {
  for (std::size_t Index = 0; Index < LoopKindTexts.size(); ++Index) {
    if (Word == LoopKindTexts[Index]) {
      return static_cast<TLoopKind>(Index);
    }
  }
  throw TSettingsError{"'" + std::string(Word) +
                       "' is not a loop (alpha, reverse-alpha, n, gamma, reverse-gamma, "
                       "deep-transverse)"};
}

// Colon metres from the anus, negative outside it; a tip further out than
// the field reaches would not be measured.
double TipDepth(std::string_view Word) {
  return InRange(ParseReal(Word), -0.4, 0.5, "a depth at rest");
}

double LoopDuration(std::string_view Word) {
  return InRange(ParseReal(Word), 0.1, 1e5, "a loop's durations");
}

struct TKeyword {
  std::size_t Values;
  bool Repeatable;
  std::function<void(const TWords&, TSimulatorSettings&)> Apply;
};

const std::vector<std::pair<std::string_view, TKeyword>>& Keywords() {
  static const std::vector<std::pair<std::string_view, TKeyword>> Table = {
      {"seed",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.Seed = ParseUnsigned(W[1]);
        }}},
      {"sample_rate",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.SampleRate = InRange(ParseReal(W[1]), 2, 1000, "sample_rate");
        }}},
      {"pacing",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          if (W[1] != "realtime" && W[1] != "none") {
            throw TSettingsError{"pacing must be 'realtime' or 'none'"};
          }
          S.RealTime = W[1] == "realtime";
        }}},
      {"insertion_start",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.InsertionStart = Time(W[1]);
        }}},
      {"insertion_speed",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.InsertionSpeed = InRange(ParseReal(W[1]), 0.0001, 1, "insertion_speed");
        }}},
      {"loop_amplitude",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.LoopAmplitude = InRange(ParseReal(W[1]), 0, 0.3, "loop_amplitude");
        }}},
      {"straighten_duration",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.StraightenDuration = Time(W[1]);
        }}},
      {"caecum_hold",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.CaecumHold = Time(W[1]);
        }}},
      {"start_depth",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.StartDepth = TipDepth(W[1]);
        }}},
      {"end_depth",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.EndDepth = TipDepth(W[1]);
        }}},
      {"turn_back",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.TurnBackDepth = InRange(ParseReal(W[1]), 0.05, 3, "turn_back");
        }}},
      {"readvance",
       {3, true,
        [](const TWords& W, TSimulatorSettings& S) {
          S.Readvances.push_back({InRange(ParseReal(W[1]), 0, 3, "a readvance's depth"),
                                  InRange(ParseReal(W[2]), 0, 0.5, "a readvance's distance"),
                                  InRange(ParseReal(W[3]), 0, 1e5, "a readvance's hold")});
        }}},
      {"position_noise",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.PositionNoise = InRange(ParseReal(W[1]), 0, 0.05, "position_noise");
        }}},
      {"direction_noise",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.DirectionNoise = InRange(ParseReal(W[1]), 0, 0.5, "direction_noise");
        }}},
      {"pain_baseline",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.PainBaseline = InRange(ParseReal(W[1]), 0, 1000, "pain_baseline");
        }}},
      {"pain_loop",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.PainLoop = InRange(ParseReal(W[1]), 0, 1000, "pain_loop");
        }}},
      {"pain_noise",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.PainNoise = InRange(ParseReal(W[1]), 0, 100, "pain_noise");
        }}},
      {"sample_timeout",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.SampleTimeoutAt = Time(W[1]);
        }}},
      {"pain_timeout",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.PainTimeoutAt = Time(W[1]);
        }}},
      {"clock_stops",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          S.ClockStopsAt = Time(W[1]);
        }}},
      {"coils_disconnected",
       {2, true,
        [](const TWords& W, TSimulatorSettings& S) {
          const TTimeInterval Interval{Time(W[1]), Time(W[2])};
          if (Interval.Until <= Interval.From) {
            throw TSettingsError{"the interval must end after it starts"};
          }
          S.CoilsDisconnected.push_back(Interval);
        }}},
      {"fail_initialise",
       {0, false,
        [](const TWords&, TSimulatorSettings& S) {
          S.FailInitialise = true;
        }}},
      {"fail_pain_initialise",
       {1, false,
        [](const TWords& W, TSimulatorSettings& S) {
          const std::uint64_t Count = ParseUnsigned(W[1]);
          if (Count > 1000) {
            throw TSettingsError{"fail_pain_initialise is at most 1000"};
          }
          S.FailPainInitialise = static_cast<std::int32_t>(Count);
        }}},
      {"press",
       {3, true,
        [](const TWords& W, TSimulatorSettings& S) {
          const double At = Time(W[1]);
          const double Duration = InRange(ParseReal(W[2]), 1e-6, 1e7, "the duration");
          const std::uint64_t Mask = ParseUnsigned(W[3]);
          if (Mask == 0 || Mask > AllRemoteButtons) {
            throw TSettingsError{"the button mask must lie between 0x1 and 0x3FF"};
          }
          S.Presses.push_back({At, Duration, static_cast<std::uint32_t>(Mask)});
        }}},
      {"loop",
       {4, true,
        [](const TWords& W, TSimulatorSettings& S) {
          S.Loops.push_back(
              {ParseLoopKind(W[1]), LoopDuration(W[2]), LoopDuration(W[3]), LoopDuration(W[4])});
        }}},
  };
  return Table;
}

const TKeyword* FindKeyword(std::string_view Name) {
  for (const auto& [Key, Keyword] : Keywords()) {
    if (Key == Name) {
      return &Keyword;
    }
  }
  return nullptr;
}

void ApplyLine(const TWords& Words, TSimulatorSettings& Settings,
               std::set<std::string_view>& Seen) {
  const TKeyword* Keyword = FindKeyword(Words[0]);
  if (Keyword == nullptr) {
    throw TSettingsError{"unknown setting '" + std::string(Words[0]) + "'"};
  }
  if (Words.size() != Keyword->Values + 1) {
    throw TSettingsError{std::string(Words[0]) + " takes " + std::to_string(Keyword->Values) +
                         " value(s)"};
  }
  // A scalar given twice is almost always an edit that forgot the first one.
  if (!Keyword->Repeatable && !Seen.insert(Words[0]).second) {
    throw TSettingsError{std::string(Words[0]) + " is given more than once"};
  }
  Keyword->Apply(Words, Settings);
  if (Settings.Presses.size() + Settings.CoilsDisconnected.size() + Settings.Loops.size() +
          Settings.Readvances.size() >
      MaxScriptedEvents) {
    throw TSettingsError{"more than " + std::to_string(MaxScriptedEvents) + " scripted events"};
  }
}

} // namespace

const char* LoopKindText(TLoopKind Kind) {
  return LoopKindTexts[static_cast<std::size_t>(Kind)];
}

std::uint32_t TSimulatorSettings::ButtonsAt(double T) const {
  std::uint32_t Mask = 0;
  for (const TButtonPress& Press : Presses) {
    if (T >= Press.At && T < Press.At + Press.Duration) {
      Mask |= Press.Mask;
    }
  }
  return Mask;
}

bool TSimulatorSettings::CoilsDisconnectedAt(double T) const {
  for (const TTimeInterval& Interval : CoilsDisconnected) {
    if (T >= Interval.From && T < Interval.Until) {
      return true;
    }
  }
  return false;
}

bool ParseSimulatorSettings(std::string_view Text, TSimulatorSettings& Settings,
                            std::string& Error) {
  TSimulatorSettings Parsed = Settings;
  std::set<std::string_view> Seen;
  const bool Read = ForEachSettingsLine(
      Text, [&](std::string_view Line) { ApplyLine(SplitWords(Line), Parsed, Seen); }, Error);
  if (Read) {
    Settings = std::move(Parsed);
    Error.clear();
  }
  return Read;
}

bool LoadSimulatorSettings(const std::filesystem::path& Path, TSimulatorSettings& Settings,
                           std::string& Error) {
  const std::string Name = Path.filename().string();
  std::string Text;
  if (!ReadSettingsFile(Path, MaxSettingsFileBytes, Text, Error)) {
    return false;
  }
  if (Text.size() > MaxSettingsFileBytes) {
    Error = Name + " is larger than " + std::to_string(MaxSettingsFileBytes) + " bytes";
    return false;
  }
  if (Text.find('\0') != std::string::npos) {
    Error = Name + " is not a text file";
    return false;
  }
  if (!ParseSimulatorSettings(Text, Settings, Error)) {
    Error = Name + " " + Error;
    return false;
  }
  return true;
}

} // namespace kestrava::simulator
