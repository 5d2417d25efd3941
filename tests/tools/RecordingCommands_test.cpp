// The commands that record (simulate, record) and stream: what they store,
// from the simulator's model, a replayed file or a tracker over OpenIGTLink;
// how faults and interrupts end them; and their refusals.

#include "ToolTestSupport.h"
#include "drivers/simulator/SimulatedProcedure.h"
#include "scene/PolygonImagerData.h"
#include "streaming/IGTLinkServer.h"
#include "tests/streaming/StreamTestSupport.h"
#include "tools/LoopTruthFile.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>
#include <regex>
#include <thread>

namespace kestrava::testing {
namespace {

using namespace std::chrono_literals;

class RecordingCommands : public TToolTest {
protected:
  // simulate -o rec.img --seconds Seconds --program-dir ProgramDir More...
  TToolRun Simulate(double Seconds, std::vector<std::string> More = {},
                    const std::filesystem::path& ProgramDir = BuiltProgramDir) {
    More.insert(More.begin(), {"simulate", "-o", PathOf("rec.img"), "--seconds",
                               std::to_string(Seconds), "--program-dir", ProgramDir.string()});
    return Run(More);
  }

  std::unique_ptr<TImagerProcedure> Load(const std::string& Name = "rec.img") {
    auto Procedure = std::make_unique<TImagerProcedure>();
    Procedure->LoadFromFile(PathOf(Name));
    return Procedure;
  }
};

TEST_F(RecordingCommands, RefuseWhatTheyCannotUseWithTheirExitCodes) {
  const std::string Program = BuiltProgramDir;
  const std::string Rec[] = {"simulate", "-o", "@rec.img", "--program-dir", Program, "--seconds"};
  const auto Sim = [&](std::vector<std::string> More) {
    More.insert(More.begin(), std::begin(Rec), std::end(Rec));
    return More;
  };
  SavePains("p.img", {1});
  SavePains("none.img", {});
  WriteBytes("noise.img", std::string(300, 'x'));
  ScriptedProgramDir("fail_initialise");        // program1
  ScriptedProgramDir("fail_pain_initialise 9"); // program2
  ScriptedProgramDir("fail_pain_initialise 2"); // program3
  const TGolden Table[] = {
      {Sim({"0"}), 1, {}},
      {Sim({"1e6"}), 1, {}},
      {{"simulate", "-o", "@", "--seconds", "1"}, 1, {}},
      {Sim({"1", "--procedure-type", "3"}),
       1,
       {"--procedure-type must be 0, 1, 2, colonoscopy, top or peg\n"}},
      {Sim({"1", "--catheter", "Absent.msd"}),
       2,
       {"Failed to load sensor catheter calibration data"}},
      {{"simulate", "-o", "@rec.img", "--seconds", "1", "--program-dir", "@nowhere"},
       3,
       {"Cannot load the simulated imager driver"}},
      {Sim({"5", "--loop"}), 1, {}},
      {Sim({"5", "--replay", "@noise.img"}),
       2,
       {"File format not recognised\nunknown signature\n"}},
      {Sim({"1", "--replay", "@absent.img"}), 2, {"absent.img"}},
      {Sim({"2", "--replay", "@p.img", "--truth", "@t.csv"}), 1, {"--truth"}},
      {{"simulate", "-o", "@rec.img", "--seconds", "2", "--program-dir", "@program1"},
       3,
       {"Initialise fails as scripted"}},
      // The pain sensor is retried a few times, then given up.
      {{"simulate", "-o", "@rec.img", "--seconds", "2", "--pain", "--program-dir", "@program2"},
       3,
       {"Failed to initialise patient pain sensor.", "Failed to initialise DSP chip"}},
      {{"record", "-o", "@rec.img", "--program-dir", Program, "--seconds", "1", "--driver",
        "no-such-driver"},
       1,
       {"kestrava-tool drivers"}},
      {{"record", "-o", "@rec.img", "--program-dir", Program, "--seconds", "1", "--driver",
        "igtlink", "--truth", "@t.csv"},
       1,
       {}},
      {{"stream", "@p.img", "--rate", "0"}, 1, {}},
      {{"stream", "@p.img", "--address", "localhost"}, 1, {}},
      {{"stream", "@missing.img"}, 2, {"missing.img"}},
      {{"stream", "@none.img", "--port", "0"}, 2, {"no frames"}},
  };
  for (const TGolden& Case : Table)
    ExpectGolden(Case);
  EXPECT_FALSE(std::filesystem::exists(PathOf("rec.img")));
  EXPECT_EQ(Simulate(2, {"--pain"}, Scratch.Dir / "program3").Code, 0);
}

TEST_F(RecordingCommands, SimulateRecordsOneFramePerSecondOfTheSimulatorsModel) {
  const TToolRun Result = Simulate(10);
  ASSERT_EQ(Result.Code, 0) << Result.Err;
  const std::unique_ptr<TImagerProcedure> Procedure = Load();
  const int Frames = Procedure->FrameCount();
  EXPECT_TRUE(Frames == 9 || Frames == 10) << Frames;
  EXPECT_EQ(Result.Out,
            "Recorded " + PathOf("rec.img") + "\nFrames: " + std::to_string(Frames) + "\n");
  EXPECT_EQ(std::tuple(Procedure->PatientName, Procedure->ProcedureType, Procedure->HasPainData),
            std::tuple("Simulated Patient", ProcedureColonoscopy, false));

  simulator::TSimulatorSettings Settings;
  std::string Error;
  ASSERT_TRUE(simulator::LoadSimulatorSettings(std::filesystem::path(BuiltProgramDir) / "DSP.DAT",
                                               Settings, Error))
      << Error;
  const simulator::TSimulatedProcedure Model(Settings);
  double Previous = 0;
  for (int I = 0; I < Frames; ++I) {
    SCOPED_TRACE("frame " + std::to_string(I));
    const TImagerFrame& Frame = Procedure->GetFrame(I);
    const double T = Frame.Time * SecondsPerDay;
    EXPECT_GE(T - Previous, 1.0 - 1e-6);
    EXPECT_LT(T - Previous, 1.0 + 1.5 / 25) << "one per second";
    Previous = T;
    ASSERT_EQ(Frame.SensorCount, 16);
    const simulator::TScopeShape Shape = Model.ShapeAt(T);
    for (int Slot = 0; Slot < 16; ++Slot) {
      const simulator::TSensorReading Expected = Model.EndoscopeSensor(Shape, 0.08 * Slot);
      ASSERT_EQ(Frame.SensorValid[Slot], Expected.Measured) << "slot " << Slot;
      if (Expected.Measured) { // within the position noise; the direction towards the operator
        EXPECT_LT(VectorDistance(Frame.SensorPosition[Slot], Expected.Position), 0.004) << Slot;
        EXPECT_LT(DotProduct(Frame.SensorDirection[Slot], Expected.Direction), -0.999) << Slot;
      }
    }
    EXPECT_LT(VectorDistance(Frame.HandPosition, Model.Hand(T).Position), 0.004);
    // The bundled script placed markers 1-3 by 3 s: from then on the scope is
    // shown, cut off at the anal verge to the model's inserted length.
    ASSERT_EQ(Frame.EndoscopeValid, T > 2.9 + 0.001);
    if (Frame.EndoscopeValid) {
      EXPECT_NEAR(TPolygonImagerData::ScopeLength(Frame, ProcedureColonoscopy, true),
                  Shape.InsertedLength(), 0.01);
    }
  }
}

TEST_F(RecordingCommands, SimulateIsRepeatableForASeedAndRecordsTheChosenCalibration) {
  const auto SensorData = [&](const std::vector<std::string>& More) {
    EXPECT_EQ(Simulate(3, More).Code, 0);
    const std::unique_ptr<TImagerProcedure> Procedure = Load();
    std::vector<double> Values;
    for (int I = 0; I < Procedure->FrameCount(); ++I) {
      const TImagerFrame& Frame = Procedure->GetFrame(I);
      Values.insert(Values.end(), {Frame.Time * SecondsPerDay, Frame.SensorPosition[0].X,
                                   Frame.SensorPosition[3].Z, Frame.HandPosition.Y});
    }
    return Values;
  };
  const std::vector<double> First = SensorData({});
  ASSERT_FALSE(First.empty());
  EXPECT_EQ(SensorData({"--seed", "42"}), SensorData({"--seed", "42"}));
  EXPECT_NE(SensorData({"--seed", "42"}), First);

  const TToolRun Chosen = Simulate(6, {"--catheter", "Catheter8.msd", "--overtube", "Overtube2.otb",
                                       "--pain", "--procedure-type", "top", "--patient", "Ann"});
  ASSERT_EQ(Chosen.Code, 0) << Chosen.Err;
  const std::unique_ptr<TImagerProcedure> Procedure = Load();
  EXPECT_EQ(std::tuple(Procedure->ProcedureType, Procedure->PatientName, Procedure->HasPainData,
                       Procedure->PainUnits),
            std::tuple(ProcedureTop, "Ann", true, "mmHg"));
  ASSERT_GE(Procedure->FrameCount(), 5);
  for (int I = 0; I < Procedure->FrameCount(); ++I) {
    const TImagerFrame& Frame = Procedure->GetFrame(I);
    EXPECT_EQ(Frame.SensorCount, 9) << "eight sensors and the computed tip";
    EXPECT_NEAR(Frame.SegmentLength[0], 0.025, 1e-9);
    EXPECT_TRUE(Frame.OvertubeKind == 2 && Frame.OvertubeData2.Valid);
    EXPECT_FLOAT_EQ(Frame.OvertubeData2.Length2, 0.15f);
    EXPECT_TRUE(Frame.PainValid);
    EXPECT_NEAR(Frame.Pain, 5, 5) << "the colon at rest";
    // The upper procedures need markers 1-4, the fourth placed at 3.5 s.
    EXPECT_EQ(Frame.EndoscopeValid, Frame.Time * SecondsPerDay > 3.9 + 0.001) << "frame " << I;
  }

  // Calibration files named relative to the working directory.
  std::filesystem::copy_file(std::filesystem::path(BuiltProgramDir) / "Catheter8.msd",
                             Scratch.Dir / "Mine.msd");
  const std::filesystem::path Before = std::filesystem::current_path();
  std::filesystem::current_path(Scratch.Dir);
  const TToolRun Relative = Simulate(2, {"--catheter", "Mine.msd"});
  std::filesystem::current_path(Before);
  ASSERT_EQ(Relative.Code, 0) << Relative.Err;
  EXPECT_EQ(Load()->GetFrame(0).SensorCount, 9);
}

TEST_F(RecordingCommands, FaultsAndInterruptsEndTheRecordingButKeepWhatWasStored) {
  const struct {
    const char* Script;
    std::vector<std::string> Options;
    const char* Message;
    int Frames;
  } Faults[] = {
      {"sample_timeout 3.5",
       {},
       "Timeout waiting for the imager hardware to respond. Recording terminated.",
       3},
      {"clock_stops 3.5", {}, "The driver's procedure time does not advance", 3},
      {"pain_timeout 2.5",
       {"--pain"},
       "Timeout waiting for pressure sensor to respond. Recording terminated.",
       2},
  };
  for (const auto& Fault : Faults) {
    const TToolRun Result = Simulate(10, Fault.Options, ScriptedProgramDir(Fault.Script));
    EXPECT_EQ(Result.Code, 3) << Fault.Script;
    EXPECT_NE(Result.Err.find(Fault.Message), std::string::npos) << Result.Err;
    EXPECT_NE(Result.Out.find("Frames: " + std::to_string(Fault.Frames)), std::string::npos);
    EXPECT_EQ(Load()->FrameCount(), Fault.Frames) << Fault.Script;
  }

  // Unplugged coils pause the storing, and the first good sample is stored at once.
  const TToolRun Paused = Simulate(8, {}, ScriptedProgramDir("coils_disconnected 2.5 5.2"));
  ASSERT_EQ(Paused.Code, 0) << Paused.Err;
  EXPECT_NE(Paused.Err.find("Generator coils are disconnected"), std::string::npos);
  const std::unique_ptr<TImagerProcedure> Procedure = Load();
  ASSERT_GE(Procedure->FrameCount(), 4);
  EXPECT_LT(Procedure->GetFrame(1).Time * SecondsPerDay, 2.5);
  EXPECT_NEAR(Procedure->GetFrame(2).Time * SecondsPerDay, 5.2, 1e-6);

  // An interrupt once the recording has started (its first save made the
  // file), long before a day of procedure time: saved, exit 130.
  std::filesystem::remove(PathOf("rec.img"));
  std::thread Interrupter([&] {
    const auto GiveUp = std::chrono::steady_clock::now() + 60s;
    while (!std::filesystem::exists(PathOf("rec.img")) && std::chrono::steady_clock::now() < GiveUp)
      std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(300ms);
    if (std::filesystem::exists(PathOf("rec.img")))
      std::raise(SIGINT);
  });
  const TToolRun Interrupted = Simulate(86400);
  Interrupter.join();
  EXPECT_EQ(Interrupted.Code, 130) << Interrupted.Err;
  EXPECT_NE(Interrupted.Out.find("Recorded"), std::string::npos);
  EXPECT_GE(Load()->FrameCount(), 1);
}

TEST_F(RecordingCommands, ReplayRecordsASourceAgainKeepingItsDetailsUnlessOverridden) {
  ASSERT_EQ(Simulate(5, {"--overtube", "Overtube1.otb", "--pain", "--patient", "Ann",
                         "--procedure-type", "top"})
                .Code,
            0);
  std::filesystem::rename(PathOf("rec.img"), PathOf("source.img"));
  const std::unique_ptr<TImagerProcedure> Source = Load("source.img");
  const int Frames = Source->FrameCount();

  // Through the whole acquisition path again, and no frames after the source's last.
  const TToolRun Replayed =
      Simulate(60, {"--replay", PathOf("source.img"), "--overtube", "Overtube1.otb"});
  ASSERT_EQ(Replayed.Code, 0) << Replayed.Err;
  const std::unique_ptr<TImagerProcedure> Copy = Load();
  ASSERT_EQ(Copy->FrameCount(), Frames);
  EXPECT_EQ(std::tuple(Copy->PatientName, Copy->ProcedureType, Copy->HasPainData),
            std::tuple("Ann", ProcedureTop, true));
  for (int I = 0; I < Frames; ++I) { // what the replay driver plays, through the whole path
    const TImagerFrame &A = Source->GetFrame(I), &B = Copy->GetFrame(I);
    EXPECT_NEAR(B.Time * SecondsPerDay, A.Time * SecondsPerDay, 1e-3) << I;
    EXPECT_EQ(B.SensorValid, A.SensorValid) << I;
    EXPECT_LT(VectorDistance(B.SensorPosition[3], A.SensorPosition[3]), 1e-6) << I;
    EXPECT_LT(VectorDistance(B.SensorDirection[3], A.SensorDirection[3]), 1e-6) << I;
    EXPECT_TRUE(B.OvertubeData1.Valid && B.OvertubeData1.Position == A.OvertubeData1.Position);
    EXPECT_DOUBLE_EQ(B.Pain, A.Pain) << I;
  }
  // Looped: past the source's end the first frames come round again.
  const TToolRun Looped = Simulate(12, {"--replay", PathOf("source.img"), "--loop", "--patient",
                                        "Bob", "--procedure-type", "0"});
  ASSERT_EQ(Looped.Code, 0) << Looped.Err;
  const std::unique_ptr<TImagerProcedure> Again = Load();
  EXPECT_GE(Again->FrameCount(), 11);
  EXPECT_EQ(std::tuple(Again->PatientName, Again->ProcedureType),
            std::tuple("Bob", ProcedureColonoscopy));
  const auto WrappedTo = [&](int I) {
    return VectorDistance(Source->GetFrame(I).HandPosition,
                          Again->GetFrame(Frames + 1).HandPosition) < 1e-6;
  };
  EXPECT_TRUE(WrappedTo(0) || WrappedTo(1) || WrappedTo(2));
}

TEST_F(RecordingCommands, SimulateWritesTheTruthOfEveryStoredFrameAndTheDetectorFindsIt) {
  const std::filesystem::path Program = ScriptedProgramDir(
      "pacing none\ninsertion_start 4\ninsertion_speed 0.03\nloop_amplitude 0\n"
      "straighten_duration 0\npress 0.5 0.4 0x01\npress 1.5 0.4 0x02\npress 2.5 0.4 0x04\n"
      "loop alpha 3 8 3",
      true);
  ASSERT_EQ(Simulate(45, {"--truth", PathOf("truth.csv")}, Program).Code, 0);
  const std::vector<TLoopTruthRow> Truth = ReadLoopTruth(PathOf("truth.csv"));
  ASSERT_EQ(Truth.size(), 45u);
  EXPECT_GE(std::count_if(Truth.begin(), Truth.end(),
                          [](const TLoopTruthRow& Row) {
                            return Row.Class == TLoopClass::Alpha && Row.HasExtent &&
                                   Row.ExtentFar > Row.ExtentNear;
                          }),
            8);
  // Just inside at first, the loop past the descending colon, then on into
  // the transverse; the caecum is not reached in 45 s.
  EXPECT_EQ(std::tuple(Truth.front().Class, Truth.front().Segment),
            std::tuple(TLoopClass::None, TColonSegment::Rectum));
  EXPECT_NEAR(Truth.front().Depth.value_or(0), 0.05, 1e-9);
  EXPECT_EQ(Truth.back().Segment, TColonSegment::Transverse);
  EXPECT_FALSE(Truth.back().CaecumArrival);
  // Files of the loop columns alone, as earlier simulators wrote them, still read.
  WriteBytes("old.csv", "frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m\n"
                        "1,1,n,0.1,0.5\n");
  const std::vector<TLoopTruthRow> Old = ReadLoopTruth(PathOf("old.csv"));
  ASSERT_EQ(Old.size(), 1u);
  EXPECT_EQ(Old[0].Class, TLoopClass::N);
  EXPECT_FALSE(Old[0].Segment);

  const TToolRun Scored =
      Run({"loops", PathOf("rec.img"), "--json", "--truth", PathOf("truth.csv")});
  ASSERT_EQ(Scored.Code, 0) << Scored.Err;
  EXPECT_GE(Scored.Json()["truth"]["sensitivity"].get<double>(), 0.9);
  EXPECT_GE(Scored.Json()["truth"]["class_accuracy"].get<double>(), 0.9);
}

// Standard output that another thread can watch while the command runs.
class TWatchedOutput : public std::streambuf {
public:
  // The port of the "... on ADDRESS:PORT" line, once printed (0 after 10 s).
  std::uint16_t WaitForPort() {
    std::unique_lock Lock(Mutex_);
    const std::regex Listening(R"( on 127\.0\.0\.1:(\d+)\n)");
    std::smatch Match;
    Changed_.wait_for(Lock, 10s, [&] { return std::regex_search(Text_, Match, Listening); });
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

// A scope lying along x, its sensors 4 cm apart, the hand above it.
void FillStreamedFrame(TImagerFrame& Frame) {
  Frame.SensorCount = MaxSensors;
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    Frame.SensorValid[Slot] = true;
    Frame.SensorPosition[Slot] = {0.04 * static_cast<double>(Slot), 0.1, -0.05};
    Frame.SensorDirection[Slot] = {1, 0, 0};
  }
  Frame.HandValid = true;
  Frame.HandPosition = {0.2, 0.3, 0.1};
  Frame.HandDirection = {0, 0, 1};
}

TEST_F(RecordingCommands, StreamAndSimulateServeAClientAndRecordTakesATrackersStream) {
  // The tool on a thread of its own; a client connects as soon as it listens.
  const auto WithClient = [](const std::vector<std::string>& Arguments, std::string& Said) {
    TWatchedOutput Output;
    std::ostream Out(&Output);
    std::ostringstream Err;
    int Code = -1;
    std::thread Tool([&] { Code = RunTool(Arguments, Out, Err); });
    std::vector<TReceivedMessage> Received;
    if (const std::uint16_t Port = Output.WaitForPort()) {
      TRawClient Client(Port);
      Received = Client.ReceiveUntil(HasDevice("ScopeSensors", 3), 10s);
    }
    Tool.join();
    Said = Output.Text();
    EXPECT_EQ(Code, 0) << Err.str();
    return Received;
  };
  std::string Said;
  const auto Played = WithClient(
      {"stream", SavePains("rec", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), "--port", "0", "--rate", "20"},
      Said);
  EXPECT_TRUE(HasDevice("ScopeSensors", 3)(Played) && HasDevice("PatientPain")(Played));
  EXPECT_NE(Said.find("Frames streamed: 10\nClients served: 1\n"), std::string::npos) << Said;
  const auto Simulated =
      WithClient({"simulate", "-o", PathOf("sim.img"), "--seconds", "2", "--realtime",
                  "--program-dir", BuiltProgramDir, "--stream", "--port", "0"},
                 Said);
  EXPECT_TRUE(HasDevice("ScopeSensors", 3)(Simulated) && HasDevice("Sensor00ToTracker")(Simulated));

  // A tracker (our own server standing in for it) recorded over OpenIGTLink.
  TIGTLinkServerSettings Settings;
  Settings.Port = 0;
  auto Tracker = std::make_unique<TIGTLinkServer>(Settings);
  const auto Receiver = [&](const std::string& Extra) {
    std::string Text =
        "server 127.0.0.1 " + std::to_string(Tracker->Port()) + "\nhand HandToTracker\n" + Extra;
    for (int Slot = 0; Slot < MaxSensors; ++Slot)
      Text += "sensor " + std::to_string(Slot) + (Slot < 10 ? " Sensor0" : " Sensor") +
              std::to_string(Slot) + "\n";
    WriteBytes("tracker.dat", Text);
    return std::vector<std::string>{
        "record",   "-o",      PathOf("rec.img"), "--program-dir",       BuiltProgramDir,
        "--driver", "IGTLink", "--settings",      PathOf("tracker.dat"), "--seconds"};
  };
  std::atomic<bool> Sending = true;
  std::thread Sender([&] {
    TImagerFrame Frame;
    FillStreamedFrame(Frame);
    while (Sending) {
      Tracker->Publish(Frame, {ProcedureColonoscopy, 45000, false, "", true, std::nullopt});
      std::this_thread::sleep_for(25ms);
    }
  });
  std::vector<std::string> Arguments = Receiver("");
  Arguments.emplace_back("2.5");
  const TToolRun Streamed = Run(Arguments);
  Sending = false;
  Sender.join();
  ASSERT_EQ(Streamed.Code, 0) << Streamed.Err;
  const std::unique_ptr<TImagerProcedure> Recorded = Load();
  ASSERT_EQ(Recorded->FrameCount(), 2);
  TImagerFrame Expected;
  FillStreamedFrame(Expected);
  for (std::size_t Slot = 0; Slot < MaxSensors; ++Slot) {
    ASSERT_TRUE(Recorded->GetFrame(1).SensorValid[Slot]) << Slot;
    EXPECT_LT(
        VectorDistance(Recorded->GetFrame(1).SensorPosition[Slot], Expected.SensorPosition[Slot]),
        1e-4);
  }
  // The tracker is gone: a hardware fault, after saving what there is.
  Arguments = Receiver("sample_timeout 0.3\n");
  Tracker.reset();
  Arguments.emplace_back("5");
  const TToolRun Silent = Run(Arguments);
  EXPECT_EQ(Silent.Code, 3) << Silent.Err;
  EXPECT_TRUE(std::filesystem::exists(PathOf("rec.img")));

  // record without --driver records from the simulator.
  const TToolRun Simulator = Run(
      {"record", "-o", PathOf("sim.img"), "--program-dir", BuiltProgramDir, "--seconds", "2.5"});
  ASSERT_EQ(Simulator.Code, 0) << Simulator.Err;
  EXPECT_NE(Simulator.Out.find("Frames: 2"), std::string::npos) << Simulator.Out;
}

} // namespace
} // namespace kestrava::testing
