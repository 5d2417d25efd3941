#include "ToolTestSupport.h"
#include "tests/streaming/StreamTestSupport.h"
#include "tools/ToolErrors.h"

#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

namespace kestrava::testing {
namespace {

// Standard output that another thread can watch while the command runs.
class TWatchedOutput : public std::streambuf {
public:
  // The port of the "... on ADDRESS:PORT" line, once printed (0 after Timeout).
  std::uint16_t WaitForPort(std::chrono::milliseconds Timeout = 10s) {
    std::unique_lock Lock(Mutex_);
    const std::regex Listening(R"( on 127\.0\.0\.1:(\d+)\n)");
    std::smatch Match;
    Changed_.wait_for(Lock, Timeout, [&] { return std::regex_search(Text_, Match, Listening); });
    return Match.empty() ? 0 : static_cast<std::uint16_t>(std::stoi(Match[1]));
  }
  std::string Text() {
    const std::lock_guard Lock(Mutex_);
    return Text_;
  }

protected:
  std::streamsize xsputn(const char* Bytes, std::streamsize Count) override {
    {
      const std::lock_guard Lock(Mutex_);
      Text_.append(Bytes, static_cast<std::size_t>(Count));
    }
    Changed_.notify_all();
    return Count;
  }
  int_type overflow(int_type C) override {
    if (C != traits_type::eof()) {
      const char Byte = traits_type::to_char_type(C);
      xsputn(&Byte, 1);
    }
    return C;
  }

private:
  std::mutex Mutex_;
  std::condition_variable Changed_;
  std::string Text_;
};

class StreamCommand : public TToolTest {
protected:
  // Runs the tool on a thread of its own and connects a client as soon as it
  // listens; returns what the client received.
  std::vector<TReceivedMessage> RunWithClient(const std::vector<std::string>& Arguments,
                                              std::size_t TrackingFrames) {
    std::ostringstream Err;
    std::ostream Out(&Output);
    std::thread Tool([&] { Code = RunTool(Arguments, Out, Err); });
    std::vector<TReceivedMessage> Received;
    if (const std::uint16_t Port = Output.WaitForPort()) {
      TRawClient Client(Port);
      Received = Client.ReceiveUntil(HasDevice("ScopeSensors", TrackingFrames), 10s);
    }
    Tool.join();
    return Received;
  }

  TWatchedOutput Output;
  int Code = -1;
};

TEST_F(StreamCommand, PlaysARecordingToAClientAndReportsWhatItSent) {
  const std::string File = SavePains("rec", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const auto Received = RunWithClient({"stream", File, "--port", "0", "--rate", "20"}, 3);
  EXPECT_TRUE(HasDevice("ScopeSensors", 3)(Received));
  EXPECT_TRUE(HasDevice("PatientPain")(Received));
  EXPECT_EQ(Code, 0);
  EXPECT_NE(Output.Text().find("Frames streamed: 10\nClients served: 1\n"), std::string::npos);
}

TEST_F(StreamCommand, SimulateStreamsWhileItRecords) {
  const auto Received =
      RunWithClient({"simulate", "-o", PathOf("sim.img"), "--seconds", "2", "--realtime",
                     "--program-dir", KESTRAVA_PROGRAM_DIR, "--stream", "--port", "0"},
                    3);
  EXPECT_TRUE(HasDevice("ScopeSensors", 3)(Received));
  EXPECT_TRUE(HasDevice("Sensor00ToTracker")(Received));
  EXPECT_EQ(Code, 0);
}

TEST_F(StreamCommand, RefusesBadOptionsAndUnusableRecordings) {
  const std::string File = SavePains("rec", {1});
  EXPECT_EQ(Run({"stream", File, "--rate", "0"}).Code, ExitUsageError);
  EXPECT_EQ(Run({"stream", File, "--address", "localhost"}).Code, ExitUsageError);
  EXPECT_EQ(Run({"stream", PathOf("missing.img")}).Code, ExitFileError);
  const std::string Empty = SavePains("empty", {});
  const TToolRun NoFrames = Run({"stream", Empty, "--port", "0"});
  EXPECT_EQ(NoFrames.Code, ExitFileError);
  EXPECT_NE(NoFrames.Err.find("no frames"), std::string::npos);
}

} // namespace
} // namespace kestrava::testing
