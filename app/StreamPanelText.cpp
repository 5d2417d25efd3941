#include "app/StreamPanelText.h"

namespace kestrava {

std::string StreamPanelText(const TStreamPanelState& State) {
  if (!State.Running)
    return "IGTLink: off";
  const bool IPv6 = State.Address.find(':') != std::string::npos;
  std::string Text = "IGTLink: " + (IPv6 ? "[" + State.Address + "]" : State.Address) + ":" +
                     std::to_string(State.Port) + ", ";
  if (State.Stopped)
    return Text + "stopped";
  if (State.Clients == 0)
    return Text + "no clients";
  return Text + std::to_string(State.Clients) + (State.Clients == 1 ? " client" : " clients");
}

} // namespace kestrava
