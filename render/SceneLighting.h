#pragma once
// The viewer's own lighting: one point light at the eye, evaluated per
// vertex in double precision, so that the device only interpolates the
// colours it is given and every device draws the same picture.
//
// Colours come in as 0x00BBGGRR (the program's form) and leave as the
// device's 0xAARRGGBB. Positions in the coordinates of the frame that holds
// the mesh. Pure functions: any thread, no allocation.

#include "geometry/Matrices.h"
#include "render/DeviceTypes.h"
#include "scene/Graphics3DMesh.h"
#include "scene/Graphics3DScene.h"

#include <cstdint>
#include <span>

namespace kestrava {

// 0x00BBGGRR <-> 0x00RRGGBB: the low and third bytes change places.
constexpr std::uint32_t SwapRedAndBlue(std::uint32_t Colour) {
  return (Colour & 0xFF00FF00u) | ((Colour & 0xFFu) << 16) | ((Colour >> 16) & 0xFFu);
}

// Nearest integer in 0..255, ties to even; NaN gives 0. Values out of range
// are limited rather than wrapped into the neighbouring colour bytes.
std::uint32_t RoundToByte(double Value);

// The eye (world coordinates) seen from a frame whose world matrix is a
// rotation R and translation t: R^T (Eye - t).
TVector3 LightPositionInFrame(const TMatrix4& World, const TVector3& Eye);

// Writes Mesh.VertexCount() pre-lit vertices (the specular alpha is the fog
// factor, 255 meaning no fog) into Out (at least that long, not
// checked beyond a debug assertion). Wireframe gives unlit white; flat
// shading the mesh colour; anything else the point light at Light.
void LightMeshVertices(const TGraphics3DMesh& Mesh, const TGraphics3DScene& Scene,
                       const TVector3& Light, bool Wireframe, std::span<D3DLVERTEX> Out);

} // namespace kestrava
