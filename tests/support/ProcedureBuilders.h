#pragma once
// Procedures and frames built in memory: a two-sensor scope a second apart
// with chosen pain readings, and a full sixteen-sensor scope along a bend.

#include "imagerdata/ImagerProcedure.h"

#include <cmath>
#include <initializer_list>
#include <memory>

namespace kestrava::support {

// One frame a second from time 0 with the given pain readings, each frame a
// straight two-sensor scope whose numbers are exact as singles.
inline void AddPainFrames(TImagerProcedure& Procedure, std::initializer_list<double> Pains) {
  Procedure.PatientName = "Test Patient";
  Procedure.HasPainData = true;
  Procedure.PainUnits = "mmHg";
  for (const double Pain : Pains) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = (Procedure.FrameCount() - 1) / 86400.0;
    Frame.SensorCount = 2;
    Frame.TubeRadius = DefaultTubeRadius;
    Frame.SensorValid = {true, true};
    Frame.SensorPosition[1] = Vector3(0, 0, 0.0625);
    Frame.SegmentLength[0] = 0.0625;
    Frame.PainValid = true;
    Frame.Pain = Pain;
  }
}

// Frames a second apart of a full scope advancing along a bend under the
// three body markers of a colonoscopy, so that the patient axes and the
// cut-off plane exist and part of the scope lies outside the patient.
inline void AddAdvancingScopeFrames(TImagerProcedure& Procedure, int Frames) {
  Procedure.ProcedureType = ProcedureColonoscopy;
  for (int Index = 0; Index < Frames; ++Index) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Index / 86400.0;
    Frame.SensorCount = MaxSensors;
    Frame.TubeRadius = DefaultTubeRadius;
    Frame.EndoscopeValid = true;
    const double Advance = 0.005 * Index;
    for (int Sensor = 0; Sensor < MaxSensors; ++Sensor) {
      const auto Slot = static_cast<std::size_t>(Sensor);
      const double A = 0.12 * Sensor - Advance;
      Frame.SensorValid[Slot] = true;
      Frame.SensorPosition[Slot] = {0.3 * std::sin(A), 0.1, 0.3 * (1 - std::cos(A)) - 0.2};
      Frame.SensorDirection[Slot] = {std::cos(A), 0, std::sin(A)};
    }
    Frame.SegmentLength.fill(0.3 * 0.12);
    Frame.MarkerValid = {true, true, true};
    Frame.MarkerPosition = {{{-0.15, 0.12, 0.25}, {0.15, 0.12, 0.25}, {0.0, 0.15, -0.05}}};
  }
}

// Sixteen sensors along a gentle S-bend in space, an overtube of the second
// kind over the operator's half, the hand, and three body markers whose
// cut-off plane lies beyond the last sensor, so that nothing is cut.
inline std::unique_ptr<TImagerFrame> BentScopeFrame() {
  auto Frame = std::make_unique<TImagerFrame>();
  Frame->SensorCount = MaxSensors;
  Frame->TubeRadius = DefaultTubeRadius;
  Frame->EndoscopeValid = true;
  const double Step = 0.2, Bend = 0.25, Rise = 0.01;
  for (int I = 0; I < MaxSensors; ++I) {
    const auto S = static_cast<std::size_t>(I);
    const double A = Step * I;
    Frame->SensorValid[S] = true;
    Frame->SensorPosition[S] = {Bend * std::sin(A), Bend * (1 - std::cos(A)), Rise * I};
    Frame->SensorDirection[S] =
        NormalizeVector({Bend * Step * std::cos(A), Bend * Step * std::sin(A), Rise});
    if (I + 1 < MaxSensors) {
      Frame->SegmentLength[S] = std::hypot(Bend * Step, Rise);
    }
  }
  Frame->MarkerValid = {true, true, true, false, false, false};
  Frame->MarkerPosition[0] = {-0.5, 1, 0};
  Frame->MarkerPosition[1] = {-0.5, -1, 0};
  Frame->MarkerPosition[2] = {-0.6, 0, 0}; // plane at x = -0.6, normal -X
  Frame->HandValid = true;
  Frame->HandPosition = {0.3, 0.4, 0.2};
  Frame->OvertubeKind = 2;
  const TVector3 Sensor = Frame->SensorPosition[10];
  Frame->OvertubeData2 = {0.014f, 0.1f, 0.05f, true,
                          Vector3ToSingle(AddVectors(Sensor, {0, 0, 0.01}))};
  return Frame;
}

} // namespace kestrava::support
