#include "drivers/simulator/ColonPath.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrava::simulator {

namespace {

struct TControlPoint {
  TVector3 Position;
  int Landmark = -1; // index into TColonLandmark, or -1
};

// Roughly an adult colon of 1.25 m: the rectum following the sacrum, a
// redundant sigmoid that swings to the right and forwards before joining
// the descending colon on the left, the transverse colon sagging towards the
// navel, and the ascending colon down the right side. The flexures are
// rounded to bends of at least about 2 cm radius, as an endoscope follows them.
constexpr TControlPoint ControlPoints[] = {
    {{0.000, 0.000, 0.000}, -1}, // anus
    {{0.000, -0.010, 0.030}, -1}, {{0.000, -0.025, 0.080}, -1},
    {{0.000, -0.025, 0.130}, -1}, // rectum
    {{0.005, -0.005, 0.170}, 0},  // rectosigmoid
    {{-0.025, 0.035, 0.195}, -1}, {{-0.045, 0.075, 0.240}, -1},
    {{-0.020, 0.100, 0.275}, -1}, {{0.030, 0.095, 0.270}, -1},
    {{0.070, 0.065, 0.245}, -1},  {{0.100, 0.035, 0.240}, -1},
    {{0.118, 0.018, 0.270}, 1}, // descending junction
    {{0.122, 0.010, 0.320}, -1},  {{0.120, 0.012, 0.380}, -1},
    {{0.112, 0.030, 0.430}, -1},  {{0.090, 0.055, 0.460}, 2}, // splenic flexure
    {{0.055, 0.075, 0.445}, -1},  {{0.000, 0.095, 0.400}, -1},
    {{-0.050, 0.085, 0.415}, -1}, {{-0.085, 0.065, 0.438}, -1},
    {{-0.110, 0.045, 0.428}, 3}, // hepatic flexure
    {{-0.121, 0.033, 0.395}, -1}, {{-0.121, 0.032, 0.330}, -1},
    {{-0.112, 0.040, 0.260}, -1}, {{-0.100, 0.050, 0.200}, 4}, // caecum
};
constexpr std::size_t ControlCount = std::size(ControlPoints);
constexpr int StepsPerSpan = 200;

// Uniform Catmull-Rom between P1 and P2; it passes through every control point.
TVector3 CatmullRom(const TVector3& P0, const TVector3& P1, const TVector3& P2, const TVector3& P3,
                    double T) {
  const double T2 = T * T, T3 = T2 * T;
  TVector3 R;
  for (std::size_t I = 0; I < 3; ++I) {
    R[I] =
        0.5 * (2 * P1[I] + (-P0[I] + P2[I]) * T + (2 * P0[I] - 5 * P1[I] + 4 * P2[I] - P3[I]) * T2 +
               (-P0[I] + 3 * P1[I] - 3 * P2[I] + P3[I]) * T3);
  }
  return R;
}

const TVector3& Control(std::ptrdiff_t I) {
  const std::ptrdiff_t Last = static_cast<std::ptrdiff_t>(ControlCount) - 1;
  return ControlPoints[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(I, 0, Last))].Position;
}

} // namespace

TColonPath::TColonPath() {
  // A dense polyline first, then resampled at equal arc steps.
  std::vector<TVector3> Dense;
  std::vector<double> DenseArc;
  std::array<std::size_t, 5> LandmarkDense{};
  Dense.push_back(Control(0));
  DenseArc.push_back(0);
  for (std::size_t Span = 0; Span + 1 < ControlCount; ++Span) {
    const auto S = static_cast<std::ptrdiff_t>(Span);
    for (int Step = 1; Step <= StepsPerSpan; ++Step) {
      const TVector3 P = CatmullRom(Control(S - 1), Control(S), Control(S + 1), Control(S + 2),
                                    static_cast<double>(Step) / StepsPerSpan);
      DenseArc.push_back(DenseArc.back() + VectorDistance(Dense.back(), P));
      Dense.push_back(P);
    }
    const int Landmark = ControlPoints[Span + 1].Landmark;
    if (Landmark >= 0) {
      LandmarkDense[static_cast<std::size_t>(Landmark)] = Dense.size() - 1;
    }
  }
  for (std::size_t L = 0; L < Landmarks_.size(); ++L) {
    Landmarks_[L] = DenseArc[LandmarkDense[L]];
  }

  const double Total = DenseArc.back();
  std::size_t D = 0;
  // Counted in steps: a sum of GridSteps would drift from S = Step * GridStep.
  for (std::size_t Step = 0; static_cast<double>(Step) * GridStep < Total; ++Step) {
    const double S = static_cast<double>(Step) * GridStep;
    while (DenseArc[D + 1] < S) {
      ++D;
    }
    const double T = (S - DenseArc[D]) / (DenseArc[D + 1] - DenseArc[D]);
    Grid_.push_back(InterpolateVectors(Dense[D], Dense[D + 1], T));
    Arc_.push_back(S);
  }
  Grid_.push_back(Dense.back());
  Arc_.push_back(Total);
  Inward_ = NormalizeVector(SubtractVectors(Dense[1], Dense[0]));
}

TVector3 TColonPath::PositionAt(double S) const {
  S = std::clamp(S, 0.0, Length());
  const std::size_t J = std::min(static_cast<std::size_t>(S / GridStep), Grid_.size() - 2);
  const double Span = Arc_[J + 1] - Arc_[J];
  const double T = Span > 0 ? std::clamp((S - Arc_[J]) / Span, 0.0, 1.0) : 0.0;
  return InterpolateVectors(Grid_[J], Grid_[J + 1], T);
}

double TColonPath::LandmarkArc(TColonLandmark Landmark) const {
  return Landmarks_[static_cast<std::size_t>(Landmark)];
}

TColonPart TColonPath::PartAt(double S) const {
  if (S <= 0) {
    return TColonPart::Outside;
  }
  constexpr std::array<std::pair<TColonLandmark, TColonPart>, 4> Starts = {{
      {TColonLandmark::HepaticFlexure, TColonPart::Ascending},
      {TColonLandmark::SplenicFlexure, TColonPart::Transverse},
      {TColonLandmark::DescendingJunction, TColonPart::Descending},
      {TColonLandmark::Rectosigmoid, TColonPart::Sigmoid},
  }};
  if (S >= Length() - CaecumPartLength) {
    return TColonPart::Caecum;
  }
  for (const auto& [Landmark, Part] : Starts) {
    if (S >= LandmarkArc(Landmark)) {
      return Part;
    }
  }
  return TColonPart::Rectum;
}

const char* ColonPartText(TColonPart Part) {
  constexpr std::array<const char*, 7> Texts = {"outside",    "rectum",    "sigmoid", "descending",
                                                "transverse", "ascending", "caecum"};
  return Texts[static_cast<std::size_t>(Part)];
}

} // namespace kestrava::simulator
