// The generator-coils notice: its look, and staying a visible window of its
// own when it changes owner.

#include "app/window/GenCoilsDisconnectedDialog.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(GenCoilsDisconnectedDialog, BorderlessRedNoticeThatKeepsShowingWhenReparented) {
  QWidget First;
  QWidget Second;
  auto* Notice = new TGenCoilsDisconnectedDialog(&First);
  EXPECT_EQ(Notice->size(), QSize(389, 68));
  EXPECT_TRUE(Notice->isWindow());
  EXPECT_TRUE(Notice->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_EQ(Notice->Label()->text(), "Generator coils are disconnected");
  EXPECT_EQ(Notice->Label()->palette().color(QPalette::WindowText), QColor(Qt::red));
  EXPECT_EQ(Notice->Label()->font().family(), "Verdana");
  EXPECT_EQ(Notice->Label()->font().pixelSize(), 21);

  Notice->show();
  Notice->Reparent(&Second);
  EXPECT_EQ(Notice->parentWidget(), &Second);
  EXPECT_TRUE(Notice->isWindow());
  EXPECT_TRUE(Notice->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(Notice->isVisible());
}

} // namespace
} // namespace kestrava
