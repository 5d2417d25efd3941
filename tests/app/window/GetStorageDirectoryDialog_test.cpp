// The storage directory dialog: OK takes the box's text, Cancel keeps the
// path.

#include "app/window/GetStorageDirectoryDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(GetStorageDirectoryDialog, OkTakesTheEditedPathAndCancelKeepsIt) {
  TGetStorageDirectoryDialog Dialog;
  std::string Path = "/data/Images";
  auto EditThen = [&](QPushButton* (TGetStorageDirectoryDialog::*Button)() const) {
    QTimer::singleShot(0, [&Dialog, Button] {
      EXPECT_EQ(Dialog.windowTitle(), "Imager file storage directory");
      EXPECT_EQ(Dialog.focusWidget(), Dialog.PathControl());
      EXPECT_EQ(Dialog.PathControl()->text(), "/data/Images");
      Dialog.PathControl()->setText("/other/Ä");
      (Dialog.*Button)()->click();
    });
    return Dialog.Edit(Path);
  };
  EXPECT_FALSE(EditThen(&TGetStorageDirectoryDialog::CancelButton));
  EXPECT_EQ(Path, "/data/Images");
  EXPECT_TRUE(EditThen(&TGetStorageDirectoryDialog::OKButton));
  EXPECT_EQ(Path, "/other/Ä");
}

} // namespace
} // namespace kestrava
