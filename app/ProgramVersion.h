#pragma once
// The program's version and build for the About box, beside the time stamp
// of its file: which release, and which commit of it, is running.
// Thread: any.

#include <string>

namespace kestrava {

// "Version 4.5.0, build 476ae31c2d1e": the project's version and the commit
// it was built from ("unknown" when built outside a Git checkout).
std::string ProgramVersionLine();

} // namespace kestrava
