#pragma once
// Frames straight from the simulator's model (noise-free), as the sampler
// would store them: the directions towards the operator, markers 1-3 placed.

#include "drivers/simulator/SimulatedProcedure.h"
#include "imagerdata/ImagerFrame.h"

namespace kestrava::support {

inline void ModelFrame(const simulator::TSimulatedProcedure& Model, double Seconds,
                       TImagerFrame& Frame) {
  const simulator::TScopeShape Shape = Model.ShapeAt(Seconds);
  Frame.Time = Seconds / SecondsPerDay;
  Frame.SensorCount = MaxSensors;
  Frame.TubeRadius = DefaultTubeRadius;
  for (std::size_t I = 0; I < MaxSensors; ++I) {
    const simulator::TSensorReading R = Model.EndoscopeSensor(Shape, 0.08 * static_cast<double>(I));
    Frame.SensorValid[I] = R.Measured;
    Frame.SensorPosition[I] = R.Position;
    Frame.SensorDirection[I] = NegateVector(R.Direction);
    if (I + 1 < MaxSensors) {
      Frame.SegmentLength[I] = 0.08;
    }
  }
  for (std::size_t M = 0; M < 3; ++M) {
    Frame.MarkerValid[M] = true;
    Frame.MarkerPosition[M] = simulator::TSimulatedProcedure::Landmark(static_cast<int>(M));
  }
}

} // namespace kestrava::support
