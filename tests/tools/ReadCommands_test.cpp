// The commands that read recordings (info, frames, stats, scope, curvature,
// loops, timeline, convert, drivers): each command line's exit code and
// output, as a script calling the tool sees them, on recordings made once.

#include "ToolTestSupport.h"
#include "acquisition/DriverLoader.h"
#include "drivers/SimulatedHardware.h"
#include "drivers/igtlink/IGTLinkDriverId.h"
#include "tests/imagerdata/ImagerFileTestSupport.h"
#include "tests/looping/LoopTestShapes.h"
#include "tests/scene/SceneTestSupport.h"
#include "tests/timeline/TimelineTestTracks.h"
#include "timeline/TimelineSideFile.h"
#include "tools/DateTimeText.h"
#include "tools/DisplayText.h"

#include <limits>
#include <memory>
#include <unistd.h>

namespace kestrava::testing {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Three frames: no overtube; overtube kind 1 with unreadable numbers and the
// sixth marker and the hand; kind 2 with no sensors.
void MixedFrames(TImagerProcedure& Procedure) {
  support::AddPainFrames(Procedure, {5, NaN, 7});
  TImagerFrame& Second = Procedure.GetFrame(1);
  Second.OvertubeKind = 1;
  Second.OvertubeData1 = {0.25f, 0.5f, true, {1, 2, 3}};
  Second.SensorPosition[0] = Vector3(std::numeric_limits<double>::infinity(), 0, 0);
  Second.MarkerValid[5] = true;
  Second.MarkerPosition[5] = Vector3(0.5, -0.25, 2);
  Second.HandValid = true;
  Second.HandDirection = Vector3(0, 0, -1);
  TImagerFrame& Third = Procedure.GetFrame(2);
  Third.SensorCount = 0;
  Third.OvertubeKind = 2;
  Third.OvertubeData2 = {0.1f, 0.2f, 0.3f, false, {4, 5, 6}};
}

// Straight four-sensor scopes under the three body markers of a colonoscopy.
void StraightFrames(TImagerProcedure& Procedure, int Count) {
  for (int I = 0; I < Count; ++I) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Assign(*StraightFrame(4));
    Frame.Time = I / SecondsPerDay;
    Frame.MarkerValid = {true, true, true};
    Frame.MarkerPosition = {{{0.2, 0.1, 0.1}, {0.2, 0.1, -0.1}, {0.2, -0.1, 0}}};
  }
}

// Two frames of three slots along +Z; the second has slot 2 unmeasured.
void CurvatureFrames(TImagerProcedure& Procedure) {
  support::AddPainFrames(Procedure, {0, 0});
  for (int Index = 0; Index < 2; ++Index) {
    TImagerFrame& Frame = Procedure.GetFrame(Index);
    Frame.SensorCount = 3;
    Frame.SensorValid = {true, true, Index == 0};
    for (std::size_t Slot = 0; Slot < 3; ++Slot) {
      Frame.SensorPosition[Slot] = Vector3(0, 0, 0.0625 * static_cast<double>(Slot));
      Frame.SensorDirection[Slot] = Vector3(0, 0, 1);
    }
    Frame.SegmentLength[1] = 0.0625;
  }
}

// Six straight frames, six with an alpha loop, six straight, a second apart,
// with pain rising in the loop.
void LoopedFrames(TImagerProcedure& Procedure) {
  const TPath Straight = RisingTo(0, 0.6);
  TPath Alpha = RisingTo(0, 0.08);
  AddCrossingLoop(Alpha, 0.1, 0.08, true, true);
  AddLineTo(Alpha, AddVectors(Alpha.back(), Vector3(0.05, 0, 0.15)));
  Procedure.HasPainData = true;
  for (int I = 0; I < 18; ++I) {
    TImagerFrame& Frame = Procedure.AddFrame();
    const bool Looped = I >= 6 && I < 12;
    FrameAlong(Looped ? Alpha : Straight, Frame);
    Frame.Time = I / SecondsPerDay;
    Frame.PainValid = true;
    Frame.Pain = Looped ? 50 : 5;
  }
}

