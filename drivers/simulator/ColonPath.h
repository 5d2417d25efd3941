#pragma once
// The centre line of a plausible adult colon, from the anus to the caecum,
// in the patient's own axes: X towards the patient's left, Y anterior, Z
// towards the head, the anus at the origin, metres.
//
// The line is held as points every GridStep metres of arc length, so that a
// position along it is a lookup, not a search. Immutable after construction.

#include "geometry/Vectors.h"

#include <array>
#include <cstddef>
#include <vector>

namespace kestrava::simulator {

enum class TColonLandmark {
  Rectosigmoid,       // where the sigmoid starts
  DescendingJunction, // where the sigmoid joins the descending colon
  SplenicFlexure,
  HepaticFlexure,
  Caecum,
};

// The colon's parts, as the ground truth names where the tip is: from the
// anus to the rectosigmoid the rectum, on to the descending junction the
// sigmoid, to the splenic flexure the descending colon, to the hepatic
// flexure the transverse colon, then the ascending colon and, for its last
// CaecumPartLength, the caecum. Outside at and before the anus.
enum class TColonPart { Outside, Rectum, Sigmoid, Descending, Transverse, Ascending, Caecum };
inline constexpr double CaecumPartLength = 0.06;

// "outside", "rectum", "sigmoid", "descending", "transverse", "ascending", "caecum".
const char* ColonPartText(TColonPart Part);

class TColonPath {
public:
  static constexpr double GridStep = 0.005;

  TColonPath();

  // Arc length from the anus to the caecum.
  double Length() const { return Arc_.back(); }
  std::size_t GridCount() const { return Grid_.size(); }
  // Grid point J (0 = anus): arc length J * GridStep, the last one at Length().
  const TVector3& GridPoint(std::size_t J) const { return Grid_[J]; }
  double GridArc(std::size_t J) const { return Arc_[J]; }

  // The point at arc length S, clamped to 0 .. Length().
  TVector3 PositionAt(double S) const;
  double LandmarkArc(TColonLandmark Landmark) const;
  // The part of the colon at arc S.
  TColonPart PartAt(double S) const;
  // Unit direction in which the colon leaves the anus towards the inside;
  // outside the patient the endoscope runs straight back along it.
  const TVector3& InwardDirection() const { return Inward_; }

private:
  std::vector<TVector3> Grid_;
  std::vector<double> Arc_;
  std::array<double, 5> Landmarks_{};
  TVector3 Inward_;
};

} // namespace kestrava::simulator
