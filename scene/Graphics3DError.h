#pragma once
// The failures a viewer reports while drawing a scene, with their texts.

#include "foundation/QelExceptions.h"

namespace kestrava {

class EGraphics3DError : public Exception {
public:
  explicit EGraphics3DError(const std::string& Message) : Exception(Message) {}
};

// Raised as EGraphics3DError for a mesh with ShadingPhong.
inline constexpr const char* PhongShadingNotSupportedText =
    "Phong shading is not supported with Direct3D";
// Raised as EGraphics3DError for texture mode 2.
inline constexpr const char* TrilinearFilteringNotSupportedText =
    "Trilinear texture filtering not currently supported.";
// Raised as a plain Exception for a Textured mesh without a Texture.
inline constexpr const char* MeshTextureNotSetUpText = "Mesh texture not set up.";

} // namespace kestrava
