// kestrava-demo-recording OUT.img: writes the demo recording until a
// simulated driver can record one.

#include "imagerdata/ImagerProcedure.h"
#include "tools/DemoRecording.h"
#include "tools/ToolErrors.h"

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: kestrava-demo-recording OUT.img\n";
    return kestrava::ExitUsageError;
  }
  return kestrava::RunReportingErrors(std::cerr, [&] {
    kestrava::TImagerProcedure Procedure;
    kestrava::BuildDemoProcedure(Procedure);
    std::cout << Procedure.SaveToFile(argv[1]) << '\n';
    return static_cast<int>(kestrava::ExitSuccess);
  });
}
