#pragma once
// The endoscope tube for navigation software: the shape model's tube and tip
// cap built from one frame, as the views draw it, gathered into one triangle
// set in millimetres.
//
// Owns its own shape model, so it may run on any one thread regardless of
// the model the window draws. Thread: one at a time.

#include "imagerdata/ImagerFrame.h"
#include "streaming/StreamMessages.h"

#include <memory>

namespace kestrava {

class TPolygonImagerData;

class TScopeModelBuilder {
public:
  TScopeModelBuilder();
  ~TScopeModelBuilder();
  TScopeModelBuilder(const TScopeModelBuilder&) = delete;
  TScopeModelBuilder& operator=(const TScopeModelBuilder&) = delete;

  // The tube of Frame; empty when it has no tube. A frame whose model stops
  // early (coincident neighbouring sensors) gives the part that was built,
  // the part the views show.
  TScopeModelGeometry Build(const TImagerFrame& Frame, std::int32_t ProcedureType, bool AutoCutoff);

private:
  std::unique_ptr<TPolygonImagerData> Model_;
};

} // namespace kestrava
