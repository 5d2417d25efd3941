#pragma once
// The main of a benchmark that needs a Qt application object (text, widgets)
// but no screen: Qt's offscreen platform stands in for one.

#include <benchmark/benchmark.h>

namespace kestrava::bench {

template <class TApplication> int RunOffscreenBenchmarks(int argc, char** argv) {
  int QtArgc = 3;
  char Name[] = "benchmark", Option[] = "-platform", Platform[] = "offscreen";
  char* QtArgv[] = {Name, Option, Platform, nullptr};
  TApplication Application(QtArgc, QtArgv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

} // namespace kestrava::bench
