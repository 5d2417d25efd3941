// The README's usage block is what users copy from: every command it shows
// must exist and accept every option it shows for that command.

#include "tools/ToolApp.h"

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

struct TUsageLine {
  std::string Command;
  std::vector<std::string> Options;
};

// The lines of the fenced block under the "kestrava-tool usage" heading.
std::vector<TUsageLine> ReadmeUsage() {
  std::ifstream Readme(KESTRAVA_SOURCE_DIR "/README.md");
  std::string Line;
  while (std::getline(Readme, Line) && Line != "## kestrava-tool usage") {
  }
  while (std::getline(Readme, Line) && Line != "```") {
  }
  std::vector<TUsageLine> Usage;
  const std::regex Option(R"((^|[\s\[|])(--[a-z][a-z0-9-]*|-o)\b)");
  while (std::getline(Readme, Line) && Line != "```") {
    std::istringstream Words(Line);
    std::string Program, Command;
    Words >> Program >> Command;
    if (Program != "kestrava-tool" || Command.rfind("--", 0) == 0)
      continue;
    TUsageLine Entry{Command, {}};
    for (std::sregex_iterator Match(Line.begin(), Line.end(), Option), End; Match != End; ++Match)
      Entry.Options.push_back((*Match)[2]);
    Usage.push_back(Entry);
  }
  return Usage;
}

TEST(ReadmeUsage, EveryCommandShownAcceptsEveryOptionShownForIt) {
  const std::vector<TUsageLine> Usage = ReadmeUsage();
  ASSERT_GE(Usage.size(), 10u) << "the usage block was not found";
  for (const TUsageLine& Entry : Usage) {
    std::ostringstream Out, Err;
    ASSERT_EQ(RunTool({Entry.Command, "--help"}, Out, Err), 0)
        << Entry.Command << ": " << Err.str();
    const std::string Help = Out.str();
    for (const std::string& Name : Entry.Options)
      EXPECT_TRUE(std::regex_search(Help, std::regex("(^|[\\s,])" + Name + "($|[^a-z0-9-])")))
          << "kestrava-tool " << Entry.Command << " does not accept " << Name;
  }
}

} // namespace
} // namespace kestrava
