#include "looping/LoopClassifier.h"

#include "foundation/IntegerHelpers.h"
#include "looping/ScopeTrace.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kestrava {

namespace {

// A shortcut across a loop: from point Near (nearer the tip) to point Far.
struct TShortcut {
  std::int32_t Near = -1;
  std::int32_t Far = -1;
  double Length = 0;
};

struct TCrossing {
  bool Found = false;
  std::int32_t TipLimb = 0;  // segment TipLimb .. TipLimb + 1
  std::int32_t BaseLimb = 0; // segment BaseLimb .. BaseLimb + 1, further from the tip
  double TipShare = 0, BaseShare = 0;
  double LoopArc = 0;
};

struct TFeature {
  bool Found = false;
  double Near = 0, Far = 0; // catheter metres from the tip
  TShortcut Cut;
};

double Lerp(double A, double B, double T) {
  return A + T * (B - A);
}

TVector3 LerpPoint(const TTracePoint& A, const TTracePoint& B, double T) {
  return AddVectors(A.Position, ScaleVector(SubtractVectors(B.Position, A.Position), T));
}

// Segments P0-P1 and Q0-Q1 in the AP projection (Side, Height): true with
// the parameters of the crossing along each.
bool ProjectedCrossing(const TTracePoint& P0, const TTracePoint& P1, const TTracePoint& Q0,
                       const TTracePoint& Q1, double& T, double& U) {
  const double Rx = P1.Side - P0.Side, Ry = P1.Height - P0.Height;
  const double Sx = Q1.Side - Q0.Side, Sy = Q1.Height - Q0.Height;
  const double Denominator = Rx * Sy - Ry * Sx;
  if (std::abs(Denominator) < 1e-12) {
    return false; // parallel in the projection: no single crossing point
  }
  const double Qx = Q0.Side - P0.Side, Qy = Q0.Height - P0.Height;
  T = (Qx * Sy - Qy * Sx) / Denominator;
  U = (Qx * Ry - Qy * Rx) / Denominator;
  return T >= 0 && T < 1 && U >= 0 && U < 1;
}

// The crossing that closes the shortest loop of at least MinLoopArc: a limb
// that crosses a loop's own crossing further along (a transverse loop
// hanging over the sigmoid) would otherwise take the loop for a larger one.
TCrossing FindCrossing(const TScopeTrace& Trace) {
  TCrossing Best;
  const std::int32_t Count = Trace.Count();
  for (std::int32_t I = 0; I + 1 < Count; ++I) {
    for (std::int32_t J = I + 2; J + 1 < Count; ++J) {
      if (Trace[J].FromTip - Trace[I + 1].FromTip < MinLoopArc - 0.02) {
        continue;
      }
      double T = 0, U = 0;
      if (!ProjectedCrossing(Trace[I], Trace[I + 1], Trace[J], Trace[J + 1], T, U)) {
        continue;
      }
      const double Arc = Lerp(Trace[J].FromTip, Trace[J + 1].FromTip, U) -
                         Lerp(Trace[I].FromTip, Trace[I + 1].FromTip, T);
      if (Arc >= MinLoopArc && (!Best.Found || Arc < Best.LoopArc)) {
        Best = {true, I, J, T, U, Arc};
      }
    }
  }
  return Best;
}

// Deep transverse: past the highest point the endoscope sags into the pelvis
// and rises again towards the tip.
TFeature FindDeepTransverse(const TScopeTrace& Trace) {
  TFeature Feature;
  const std::int32_t Count = Trace.Count();
  if (Count < 3) {
    return Feature;
  }
  std::int32_t Highest = 0;
  for (std::int32_t K = 1; K < Count; ++K) {
    if (Trace[K].Height > Trace[Highest].Height) {
      Highest = K;
    }
  }
  std::int32_t Lowest = Highest;
  for (std::int32_t K = 0; K < Highest; ++K) {
    if (Trace[K].Height < Trace[Lowest].Height) {
      Lowest = K;
    }
  }
  std::int32_t Rise = Lowest;
  for (std::int32_t K = 0; K < Lowest; ++K) {
    if (Trace[K].Height > Trace[Rise].Height) {
      Rise = K;
    }
  }
  // The transverse colon runs across the body: the sag's two tops lie far
  // apart sideways, where an N hairpin's limbs stand side by side.
  const bool Across = std::abs(Trace[Rise].Side - Trace[Highest].Side) >= TransverseSpan;
  if (Across && Trace[Lowest].Height < Trace.HipsHeight() - DeepTransverseSag &&
      Trace[Rise].Height >= Trace[Lowest].Height + RiseAfterSag) {
    Feature = {true,
               Trace[Rise].FromTip,
               Trace[Highest].FromTip,
               {Rise, Highest, VectorDistance(Trace[Rise].Position, Trace[Highest].Position)}};
  }
  return Feature;
}

// Walks from Apex by Step while the endoscope keeps falling (a rise of more
// than a noise margin ends the limb) and returns the limb's lowest point.
std::int32_t LimbBottom(const TScopeTrace& Trace, std::int32_t Apex, std::int32_t Step) {
  constexpr double RiseThatEndsTheLimb = 0.02;
  std::int32_t Bottom = Apex;
  for (std::int32_t K = Apex + Step; K >= 0 && K < Trace.Count(); K += Step) {
    if (Trace[K].Height < Trace[Bottom].Height) {
      Bottom = K;
    } else if (Trace[K].Height > Trace[Bottom].Height + RiseThatEndsTheLimb) {
      break;
    }
  }
  return Bottom;
}

bool IsWindowTop(const TScopeTrace& Trace, std::int32_t Apex) {
  const double From = Trace[Apex].FromTip - HairpinWindow / 2;
  const double To = Trace[Apex].FromTip + HairpinWindow / 2;
  for (std::int32_t K = Apex - 1; K >= 0 && Trace[K].FromTip >= From; --K) {
    if (Trace[K].Height > Trace[Apex].Height) {
      return false;
    }
  }
  for (std::int32_t K = Apex + 1; K < Trace.Count() && Trace[K].FromTip <= To; ++K) {
    if (Trace[K].Height >= Trace[Apex].Height) {
      return false;
    }
  }
  return true;
}

// N: a hairpin that rises, turns through HairpinTurn within HairpinWindow
// and falls, holding more than NExcess beyond the line across its base.
TFeature FindHairpin(const TScopeTrace& Trace) {
  TFeature Best;
  double BestExcess = NExcess;
  const double CosTurnLimit = std::cos((180 - HairpinTurnDegrees) * std::numbers::pi / 180);
  const std::int32_t Count = Trace.Count();
  if (Count < 3) {
    return Best;
  }
  const double First = Trace[0].FromTip, Last = Trace[Count - 1].FromTip;
  for (std::int32_t Apex = 1; Apex + 1 < Count; ++Apex) {
    const double S = Trace[Apex].FromTip;
    if (S - HairpinWindow / 2 < First || S + HairpinWindow / 2 > Last ||
        !IsWindowTop(Trace, Apex)) {
      continue;
    }
    const TVector3 TipLimb =
        SubtractVectors(Trace.PositionAt(S - HairpinWindow / 2), Trace[Apex].Position);
    const TVector3 BaseLimb =
        SubtractVectors(Trace.PositionAt(S + HairpinWindow / 2), Trace[Apex].Position);
    const double Lengths = VectorLength(TipLimb) * VectorLength(BaseLimb);
    if (Lengths <= 0 || DotProduct(TipLimb, BaseLimb) / Lengths < CosTurnLimit) {
      continue;
    }
    const std::int32_t Near = LimbBottom(Trace, Apex, -1);
    const std::int32_t Far = LimbBottom(Trace, Apex, +1);
    if (Trace[Apex].Height - Trace[Near].Height < HairpinDrop ||
        Trace[Apex].Height - Trace[Far].Height < HairpinDrop) {
      continue;
    }
    const double Across = VectorDistance(Trace[Near].Position, Trace[Far].Position);
    const double Excess = Trace[Far].FromTip - Trace[Near].FromTip - Across;
    if (Excess > BestExcess) {
      BestExcess = Excess;
      Best = {true, Trace[Near].FromTip, Trace[Far].FromTip, {Near, Far, Across}};
    }
  }
  return Best;
}

// A tall N: the highest point of the endoscope that falls HairpinDrop on
// either side, however broad its arch.
TFeature FindTallHairpin(const TScopeTrace& Trace) {
  TFeature Tallest;
  double TopHeight = 0;
  for (std::int32_t Apex = 1; Apex + 1 < Trace.Count(); ++Apex) {
    if (Tallest.Found && Trace[Apex].Height <= TopHeight) {
      continue;
    }
    const std::int32_t Near = LimbBottom(Trace, Apex, -1);
    const std::int32_t Far = LimbBottom(Trace, Apex, +1);
    if (Trace[Apex].Height - Trace[Near].Height >= HairpinDrop &&
        Trace[Apex].Height - Trace[Far].Height >= HairpinDrop) {
      TopHeight = Trace[Apex].Height;
      Tallest = {true, Trace[Near].FromTip, Trace[Far].FromTip, {}};
    }
  }
  return Tallest;
}

// The shortest path from the anus to the tip, allowed to cut across Extra
// and across every neck: two points at least MinLoopArc apart along the
// endoscope and within NeckWidth of each other. Returns the length saved,
// and in Widest the single neck that saves the most.
double SavedByShortcuts(const TScopeTrace& Trace, const TShortcut& Extra, TShortcut& Widest) {
  const std::int32_t Count = Trace.Count();
  std::array<double, TScopeTrace::Capacity> Reduced{};
  double WidestSaving = 0;
  Reduced[Slot(Count - 1)] = 0;
  for (std::int32_t K = Count - 2; K >= 0; --K) {
    double Shortest = Reduced[Slot(K + 1)] + (Trace[K + 1].FromTip - Trace[K].FromTip);
    for (std::int32_t M = K + 2; M < Count; ++M) {
      const double Arc = Trace[M].FromTip - Trace[K].FromTip;
      if (Arc < MinLoopArc) {
        continue;
      }
      const double Gap = VectorDistance(Trace[K].Position, Trace[M].Position);
      if (Gap < NeckWidth) {
        Shortest = std::min(Shortest, Reduced[Slot(M)] + Gap);
        if (Arc - Gap > WidestSaving) {
          WidestSaving = Arc - Gap;
          Widest = {K, M, Gap};
        }
      }
    }
    if (K == Extra.Near && Extra.Far > K && Extra.Far < Count) {
      Shortest = std::min(Shortest, Reduced[Slot(Extra.Far)] + Extra.Length);
    }
    Reduced[Slot(K)] = Shortest;
  }
  return Trace[Count - 1].FromTip - Trace[0].FromTip - Reduced[0];
}

TLoopState CrossingState(const TScopeTrace& Trace, const TCrossing& Crossing) {
  const TTracePoint& T0 = Trace[Crossing.TipLimb];
  const TTracePoint& T1 = Trace[Crossing.TipLimb + 1];
  const TTracePoint& B0 = Trace[Crossing.BaseLimb];
  const TTracePoint& B1 = Trace[Crossing.BaseLimb + 1];
  const TVector3 OnTipLimb = LerpPoint(T0, T1, Crossing.TipShare);
  const TVector3 OnBaseLimb = LerpPoint(B0, B1, Crossing.BaseShare);
  const bool TipLimbInFront =
      Lerp(T0.Front, T1.Front, Crossing.TipShare) > Lerp(B0.Front, B1.Front, Crossing.BaseShare);
  TLoopState State;
  State.HasCrossing = true;
  State.Crossing = ScaleVector(AddVectors(OnTipLimb, OnBaseLimb), 0.5);
  const bool Lower = Trace.HeightOf(State.Crossing) < Trace.HipsHeight() + LowerAbdomenTop;
  if (Lower) {
    State.Class = TipLimbInFront ? TLoopClass::Alpha : TLoopClass::ReverseAlpha;
  } else {
    State.Class = TipLimbInFront ? TLoopClass::Gamma : TLoopClass::ReverseGamma;
  }
  State.HasExtent = true;
  State.ExtentNear = Lerp(T0.FromTip, T1.FromTip, Crossing.TipShare);
  State.ExtentFar = Lerp(B0.FromTip, B1.FromTip, Crossing.BaseShare);
  return State;
}

void SetFeature(TLoopState& State, TLoopClass Class, const TFeature& Feature) {
  State.Class = Class;
  State.HasExtent = true;
  State.ExtentNear = Feature.Near;
  State.ExtentFar = Feature.Far;
}

} // namespace