// A complete examination without pain data, out again after about 14 min.
std::string SaveExamination(const std::string& Path, double Deepest) {
  const TTestColon Colon;
  TImagerProcedure Procedure;
  Examine(Colon, {{0, -0.05}, {10, -0.05}, {286, Deepest}, {300, Deepest}, {880, -0.1}}, Procedure);
  return Procedure.SaveToFile(Path);
}

class ReadCommands : public TToolTest {
protected:
  static void SetUpTestSuite() {
    Shared = std::make_unique<support::TScratchDirectory>("kestrava-read");
    const auto Save = [](const std::string& Name, const auto& Fill) {
      TImagerProcedure Procedure;
      Fill(Procedure);
      return Procedure.SaveToFile(Shared->PathOf(Name));
    };
    const auto Pains = [&](const std::string& Name, std::initializer_list<double> Values) {
      return Save(Name, [&](TImagerProcedure& P) { support::AddPainFrames(P, Values); });
    };
    const auto Write = [](const std::string& Name, const std::string& Bytes) {
      std::ofstream(Shared->PathOf(Name), std::ios::binary) << Bytes;
    };
    Pains("pain.img", {0, 10, 20, 10}); // normalised by the largest: 0, .5, 1, .5
    Pains("faint.img", {0.05, 0.1, 0.02});
    Pains("p3.img", {1, 2, 3});
    Pains("keep.img", {1, 2});
    Save("mixed.img", MixedFrames);
    Save("scope.img", [](TImagerProcedure& P) { StraightFrames(P, 3); });
    Save("badscope.img", [](TImagerProcedure& P) {
      StraightFrames(P, 1);
      P.GetFrame(0).MarkerValid = {};
      P.GetFrame(0).SensorPosition[2] = P.GetFrame(0).SensorPosition[1];
    });
    Save("curve.img", CurvatureFrames);
    Save("looped.img", LoopedFrames);
    Save("few.img", [](TImagerProcedure& P) { FrameAlong(RisingTo(0, 0.6), P.AddFrame(), 3); });
    Save("top.img", [](TImagerProcedure& P) {
      support::AddPainFrames(P, {1, 2, 3});
      P.PatientName = "J\u00F6rg \x1B[2J";
      P.ProcedureType = ProcedureTop;
      P.StartTime = DateTimeFromCivil(2026, 3, 4, 14, 5, 6);
    });

    std::filesystem::create_directory(Shared->Dir / "exams");
    SaveExamination(Shared->PathOf("exams/a.img"), TTestColon().Length());
    SaveExamination(Shared->PathOf("exams/b.img"), 0.7);
    Write("exams/c.img", "not an imager file");
    TOperatorMarks Marks;
    Marks.TagLesion(700);
    SaveTimelineSideFile(SaveExamination(Shared->PathOf("marked.img"), TTestColon().Length()),
                         Marks, {});
    std::ofstream(TimelineSideFilePath(SaveExamination(Shared->PathOf("corrupt.img"), 0.7)))
        << "[]";

    std::string Truth;
    for (int I = 1; I <= 18; ++I) { // the loop one frame earlier than the shapes show it
      Truth += std::to_string(I) + "," + std::to_string(I - 1) + "," +
               (I >= 6 && I <= 12 ? "alpha,0.2,0.6\n" : "none,,\n");
    }
    const std::string TruthHeader =
        "frame,time_seconds,class,extent_from_tip_near_m,extent_from_tip_far_m\n";
    Write("truth.csv", TruthHeader + Truth);
    Write("omega.csv", TruthHeader + "1,0,omega,,\n");
    Write("short.csv", TruthHeader + "1,0,none,,\n");
    Write("junk.csv", std::string(100000, 'x'));

    const std::vector<std::uint8_t> Old = test::Format2File();
    Write("old.img", {Old.begin(), Old.end()});
    Write("noise.img", std::string(300, 'x'));
    Write("junk.img", "not an imager file");
    std::filesystem::create_directory(Shared->Dir / "folder.img");
    const std::string Cut = Pains("cut.img", {1, 2, 3});
    std::filesystem::resize_file(Cut, std::filesystem::file_size(Cut) - 100);
    // A sensor count no frame can hold, in the second frame's record.
    std::ifstream In(Pains("bad.img", {1, 2, 3}), std::ios::binary);
    std::string Bytes(std::istreambuf_iterator<char>(In), {});
    Bytes[Bytes.size() - 2 * std::size_t{651 + 9}] = 99;
    Write("bad.img", Bytes);
    const std::vector<std::uint8_t> Many = test::Format1Header(19, 0);
    Write("many.img", {Many.begin(), Many.end()});
    Write("many.end", std::string(380, '\0'));
    const std::vector<std::uint8_t> Four = test::Format1Header(4, 0);
    Write("empty.img", {Four.begin(), Four.end()});
    Write("empty.end", "");
  }
  static void TearDownTestSuite() { Shared.reset(); }
  void SetUp() override { Files = Shared.get(); }

