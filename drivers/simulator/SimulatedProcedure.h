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
#include "drivers/simulator/SimulatorSettings.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrava::simulator {

// Where the anus lies relative to the generator coils under the couch.
inline constexpr TVector3 BodyOrigin{0.0, 0.10, -0.30};
// The tip starts this far inside, and returns here after withdrawal.
inline constexpr double StartDepth = 0.05;
// Sensors further outside the anus than this are out of the field.
inline constexpr double FieldReachOutside = 0.5;
// The hand holds the shaft this far outside the anus.
inline constexpr double HandDistanceOutside = 0.2;
// The overtube sensor sits this far off the endoscope's axis.
inline constexpr double OvertubeSensorOffset = 0.012;

// How far the tip has gone along the colon (arc length from the anus) and
// how far the sigmoid is pushed out by the loop.
struct TProcedureState {
  double TipArc = StartDepth;
  double LoopAmplitude = 0;
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
  // Path must outlive the shape.
  TScopeShape(const TColonPath& Path, const TProcedureState& State, const TVector3& LoopDirection);

  // Length of endoscope inside the patient.
  double InsertedLength() const { return TipArc_; }
  // The point DistanceFromTip metres back from the tip along the endoscope
  // (body axes); beyond the anus it runs straight out.
  TSensorReading AtDistanceFromTip(double DistanceFromTip) const;
  // The endoscope's point at colon arc S (body axes), clamped to the tip.
  TSensorReading AtColonArc(double S) const;

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
  struct TPhases {
    double ReachSplenic, Straightened, ReachCaecum, WithdrawStart, WithdrawEnd;
  };

  TColonPath Path_;
  TSimulatorSettings Settings_;
  TPhases Phases_{};
  TVector3 LoopDirection_;
};

} // namespace kestrava::simulator
