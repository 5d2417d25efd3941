#pragma once
// The lighting of a scene. A scene has no structure of its own: the pair
// (scene, root frame) is what a viewer renders. The viewer multiplies the
// levels with each mesh's reflectances and attenuates the light by
// 1 / (constant + linear * d + quadratic * d^2) at distance d (metres).

namespace kestrava {

struct TGraphics3DScene {
  double ConstantAttenuation = 1.0;
  double LinearAttenuation = 0.0;
  double QuadraticAttenuation = 0.0;
  double AmbientLevel = 1.0;
  double DiffuseLevel = 1.0;
  double SpecularLevel = 1.0;
};

} // namespace kestrava