  void ExpectTable(const std::vector<TGolden>& Table) const {
    for (const TGolden& Case : Table)
      ExpectGolden(Case);
  }

  static inline std::unique_ptr<support::TScratchDirectory> Shared;
};

TEST_F(ReadCommands, UnreadableFilesExitWithTwoTheLoadersTextAndTheReason) {
  ExpectTable({
      {{"info", "@missing.img"}, 2, {"Cannot open file: @missing.img (no such file)\n"}},
      {{"info", "@folder.img"}, 2, {"Cannot open file: @folder.img (is a directory)\n"}},
      {{"stats", "@noise.img"}, 2, {"File format not recognised\nunknown signature\n"}},
      {{"frames", "--json", "@cut.img"},
       2,
       {"File format not recognised\ntruncated in frame 3 of 3\n"}},
      {{"info", "@bad.img"}, 2, {"File format not recognised\nframe 2 of 3 holds invalid data\n"}},
      {{"frames", "@many.img"}, 2, {"File error: 'NumSensors' is invalid.\n"}},
      {{"info", "--json", "@empty.img"}, 2, {"Imager file @empty.img is empty\n"}},
      {{"curvature", "@junk.img", "--frame", "1"}, 2, {"File format not recognised"}},
      {{"timeline", "@missing.img"}, 2, {"@missing.img"}},
      {{"timeline", "@corrupt.img"}, 2, {"cannot be used: not a timeline file"}},
      {{"loops", "@looped.img", "--truth", "@omega.csv"}, 2, {"omega.csv"}},
      {{"loops", "@looped.img", "--truth", "@short.csv"}, 2, {"short.csv"}},
      {{"loops", "@looped.img", "--truth", "@junk.csv"}, 2, {"junk.csv"}},
      {{"convert", "@p3.img", "@no-such-dir/out.img"},
       2,
       {"A problem occurred saving the imager file.\n@no-such-dir/out.img: no such file or "
        "directory\n"}},
  });
  const std::string Locked = PathOf("p3.img");
  if (geteuid() != 0) { // root reads it anyway
    std::filesystem::permissions(Locked, std::filesystem::perms::none);
    ExpectGolden({{"info", "@p3.img"}, 2, {"Cannot open file: @p3.img (permission denied)\n"}});
    std::filesystem::permissions(Locked, std::filesystem::perms::owner_all);
  }
}

