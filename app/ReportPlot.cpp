#include "app/ReportPlot.h"

#include "app/InformationBoxLines.h"
#include "app/ProcedureFigures.h"
#include "imagerdata/ImagerProcedure.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kestrava {

namespace {

// Points per column of a line: its lowest and highest (see the header).
constexpr double ColumnWidth = 0.5;
// A band narrower than this would not show on paper.
constexpr double MinimumBandWidth = 0.75;

// Maps values onto the plot: times across, a value axis from 0 to Top up.
struct TPlotScale {
  TPageBox Area;
  double Start = 0;
  double Duration = 1;

  double X(double Seconds) const {
    const double Share = std::clamp((Seconds - Start) / Duration, 0.0, 1.0);
    return Area.Left + Share * Area.Width;
  }
  double Y(double Value, double Top) const {
    const double Share = std::clamp(Value / Top, 0.0, 1.0);
    return Area.Top + (1 - Share) * Area.Height;
  }
};

struct TAxis {
  double Top = 1;
  double Step = 0.2;
};

// 0 .. the round number at or above Largest, in at most five steps.
TAxis AxisFor(double Largest) {
  if (!(Largest > 0) || !std::isfinite(Largest)) {
    return {};
  }
  const double Step = RoundStep(Largest, 5);
  return {std::ceil(Largest / Step - 1e-9) * Step, Step};
}

int DecimalsFor(double Step) {
  return Step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(Step) - 1e-9));
}

std::vector<TPlotTick> Ticks(double Top, double Step, const std::function<double(double)>& At) {
  std::vector<TPlotTick> Result;
  const int Decimals = DecimalsFor(Step);
  for (int K = 0; K * Step <= Top * (1 + 1e-9); ++K) {
    Result.push_back({At(K * Step), FormatFixed(K * Step, Decimals)});
  }
  return Result;
}

// The lines through Values (broken where there is none), at most a lowest
// and a highest point per column, in the order they came.
std::vector<TPlotLine> Lines(const std::vector<double>& Seconds,
                             const std::vector<std::optional<double>>& Values,
                             const TPlotScale& Scale, double Top, double Factor) {
  std::vector<TPlotLine> Result;
  TPlotLine Line;
  std::int64_t Column = -1;
  std::size_t Low = 0, High = 0; // indexes of the column's extremes
  const auto Point = [&](std::size_t I) {
    return TPlotPoint{Scale.X(Seconds[I]), Scale.Y(*Values[I] * Factor, Top)};
  };
  const auto Flush = [&] {
    if (Column < 0) {
      return;
    }
    Line.push_back(Point(std::min(Low, High)));
    if (Low != High) {
      Line.push_back(Point(std::max(Low, High)));
    }
    Column = -1;
  };
  const auto EndLine = [&] {
    Flush();
    if (!Line.empty()) {
      Result.push_back(std::move(Line));
      Line.clear();
    }
  };
  const std::size_t Count = std::min(Seconds.size(), Values.size());
  for (std::size_t I = 0; I < Count; ++I) {
    if (!Values[I] || !std::isfinite(*Values[I])) {
      EndLine();
      continue;
    }
    const auto Here = static_cast<std::int64_t>(
        std::floor((Scale.X(Seconds[I]) - Scale.Area.Left) / ColumnWidth));
    if (Here != Column) {
      Flush();
      Column = Here;
      Low = High = I;
    } else if (*Values[I] < *Values[Low]) {
      Low = I;
    } else if (*Values[I] > *Values[High]) {
      High = I;
    }
  }
  EndLine();
  return Result;
}

double Largest(const std::vector<std::optional<double>>& Values) {
  double Result = 0;
  for (const std::optional<double>& Value : Values) {
    if (Value && std::isfinite(*Value)) {
      Result = std::max(Result, *Value);
    }
  }
  return Result;
}

TPlotSpan Band(const TPlotScale& Scale, double From, double To) {
  const double Left = Scale.X(From);
  return {Left, std::max(Scale.X(To), Left + MinimumBandWidth)};
}

} // namespace

double RoundStep(double Top, std::int32_t MaxSteps) {
  if (!(Top > 0) || !std::isfinite(Top) || MaxSteps < 1) {
    return 1;
  }
  double Power = std::pow(10.0, std::floor(std::log10(Top / MaxSteps)));
  for (;;) {
    for (const double Mantissa : {1.0, 2.0, 5.0}) {
      if (Top / (Mantissa * Power) <= MaxSteps * (1 + 1e-9)) {
        return Mantissa * Power;
      }
    }
    Power *= 10;
  }
}

