#pragma once
// The plane beyond which the part of the endoscope outside the patient is
// neither drawn nor counted in the inserted length. Positions in metres.

#include "geometry/Vectors.h"

#include <cstdint>

namespace kestrava {

class TImagerFrame;

class TCutoffPlane {
public:
  // No plane: nothing is beyond it.
  TCutoffPlane() = default;
  TCutoffPlane(const TVector3& Point, const TVector3& Normal)
      : Exists_(true), Point_(Point), Normal_(Normal) {}

  // The frame's marker axis when AutoCutoff is on and the frame can supply
  // one (procedure type 0 with markers 0..2 valid and not degenerate): the
  // plane through marker 2, its normal pointing away from markers 0 and 1.
  static TCutoffPlane ForFrame(const TImagerFrame& Frame, std::int32_t ProcedureType,
                               bool AutoCutoff);

  bool Exists() const { return Exists_; }
  const TVector3& Point() const { return Point_; }
  const TVector3& Normal() const { return Normal_; }

  // On or beyond the plane, on the side its normal points to.
  bool IsBeyond(const TVector3& P) const {
    return Exists_ && DotProduct(SubtractVectors(P, Point_), Normal_) >= 0;
  }

private:
  bool Exists_ = false;
  TVector3 Point_;
  TVector3 Normal_;
};

} // namespace kestrava