TEST_F(ReadCommands, UsageErrorsExitWithOneBeforeAnyFileIsRead) {
  std::vector<TGolden> Table;
  for (const std::vector<std::string>& Misuse : std::vector<std::vector<std::string>>{
           {"unknown", "@p3.img"},
           {"info"},
           {"--pain"},
           {"frames", "@p3.img", "--json", "--csv"},
           {"frames", "@p3.img", "--range", "3:2"},
           {"frames", "@p3.img", "--range", "2:4"},
           {"scope", "@p3.img", "--range", "1:4"},
           {"frames", "@missing.img", "--range", "x"},
           {"stats", "@p3.img", "--analysis", "0:2"},
           {"stats", "@p3.img", "--threshold", "abc"},
           {"stats", "@p3.img", "--threshold", "nan"},
           {"convert", "@p3.img"},
           {"convert", "@p3.img", ""},
           {"convert", "@p3.img", "@"},
           {"convert", "@p3.img", "@folder.img"},
           {"curvature", "@curve.img"},
           {"curvature", "@curve.img", "--frame", "0"},
           {"curvature", "@curve.img", "--frame", "3"},
           {"curvature", "@curve.img", "--frame", "-1"},
           {"curvature", "@curve.img", "--frame", "1", "--json", "--csv"},
           {"loops", "@looped.img", "--reference", "1:99"},
           {"loops", "@looped.img", "--json", "--csv"},
           {"timeline", "@exams"},
           {"timeline", "@exams/a.img", "--json", "--csv"},
       }) {
    Table.push_back({Misuse, 1, {}});
  }
  // A malformed or reversed range names its option.
  for (const char* Range : {"", "3", "3:", ":7", "a:b", "-1:5", "3:7:9", " 3:7", "+3:7", "3.5:7",
                            "99999999999:99999999999", "7:3"}) {
    Table.push_back({{"stats", "@p3.img", "--analysis", Range}, 1, {"--analysis"}});
  }
  for (const char* Same : {"@keep.img", "@keep.dat", "@keep"}) {
    Table.push_back({{"convert", "@keep.img", Same}, 1, {"overwrite"}});
  }
  const auto Before = std::filesystem::file_size(PathOf("keep.img"));
  Table.push_back({{},
                   1,
                   {"info", "frames", "stats", "convert", "scope", "curvature", "render",
                    "simulate", "report", "timeline", "loops"}});
  Table.push_back({{"stats", "--help"}, 0, {"--analysis"}});
  Table.push_back({{"--version"}, 0, {"kestrava-tool 4.5.0\n"}});
  ExpectTable(Table);
  EXPECT_EQ(std::filesystem::file_size(PathOf("keep.img")), Before);
  EXPECT_FALSE(std::filesystem::exists(PathOf(".img")));
}

TEST_F(ReadCommands, InfoFramesAndConvertGiveEveryStoredDetail) {
  const std::string SlotCells(MaxSensors * 7 + MaxSegments, ',');
  ExpectTable({
      {{"info", "@top.img", "--json"},
       0,
       {R"(/patient_name="J\u00f6rg \u001b[2J")", "/format=3", "/procedure_type=1",
        R"(/procedure_type_text="Top")", R"(/start_time_iso="2026-03-04T14:05:06")",
        "/start_time=" + FormatNumber(DateTimeFromCivil(2026, 3, 4, 14, 5, 6)), "/frame_count=3",
        "/has_pain_data=true", R"(/pain_units="mmHg")"}},
      // No escape reaches the terminal.
      {{"info", "@top.img"}, 0, {"J\u00F6rg ?[2J", "Top (1)", "2026-03-04T14:05:06"}},
      // NaN and infinity must not break the document.
      {{"frames", "@mixed.img", "--json"},
       0,
       {"/0/frame=1", "/0/tube_radius=0.009",
        R"(/0/sensors/1={"valid": true, "position": [0, 0, 0.0625], "direction": [0, 0, 0]})",
        "/0/segment_lengths=[0.0625]", "/0/pain=5", "/0/overtube=null", "/1/frame=2",
        "/1/pain=null", "/1/sensors/0/position/0=null",
        R"(/1/overtube={"length1": 0.25, "length2": 0, "length3": 0.5, "valid": true,
                        "position": [1, 2, 3]})",
        "/2/sensors=[]", "/2/segment_lengths=[]", "/2/overtube/length2=0.2"}},
      {{"frames", "@mixed.img", "--range", "2:3", "--json"},
       0,
       {"keys=0,1", "/0/frame=2", "/1/overtube/length2=0.2"}},
      // Markers and hand are always there, as flags and numbers; a frame
      // without sensors leaves their cells empty.
      {{"frames", "@mixed.img", "--csv"},
       0,
       {"frame,time,time_seconds,", "\n1,0,0,2,0.009,0,1,5,0,",
        std::string(",marker6_valid,marker6_x,marker6_y,marker6_z,marker6_dx,marker6_dy,") +
            "marker6_dz,hand_valid,hand_x,hand_y,hand_z,hand_dx,hand_dy,hand_dz\n",
        ",0,0,0,0,0,0,0,0,0,0,0,0,0,0\n2,", ",1,0.5,-0.25,2,0,0,0,1,0,0,0,0,0,-1\n3,",
        ",7,2" + SlotCells + ",0,"}},
      {{"convert", "@old.img", "@new.dat"}, 0, {"@new.img\n"}},
      {{"info", "@new.img", "--json"}, 0, {"/format=3", "/procedure_type=2"}},
      // The older format's directions pointed the other way.
      {{"frames", "@new.img", "--json"},
       0,
       {"/0/sensors/0/position=[1, 0, 0]", "/0/sensors/0/direction=[0, 0, 1]",
        "/0/segment_lengths=[0.5, 0.25]", "/0/pain=3.5"}},
  });
}

