#pragma once
// The five texts of the main window's status bar, in panel order: view type,
// auto align, auto cutoff, pain sensor, phase correction. Thread: any.

#include <array>
#include <cstdint>
#include <string>

namespace kestrava {

struct TStatusInputs {
  std::int32_t ViewMode = 0;
  bool AutoAlign = true;
  bool AutoCutoff = true;
  // The pain-sensor flag of the procedure shown.
  bool PainSensor = false;
  bool PhaseCorrection = false;
};

using TStatusPanelTexts = std::array<std::string, 5>;

TStatusPanelTexts StatusPanelTexts(const TStatusInputs& Inputs);

} // namespace kestrava
