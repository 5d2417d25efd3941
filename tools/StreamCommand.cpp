#include "tools/StreamCommand.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerProcedure.h"
#include "tools/ToolErrors.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>
#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

namespace kestrava {

namespace {

// Clients get this long to take the last frames before the server closes.
constexpr std::chrono::seconds FinalDrain{2};

bool IsNumericAddress(const std::string& Address) {
  unsigned char Buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, Address.c_str(), Buffer) == 1 ||
         inet_pton(AF_INET6, Address.c_str(), Buffer) == 1;
}

void CheckOptions(const TStreamOptions& Options) {
  if (!(Options.Rate > 0 && Options.Rate <= MaxStreamRate)) {
    throw EUsageError("--rate must be more than 0 and at most 1000");
  }
  if (!IsNumericAddress(Options.Address)) {
    throw EUsageError("--address must be a numeric IP address, such as 127.0.0.1");
  }
}

// Publishes every frame once, each Period after the one before; Next carries
// the schedule over from pass to pass so that --loop keeps its pace.
std::int64_t PlayOnce(TIGTLinkServer& Server, const TImagerProcedure& Procedure,
                      const TStreamContext& Context, std::chrono::steady_clock::duration Period,
                      std::chrono::steady_clock::time_point& Next) {
  for (std::int32_t Index = 0; Index < Procedure.FrameCount(); ++Index) {
    std::this_thread::sleep_until(Next);
    Server.Publish(Procedure.GetFrame(Index), Context);
    Next += Period;
  }
  return Procedure.FrameCount();
}

} // namespace

int RunStreamCommand(const TStreamOptions& Options, std::ostream& Out, std::ostream& Err) {
  return RunReportingErrors(Err, [&] {
    CheckOptions(Options);
    TImagerProcedure Procedure;
    Procedure.LoadFromFile(Options.File);
    if (Procedure.FrameCount() == 0) {
      throw Exception("The recording holds no frames: " + Options.File);
    }
    TIGTLinkServerSettings Settings;
    Settings.Address = Options.Address;
    Settings.Port = Options.Port;
    TIGTLinkServer Server(Settings);
    Out << "Streaming " << Options.File << " on " << Server.Address() << ':' << Server.Port()
        << std::endl;

    const TStreamContext Context = StreamContextOf(Procedure);
    const auto Period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(1 / Options.Rate));
    auto Next = std::chrono::steady_clock::now();
    std::int64_t Streamed = 0;
    do {
      Streamed += PlayOnce(Server, Procedure, Context, Period, Next);
    } while (Options.Loop);
    Server.WaitUntilIdle(FinalDrain);
    Out << "Frames streamed: " << Streamed << '\n'
        << "Clients served: " << Server.Statistics().ClientsAccepted << '\n';
    return static_cast<int>(ExitSuccess);
  });
}

void AddStreamCommand(CLI::App& App, TToolContext& Context) {
  auto Options = std::make_shared<TStreamOptions>();
  CLI::App* Command =
      App.add_subcommand("stream", "Play a recording to OpenIGTLink clients (3D Slicer)");
  Command->add_option("FILE", Options->File, "Imager file (format 1, 2 or 3)")->required();
  Command->add_option("--port", Options->Port, "TCP port (default 18944; 0 picks a free one)");
  Command->add_option("--address", Options->Address,
                      "Numeric address to listen on (default 127.0.0.1, this computer only)");
  Command->add_option("--rate", Options->Rate, "Frames per second (default 1, as recorded)");
  Command->add_flag("--loop", Options->Loop, "Start again after the last frame, until interrupted");
  Command->callback([Options, &Context] {
    Context.ExitCode = RunStreamCommand(*Options, Context.Out, Context.Err);
  });
}

} // namespace kestrava
