#include "tools/FramesCommand.h"

#include "imagerdata/ImagerProcedure.h"
#include "tools/DisplayText.h"
#include "tools/FrameRange.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

// SensorCount as a bound for the slot arrays: a frame built in memory is not
// guaranteed to respect 0..16, and reading past the arrays must not happen.
int UsedSlots(const TImagerFrame& Frame) {
  return std::clamp(Frame.SensorCount, 0, MaxSensors);
}

TJson PoseJson(bool Valid, const TVector3& Position, const TVector3& Direction) {
  TJson Pose;
  Pose["valid"] = Valid;
  Pose["position"] = JsonVector(Position);
  Pose["direction"] = JsonVector(Direction);
  return Pose;
}

TJson OvertubeJson(const TImagerFrame& Frame) {
  TJson Overtube;
  if (Frame.OvertubeKind == 1) {
    const TOvertubeData1& Data = Frame.OvertubeData1;
    Overtube["length1"] = JsonNumber(Data.Length1);
    Overtube["length2"] = 0.0;
    Overtube["length3"] = JsonNumber(Data.Length3);
    Overtube["valid"] = Data.Valid;
    Overtube["position"] = JsonVector(Data.Position);
  } else if (Frame.OvertubeKind == 2) {
    const TOvertubeData2& Data = Frame.OvertubeData2;
    Overtube["length1"] = JsonNumber(Data.Length1);
    Overtube["length2"] = JsonNumber(Data.Length2);
    Overtube["length3"] = JsonNumber(Data.Length3);
    Overtube["valid"] = Data.Valid;
    Overtube["position"] = JsonVector(Data.Position);
  }
  return Overtube;
}

TJson FrameJson(const TImagerFrame& Frame, int FrameNumber) {
  const int Slots = UsedSlots(Frame);
  TJson Sensors = TJson::array();
  for (int Slot = 0; Slot < Slots; ++Slot)
    Sensors.push_back(
        PoseJson(Frame.SensorValid[Slot], Frame.SensorPosition[Slot], Frame.SensorDirection[Slot]));
  TJson Segments = TJson::array();
  for (int Segment = 0; Segment + 1 < Slots; ++Segment)
    Segments.push_back(JsonNumber(Frame.SegmentLength[Segment]));
  TJson Markers = TJson::array();
  for (int Marker = 0; Marker < MarkerCount; ++Marker)
    Markers.push_back(PoseJson(Frame.MarkerValid[Marker], Frame.MarkerPosition[Marker],
                               Frame.MarkerDirection[Marker]));

  TJson Json;
  Json["frame"] = FrameNumber;
  Json["time"] = JsonNumber(Frame.Time);
  Json["time_seconds"] = JsonNumber(Frame.Time * SecondsPerDay);
  Json["sensor_count"] = Frame.SensorCount;
  Json["tube_radius"] = JsonNumber(Frame.TubeRadius);
  Json["endoscope_valid"] = Frame.EndoscopeValid;
  Json["sensors"] = std::move(Sensors);
  Json["segment_lengths"] = std::move(Segments);
  Json["markers"] = std::move(Markers);
  Json["hand"] = PoseJson(Frame.HandValid, Frame.HandPosition, Frame.HandDirection);
  Json["pain_valid"] = Frame.PainValid;
  Json["pain"] = JsonNumber(Frame.Pain);
  Json["overtube_kind"] = Frame.OvertubeKind;
  Json["overtube"] =
      (Frame.OvertubeKind == 1 || Frame.OvertubeKind == 2) ? OvertubeJson(Frame) : TJson(nullptr);
  return Json;
}

const char* CsvFlag(bool Value) {
  return Value ? "1" : "0";
}

void AppendCell(std::string& Row, const std::string& Cell) {
  Row += ',';
  Row += Cell;
}

void AppendVectorCells(std::string& Row, const TVector3& Value) {
  for (std::size_t Axis = 0; Axis < 3; ++Axis)
    AppendCell(Row, FormatNumber(Value[Axis]));
}

// The seven columns of a position and direction with its validity flag.
std::string PoseColumns(const std::string& Prefix) {
  std::string Columns;
  for (const char* Column : {"valid", "x", "y", "z", "dx", "dy", "dz"})
    Columns += "," + Prefix + Column;
  return Columns;
}

void AppendPoseCells(std::string& Row, bool Valid, const TVector3& Position,
                     const TVector3& Direction) {
  AppendCell(Row, CsvFlag(Valid));
  AppendVectorCells(Row, Position);
  AppendVectorCells(Row, Direction);
}

std::string FrameTextLine(const TImagerFrame& Frame, int FrameNumber) {
  const auto MarkersValid = std::count(Frame.MarkerValid.begin(), Frame.MarkerValid.end(), true);
  std::string Line =
      "Frame " + std::to_string(FrameNumber) + ": " + FormatReadable(Frame.Time * SecondsPerDay) +
      " s, " + std::to_string(Frame.SensorCount) + " sensors, endoscope " +
      (Frame.EndoscopeValid ? "valid" : "not valid") + ", " + std::to_string(MarkersValid) +
      " markers, hand " + (Frame.HandValid ? "valid" : "not valid") + ", pain ";
  Line += Frame.PainValid ? FormatReadable(Frame.Pain) : std::string("none");
  if (Frame.OvertubeKind != 0)
    Line += ", overtube kind " + std::to_string(Frame.OvertubeKind);
  return Line;
}