TLoopState ClassifyTrace(const TScopeTrace& Trace, std::optional<double> TipDepth) {
  TLoopState State;
  TShortcut Cut;
  const double ExcessByDepth =
      TipDepth && std::isfinite(*TipDepth) ? Trace.InsertedLength() - *TipDepth : 0;
  if (Trace.Count() >= 3) {
    const TCrossing Crossing = FindCrossing(Trace);
    if (Crossing.Found) {
      State = CrossingState(Trace, Crossing);
      Cut = {
          Crossing.TipLimb, Crossing.BaseLimb + 1,
          VectorDistance(Trace[Crossing.TipLimb].Position, Trace[Crossing.BaseLimb + 1].Position)};
    } else if (const TFeature Sag = FindDeepTransverse(Trace); Sag.Found) {
      SetFeature(State, TLoopClass::DeepTransverse, Sag);
      Cut = Sag.Cut;
    } else if (const TFeature Hairpin = FindHairpin(Trace); Hairpin.Found) {
      SetFeature(State, TLoopClass::N, Hairpin);
      Cut = Hairpin.Cut;
    } else if (const TFeature Tall =
                   ExcessByDepth > NDepthExcess ? FindTallHairpin(Trace) : TFeature{};
               Tall.Found) {
      // Not cut across its base: the colon below a broad arch is no
      // straight line, and the depth says what the loop takes.
      SetFeature(State, TLoopClass::N, Tall);
    }
    TShortcut Widest;
    State.ExcessLength = std::max(0.0, SavedByShortcuts(Trace, Cut, Widest));
    if (State.Class == TLoopClass::None && State.ExcessLength > AtypicalExcess &&
        Widest.Near >= 0) {
      State.Class = TLoopClass::Atypical;
      State.HasExtent = true;
      State.ExtentNear = Trace[Widest.Near].FromTip;
      State.ExtentFar = Trace[Widest.Far].FromTip;
    }
  }
  State.Present = State.Class != TLoopClass::None;
  State.InsertedLength = Trace.InsertedLength();
  State.ExcessLength = std::max(State.ExcessLength, ExcessByDepth);
  return State;
}

TLoopState ClassifyLoop(const TImagerFrame& Frame, std::int32_t ProcedureType,
                        std::optional<double> TipDepth) {
  TScopeTrace Trace;
  std::string_view Reason;
  if (!Trace.Build(Frame, ProcedureType, Reason)) {
    TLoopState State;
    State.Reason = Reason;
    return State;
  }
  return ClassifyTrace(Trace, TipDepth);
}

} // namespace kestrava
