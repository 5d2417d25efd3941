#include "app/InformationBoxLines.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>

namespace kestrava {
namespace {

constexpr std::int64_t MillisecondsPerDay = 86'400'000;
// 1 January 0001 and 31 December 9999 as date-times.
constexpr std::int64_t FirstDay = -693'593;
constexpr std::int64_t LastDay = 2'958'465;

struct TSplitDateTime {
  std::int64_t Day = 0;         // whole days since 30 December 1899
  std::int64_t Millisecond = 0; // of that day
};

// Rounded to the millisecond first, so 10:59:59.9996 reads 11:00 rather than
// 10:59; before 1899 the time of day counts forward from the date's midnight,
// as the imager files' date-times always have.
TSplitDateTime SplitDateTime(double DateTime) {
  if (!std::isfinite(DateTime) || std::abs(DateTime) > static_cast<double>(LastDay + 1)) {
    return {};
  }
  const std::int64_t Milliseconds =
      std::llround(std::abs(DateTime) * static_cast<double>(MillisecondsPerDay));
  const std::int64_t Days = Milliseconds / MillisecondsPerDay;
  const TSplitDateTime Split{DateTime < 0 ? -Days : Days, Milliseconds % MillisecondsPerDay};
  if (Split.Day < FirstDay || Split.Day > LastDay) {
    return {};
  }
  return Split;
}

std::string Padded(std::int64_t Value, int Width) {
  std::string Digits = std::to_string(Value);
  if (static_cast<int>(Digits.size()) < Width) {
    Digits.insert(0, static_cast<std::size_t>(Width) - Digits.size(), '0');
  }
  return Digits;
}

std::string HoursMinutes(std::int64_t Millisecond, const std::string& Separator) {
  const std::int64_t Minutes = Millisecond / 60'000;
  return Padded(Minutes / 60, 2) + Separator + Padded(Minutes % 60, 2);
}

// The first character other than a space between a format's first two
// fields (runs of letters), a space when only spaces part them, else nothing.
std::optional<QString> FieldSeparator(const QString& Format) {
  qsizetype Position = 0;
  while (Position < Format.size() && Format[Position].isLetter()) {
    ++Position;
  }
  QString Between;
  while (Position < Format.size() && !Format[Position].isLetter()) {
    Between += Format[Position++];
  }
  if (Position == Format.size() || Between.contains(QLatin1Char('\''))) {
    return std::nullopt;
  }
  const QString Trimmed = Between.trimmed();
  return Trimmed.isEmpty() ? QStringLiteral(" ") : QString(Trimmed[0]);
}

std::string AbsolutePain(const TImagerProcedure& Procedure, double Pain) {
  return FormatFixed(Pain, 2) + " " + Procedure.PainUnits;
}

std::string FileNameOnly(const std::string& Name) {
  return std::filesystem::path(Name).filename().string();
}

std::string FileStem(const std::string& Name) {
  return std::filesystem::path(Name).stem().string();
}

void AddCurvatureLines(std::vector<std::string>& Lines, const TInformationBoxState& State) {
  if (State.SelectedCurvaturePoint == -1) {
    Lines.emplace_back("Curvature: ");
    Lines.emplace_back("Radius of curvature: ");
    return;
  }
  const double Kappa = State.Curvature;
  Lines.push_back("Curvature: \t" + FormatFixed(Kappa, 2) + " per m");
  // A nearly straight stretch has a radius too large to mean anything.
  Lines.push_back(Kappa >= 0.1 ? "Radius of curvature: " + FormatFixed(1 / Kappa, 3) + " m"
                               : "Radius of curvature: Infinite");
}

void AddReplayPainLines(std::vector<std::string>& Lines, TImagerProcedure& Procedure,
                        const TImagerFrame& Frame) {
  const bool HasReference = Procedure.GetHasReference();
  const double ReferencePain = Procedure.GetReferencePain();
  Lines.emplace_back("");
  Lines.emplace_back("Patient pain (general):");
  Lines.push_back("  Current (abs): \t" + AbsolutePain(Procedure, Frame.Pain));
  if (HasReference) {
    Lines.push_back("  Current (norm): \t" + FormatFixed(Frame.Pain / ReferencePain, 3));
  }
  Lines.push_back("  Reference: \t" + AbsolutePain(Procedure, ReferencePain));
  Lines.emplace_back("");
  Lines.emplace_back("Patient pain (analysis):");
  Lines.push_back("  Analysis interval: \t" + FormatFixed(Procedure.GetAnalysisDuration(), 2) +
                  " secs");
  if (HasReference) {
    Lines.push_back("  Max: \t" + FormatFixed(Procedure.GetMaxPain(), 3));
    Lines.push_back("  Integral: \t" + FormatFixed(Procedure.GetPainIntegral(), 3));
    Lines.push_back("  Average: \t" + FormatFixed(Procedure.GetMeanPain(), 3));
    Lines.push_back("  Standard dev: \t" + FormatFixed(Procedure.GetPainStdDev(), 3));
    Lines.push_back("  Above threshold: \t" + FormatFixed(Procedure.GetTimeAboveThreshold(), 2) +
                    " secs");
  }
}

void AddRecordingPainLines(std::vector<std::string>& Lines, TImagerProcedure& Procedure,
                           const TImagerFrame& Frame) {
  Lines.emplace_back("");
  Lines.emplace_back("Patient pain:");
  Lines.push_back("  Absolute: \t" + AbsolutePain(Procedure, Frame.Pain));
  if (Procedure.GetHasReference()) {
    Lines.push_back("  Normalised: \t" + FormatFixed(Frame.Pain / Procedure.GetReferencePain(), 3));
  }
}

} // namespace

TDateTimeSeparators DateTimeSeparatorsOf(const QLocale& Locale) {
  TDateTimeSeparators Separators;
  if (const auto Date = FieldSeparator(Locale.dateFormat(QLocale::ShortFormat))) {
    Separators.Date = Date->toStdString();
  }
  if (const auto Time = FieldSeparator(Locale.timeFormat(QLocale::ShortFormat))) {
    Separators.Time = Time->toStdString();
  }
  return Separators;
}

std::string FormatFixed(double Value, int Decimals) {
  // to_chars ignores the C locale, which Qt sets from the environment.
  std::array<char, 400> Buffer{};
  const auto [End, Error] = std::to_chars(Buffer.data(), Buffer.data() + Buffer.size(), Value,
                                          std::chars_format::fixed, Decimals);
  if (Error != std::errc{}) {
    return "?";
  }
  std::string Text(Buffer.data(), End);
  if (Text.starts_with('-') && Text.find_first_not_of("-0.") == std::string::npos) {
    Text.erase(0, 1);
  }
  return Text;
}

std::string FormatClockTime(double DateTime, const TDateTimeSeparators& Separators) {
  return HoursMinutes(SplitDateTime(DateTime).Millisecond, Separators.Time);
}

std::string FormatDate(double DateTime, const TDateTimeSeparators& Separators) {
  using namespace std::chrono;
  const sys_days Day = sys_days{1899y / December / 30} + days{SplitDateTime(DateTime).Day};
  const year_month_day Date{Day};
  return Padded(static_cast<unsigned>(Date.day()), 2) + Separators.Date +
         Padded(static_cast<unsigned>(Date.month()), 2) + Separators.Date +
         Padded(static_cast<int>(Date.year()), 4);
}

std::string FormatElapsedTime(double Days, const TDateTimeSeparators& Separators) {
  const std::int64_t Millisecond = SplitDateTime(Days).Millisecond;
  return HoursMinutes(Millisecond, Separators.Time) + Separators.Time +
         Padded(Millisecond / 1000 % 60, 2);
}

std::string ProcedureTypeShortText(std::int32_t ProcedureType) {
  switch (ProcedureType) {
  case ProcedureColonoscopy:
    return "Colon";
  case ProcedureTop:
    return "Top";
  case ProcedurePeg:
    return "Peg";
  default:
    return "Unknown";
  }
}

TInformationBoxText InformationBoxLines(const TInformationBoxState& State,
                                        TImagerProcedure& Procedure, const TImagerFrame& Frame,
                                        const QLocale& Locale) {
  TInformationBoxText Text;
  const bool Replay = State.Mode == 1;
  if (!Replay && State.Mode != 2) {
    return Text;
  }
  const TDateTimeSeparators Separators = DateTimeSeparatorsOf(Locale);
  std::vector<std::string>& Lines = Text.Lines;
  Lines.push_back("File name:\t" + FileNameOnly(State.CurrentFileName));
  Lines.push_back("Patient name:\t" + Procedure.PatientName);
  Lines.push_back("Procedure type: \t" + ProcedureTypeShortText(Procedure.ProcedureType));
  if (Replay) {
    Lines.push_back("Num frames: \t" + std::to_string(Procedure.FrameCount()));
  } else {
    Lines.push_back("Sensor: \t" + FileStem(State.SensorFileName));
  }
  Lines.push_back("Current frame: \t" + std::to_string(State.CurrentFrame));
  Lines.push_back("Procedure time: \t" + FormatClockTime(Procedure.StartTime, Separators));
  Lines.push_back("Procedure date: \t" + FormatDate(Procedure.StartTime, Separators));
  Lines.push_back("Elapsed time: \t" + FormatElapsedTime(Frame.Time, Separators));
  Lines.push_back("Scope length: \t" + FormatFixed(State.ScopeLength, 2));
  if (Replay) {
    AddCurvatureLines(Lines, State);
  }
  if (Procedure.HasPainData) {
    Replay ? AddReplayPainLines(Lines, Procedure, Frame)
           : AddRecordingPainLines(Lines, Procedure, Frame);
  }
  return Text;
}

std::string ModelInformationLine(const TFrameCheck& Check) {
  return Check.Sound() ? std::string() : std::string("Model:\t") + FrameFaultText(Check.Fault);
}

std::string FrameProblemLine(const TFrameCheck& Check) {
  return Check.Sound() ? std::string() : "Model incomplete: " + FrameCheckText(Check);
}

} // namespace kestrava
