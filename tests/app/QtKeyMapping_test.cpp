// Qt's key codes in the keyboard control's terms: keypad against main
// keyboard, and Shift's symbols back to their keys.

#include "app/QtKeyMapping.h"

#include <QtGui/QKeyEvent>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(QtKeyMapping, TellsTheKeypadFromTheMainKeyboard) {
  EXPECT_EQ(KeyFromQt(Qt::Key_Plus, Qt::KeypadModifier), TKey::NumPlus);
  EXPECT_EQ(KeyFromQt(Qt::Key_Minus, Qt::KeypadModifier), TKey::NumMinus);
  EXPECT_EQ(KeyFromQt(Qt::Key_4, Qt::KeypadModifier), TKey::Numpad4);
  EXPECT_EQ(KeyFromQt(Qt::Key_End, Qt::KeypadModifier), TKey::End); // Num Lock off
  EXPECT_EQ(KeyFromQt(Qt::Key_Enter, Qt::KeypadModifier), TKey::Enter);
  EXPECT_EQ(KeyFromQt(Qt::Key_4, Qt::NoModifier), TKey::Digit4);
  EXPECT_EQ(KeyFromQt(Qt::Key_Minus, Qt::NoModifier), TKey::Minus);
  EXPECT_EQ(KeyFromQt(Qt::Key_F5, Qt::NoModifier), std::nullopt);
}

TEST(QtKeyMapping, ShiftedSymbolsAreTheKeysThatMadeThem) {
  EXPECT_EQ(KeyFromQt(Qt::Key_Plus, Qt::ShiftModifier), TKey::Equals);
  EXPECT_EQ(KeyFromQt(Qt::Key_Underscore, Qt::ShiftModifier), TKey::Minus);
  EXPECT_EQ(KeyFromQt(Qt::Key_Exclam, Qt::ShiftModifier), TKey::Digit1);
  EXPECT_EQ(KeyFromQt(Qt::Key_AsciiCircum, Qt::ShiftModifier), TKey::Digit6);

  const QKeyEvent Repeat(QEvent::KeyPress, Qt::Key_PageDown, Qt::ShiftModifier | Qt::AltModifier,
                         QString(), true);
  const std::optional<TKeyEvent> Event = KeyEventFromQt(Repeat);
  ASSERT_TRUE(Event);
  EXPECT_EQ(Event->Key, TKey::PageDown);
  EXPECT_TRUE(Event->Shift);
  EXPECT_TRUE(Event->Alt);
  EXPECT_TRUE(Event->AutoRepeat);
}

} // namespace
} // namespace kestrava
