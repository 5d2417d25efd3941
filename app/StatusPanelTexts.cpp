#include "app/StatusPanelTexts.h"

namespace kestrava {

namespace {

const char* ViewTypeText(std::int32_t ViewMode) {
  switch (ViewMode) {
  case 1:
    return "Lateral view";
  case 2:
    return "Twin view";
  default:
    return "AP view";
  }
}

std::string OnOff(const char* Name, bool On) {
  return std::string(Name) + (On ? " on" : " off");
}

} // namespace

TStatusPanelTexts StatusPanelTexts(const TStatusInputs& In) {
  return {ViewTypeText(In.ViewMode), OnOff("Auto align", In.AutoAlign),
          OnOff("Auto cutoff", In.AutoCutoff), OnOff("Pain sensor", In.PainSensor),
          OnOff("Phase correction", In.PhaseCorrection)};
}

} // namespace kestrava
