#pragma once
// Where an exception that escaped an event handler goes in the workstation.
// The handler that raised it has ended and the program goes on; the first
// workstations dropped such exceptions without a word, which left nobody
// able to tell why an action did nothing. The exception is now written to
// the error stream and shown in the window's status bar.
//
// Thread: user-interface thread.

#include <iosfwd>
#include <string>

namespace kestrava {

class TApplicationEvents;
class TMain;

// The status bar's line for an escaped exception.
std::string EscapedExceptionLine(const std::string& What);

// Adds the workstation's exception handler to Events. Main and Err must
// outlive Events' use of it.
void ReportEscapedExceptions(TApplicationEvents& Events, TMain& Main, std::ostream& Err);

} // namespace kestrava
