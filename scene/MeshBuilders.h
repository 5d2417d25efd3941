#pragma once
// The shape builders. Each replaces the geometry of the mesh it is given and
// leaves its material alone (except MakeSphere, which clears WrapU/WrapV).
// Where seams, poles and windings lie is fixed, because the viewer and the
// shape model rely on it:
//  - circles start at the placement's Up and run counter-clockwise seen from
//    the tip of its Direction (towards -X for the default placement);
//  - every face is wound so that the right-hand normal of A, B, C points out
//    of the solid, the same way as the vertex normals.
// Radii and positions in metres. A builder that would exceed the 16-bit face
// indices, or gets a negative count, raises E_Qel_InvalidArg before touching
// the mesh. Thread: any, on meshes nobody else is using.

#include "geometry/Matrices.h"
#include "scene/Graphics3DMesh.h"

#include <array>
#include <cstdint>
#include <span>

namespace kestrava {

// Discs, domes and tubes along a centre line hold at most this many sides.
inline constexpr std::int32_t MaxBuilderSides = 100;

// The N points of MakeUnitCircle, made once and reused for every build.
class TUnitCircle {
public:
  // 0 <= Sides <= MaxBuilderSides, else E_Qel_InvalidArg.
  explicit TUnitCircle(std::int32_t Sides);
  std::int32_t Sides() const { return Sides_; }
  std::span<const TVector3> Points() const {
    return {Points_.data(), static_cast<std::size_t>(Sides_)};
  }

private:
  std::int32_t Sides_;
  std::array<TVector3, MaxBuilderSides> Points_{};
};

// Faces of a closed tube whose vertices lie ring after ring, Sides per ring;
// allocates Rings * Sides (zeroed) vertices for the caller to fill. With
// Reversed the faces are wound the other way (seen from inside). Rings = 0
// leaves the mesh untouched.
void MakeTubeFaces(TGraphics3DMesh& Mesh, std::int32_t Sides, std::int32_t Rings, bool Reversed);

// A tube of one ring per centre-line point: ring k is the circle of Radius
// about Rings[k].Position in the plane normal to its Direction, starting at
// its Up. Normals point radially outwards; texture coordinates are 0.
void MakeTube(TGraphics3DMesh& Mesh, std::span<const TPositionOrientation> Rings,
              const TUnitCircle& Circle, double Radius);

// Stacks x Slices sphere: row 0 is the +Z pole, column Slices repeats column 0
// (the texture seam), texture (j / Slices, 1 - i / Stacks). Stacks, Slices >= 1.
void MakeSphere(TGraphics3DMesh& Mesh, const TVector3& Centre, std::int32_t Stacks,
                std::int32_t Slices, double Radius);

// A flat fan facing along Placement.Direction: vertices 0..Sides-1 on the rim,
// vertex Sides at the centre.
void MakeDisc(TGraphics3DMesh& Mesh, std::int32_t Sides, const TPositionOrientation& Placement,
              double Radius);
void MakeDisc(TGraphics3DMesh& Mesh, const TUnitCircle& Circle,
              const TPositionOrientation& Placement, double Radius);

// A hemisphere on the placement's plane bulging along its Direction: ring 0
// is the base circle, ring Rings collapses to the apex. Rings >= 1.
void MakeDome(TGraphics3DMesh& Mesh, std::int32_t Sides, std::int32_t Rings, double Radius,
              const TPositionOrientation& Placement);
void MakeDome(TGraphics3DMesh& Mesh, const TUnitCircle& Circle, std::int32_t Rings, double Radius,
              const TPositionOrientation& Placement);

} // namespace kestrava
