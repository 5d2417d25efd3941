#pragma once
// The operating-system services of the workstation on Qt: the Shift state,
// the marker tone and path names. Held keys are the main window's business
// (it keeps them from its key events), so IsKeyDown reports none here.
// The tone plays through the audio output and returns at once.
//
// Thread: user-interface thread.

#include "app/window/MarkerTone.h"
#include "foundation/PlatformServices.h"

namespace kestrava {

class TQtPlatformServices final : public IPlatformServices {
public:
  bool IsKeyDown(std::int32_t VirtualKey) const override;
  bool IsShiftDown() const override;
  void Tone(std::int32_t FrequencyHz, std::int32_t Milliseconds) override;
  std::string LongPathName(const std::string& Path) const override;

private:
  TMarkerTone Speaker_;
};

} // namespace kestrava
