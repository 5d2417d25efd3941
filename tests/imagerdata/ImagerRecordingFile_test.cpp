#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileFormat3.h"
#include "imagerdata/ImagerProcedure.h"
#include "imagerdata/ImagerRecordingFile.h"
#include "tests/support/ProcedureBuilders.h"

#include <csignal>
#include <sys/resource.h>

namespace kestrava {
namespace {

// The details of a recording with pain data.
void FillDetails(TImagerProcedure& P) {
  support::AddPainFrames(P, {});
  P.ProcedureType = ProcedurePeg;
  P.StartTime = 46000.25;
}

// The frame stored at Second of the recording, with fields of its own; the
// frames use each overtube kind in turn.
void FillFrame(TImagerFrame& F, int Second) {
  F.Time = Second / 86400.0;
  F.SensorCount = 3;
  F.TubeRadius = 0.009f;
  F.SensorValid = {true, Second % 2 == 0, true};
  F.SensorPosition[2] = {0.25 * Second, 1, -2};
  F.SegmentLength[1] = 0.0625;
  F.MarkerValid[Second % 6] = true;
  F.PainValid = true;
  F.Pain = 4.5 + Second;
  F.OvertubeKind = Second % 3;
  if (F.OvertubeKind == 1) {
    F.OvertubeData1 = {0.5f, 1, true, {1, 2, 3}};
  } else if (F.OvertubeKind == 2) {
    F.OvertubeData2 = {0.5f, 0.25f, 1, true, {3, 2, 1}};
  }
}

void AppendSeconds(TImagerRecordingFile& File, int First, int Last) {
  for (int Second = First; Second <= Last; ++Second) {
    TImagerFrame Frame;
    FillFrame(Frame, Second);
    File.Append(Frame);
  }
}

void ExpectFrameOf(const TImagerFrame& Frame, int Second) {
  TImagerFrame Expected;
  FillFrame(Expected, Second);
  EXPECT_EQ(test::EveryField(Frame), test::EveryField(Expected)) << Second;
}

using ImagerRecordingFile = test::ImagerFileTest;

TEST_F(ImagerRecordingFile, IsAtEveryAppendTheFileThatSavingTheProcedureWrites) {
  TImagerProcedure Procedure;
  FillDetails(Procedure);
  TImagerRecordingFile File = TImagerRecordingFile::Create((Dir / "live.dat").string(), Procedure);
  EXPECT_EQ(File.Path(), (Dir / "live.img").string());
  EXPECT_EQ(Read(File.Path()), EncodeImagerFormat3(Procedure));
  for (int Second = 1; Second <= 4; ++Second) {
    AppendSeconds(File, Second, Second);
    FillFrame(Procedure.AddFrame(), Second);
    ASSERT_EQ(Read(File.Path()), EncodeImagerFormat3(Procedure)) << Second;
  }
  EXPECT_EQ(File.FrameCount(), 4);
  File.Close();
  EXPECT_THROW(AppendSeconds(File, 5, 5), Exception);
  TImagerProcedure Loaded;
  EXPECT_EQ(Loaded.LoadFromFile(File.Path()), 3);
  ExpectFrameOf(Loaded.GetFrame(3), 4);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir), {}), 1) << "no temporary";
}

// A crash or power loss ends the file anywhere in its last frame: either
// before the header counts that frame (the reader then ignores the trailing
// bytes) or, when the disk lost the tail of an already counted frame, with
// the count ahead of the data (the reader refuses the file). Never a crash
// or a wrong frame.
TEST_F(ImagerRecordingFile, AFileCutInItsLastFrameLoadsTheFramesBeforeOrIsRefused) {
  TImagerProcedure Procedure;
  FillDetails(Procedure);
  TImagerRecordingFile File = TImagerRecordingFile::Create((Dir / "rec").string(), Procedure);
  AppendSeconds(File, 1, 2);
  const std::size_t LastFrameStart = Read(File.Path()).size();
  AppendSeconds(File, 3, 3);
  const std::vector<std::uint8_t> Whole = Read(File.Path());
  File.Close();
  auto OldCount = Whole;
  OldCount[16 + 76] = 2;

  TImagerProcedure Loaded;
  for (std::size_t Cut = LastFrameStart; Cut <= Whole.size(); ++Cut) {
    const auto End = static_cast<long>(Cut);
    const std::string Counted = Write("counted.img", {Whole.begin(), Whole.begin() + End});
    if (Cut < Whole.size()) {
      EXPECT_THROW(Loaded.LoadFromFile(Counted), E_Qel_UnrecognisedDataFormat) << Cut;
    }
    const std::string Uncounted =
        Write("uncounted.img", {OldCount.begin(), OldCount.begin() + End});
    ASSERT_EQ(Loaded.LoadFromFile(Uncounted), 3) << Cut;
    ASSERT_EQ(Loaded.FrameCount(), 2) << Cut;
    ExpectFrameOf(Loaded.GetFrame(1), 2);
  }
}

TEST_F(ImagerRecordingFile, FailuresNameTheFileAndTheReason) {
  TImagerProcedure Procedure;
  const std::string Missing = (Dir / "missing" / "rec.img").string();
  EXPECT_EQ(test::ErrorText([&] { TImagerRecordingFile::Create(Missing, Procedure); }),
            "Imager file " + Missing + ": creating the file failed: No such file or directory");

  // A full disk (here: the file size limit, in a child process) half-way
  // through a frame keeps the frames before, and nothing more is appended.
  FillDetails(Procedure);
  const std::string Path = (Dir / "full.img").string();
  const auto AppendUntilFull = [&] {
    TImagerRecordingFile File = TImagerRecordingFile::Create(Path, Procedure);
    AppendSeconds(File, 1, 1);
    const rlimit Limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &Limit);
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string Error = test::ErrorText([&] { AppendSeconds(File, 2, 2); });
    if (Error != "Imager file " + Path + ": writing the frame failed: File too large") {
      std::_Exit(1);
    }
    const std::string Again = test::ErrorText([&] { AppendSeconds(File, 3, 3); });
    std::_Exit(Again.find(Path) != std::string::npos && File.FrameCount() == 1 ? 0 : 2);
  };
  EXPECT_EXIT(AppendUntilFull(), ::testing::ExitedWithCode(0), "");
  TImagerProcedure Loaded;
  Loaded.LoadFromFile(Path);
  ASSERT_EQ(Loaded.FrameCount(), 1);
  ExpectFrameOf(Loaded.GetFrame(0), 1);
}

} // namespace
} // namespace kestrava
