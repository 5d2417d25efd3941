#pragma once
// Qt's key events in the keyboard control's terms.
//
// Qt reports the character a key produces, so Shift changes the key code of
// the main keyboard's digits and of '=' / '-'; those shifted codes are mapped
// back to their keys for the US layout ('!' to '1' ... '^' to '6', '+' to
// '=', '_' to '-'), so that Shift+digit clears a marker and the held-key set
// sees the same key go down and up whatever Shift did in between. The
// numeric keypad is told apart by Qt::KeypadModifier.

#include "app/KeyboardControl.h"

#include <QtCore/Qt>
#include <optional>

class QKeyEvent;

namespace kestrava {

// The key of a Qt key code, or nothing for keys the window ignores.
std::optional<TKey> KeyFromQt(int QtKey, Qt::KeyboardModifiers Modifiers);

// The whole event, or nothing for keys the window ignores.
std::optional<TKeyEvent> KeyEventFromQt(const QKeyEvent& Event);

} // namespace kestrava
