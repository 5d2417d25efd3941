#pragma once
// What a window that draws a scene offers the application. The operations
// are declared in their fixed slot order; the destructor comes last so that
// it does not take a slot in front of them.
//
// Ownership: the application owns each viewer (through std::unique_ptr); a
// viewer keeps no reference to the scene, frames or meshes it renders beyond
// the call, but caches surfaces made from images until ReleaseImage or
// ReleaseAllImages. Colours are 0x00BBGGRR; angles in radians; screen
// coordinates in pixels. Thread: user-interface thread only.

#include "geometry/Matrices.h"
#include "scene/Graphics3DFrame.h"
#include "scene/Graphics3DScene.h"
#include "scene/TextureImage.h"

#include <cstdint>

namespace kestrava {

enum TTextureMode : std::int32_t {
  TextureNearest = 0,
  TextureBilinear = 1,
  TextureTrilinear = 2, // refused with EGraphics3DError
};

enum TProjectionType : std::int32_t {
  ProjectionPerspective = 0,
  ProjectionParallel = 1,
};

enum TAntiAliasing : std::int32_t {
  AntiAliasingOff = 0,
  AntiAliasingOn = 1,
  AntiAliasingDeviceDefault = 2,
};

class IGraphics3DViewer {
public:
  // The second argument is accepted for compatibility and ignored.
  virtual void Clear(std::uint32_t BackgroundColour, bool Unused) = 0;                  // 1
  virtual void Render(const TGraphics3DScene& Scene, const TGraphics3DFrame& Root) = 0; // 2
  // Left and Bottom in pixels, Bottom counted up from the bottom edge.
  virtual void DrawImage(const TTextureImage& Image, std::int32_t Left,
                         std::int32_t Bottom) = 0;                // 3
  virtual std::int32_t GetTextureMode() const = 0;                // 4
  virtual void SetTextureMode(std::int32_t Mode) = 0;             // 5
  virtual void ReleaseImage(const TTextureImage& Image) = 0;      // 6
  virtual void ReleaseAllImages() = 0;                            // 7
  virtual TPositionOrientation GetCamera() const = 0;             // 8
  virtual void SetCamera(const TPositionOrientation& Camera) = 0; // 9
  virtual double GetNearClip() const = 0;                         // 10
  virtual void SetNearClip(double Distance) = 0;                  // 11
  virtual double GetFarClip() const = 0;                          // 12
  virtual void SetFarClip(double Distance) = 0;                   // 13
  virtual double GetFieldOfView() const = 0;                      // 14
  virtual void SetFieldOfView(double Angle) = 0;                  // 15
  virtual std::int32_t GetProjectionType() const = 0;             // 16
  virtual void SetProjectionType(std::int32_t Type) = 0;          // 17
  virtual double GetScaleX() const = 0;                           // 18
  virtual void SetScaleX(double Scale) = 0;                       // 19
  virtual double GetScaleY() const = 0;                           // 20
  virtual void SetScaleY(double Scale) = 0;                       // 21
  virtual bool GetBackFaceCulling() const = 0;                    // 22
  virtual void SetBackFaceCulling(bool Enabled) = 0;              // 23
  virtual bool GetWireframe() const = 0;                          // 24
  virtual void SetWireframe(bool Enabled) = 0;                    // 25
  virtual std::int32_t GetAntiAliasing() const = 0;               // 26
  virtual void SetAntiAliasing(std::int32_t Mode) = 0;            // 27
  virtual bool GetZBufferEnabled() const = 0;                     // 28
  virtual void SetZBufferEnabled(bool Enabled) = 0;               // 29
  // Seconds the last Render spent drawing the frame tree.
  virtual double GetLastRenderTime() const = 0; // 30
  // Point in Frame's coordinates to screen pixels and 0..1 depth, with the view
  // and projection of the last Render (so call it after Render).
  virtual TVector3 ProjectToScreen(const TVector3& Point, const TGraphics3DFrame& Frame) = 0; // 31
  // The next two are defined for the parallel projection only.
  virtual TVector3 FrameToScreen(const TVector3& Point, const TGraphics3DFrame& Frame) = 0;  // 32
  virtual TVector3 ScreenToFrame(const TVector3& Screen, const TGraphics3DFrame& Frame) = 0; // 33

  virtual ~IGraphics3DViewer() = default;
};

} // namespace kestrava
