// The about box: its lines, the running program's time stamp, our version
// line and its button.

#include "app/AboutTimeStamp.h"
#include "app/window/AboutDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(AboutDialog, ShowsNameCompanyTheRunningProgramsTimeStampAndItsVersion) {
  TAboutDialog Dialog;
  Dialog.show();
  EXPECT_EQ(Dialog.windowTitle(), "About");
  EXPECT_EQ(Dialog.width(), 281);
  EXPECT_GT(Dialog.height(), 128) << "a line taller for the version";
  EXPECT_EQ(Dialog.ApplicationNameLabel()->text(), "Kestrava V4.5");
  EXPECT_EQ(Dialog.CompanyNameLabel()->text(), "Qel Medical Systems");
  const std::string Expected =
      SoftwareTimeStampLineOfFile(QCoreApplication::applicationFilePath().toStdU16String());
  EXPECT_GT(Expected.size(), std::string(SoftwareTimeStampPrefix).size());
  EXPECT_EQ(Dialog.TimeStampLabel()->text().toStdString(), Expected);
  EXPECT_TRUE(QRegularExpression(R"(^Version \d+\.\d+\.\d+, build ([0-9a-f]{12}|unknown)$)")
                  .match(Dialog.VersionLabel()->text())
                  .hasMatch())
      << Dialog.VersionLabel()->text().toStdString();
  EXPECT_TRUE(Dialog.OKButton()->isDefault());
  Dialog.OKButton()->click();
  EXPECT_FALSE(Dialog.isVisible());
}

} // namespace
} // namespace kestrava
