#include "tools/ScopeCommand.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "scene/PolygonImagerData.h"
#include "tools/DisplayText.h"
#include "tools/FrameRange.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

struct TScopeReport {
  int FrameNumber = 0;
  double ScopeLength = 0;
  bool HasAxes = false;
  TVector3 Centre, Normal, Axis;
  std::int64_t Vertices = 0;
  std::int64_t Faces = 0;
  bool ModelComplete = true;
  // What was wrong with the frame; empty when nothing was.
  std::string Problem;
};

TScopeReport MeasureFrame(TPolygonImagerData& Model, const TImagerFrame& Frame,
                          std::int32_t ProcedureType, bool AutoCutoff, int FrameNumber) {
  TScopeReport Report;
  Report.FrameNumber = FrameNumber;
  // Measured on what the workstation shows: the frame less what no model
  // can be built from, which the report names.
  TImagerFrame Drawable;
  const TFrameCheck Check = MakeDrawableFrame(Frame, Drawable);
  Report.ScopeLength = TPolygonImagerData::ScopeLength(Drawable, ProcedureType, AutoCutoff);
  Report.HasAxes =
      Drawable.GetPatientAxes(ProcedureType, Report.Centre, Report.Normal, Report.Axis);
  const TFrameCheck Built = Model.BuildFromFrame(Frame, ProcedureType, AutoCutoff);
  Report.ModelComplete = Check.Sound() && Built.Sound();
  Report.Problem = FrameCheckText(Check.Sound() ? Built : Check);
  Report.Vertices = Model.TotalVertexCount();
  Report.Faces = Model.TotalFaceCount();
  return Report;
}

TJson ScopeJson(const TScopeReport& R) {
  TJson Json;
  Json["frame"] = R.FrameNumber;
  Json["scope_length"] = JsonNumber(R.ScopeLength);
  Json["patient_axes"] = R.HasAxes ? TJson{{"centre", JsonVector(R.Centre)},
                                           {"normal", JsonVector(R.Normal)},
                                           {"axis", JsonVector(R.Axis)}}
                                   : TJson(nullptr);
  Json["mesh_vertices"] = R.Vertices;
  Json["mesh_faces"] = R.Faces;
  Json["model_complete"] = R.ModelComplete;
  Json["model_problem"] = R.Problem.empty() ? TJson(nullptr) : TJson(R.Problem);
  return Json;
}

std::string ScopeTextLine(const TScopeReport& R) {
  std::string Line = "Frame " + std::to_string(R.FrameNumber) + ": scope length " +
                     FormatReadable(R.ScopeLength) + " m, " + std::to_string(R.Vertices) +
                     " vertices, " + std::to_string(R.Faces) + " faces, patient axes " +
                     (R.HasAxes ? "found" : "not available");
  if (!R.ModelComplete)
    Line += ", model incomplete (" + R.Problem + ")";
  return Line;
}

} // namespace

int RunScopeCommand(const TScopeOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    const std::optional<TFrameRange> Requested =
        ParseOptionalFrameRange(Options.Range, RangeOption);
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    const auto [First, Last] = SelectFrameIndexes(Requested, Procedure.FrameCount(), RangeOption);
    // One model for the whole run: its working storage is made once, as in
    // the workstation, and each build replaces the previous frame's geometry.
    auto Model = std::make_unique<TPolygonImagerData>();
    Model->ShowEndoscope = Model->ShowOvertube = Model->ShowMarkers = Model->ShowHand = true;
    if (Options.Json)
      Out << '[';
    for (int Index = First; Index <= Last; ++Index) {
      const TScopeReport Report =
          MeasureFrame(*Model, Procedure.GetFrame(Index), Procedure.ProcedureType,
                       Options.AutoCutoff, FrameNumberOfIndex(Index));
      if (Options.Json) {
        Out << (Index == First ? "\n" : ",\n");
        WriteJson(Out, ScopeJson(Report));
      } else {
        Out << ScopeTextLine(Report) << '\n';
      }
    }
    if (Options.Json)
      Out << (First <= Last ? "\n]\n" : "]\n");
    return static_cast<int>(ExitSuccess);
  });
}

void AddScopeCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TScopeOptions>();
  auto NoCutoff = std::make_shared<bool>(false);
  CLI::App* Command =
      App.add_subcommand("scope", "Scope length, patient axes and model size per frame");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option(RangeOption, Options->Range,
                      "Frames FIRST:LAST, numbered from 1 (FIRST must not exceed LAST)");
  Command->add_flag("--no-cutoff", *NoCutoff, "Draw and measure without the auto cut-off plane");
  Command->add_flag("--json", Options->Json, "Print a JSON array, one object per frame");
  Command->callback([Options, NoCutoff, &Context] {
    Options->AutoCutoff = !*NoCutoff;
    Context.ExitCode = RunScopeCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
