#include "tools/CurvatureCommand.h"

#include "imagerdata/CurvatureGraphPoints.h"
#include "imagerdata/EndoscopeCurvatureAnalysis.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/DisplayText.h"
#include "tools/FrameRange.h"
#include "tools/JsonValues.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>

namespace kestrava {

namespace {

constexpr const char* FrameOption = "--frame";

struct TCurvatureProfile {
  TCurvatureGraphPoints Graph;
  TEndoscopeCurvatureInfos Infos;
};

const TImagerFrame& RequestedFrame(const TImagerProcedure& Procedure, std::int32_t Number) {
  const std::int32_t Count = Procedure.FrameCount();
  if (Number < 1 || Number > Count)
    throw EUsageError(std::string(FrameOption) + " " + std::to_string(Number) +
                      ": expected a frame number from 1 to " + std::to_string(Count));
  return Procedure.GetFrame(FrameIndexOfNumber(Number));
}

double KappaAt(const TCurvatureProfile& Profile, std::int32_t Index) {
  return Profile.Graph.Points()[static_cast<std::size_t>(Index)];
}

TJson PointJson(const TCurvatureProfile& Profile, std::int32_t Index) {
  const TEndoscopeCurvatureInfo& Info = Profile.Infos.At(Index);
  TJson Json;
  Json["index"] = Index;
  Json["kappa"] = JsonNumber(KappaAt(Profile, Index));
  Json["valid"] = Info.Valid;
  Json["segment"] = Info.Segment;
  Json["t"] = JsonNumber(Info.T);
  Json["point"] = JsonVector(Info.Point);
  return Json;
}

void WriteJsonProfile(std::ostream& Out, const TCurvatureProfile& Profile, std::int32_t Frame) {
  TJson Json;
  Json["frame"] = Frame;
  Json["graph_point_count"] = Profile.Graph.PointCount();
  Json["points"] = TJson::array();
  for (std::int32_t Index = 0; Index < Profile.Infos.Count(); ++Index)
    Json["points"].push_back(PointJson(Profile, Index));
  WriteJson(Out, Json, 2);
  Out << '\n';
}

void WriteCsvProfile(std::ostream& Out, const TCurvatureProfile& Profile) {
  Out << "index,kappa,valid,segment,t,x,y,z\n";
  for (std::int32_t Index = 0; Index < Profile.Infos.Count(); ++Index) {
    const TEndoscopeCurvatureInfo& Info = Profile.Infos.At(Index);
    Out << Index << ',' << FormatNumber(KappaAt(Profile, Index)) << ',' << (Info.Valid ? 1 : 0)
        << ',' << Info.Segment << ',' << FormatNumber(Info.T);
    for (std::size_t Axis = 0; Axis < 3; ++Axis)
      Out << ',' << FormatNumber(Info.Point[Axis]);
    Out << '\n';
  }
}

void WriteTextProfile(std::ostream& Out, const TCurvatureProfile& Profile, std::int32_t Frame) {
  Out << "Frame " << Frame << ": " << Profile.Graph.PointCount() << " graph points, "
      << Profile.Infos.Count() << " on the endoscope\n";
  for (std::int32_t Index = 0; Index < Profile.Infos.Count(); ++Index) {
    const TEndoscopeCurvatureInfo& Info = Profile.Infos.At(Index);
    Out << Index << ": segment " << Info.Segment << ", t " << FormatReadable(Info.T) << ", ";
    if (Info.Valid)
      Out << "curvature " << FormatReadable(KappaAt(Profile, Index)) << " /m";
    else
      Out << "not measured";
    Out << '\n';
  }
}

} // namespace

int RunCurvatureCommand(const TCurvatureOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    const TImagerFrame& Frame = RequestedFrame(Procedure, Options.Frame);
    TCurvatureProfile Profile;
    AnalyseEndoscopeCurvature(&Frame, Profile.Graph, Profile.Infos);
    if (Options.Format == TCurvatureFormat::Json)
      WriteJsonProfile(Out, Profile, Options.Frame);
    else if (Options.Format == TCurvatureFormat::Csv)
      WriteCsvProfile(Out, Profile);
    else
      WriteTextProfile(Out, Profile, Options.Frame);
    return static_cast<int>(ExitSuccess);
  });
}

void AddCurvatureCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TCurvatureOptions>();
  auto Json = std::make_shared<bool>(false);
  auto Csv = std::make_shared<bool>(false);
  CLI::App* Command =
      App.add_subcommand("curvature", "Curvature profile of one frame along the endoscope");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option(FrameOption, Options->Frame, "Frame number, from 1")->required();
  CLI::Option* JsonFlag = Command->add_flag("--json", *Json, "Print one JSON document");
  Command->add_flag("--csv", *Csv, "Print CSV, one row per point")->excludes(JsonFlag);
  Command->callback([Options, Json, Csv, &Context] {
    Options->Format =
        *Json ? TCurvatureFormat::Json : (*Csv ? TCurvatureFormat::Csv : TCurvatureFormat::Text);
    Context.ExitCode = RunCurvatureCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
