#include "tools/LoopTruthFile.h"

#include "drivers/simulator/SimulatedProcedure.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string_view>

namespace kestrava {

namespace {

// The loops' columns, which every truth file starts with, and the tip's.
constexpr std::string_view LoopHeader =
    "frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m";
constexpr std::string_view TipHeader = ",segment,depth_m,caecum_arrival_s";
// A row of the file is far shorter; a longer line is not a truth file.
constexpr std::size_t LongestLine = 256;

std::vector<std::string> SplitCells(const std::string& Line) {
  std::vector<std::string> Cells(1);
  for (const char C : Line) {
    if (C == ',') {
      Cells.emplace_back();
    } else if (C != '\r') {
      Cells.back() += C;
    }
  }
  return Cells;
}

double ParseNumber(const std::string& Cell, const std::string& Where) {
  double Value = 0;
  const auto [End, Code] = std::from_chars(Cell.data(), Cell.data() + Cell.size(), Value);
  if (Code != std::errc() || End != Cell.data() + Cell.size() || !std::isfinite(Value)) {
    throw Exception(Where + ": '" + Cell + "' is not a number");
  }
  return Value;
}

std::optional<double> ParseOptionalNumber(const std::string& Cell, const std::string& Where) {
  return Cell.empty() ? std::nullopt : std::optional<double>(ParseNumber(Cell, Where));
}

TLoopTruthRow ParseRow(const std::string& Line, bool WithTip, const std::string& Where) {
  const std::vector<std::string> Cells = SplitCells(Line);
  const std::size_t Expected = WithTip ? 8 : 5;
  if (Cells.size() != Expected) {
    throw Exception(Where + ": expected " + std::to_string(Expected) + " cells");
  }
  TLoopTruthRow Row;
  const double Frame = ParseNumber(Cells[0], Where);
  if (Frame < 1 || Frame > 1e9 || Frame != std::floor(Frame)) {
    throw Exception(Where + ": the frame number must be a whole number from 1");
  }
  Row.Frame = static_cast<std::int32_t>(Frame);
  Row.TimeSeconds = ParseNumber(Cells[1], Where);
  const std::optional<TLoopClass> Class = ParseLoopClass(Cells[2]);
  if (!Class) {
    throw Exception(Where + ": '" + Cells[2] + "' is not a loop class");
  }
  Row.Class = *Class;
  Row.HasExtent = !Cells[3].empty() || !Cells[4].empty();
  if (Row.HasExtent) {
    Row.ExtentNear = ParseNumber(Cells[3], Where);
    Row.ExtentFar = ParseNumber(Cells[4], Where);
  }
  if (WithTip) {
    Row.Segment = ParseColonSegment(Cells[5]);
    if (!Row.Segment) {
      throw Exception(Where + ": '" + Cells[5] + "' is not a colon segment");
    }
    Row.Depth = ParseOptionalNumber(Cells[6], Where);
    Row.CaecumArrival = ParseOptionalNumber(Cells[7], Where);
  }
  return Row;
}

// The next line without its end, read no further than LongestLine + 1
// characters so that a file without line ends is refused, not swallowed.
bool ReadBoundedLine(std::istream& In, std::string& Line) {
  Line.clear();
  char C = 0;
  bool Any = false;
  while (In.get(C)) {
    Any = true;
    if (C == '\n') {
      return true;
    }
    if (Line.size() > LongestLine) {
      return true; // the caller refuses it
    }
    Line += C;
  }
  return Any;
}

} // namespace

void WriteSimulatorTruth(const std::string& RecordingPath, const std::string& DspPath,
                         const std::string& TruthPath) {
  simulator::TSimulatorSettings Settings;
  std::string Error;
  if (!simulator::LoadSimulatorSettings(DspPath, Settings, Error)) {
    throw Exception("Cannot read the simulator settings: " + Error);
  }
  const simulator::TSimulatedProcedure Model(Settings);
  TImagerProcedure Recording;
  Recording.LoadFromFile(RecordingPath);
  std::ofstream Out(TruthPath, std::ios::binary);
  Out << LoopHeader << TipHeader << '\n' << std::setprecision(17);
  const std::optional<double> Arrival = Model.CaecumArrival();
  for (std::int32_t I = 0; I < Recording.FrameCount(); ++I) {
    const double Seconds = Recording.GetFrame(I).Time * SecondsPerDay;
    const simulator::TLoopTruth Truth = Model.TruthAt(Seconds);
    Out << I + 1 << ',' << Seconds << ','
        << (Truth.Present ? simulator::LoopKindText(Truth.Kind) : "none") << ',';
    if (Truth.Present) {
      Out << Truth.ExtentNear << ',' << Truth.ExtentFar;
    } else {
      Out << ',';
    }
    const double Depth = Model.StateAt(Seconds).TipArc;
    Out << ',' << simulator::ColonPartText(Model.Path().PartAt(Depth)) << ',';
    if (Depth > 0) {
      Out << Depth;
    }
    Out << ',';
    if (Arrival && *Arrival <= Seconds) {
      Out << *Arrival;
    }
    Out << '\n';
  }
  if (!Out.flush()) {
    throw Exception("Cannot write file: " + TruthPath);
  }
}

std::vector<TLoopTruthRow> ReadLoopTruth(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) {
    throw Exception("Cannot open file: " + Path);
  }
  std::vector<TLoopTruthRow> Rows;
  std::string Line;
  std::size_t LineNumber = 0;
  bool WithTip = false;
  while (ReadBoundedLine(In, Line)) {
    ++LineNumber;
    const std::string Where = Path + " line " + std::to_string(LineNumber);
    if (Line.size() > LongestLine) {
      throw Exception(Where + ": the line is too long");
    }
    if (!Line.empty() && Line.back() == '\r') {
      Line.pop_back();
    }
    if (LineNumber == 1) {
      WithTip = Line == std::string(LoopHeader) + std::string(TipHeader);
      if (!WithTip && Line != LoopHeader) {
        throw Exception(Where + ": not a loop truth file (expected the header " +
                        std::string(LoopHeader) + ")");
      }
      continue;
    }
    if (Line.empty()) {
      continue;
    }
    if (Rows.size() == MaxTruthRows) {
      throw Exception(Where + ": more than " + std::to_string(MaxTruthRows) + " rows");
    }
    Rows.push_back(ParseRow(Line, WithTip, Where));
  }
  if (LineNumber == 0) {
    throw Exception(Path + ": not a loop truth file (empty)");
  }
  return Rows;
}

} // namespace kestrava
