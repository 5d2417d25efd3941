#pragma once
// The status bar's panel for the OpenIGTLink server, so that the operator
// sees at a glance whether the navigation software can be fed and is:
// "IGTLink: off", "IGTLink: 127.0.0.1:18944, 2 clients". Thread: any.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrava {

struct TStreamPanelState {
  bool Running = false; // the server exists (the option is on and it started)
  std::string Address;  // numeric IPv4 or IPv6
  std::uint16_t Port = 0;
  std::size_t Clients = 0; // connected now
  bool Stopped = false;    // its thread gave up: nobody is served
};

// "IGTLink: off"; "IGTLink: ADDRESS:PORT, no clients" / "1 client" / "N
// clients"; "IGTLink: ADDRESS:PORT, stopped". An IPv6 address is bracketed.
std::string StreamPanelText(const TStreamPanelState& State);

} // namespace kestrava
