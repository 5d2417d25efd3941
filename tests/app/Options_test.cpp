// The option set's defaults and what "Set default options" keeps.

#include "app/Options.h"

#include <QDir>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(Options, DefaultsAreTheDesignedOnesWithTheRunsDirectories) {
  const std::string Storage = QDir::homePath().toStdString() + "/Images";
  const TOptions Designed{true,  true, true, true,  true,  false,       false,
                          true,  true, 0,    true,  false, false,       0,
                          "",    "",   "",   true,  true,  "/work/dir", Storage,
                          32768, 0.1,  true, false, 18944, "127.0.0.1"};
  EXPECT_EQ(DefaultOptions("/work/dir"), Designed);
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
