#pragma once
// The operating-system services of the workstation on Qt: the Shift state,
// the marker tone and path names. Held keys are the main window's business
// (it keeps them from its key events), so IsKeyDown reports none here.
//
// Thread: user-interface thread.

#include "foundation/PlatformServices.h"

namespace kestrava {

class TQtPlatformServices final : public IPlatformServices {
public:
  bool IsKeyDown(std::int32_t VirtualKey) const override;
  bool IsShiftDown() const override;
  // The system beep: a tone of the asked frequency needs an audio output.
  void Tone(std::int32_t FrequencyHz, std::int32_t Milliseconds) override;
  std::string LongPathName(const std::string& Path) const override;
};

} // namespace kestrava
