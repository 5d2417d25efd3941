#pragma once
// kestrava-tool stream FILE [--port P] [--address A] [--rate HZ] [--loop]:
// plays a recording to OpenIGTLink clients (3D Slicer and other navigation
// software) at its own pace, one stored frame per second or --rate frames
// per second, once or over and over with --loop (until interrupted).

#include "streaming/IGTLinkServer.h"
#include "tools/ToolCommand.h"

#include <cstdint>
#include <string>

namespace kestrava {

struct TStreamOptions {
  std::string File;
  std::uint16_t Port = DefaultIGTLinkPort; // 0: a free port, printed at the start
  std::string Address = DefaultIGTLinkAddress;
  double Rate = 1; // frames per second, more than 0 and at most MaxStreamRate
  bool Loop = false;
};

inline constexpr double MaxStreamRate = 1000;

// Prints "Streaming FILE on ADDRESS:PORT" once listening and, at the end (a
// moment is left for clients to take the last frames), the frames streamed
// and the clients served. Returns the exit code: 1 for a bad option, 2 for a
// file that cannot be read, holds no frames, or a port that cannot be opened.
int RunStreamCommand(const TStreamOptions& Options, std::ostream& Out, std::ostream& Err);

void AddStreamCommand(CLI::App& App, TToolContext& Context);

} // namespace kestrava
