#pragma once
// The looped part of the endoscope as the views show it: a tube a little
// wider than the endoscope's own, in a warning colour, over the loop's
// extent, so that drawn after the endoscope it covers just that part.
//
// Render its RootFrame with the shape model's scene (its lighting) after the
// model. Lengths in metres. Thread: user-interface thread.

#include "looping/LoopClassifier.h"
#include "scene/Graphics3DFrame.h"
#include "scene/MeshBuilders.h"

#include <cstdint>
#include <vector>

namespace kestrava {

// Orange, 0x00BBGGRR.
inline constexpr std::uint32_t LoopWarningColour = 0x0080FF;

class TLoopHighlight {
public:
  TLoopHighlight();

  // Rebuilds the warning tube over State's extent along Frame's endoscope;
  // nothing when State has no extent or the frame no usable trace.
  void Build(const TImagerFrame& Frame, std::int32_t ProcedureType, const TLoopState& State);
  void Clear();

  bool Empty() const { return Empty_; }
  const TGraphics3DFrame& RootFrame() const { return Root_; }

private:
  TGraphics3DFrame Root_;
  TGraphics3DMesh* Tube_;
  TUnitCircle Circle_;
  std::vector<TPositionOrientation> Rings_;
  bool Empty_ = true;
};

} // namespace kestrava
