// The about box: its lines, the program file's time stamp and its button.

#include "app/AboutTimeStamp.h"
#include "app/window/AboutDialog.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(AboutDialog, ShowsNameCompanyAndTheProgramFilesTimeStamp) {
  QTemporaryDir Directory;
  const QString Program = Directory.filePath("kestrava");
  {
    QFile File(Program);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
  }
  const QDateTime Written(QDate(2009, 5, 20), QTime(14, 30, 15), Qt::UTC);
  {
    QFile File(Program);
    ASSERT_TRUE(File.open(QIODevice::ReadWrite));
    ASSERT_TRUE(File.setFileTime(Written, QFileDevice::FileModificationTime));
  }
  TAboutDialog Dialog(nullptr, Program.toStdString());
  Dialog.show();
  EXPECT_EQ(Dialog.windowTitle(), "About");
  EXPECT_EQ(Dialog.size(), QSize(281, 128));
  EXPECT_EQ(Dialog.ApplicationNameLabel()->text(), "Kestrava V4.5");
  EXPECT_EQ(Dialog.CompanyNameLabel()->text(), "Qel Medical Systems");
  EXPECT_EQ(Dialog.TimeStampLabel()->text(), "Software time stamp: 747523-52215");
  EXPECT_TRUE(Dialog.OKButton()->isDefault());
  Dialog.OKButton()->click();
  EXPECT_FALSE(Dialog.isVisible());
}

} // namespace
} // namespace kestrava
