#pragma once
// The endoscope shape model: turns one frame into the scene the views draw —
// a tube along the endoscope with a rounded tip, optionally an overtube
// around part of it, and spheres at the body markers, the hand sensor and the
// selected curvature point.
//
// Units are metres. Sensor 0 is the distal tip. The model owns its scene,
// frames and meshes; viewers read Scene() and RootFrame() between builds.
// Working storage (centre line, sphere templates and their frames) is made
// once by the constructor; a build allocates only the tube, cap and overtube
// meshes. Thread: user-interface thread only.

#include "imagerdata/ImagerFrame.h"
#include "scene/CentreLine.h"
#include "scene/CutoffPlane.h"
#include "scene/DrawableFrame.h"
#include "scene/Graphics3DFrame.h"
#include "scene/Graphics3DScene.h"
#include "scene/MeshBuilders.h"

#include <array>
#include <cstdint>

namespace kestrava {

class TPolygonImagerData {
public:
  static constexpr std::int32_t EndoscopeSides = 10;
  static constexpr std::int32_t OvertubeSides = 20;
  static constexpr std::int32_t SectionsPerInterval = 8;
  static constexpr std::int32_t TipDomeRings = 3;
  static constexpr double MarkerSphereRadius = 0.015;
  static constexpr double OvertubeSensorRadius = 0.005;

  TPolygonImagerData();
  TPolygonImagerData(const TPolygonImagerData&) = delete;
  TPolygonImagerData& operator=(const TPolygonImagerData&) = delete;

  // Replaces all per-frame geometry with that of Frame, as the view options
  // below ask. ProcedureType selects how the cutoff plane is found.
  //
  // Any frame content gives a drawable scene: what no model can be built
  // from is left out (see MakeDrawableFrame), and where two consecutive
  // centre-line points coincide (coincident sensors) the build stops, every
  // mesh left in the scene complete. Returns what was wrong with the frame;
  // the model is complete when it is sound. The next build starts afresh.
  TFrameCheck BuildFromFrame(const TImagerFrame& Frame, std::int32_t ProcedureType,
                             bool AutoCutoff);

  // Inserted length of the endoscope in metres: the catheter length from the
  // tip up to the first invalid sensor, ending where it crosses the cutoff
  // plane. Does not change the model.
  static double ScopeLength(const TImagerFrame& Frame, std::int32_t ProcedureType, bool AutoCutoff);

  // View options, written by the shell before each build.
  bool ShowEndoscope = true;
  bool ShowMarkers = true;
  bool ShowHand = true;
  bool ShowOvertube = true;
  bool ShowCurvaturePoint = false;
  TVector3 CurvaturePoint;

  TGraphics3DScene& Scene() { return Scene_; }
  const TGraphics3DScene& Scene() const { return Scene_; }
  const TGraphics3DFrame& RootFrame() const { return RootFrame_; }

  // The parts of the scene, for readers that need one of them.
  const TGraphics3DFrame& EndoscopeFrame() const { return *EndoscopeFrame_; }
  const TGraphics3DFrame& OvertubeFrame() const { return *OvertubeFrame_; }
  const TGraphics3DFrame& HandFrame() const { return *HandFrame_; }
  const TGraphics3DFrame& CurvatureFrame() const { return *CurvatureFrame_; }
  // 0 <= Index < MarkerCount.
  const TGraphics3DFrame& MarkerFrame(std::int32_t Index) const {
    return *MarkerFrames_[static_cast<std::size_t>(Index)];
  }

  // Vertices and faces of everything currently shown.
  std::int64_t TotalVertexCount() const { return RootFrame_.TotalVertexCount(); }
  std::int64_t TotalFaceCount() const { return RootFrame_.TotalFaceCount(); }

private:
  void ClearGeometry();
  void Build(const TImagerFrame& Frame, std::int32_t ProcedureType, bool AutoCutoff);
  void BuildEndoscope(const TImagerFrame& Frame, const TCutoffPlane& Plane);
  void BuildTube(double Radius, bool Tip);
  void BuildOvertube(const TImagerFrame& Frame, const TCutoffPlane& Plane);
  void BuildOvertubeTube(double Radius);
  void AddOvertubeSensorSphere(const TVector3& Position);
  void PlaceMarkers(const TImagerFrame& Frame);
  void PlaceHand(const TImagerFrame& Frame);
  void PlaceCurvaturePoint();

  TGraphics3DScene Scene_;
  TGraphics3DFrame RootFrame_;
  // Children of RootFrame_, which owns them.
  TGraphics3DFrame* EndoscopeFrame_;
  TGraphics3DFrame* HandFrame_;
  TGraphics3DFrame* CurvatureFrame_;
  TGraphics3DFrame* OvertubeFrame_;
  std::array<TGraphics3DFrame*, MarkerCount> MarkerFrames_{};

  TGraphics3DMesh MarkerSphere_;
  TGraphics3DMesh HandSphere_;
  TGraphics3DMesh CurvatureSphere_;
  // Copied and moved onto the overtube sensor each build, which is far
  // cheaper than working out 861 vertices with sines and cosines again.
  TGraphics3DMesh OvertubeSensorSphere_;

  const TUnitCircle EndoscopeCircle_{EndoscopeSides};
  const TUnitCircle OvertubeCircle_{OvertubeSides};
  TCentreLine CentreLine_;
  // The drawable copy of the frame being built.
  TImagerFrame Drawable_;
};

} // namespace kestrava