TPlotData PlotDataOf(const TImagerProcedure& Procedure, const TProcedureFigures& Figures) {
  TPlotData Data;
  const std::vector<TTimelineFrame>& Frames = Figures.Timeline.Frames;
  Data.HasPain = Procedure.HasPainData;
  Data.PainUnits = Procedure.PainUnits;
  for (std::size_t I = 0; I < Frames.size(); ++I) {
    const TImagerFrame& Frame = Procedure.GetFrame(static_cast<std::int32_t>(I));
    Data.Seconds.push_back(Frames[I].Seconds);
    Data.Pain.push_back(Data.HasPain && Frame.PainValid ? std::optional<double>(Frame.Pain)
                                                        : std::nullopt);
    Data.Depth.push_back(Frames[I].Depth);
    if (Data.Phases.empty() || Data.Phases.back().Phase != Frames[I].Phase) {
      Data.Phases.push_back({Frames[I].Seconds, Frames[I].Seconds, Frames[I].Phase});
    }
    Data.Phases.back().To = Frames[I].Seconds;
  }
  // Each run of phases reaches to where the next one starts.
  for (std::size_t I = 0; I + 1 < Data.Phases.size(); ++I) {
    Data.Phases[I].To = Data.Phases[I + 1].From;
  }
  // Episodes on the timeline's clock, by their frames.
  const auto SecondsOf = [&](std::int32_t Number) {
    return Frames[static_cast<std::size_t>(std::clamp<std::int32_t>(
                      Number - 1, 0, static_cast<std::int32_t>(Frames.size()) - 1))]
        .Seconds;
  };
  if (!Frames.empty()) {
    for (const TLoopEpisode& Episode : Figures.Loops.Summary.Episodes) {
      Data.Loops.push_back({SecondsOf(Episode.FirstFrame), SecondsOf(Episode.LastFrame)});
    }
  }
  for (const TLesionTag& Tag : Figures.Timeline.Lesions) {
    Data.Lesions.push_back(Tag.Seconds);
  }
  return Data;
}

TPlotGeometry PlanPlot(const TPlotData& Data, const TPageBox& Area) {
  TPlotGeometry Plot;
  Plot.Area = Area;
  TPlotScale Scale{Area, 0, 1};
  if (!Data.Seconds.empty()) {
    Scale.Start = Data.Seconds.front();
    const double Duration = Data.Seconds.back() - Scale.Start;
    Scale.Duration = Duration > 0 && std::isfinite(Duration) ? Duration : 1;
  }
  const TAxis Pain = AxisFor(Largest(Data.Pain));
  const TAxis Depth = AxisFor(100 * Largest(Data.Depth));
  Plot.Pain = Lines(Data.Seconds, Data.Pain, Scale, Pain.Top, 1);
  Plot.Depth = Lines(Data.Seconds, Data.Depth, Scale, Depth.Top, 100);
  for (const TPlotSpan& Loop : Data.Loops) {
    Plot.Loops.push_back(Band(Scale, Loop.From, Loop.To));
  }
  for (const TPhaseSpan& Phase : Data.Phases) {
    Plot.Phases.push_back({Scale.X(Phase.From), Scale.X(Phase.To), Phase.Phase});
  }
  for (const double Seconds : Data.Lesions) {
    Plot.Lesions.push_back(Scale.X(Seconds));
  }
  const double Minutes = Scale.Duration / 60;
  Plot.TimeTicks = Ticks(Minutes, RoundStep(Minutes, 8),
                         [&](double Minute) { return Scale.X(Scale.Start + Minute * 60); });
  if (Data.HasPain) {
    Plot.PainTicks = Ticks(Pain.Top, Pain.Step, [&](double V) { return Scale.Y(V, Pain.Top); });
  }
  Plot.DepthTicks = Ticks(Depth.Top, Depth.Step, [&](double V) { return Scale.Y(V, Depth.Top); });
  Plot.TimeTitle = "min";
  Plot.PainTitle = !Data.HasPain            ? "No pain data"
                   : Data.PainUnits.empty() ? "Pain"
                                            : "Pain (" + Data.PainUnits + ")";
  Plot.DepthTitle = "Tip depth (cm)";
  return Plot;
}

} // namespace kestrava
