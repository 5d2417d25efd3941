// The option set's defaults and what "Set default options" keeps.

#include "app/Options.h"

#include <QDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(Options, DefaultsAreTheDesignedOnesWithTheRunsDirectories) {
  const TOptions Options = DefaultOptions("/work/dir");
  EXPECT_TRUE(Options.ViewEndoscope);
  EXPECT_TRUE(Options.ViewMarkers);
  EXPECT_TRUE(Options.ViewSensors);
  EXPECT_TRUE(Options.ViewHand);
  EXPECT_TRUE(Options.ViewOvertube);
  EXPECT_FALSE(Options.ViewMeasure);
  EXPECT_FALSE(Options.ViewEndoscopeCurvature);
  EXPECT_TRUE(Options.ViewInfo);
  EXPECT_TRUE(Options.ViewTimeLine);
  EXPECT_EQ(Options.ViewMode, 0);
  EXPECT_TRUE(Options.AutoAlign);
  EXPECT_FALSE(Options.UsePhaseCorrection);
  EXPECT_FALSE(Options.UsePainSensor);
  EXPECT_EQ(Options.ProcedureType, 0);
  EXPECT_EQ(Options.SensorFilename, "");
  EXPECT_EQ(Options.OvertubeFilename, "");
  EXPECT_EQ(Options.GeneratorCoilsFilename, "");
  EXPECT_TRUE(Options.UseHardwareDirect3D);
  EXPECT_TRUE(Options.UseAutoCutoff);
  EXPECT_EQ(Options.ImagerFilesDirectory, "/work/dir");
  EXPECT_EQ(Options.ImagerFileStorageDirectory, QDir::homePath().toStdString() + "/Images");
  EXPECT_EQ(Options.BackgroundColor, 32768);
  EXPECT_EQ(Options.PatientPainThreshold, 0.1);
}

TEST(Options, SetDefaultOptionsKeepsOnlyTheLastChoicesAndTheFilesDirectory) {
  TOptions Changed{false,   false, false, false,     false,     true, true,   false,
                   false,   2,     false, true,      true,      2,    "Cath", "Tube",
                   "Coils", false, false, "/opened", "/stored", 0xFF, 0.5};
  SetDefaultOptions(Changed);
  TOptions Expected = DefaultOptions("/opened");
  Expected.UsePainSensor = true;
  Expected.ProcedureType = 2;
  Expected.SensorFilename = "Cath";
  Expected.OvertubeFilename = "Tube";
  Expected.GeneratorCoilsFilename = "Coils";
  EXPECT_EQ(Changed, Expected);
}

} // namespace
} // namespace kestrava
