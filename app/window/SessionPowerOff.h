#pragma once
// Asks the operating system to power the computer off, as "Shutdown windows"
// does: through the session manager (logind over the system bus) on Linux,
// the shutdown call on Windows. Thread: user-interface thread.

namespace kestrava {

// True when the request was accepted; false when there is nobody to ask or
// the request was refused (no permission, no logind).
bool RequestPowerOff();

} // namespace kestrava
