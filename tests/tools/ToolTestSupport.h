#pragma once
// Shared fixture of the tool tests: a private temporary directory, small
// procedures saved into it, and in-process runs of the tool.

#include "imagerdata/ImagerProcedure.h"
#include "tools/JsonValues.h"
#include "tools/ToolApp.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

struct TToolRun {
  int Code = -1;
  std::string Out, Err;
  TJson Json() const { return TJson::parse(Out); }
};

class TToolTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string Pattern =
        (std::filesystem::temp_directory_path() / "kestrava-tool-XXXXXX").string();
    ASSERT_NE(mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  std::string PathOf(const std::string& Name) const { return (Dir / Name).string(); }

  // A procedure of one frame per second with the given pain readings.
  static void FillProcedure(TImagerProcedure& Procedure, std::initializer_list<double> Pains) {
    Procedure.PatientName = "Test Patient";
    Procedure.HasPainData = true;
    Procedure.PainUnits = "mmHg";
    double Seconds = 0;
    for (const double Pain : Pains) {
      TImagerFrame& Frame = Procedure.AddFrame();
      Frame.Time = Seconds++ / 86400.0;
      Frame.SensorCount = 2;
      Frame.TubeRadius = DefaultTubeRadius;
      Frame.SensorValid = {true, true};
      Frame.SensorPosition[1] = Vector3(0, 0, 0.0625); // exact as a single
      Frame.SegmentLength[0] = 0.0625;
      Frame.PainValid = true;
      Frame.Pain = Pain;
    }
  }

  std::string SavePains(const std::string& Name, std::initializer_list<double> Pains) {
    TImagerProcedure Procedure;
    FillProcedure(Procedure, Pains);
    return Procedure.SaveToFile(PathOf(Name));
  }

  void WriteBytes(const std::string& Name, const std::string& Bytes) const {
    std::ofstream(PathOf(Name), std::ios::binary) << Bytes;
  }

  // A program directory of its own: the bundled calibration set, the built
  // simulated driver, and DspExtra appended to the bundled DSP.DAT (or in its
  // place when ReplaceDsp). A new directory each time: a plugin stays loaded
  // once used, and its file must not be written over.
  std::filesystem::path ScriptedProgramDir(const std::string& DspExtra, bool ReplaceDsp = false) {
    const std::filesystem::path Built = KESTRAVA_PROGRAM_DIR;
    std::filesystem::path Program = Dir / ("program" + std::to_string(++Programs));
    std::filesystem::create_directories(Program / "drivers");
    for (const auto& Entry : std::filesystem::directory_iterator(Built)) {
      if (Entry.is_regular_file() && Entry.path().has_extension()) { // not the programs
        std::filesystem::copy_file(Entry.path(), Program / Entry.path().filename());
      }
    }
    std::filesystem::create_symlink(Built / "drivers" / "libkestrava_simulator_driver.so",
                                    Program / "drivers" / "libkestrava_simulator_driver.so");
    std::ofstream(Program / "DSP.DAT", ReplaceDsp ? std::ios::trunc : std::ios::app)
        << "\n"
        << DspExtra << "\n";
    return Program;
  }

  static TToolRun Run(const std::vector<std::string>& Arguments) {
    std::ostringstream Out, Err;
    TToolRun Result;
    Result.Code = RunTool(Arguments, Out, Err);
    Result.Out = Out.str();
    Result.Err = Err.str();
    return Result;
  }

  std::filesystem::path Dir;
  int Programs = 0;
};

} // namespace kestrava::testing
