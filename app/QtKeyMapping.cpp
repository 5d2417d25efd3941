#include "app/QtKeyMapping.h"

#include <QtGui/QKeyEvent>

namespace kestrava {
namespace {

std::optional<TKey> KeypadKey(int QtKey) {
  switch (QtKey) {
  case Qt::Key_Plus:
    return TKey::NumPlus;
  case Qt::Key_Minus:
    return TKey::NumMinus;
  case Qt::Key_1:
    return TKey::Numpad1;
  case Qt::Key_2:
    return TKey::Numpad2;
  case Qt::Key_3:
    return TKey::Numpad3;
  case Qt::Key_4:
    return TKey::Numpad4;
  case Qt::Key_5:
    return TKey::Numpad5;
  case Qt::Key_6:
    return TKey::Numpad6;
  default:
    // With Num Lock off the keypad sends Home, End, arrows and Delete, which
    // act as the keys they name.
    return std::nullopt;
  }
}

std::optional<TKey> MainKey(int QtKey) {
  switch (QtKey) {
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return TKey::Enter;
  case Qt::Key_Home:
    return TKey::Home;
  case Qt::Key_Left:
    return TKey::Left;
  case Qt::Key_Right:
    return TKey::Right;
  case Qt::Key_Up:
    return TKey::Up;
  case Qt::Key_Down:
    return TKey::Down;
  case Qt::Key_Delete:
    return TKey::Delete;
  case Qt::Key_End:
    return TKey::End;
  case Qt::Key_Equal:
  case Qt::Key_Plus:
    return TKey::Equals;
  case Qt::Key_Minus:
  case Qt::Key_Underscore:
    return TKey::Minus;
  case Qt::Key_X:
    return TKey::X;
  case Qt::Key_Y:
    return TKey::Y;
  case Qt::Key_Z:
    return TKey::Z;
  case Qt::Key_PageDown:
    return TKey::PageDown;
  case Qt::Key_PageUp:
    return TKey::PageUp;
  case Qt::Key_Escape:
    return TKey::Escape;
  case Qt::Key_1:
  case Qt::Key_Exclam:
    return TKey::Digit1;
  case Qt::Key_2:
  case Qt::Key_At:
    return TKey::Digit2;
  case Qt::Key_3:
  case Qt::Key_NumberSign:
    return TKey::Digit3;
  case Qt::Key_4:
  case Qt::Key_Dollar:
    return TKey::Digit4;
  case Qt::Key_5:
  case Qt::Key_Percent:
    return TKey::Digit5;
  case Qt::Key_6:
  case Qt::Key_AsciiCircum:
    return TKey::Digit6;
  case Qt::Key_C:
    return TKey::C;
  case Qt::Key_A:
    return TKey::A;
  case Qt::Key_L:
    return TKey::L;
  case Qt::Key_V:
    return TKey::V;
  case Qt::Key_D:
    return TKey::D;
  case Qt::Key_Shift:
    return TKey::Shift;
  default:
    return std::nullopt;
  }
}

} // namespace

std::optional<TKey> KeyFromQt(int QtKey, Qt::KeyboardModifiers Modifiers) {
  if (Modifiers.testFlag(Qt::KeypadModifier)) {
    if (const std::optional<TKey> Key = KeypadKey(QtKey)) {
      return Key;
    }
  }
  return MainKey(QtKey);
}

std::optional<TKeyEvent> KeyEventFromQt(const QKeyEvent& Event) {
  const std::optional<TKey> Key = KeyFromQt(Event.key(), Event.modifiers());
  if (!Key) {
    return std::nullopt;
  }
  return TKeyEvent{*Key, Event.modifiers().testFlag(Qt::ShiftModifier),
                   Event.modifiers().testFlag(Qt::AltModifier), Event.isAutoRepeat()};
}

} // namespace kestrava
