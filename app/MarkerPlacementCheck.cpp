#include "app/MarkerPlacementCheck.h"

#include "imagerdata/ImagerFrame.h"

#include <cmath>

namespace kestrava {

namespace {

// Whole centimetres rounded down, so that no pair below the spacing reads
// as far apart as the spacing itself.
std::string DistanceText(double Metres) {
  const double Centimetres = std::floor(Metres * 100);
  if (Centimetres < 1)
    return "less than 1 cm";
  return std::to_string(static_cast<int>(Centimetres)) + " cm";
}

// A marker whose position is not a number counts as not placed: nothing
// can be said of its distances.
bool Placed(const TImagerFrame& Frame, int Marker) {
  const TVector3& P = Frame.MarkerPosition[Marker];
  return Frame.MarkerValid[Marker] && std::isfinite(P.X) && std::isfinite(P.Y) &&
         std::isfinite(P.Z);
}

std::string CrowdedPairAlert(const TImagerFrame& Frame) {
  for (int First = 0; First < MarkerCount; ++First)
    for (int Second = First + 1; Second < MarkerCount; ++Second) {
      if (!Placed(Frame, First) || !Placed(Frame, Second))
        continue;
      const double Apart =
          VectorDistance(Frame.MarkerPosition[First], Frame.MarkerPosition[Second]);
      if (Apart < MarkerMinimumSpacing)
        return "Markers " + std::to_string(First + 1) + " and " + std::to_string(Second + 1) +
               " are " + DistanceText(Apart) + " apart: place them again";
    }
  return {};
}

// Marker 3 near the line through markers 1 and 2 turns the patient's axes
// about that line by whatever noise the sensor had.
bool ThirdMarkerOnTheLine(const TImagerFrame& Frame) {
  const TVector3& A = Frame.MarkerPosition[0];
  const TVector3 Line = SubtractVectors(Frame.MarkerPosition[1], A);
  const double Length = VectorLength(Line);
  if (Length <= 0)
    return true;
  const TVector3 Off = CrossProduct(SubtractVectors(Frame.MarkerPosition[2], A), Line);
  return VectorLength(Off) / Length < MarkerMinimumSpacing;
}

} // namespace

std::string MarkerPlacementAlert(const TImagerFrame& Frame, std::int32_t ProcedureType) {
  if (std::string Crowded = CrowdedPairAlert(Frame); !Crowded.empty())
    return Crowded;
  if (ProcedureType < 0 || ProcedureType > 2)
    return {}; // no axes are taken from the markers of other types
  const int AxisMarkers = ProcedureType == 0 ? 3 : 4;
  for (int Marker = 0; Marker < AxisMarkers; ++Marker)
    if (!Placed(Frame, Marker))
      return {};
  TVector3 Centre, Normal, Axis;
  const bool Axes = Frame.GetPatientAxes(ProcedureType, Centre, Normal, Axis);
  if (!Axes || (ProcedureType == 0 && ThirdMarkerOnTheLine(Frame)))
    return "Markers 1-" + std::to_string(AxisMarkers) + " give no patient axes: place them again";
  return {};
}

} // namespace kestrava
