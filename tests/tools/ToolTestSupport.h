#pragma once
// The tool tests' fixture: in-process runs of the tool in a scratch folder,
// and the table-driven check of a command line's exit code and output.

#include "tests/support/ProcedureBuilders.h"
#include "tests/support/ScratchDirectory.h"
#include "tools/JsonValues.h"
#include "tools/ToolApp.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava::testing {

// The program directory of the build: the tool, its drivers and the bundled
// calibration set.
inline constexpr const char* BuiltProgramDir = KESTRAVA_PROGRAM_DIR;

struct TToolRun {
  int Code = -1;
  std::string Out, Err;
  TJson Json() const { return TJson::parse(Out); }
};

// One command line and what it must give. In Arguments and Says, @name is
// the file name in the suite's folder. Each of Says is a text the output
// holds (standard error where the command fails), or for JSON output
// "/pointer=value" (numbers to 1e-6), "=document" or "keys=a,b,c" for the
// top level's keys in order; "!" before a text or a pointer: not there.
struct TGolden {
  std::vector<std::string> Arguments;
  int Code;
  std::vector<std::string> Says;
};

inline bool SameJson(const TJson& Expected, const TJson& Actual) {
  if (Expected.is_number() && Actual.is_number()) {
    return std::abs(Expected.get<double>() - Actual.get<double>()) <= 1e-6;
  }
  if (Expected.is_structured() && Actual.type() == Expected.type() &&
      Actual.size() == Expected.size()) {
    if (Expected.is_array()) {
      for (std::size_t I = 0; I < Expected.size(); ++I)
        if (!SameJson(Expected[I], Actual[I]))
          return false;
      return true;
    }
    for (const auto& Item : Expected.items())
      if (!Actual.contains(Item.key()) || !SameJson(Item.value(), Actual[Item.key()]))
        return false;
    return true;
  }
  return Expected == Actual;
}

class TToolTest : public ::testing::Test {
protected:
  static TToolRun Run(const std::vector<std::string>& Arguments) {
    std::ostringstream Out, Err;
    TToolRun Result;
    Result.Code = RunTool(Arguments, Out, Err);
    Result.Out = Out.str();
    Result.Err = Err.str();
    return Result;
  }

  std::string PathOf(const std::string& Name) const { return Files->PathOf(Name); }

  std::string SavePains(const std::string& Name, std::initializer_list<double> Pains) const {
    TImagerProcedure Procedure;
    support::AddPainFrames(Procedure, Pains);
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
    const std::filesystem::path Built = BuiltProgramDir;
    std::filesystem::path Program = Files->Dir / ("program" + std::to_string(++Programs));
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

  std::string Expand(const std::string& Text) const {
    static const std::regex Name(R"(@([A-Za-z0-9._/-]*))");
    return std::regex_replace(Text, Name, (Files->Dir / "$1").string());
  }

  void ExpectGolden(const TGolden& Case) const {
    std::vector<std::string> Arguments;
    std::string Line;
    for (const std::string& Argument : Case.Arguments) {
      Arguments.push_back(Expand(Argument));
      Line += " " + Argument;
    }
    SCOPED_TRACE("kestrava-tool" + Line);
    const TToolRun Result = Run(Arguments);
    ASSERT_EQ(Result.Code, Case.Code) << Result.Err;
    if (Case.Code != 0) {
      EXPECT_EQ(Result.Out, "") << "nothing half-printed";
      EXPECT_NE(Result.Err, "") << "a failure says why";
    } else if (Line.find(" --csv") != std::string::npos) {
      ExpectEvenRows(Result.Out);
    }
    const std::string& Text = Case.Code == 0 ? Result.Out : Result.Err;
    const bool Json = Case.Code == 0 && Line.find(" --json") != std::string::npos;
    const TJson Document = Json ? Result.Json() : TJson();
    for (const std::string& Said : Case.Says) {
      const bool Absent = Said.starts_with('!');
      const std::string Says = Expand(Absent ? Said.substr(1) : Said);
      if (Json && Says.starts_with("keys=")) {
        std::string Keys;
        for (const auto& Item : Document.items())
          Keys += (Keys.empty() ? "" : ",") + Item.key();
        EXPECT_EQ("keys=" + Keys, Says);
      } else if (Json && (Says.starts_with('/') || Says.starts_with('='))) {
        const std::size_t Is = Says.find('=');
        const TJson::json_pointer Pointer(Says.substr(0, Is)); // no value: there at all
        if (Absent) {
          EXPECT_FALSE(Document.contains(Pointer)) << Says;
          continue;
        }
        ASSERT_TRUE(Document.contains(Pointer)) << Says << "\n" << Result.Out.substr(0, 2000);
        if (Is != std::string::npos) {
          EXPECT_TRUE(SameJson(TJson::parse(Says.substr(Is + 1)), Document.at(Pointer)))
              << Says << "\nis " << Document.at(Pointer).dump();
        }
      } else {
        EXPECT_EQ(Text.find(Says) == std::string::npos, Absent) << Says << "\nin\n" << Text;
      }
    }
  }

  // Every row of a table has the header's cells.
  static void ExpectEvenRows(const std::string& Csv) {
    std::istringstream Lines(Csv);
    std::string Header;
    std::getline(Lines, Header);
    const auto Cells = [](const std::string& Row) {
      return std::count(Row.begin(), Row.end(), ',');
    };
    for (std::string Row; std::getline(Lines, Row);)
      EXPECT_EQ(Cells(Row), Cells(Header)) << Row;
  }

  support::TScratchDirectory Scratch{"kestrava-tool"};
  // The folder of @name: the test's own, or one its suite shares.
  const support::TScratchDirectory* Files = &Scratch;
  int Programs = 0;
};

} // namespace kestrava::testing
