#include "app/window/QtPlatformServices.h"

#include <QApplication>

namespace kestrava {

bool TQtPlatformServices::IsKeyDown(std::int32_t) const {
  return false;
}

bool TQtPlatformServices::IsShiftDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

void TQtPlatformServices::Tone(std::int32_t FrequencyHz, std::int32_t Milliseconds) {
  Speaker_.Play(FrequencyHz, Milliseconds);
}

// Paths on this platform have no short forms.
std::string TQtPlatformServices::LongPathName(const std::string& Path) const {
  return Path;
}

} // namespace kestrava