TEST_F(ReadCommands, StatsScopeAndCurvatureNumberFramesFromOne) {
  ExpectTable({
      {{"stats", "@pain.img", "--json"},
       0,
       {"/reference_pain=20", "/has_reference=true", "/analysis_duration=3", "/max_pain=1",
        "/mean_pain=0.5", "/pain_std_dev=0.3535533906", "/pain_integral=1.75",
        "/time_above_threshold=3", R"(/analysis={"first": 1, "last": 4})"}},
      // Frames 2..3 are the pains 10 and 20; the pair's mean 0.75 is not above 0.8.
      {{"stats", "@pain.img", "--json", "--analysis", "2:3", "--reference", "3:3", "--threshold",
        "0.8"},
       0,
       {"/reference_pain=20", "/analysis_duration=1", "/max_pain=1", "/mean_pain=0.75",
        "/pain_integral=0.75", "/time_above_threshold=0"}},
      // Without a reference pain the normalised values are null.
      {{"stats", "@faint.img", "--json"},
       0,
       {"/has_reference=false", "/reference_pain=0.1", "/analysis_duration=2", "/max_pain=null",
        "/mean_pain=null", "/pain_std_dev=null", "/pain_integral=null",
        "/time_above_threshold=null"}},
      {{"scope", "@scope.img", "--json", "--range", "2:3", "--no-cutoff"},
       0,
       {"keys=0,1", "/0/frame=2", "/1/frame=3", "/0/scope_length=0.15", "/0/model_complete=true",
        "/0/mesh_vertices=2884", "/0/mesh_faces=5350", "/0/patient_axes/axis/2"}},
      // The markers' plane lies beyond the scope: the cut-off takes nothing.
      {{"scope", "@scope.img", "--json"}, 0, {"/1/scope_length=0.15", "/1/mesh_vertices=2884"}},
      {{"scope", "@badscope.img", "--json"},
       0,
       {"/0/patient_axes=null", "/0/model_complete=false",
        R"(/0/model_problem="sensors 1 and 2: coincident sensors")"}},
      {{"curvature", "@curve.img", "--frame", "1", "--json"},
       0,
       {"/graph_point_count=101",
        R"(/points/0={"index": 0, "kappa": 0.0, "valid": true, "segment": 0, "t": 0.0,
                      "point": [0.0, 0.0, 0.0]})",
        "/points/98/index=98", "/points/98/segment=1", "/points/98/t=1", "/points/98/point/2=0.125",
        "!/points/99"}},
      // Segment 0 is measured, segment 1 is not.
      {{"curvature", "@curve.img", "--frame", "2", "--csv"},
       0,
       {"index,kappa,valid,segment,t,x,y,z\n0,", "\n49,0,1,0,", "\n50,0,0,1,",
        "\n98,0,0,1,1,0,0,0\n", "!\n99,"}},
  });
}

