#include "imagerdata/EndoscopeCurvatureAnalysis.h"

#include "geometry/Curves.h"
#include "imagerdata/ImagerFrame.h"

#include <algorithm>

namespace kestrava {

namespace {

constexpr std::int32_t LastSampleIndex = CurvatureSamplesPerSegment - 1; // t = 1

std::int32_t UsableSlots(std::int32_t SensorCount) {
  return std::clamp<std::int32_t>(SensorCount, 0, MaxSensors);
}

double SampleParameter(std::int32_t K) {
  return static_cast<double>(K) / LastSampleIndex;
}

// Plots the measured segment I from point P on; returns the next free point.
std::int32_t PlotMeasuredSegment(const TImagerFrame& Frame, std::int32_t I, bool JoinsPrevious,
                                 std::int32_t P, ICurvatureGraph& Graph,
                                 TEndoscopeCurvatureInfos& Infos) {
  const auto Slot = static_cast<std::size_t>(I);
  const TCubicCoefficients C = HermiteCubic(
      Frame.SensorPosition[Slot], Frame.SensorDirection[Slot], Frame.SensorPosition[Slot + 1],
      Frame.SensorDirection[Slot + 1], Frame.SegmentLength[Slot]);
  const TQuadraticCoefficients C1 = DifferentiateCubic(C);
  const TLinearCoefficients C2 = DifferentiateQuadratic(C1);
  for (std::int32_t K = JoinsPrevious ? 1 : 0; K <= LastSampleIndex; ++K) {
    const double T = SampleParameter(K);
    Graph.SetPoint(P++, CurvatureOf(EvaluateQuadratic(C1, T), EvaluateLinear(C2, T)));
    Infos.AddInfo(EvaluateCubic(C, T), true, I, static_cast<float>(T));
  }
  return P;
}

// An unmeasured segment stops one sample short of t = 1: the next segment
// (or the closing point) supplies it.
std::int32_t PlotUnmeasuredSegment(std::int32_t I, bool JoinsPrevious, std::int32_t P,
                                   ICurvatureGraph& Graph, TEndoscopeCurvatureInfos& Infos) {
  for (std::int32_t K = JoinsPrevious ? 1 : 0; K < LastSampleIndex; ++K) {
    Graph.SetPoint(P++, 0.0);
    Infos.AddInfo(TVector3{}, false, I, static_cast<float>(SampleParameter(K)));
  }
  return P;
}

void ClearSelectionBeyondPoints(ICurvatureGraph& Graph) {
  if (Graph.SelectedIndex() >= Graph.PointCount())
    Graph.SetSelectedIndex(-1);
}

} // namespace

std::int32_t CurvatureGraphPointCount(std::int32_t SensorCount) {
  const std::int32_t Slots = UsableSlots(SensorCount);
  return Slots == 0 ? 0 : (Slots - 1) * CurvatureSamplesPerSegment + 1;
}

double CurvatureOf(const TVector3& D1, const TVector3& D2) {
  const double Speed = VectorLength(D1);
  if (Speed == 0)
    return 0;
  return VectorLength(CrossProduct(D1, D2)) / (Speed * Speed * Speed);
}

void AnalyseEndoscopeCurvature(const TImagerFrame* Frame, ICurvatureGraph& Graph,
                               TEndoscopeCurvatureInfos& Infos) {
  Infos.Clear();
  const std::int32_t Slots = Frame ? UsableSlots(Frame->SensorCount) : 0;
  Graph.SetPointCount(CurvatureGraphPointCount(Slots));
  if (Slots > 0) {
    bool PreviousValid = false;
    std::int32_t P = 0;
    for (std::int32_t I = 0; I + 1 < Slots; ++I) {
      const auto Slot = static_cast<std::size_t>(I);
      const bool Valid = Frame->SensorValid[Slot] && Frame->SensorValid[Slot + 1];
      P = Valid ? PlotMeasuredSegment(*Frame, I, PreviousValid, P, Graph, Infos)
                : PlotUnmeasuredSegment(I, PreviousValid, P, Graph, Infos);
      PreviousValid = Valid;
    }
    if (!PreviousValid) {
      Graph.SetPoint(P, 0.0);
      Infos.AddInfo(TVector3{}, false, Slots - 2, 1.0f);
    }
  }
  ClearSelectionBeyondPoints(Graph);
}

} // namespace kestrava
