#include "ImagerFileTestSupport.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileFormat3.h"
#include "imagerdata/ImagerProcedure.h"
#include "imagerdata/ImagerRecordingFile.h"
#include "imagerdata/LiveFileWriter.h"
#include "tests/support/ProcedureBuilders.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrava {
namespace {

// The recording file behind a gate the test opens, standing in for a disk
// that takes its time; it can also be told to fail.
class TGatedSink final : public IEncodedFrameSink {
public:
  struct TControl {
    std::mutex Mutex;
    std::condition_variable Opened;
    bool Open = false;
    bool Fail = false;
    int Batches = 0;
    void Release() {
      const std::lock_guard Lock(Mutex);
      Open = true;
      Opened.notify_all();
    }
  };

  TGatedSink(TImagerRecordingFile File, TControl& Control)
      : File_(std::move(File)), Control_(Control) {}
  bool HasPainData() const override { return File_.HasPainData(); }
  const std::string& Path() const override { return File_.Path(); }
  void Close() override { File_.Close(); }
  void AppendEncoded(std::span<const std::uint8_t> Entries, std::int32_t Count) override {
    std::unique_lock Lock(Control_.Mutex);
    Control_.Opened.wait(Lock, [this] { return Control_.Open; });
    ++Control_.Batches;
    if (Control_.Fail)
      throw Exception("Imager file " + File_.Path() + ": writing the frame failed: disk gone");
    File_.AppendEncoded(Entries, Count);
  }

private:
  TImagerRecordingFile File_;
  TControl& Control_;
};

class LiveFileWriter : public test::ImagerFileTest {
protected:
  LiveFileWriter() { support::AddPainFrames(Procedure, {}); }
  std::unique_ptr<TLiveFileWriter> Start(std::int32_t Capacity = TLiveFileWriter::DefaultCapacity) {
    return std::make_unique<TLiveFileWriter>(
        std::make_unique<TGatedSink>(
            TImagerRecordingFile::Create((Dir / "live.img").string(), Procedure), Control),
        Capacity);
  }
  TImagerFrame& Store(TLiveFileWriter& Writer, int Second) {
    TImagerFrame& Frame = Procedure.AddFrame();
    Frame.Time = Second / 86400.0;
    Frame.SensorCount = 1;
    Frame.Pain = Second;
    Writer.Append(Frame);
    return Frame;
  }

  TImagerProcedure Procedure;
  TGatedSink::TControl Control;
};

TEST_F(LiveFileWriter, QueuesWhileTheDiskStallsThenWritesTheWaitingFramesAsOneBatch) {
  const auto Writer = Start();
  for (int Second = 1; Second <= 5; ++Second)
    Store(*Writer, Second); // returns although the sink takes nothing yet
  EXPECT_EQ(Writer->FramesWritten(), 0);
  Control.Release();
  Writer->Finish();
  EXPECT_EQ(Writer->FramesWritten(), 5);
  EXPECT_LE(Control.Batches, 2) << "one batch for the frames that waited";
  EXPECT_EQ(Read((Dir / "live.img").string()), EncodeImagerFormat3(Procedure));
  EXPECT_FALSE(Writer->TakeFailure());
}

TEST_F(LiveFileWriter, AFailureIsReportedOnceAndStopsTheWritingForGood) {
  for (const bool Overflow : {false, true}) {
    SCOPED_TRACE(Overflow ? "queue full" : "sink fails");
    Procedure.Clear();
    Control.Open = !Overflow;
    Control.Fail = !Overflow;
    const auto Writer = Start(Overflow ? 3 : TLiveFileWriter::DefaultCapacity);
    for (int Second = 1; Second <= 5; ++Second)
      Store(*Writer, Second);
    if (!Overflow)
      while (Writer->Healthy())
        std::this_thread::yield();
    const std::optional<std::string> Failure = Writer->TakeFailure();
    ASSERT_TRUE(Failure);
    EXPECT_NE(Failure->find((Dir / "live.img").string()), std::string::npos) << *Failure;
    EXPECT_FALSE(Writer->TakeFailure()) << "reported once";
    Control.Release();
    Store(*Writer, 6);
    Writer->Finish();
    // At most the batch under way when the queue filled up gets through.
    EXPECT_LE(Writer->FramesWritten(), Overflow ? 1 : 0);
    TImagerProcedure Loaded;
    Loaded.LoadFromFile((Dir / "live.img").string());
    EXPECT_EQ(Loaded.FrameCount(), Writer->FramesWritten()) << "the file keeps what it had";
  }
}

} // namespace
} // namespace kestrava
