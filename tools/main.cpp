// kestrava-tool: command-line access to imager files.

#include "tools/ToolApp.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> Arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return kestrava::RunTool(Arguments, std::cout, std::cerr);
}
