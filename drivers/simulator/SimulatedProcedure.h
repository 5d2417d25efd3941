#pragma once
// The simulated examination: an endoscope pushed along the colon of
// ColonPath, forming a sigmoid loop that is later straightened, reaching the
// caecum, resting there and being withdrawn; the operator's hand near the
// anus, six body landmarks for the remote's marker buttons, an overtube
// lying over the endoscope and the patient's pain rising with the loop.
//
// Every reading here is noise-free and depends only on the settings and the
// procedure time, so that tests can compare recorded data with it; the
// driver adds the measurement noise. Positions are in the generator's axes
// (the patient's axes moved by BodyOrigin), metres; directions unit vectors.
//
// Thread: immutable after construction, usable from any thread.

#include "drivers/simulator/ColonPath.h"
#include "drivers/simulator/LoopShapes.h"
#include "drivers/simulator/SimulatorSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestrava::simulator {

// Where the anus lies relative to the generator coils under the couch.
inline constexpr TVector3 BodyOrigin{0.0, 0.10, -0.30};
// Sensors further outside the anus than this are out of the field.
inline constexpr double FieldReachOutside = 0.5;
// The hand holds the shaft this far outside the anus.
inline constexpr double HandDistanceOutside = 0.2;
// The overtube sensor sits this far off the endoscope's axis.
inline constexpr double OvertubeSensorOffset = 0.012;

// How far the tip has gone along the colon (arc length from the anus) and
// how far the sigmoid is pushed out by the loop.
// A scripted loop, when one is forming, held or being reduced, is Loop (an
// index into the settings' Loops) at LoopShare of its full shape.
struct TProcedureState {
  double TipArc = DefaultStartDepth;
  double LoopAmplitude = 0;
  int Loop = -1;
  double LoopShare = 0;
};

// One sensor as the hardware would see it: Direction is the way the sensor
// points, towards the endoscope's tip (the far end of the colon).
struct TSensorReading {
  bool Measured = false;
  TVector3 Position;
  TVector3 Direction;
};

// The endoscope's shape at one instant: the colon line with the sigmoid
// pushed out, measured by its own arc length, and straight outside the anus.
class TScopeShape {
public:
  // Path (and Loop, the scripted loop of State when there is one) must
  // outlive the shape.
  TScopeShape(const TColonPath& Path, const TProcedureState& State, const TVector3& LoopDirection,
              const TLoopShape* Loop = nullptr);

  // Length of endoscope inside the patient.
  double InsertedLength() const { return TipArc_; }
  // The point DistanceFromTip metres back from the tip along the endoscope
  // (body axes); beyond the anus it runs straight out.
  TSensorReading AtDistanceFromTip(double DistanceFromTip) const;
  // The endoscope's point at colon arc S (body axes), clamped to the tip.
  TSensorReading AtColonArc(double S) const;
  // The colon's grid points where the endoscope lies now (body axes), and
  // their arc along the endoscope; the tip's arc along it.
  const std::vector<TVector3>& Points() const { return Points_; }
  const std::vector<double>& Arcs() const { return Arc_; }
  double TipArc() const { return TipArc_; }

private:
  TSensorReading AtShapeArc(double U) const;

  const TColonPath* Path_;
  std::vector<TVector3> Points_; // the pushed-out grid points
  std::vector<double> Arc_;      // their arc length along the shape
  double TipArc_ = 0;
};

class TSimulatedProcedure {
public:
  explicit TSimulatedProcedure(const TSimulatorSettings& Settings);
  // Shapes point into the procedure's colon line, so it stays where it is made.
  TSimulatedProcedure(const TSimulatedProcedure&) = delete;
  TSimulatedProcedure& operator=(const TSimulatedProcedure&) = delete;

  const TColonPath& Path() const { return Path_; }
  const TSimulatorSettings& Settings() const { return Settings_; }

  TProcedureState StateAt(double T) const;
  TScopeShape ShapeAt(double T) const;
  // Noise-free pain in mmHg.
  double PainAt(double T) const;
  // The ground truth at T: whether a scripted loop shows on the endoscope,
  // which, and the part it takes up. The sigmoid push-out of
  // loop_amplitude is not a loop of any class.
  TLoopTruth TruthAt(double T) const;
  // The patient's axes the body landmarks give (body axes).
  const TBodyAxes& Axes() const { return Axes_; }
  // When the tip first arrives at the caecum; none when it turns back before.
  std::optional<double> CaecumArrival() const;
  // When the tip last passes back out of the anus; none when it stays inside.
  std::optional<double> WithdrawalEnd() const;

  // The endoscope sensor DistanceFromTip metres behind the tip; not
  // measured when it lies more than FieldReachOutside outside the anus.
  TSensorReading EndoscopeSensor(const TScopeShape& Shape, double DistanceFromTip) const;
  // The remote's sensor: on the landmark of the lowest marker button held at
  // T, otherwise in the hand near the anus, pointing into the patient.
  TSensorReading Hand(double T) const;
  // The overtube sensor at Depth metres of colon from the anus, beside the endoscope.
  TSensorReading OvertubeSensor(const TScopeShape& Shape, double Depth) const;
  // Body landmark Index (0..5) in generator axes: right and left anterior
  // iliac spines, anal verge, xiphoid, navel, pubis.
  static TVector3 Landmark(int Index);

private:
  // The examination as consecutive phases: each holds or moves the tip
  // between two depths over [Start, End).
  enum class TPhaseKind { Wait, Advance, Straighten, Loop, CaecumHold, Withdraw };
  struct TPhase {
    TPhaseKind Kind = TPhaseKind::Wait;
    double Start = 0, End = 0;
    double TipFrom = 0, TipTo = 0;
    int Loop = -1;
  };
  void PlanPhases();
  void PlanWithdrawal(double& Time, double Tip);
  const TPhase* PhaseAt(double T) const;
  double PushOut(const TPhase& Phase, double Tip, double T) const;

  TColonPath Path_;
  TSimulatorSettings Settings_;
  TBodyAxes Axes_;
  std::vector<TLoopShape> LoopShapes_; // one per scripted loop
  std::vector<TPhase> Phases_;
  double StraightenStart_ = 0, StraightenEnd_ = 0, ReachDeepest_ = 0;
  bool ReachesCaecum_ = false;
  TVector3 LoopDirection_;
};

} // namespace kestrava::simulator