TEST_F(ReadCommands, LoopsGiveEachFramesShapeTheEpisodesAndTheTruthsScore) {
  ExpectTable({
      {{"loops", "@looped.img", "--json"},
       0,
       {"/frames/6/frame=7", R"(/frames/6/class="alpha")", "/frames/6/loop=true",
        "/frames/6/announced=false", "/frames/7/announced=true", "/frames/6/extent_from_tip_m/1",
        "/frames/6/crossing/2", "/frames/0/crossing=null", R"(/frames/0/class="none")",
        "!/frames/18", "/episodes/0/first_frame=7", "/episodes/0/last_frame=12",
        R"(/episodes/0/class="alpha")", "!/episodes/1", "/summary/seconds_looped=5",
        "/summary/pain/inside_loops/mean=50", "/summary/pain/outside_loops/mean=5",
        // A tenth of the loop's 50 unless reference frames are given.
        "/summary/pain/threshold=5", "/summary/pain/outside_loops/share_above_threshold=0"}},
      {{"loops", "@looped.img", "--json", "--reference", "1:6"},
       0,
       {"/summary/pain/threshold=0.5", "/summary/pain/outside_loops/share_above_threshold=1"}},
      {{"loops", "@looped.img", "--json", "--truth", "@truth.csv"},
       0,
       {"/truth/sensitivity=0.857142857", "/truth/specificity=1", "/truth/confusion/alpha/none=1",
        "/truth/onset_delays_seconds/0=2", "/truth/false_alarms=0"}},
      // Why a frame is not classified; the tip's depth comes last all the same.
      {{"loops", "@few.img", "--csv"},
       0,
       {"\n1,0,0,none,0,,,,,,0,0,fewer than 4 valid sensors,0.6"}},
  });
}

TEST_F(ReadCommands, TimelineGivesTheMomentsLesionsAndFramesOrOneRowPerFileOfAFolder) {
  ExpectTable({
      {{"timeline", "@marked.img", "--json"},
       0,
       {std::string("keys=insertion_start_s,caecum_reached,caecum_s,caecum_frame,") +
            "caecum_confirmed_by_operator,deepest_s,deepest_segment,withdrawal_end_s," +
            "insertion_time_s,withdrawal_time_s,reason,lesions,frames",
        "/caecum_reached=true", "/caecum_s=284", "/caecum_frame=285",
        R"(/deepest_segment="caecum")", "/reason=null", "/lesions/0/frame=700",
        "/lesions/0/time_s=699", R"(/lesions/0/segment="sigmoid")", "!/lesions/1",
        R"(/frames/0={"frame": 1, "time_s": 0.0, "phase": "outside", "segment": "unknown",
                      "depth_m": null})",
        R"(/frames/200/phase="insertion")", "/frames/880/frame=881", "!/frames/881"}},
      {{"timeline", "@exams/a.img", "--csv"},
       0,
       {"frame,time_s,phase,segment,depth_m\n1,0,outside,unknown,\n"}},
      {{"timeline", "@exams", "--csv"},
       0,
       {"\na.img,881,", ",the tip turned back in the descending colon",
        "\nc.img,,,,,,,,,,,,,File format not recognised: unknown signature"}},
  });
}

TEST_F(ReadCommands, DriversListsTheBundledDriversAndWhatItNamesLoads) {
  const std::string Program = BuiltProgramDir;
  ExpectTable({
      {{"drivers", "--program-dir", Program},
       0,
       {std::string("igtlink    ") + igtlink::IGTLinkDriverId + "  DSP.DAT\n",
        std::string("simulator  ") + SimulatorDriverId + "  DSP.DAT\n",
        std::string("replay     ") + ReplayDriverId + "  Replay.dat\n"}},
      {{"drivers", "--program-dir", "@nowhere"}, 2, {"No drivers directory"}},
  });
  const std::optional<std::string> Id = FindImagerDriverId(Program + "/drivers", "IGTLink");
  ASSERT_EQ(Id, igtlink::IGTLinkDriverId);
  const TImagerDriver Driver = LoadImagerDriver(Program + "/drivers", *Id);
  EXPECT_TRUE(Driver.PositionLocator && Driver.RemoteControl && Driver.PressureSensor)
      << Driver.Problem;
}

} // namespace
} // namespace kestrava::testing