// Writes the frames First..Last (indexes) in the chosen form.
void WriteFrames(std::ostream& Out, const TImagerProcedure& Procedure, int First, int Last,
                 TFramesFormat Format) {
  if (Format == TFramesFormat::Csv)
    Out << FramesCsvHeader() << '\n';
  if (Format == TFramesFormat::Json)
    Out << '[';
  for (int Index = First; Index <= Last; ++Index) {
    const TImagerFrame& Frame = Procedure.GetFrame(Index);
    const int Number = FrameNumberOfIndex(Index);
    if (Format == TFramesFormat::Json) {
      Out << (Index == First ? "\n" : ",\n");
      WriteJson(Out, FrameJson(Frame, Number));
    } else if (Format == TFramesFormat::Csv) {
      Out << FramesCsvRow(Frame, Number) << '\n';
    } else {
      Out << FrameTextLine(Frame, Number) << '\n';
    }
  }
  if (Format == TFramesFormat::Json)
    Out << (First <= Last ? "\n]\n" : "]\n");
}

} // namespace

std::string FramesCsvHeader() {
  std::string Header = "frame,time,time_seconds,sensor_count,tube_radius,endoscope_valid,"
                       "pain_valid,pain,overtube_kind";
  for (int Slot = 0; Slot < MaxSensors; ++Slot)
    Header += PoseColumns("sensor" + std::to_string(Slot) + "_");
  for (int Segment = 0; Segment < MaxSegments; ++Segment)
    Header += ",segment_length" + std::to_string(Segment);
  // Markers are numbered 1-6 as the remote's buttons are.
  for (int Marker = 0; Marker < MarkerCount; ++Marker)
    Header += PoseColumns("marker" + std::to_string(Marker + 1) + "_");
  Header += PoseColumns("hand_");
  return Header;
}

std::string FramesCsvRow(const TImagerFrame& Frame, int FrameNumber) {
  std::string Row = std::to_string(FrameNumber);
  AppendCell(Row, FormatNumber(Frame.Time));
  AppendCell(Row, FormatNumber(Frame.Time * SecondsPerDay));
  AppendCell(Row, std::to_string(Frame.SensorCount));
  AppendCell(Row, FormatNumber(Frame.TubeRadius));
  AppendCell(Row, CsvFlag(Frame.EndoscopeValid));
  AppendCell(Row, CsvFlag(Frame.PainValid));
  AppendCell(Row, FormatNumber(Frame.Pain));
  AppendCell(Row, std::to_string(Frame.OvertubeKind));
  const int Slots = UsedSlots(Frame);
  for (int Slot = 0; Slot < MaxSensors; ++Slot) {
    if (Slot >= Slots) {
      Row += ",,,,,,,";
      continue;
    }
    AppendPoseCells(Row, Frame.SensorValid[Slot], Frame.SensorPosition[Slot],
                    Frame.SensorDirection[Slot]);
  }
  for (int Segment = 0; Segment < MaxSegments; ++Segment)
    AppendCell(Row, Segment + 1 < Slots ? FormatNumber(Frame.SegmentLength[Segment]) : "");
  for (int Marker = 0; Marker < MarkerCount; ++Marker)
    AppendPoseCells(Row, Frame.MarkerValid[Marker], Frame.MarkerPosition[Marker],
                    Frame.MarkerDirection[Marker]);
  AppendPoseCells(Row, Frame.HandValid, Frame.HandPosition, Frame.HandDirection);
  return Row;
}

int RunFramesCommand(const TFramesOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    // A malformed range is refused before the file is touched.
    const std::optional<TFrameRange> Requested =
        ParseOptionalFrameRange(Options.Range, RangeOption);
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    const TFrameIndexes Frames = SelectFrameIndexes(Requested, Procedure.FrameCount(), RangeOption);
    WriteFrames(Out, Procedure, Frames.First, Frames.Last, Options.Format);
    return static_cast<int>(ExitSuccess);
  });
}

void AddFramesCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TFramesOptions>();
  auto Json = std::make_shared<bool>(false);
  auto Csv = std::make_shared<bool>(false);
  CLI::App* Command = App.add_subcommand("frames", "List the frames of an imager file");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option(RangeOption, Options->Range,
                      "Frames FIRST:LAST, numbered from 1 (FIRST must not exceed LAST)");
  CLI::Option* JsonFlag = Command->add_flag("--json", *Json, "Print a JSON array of frames");
  Command->add_flag("--csv", *Csv, "Print CSV, one row per frame")->excludes(JsonFlag);
  Command->callback([Options, Json, Csv, &Context] {
    Options->Format =
        *Json ? TFramesFormat::Json : (*Csv ? TFramesFormat::Csv : TFramesFormat::Text);
    Context.ExitCode = RunFramesCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
