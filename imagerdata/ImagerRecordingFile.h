#pragma once
// An imager file written while the procedure is recorded, so that a crash or
// a power loss loses at most the frame being written.
//
// The file is format 3 throughout: the header and every frame appended so far
// are on the disk before each call returns, and the header's frame count is
// rewritten only after the new frame's bytes are flushed. A crash between the
// two leaves the old count and a trailing frame that the reader ignores, so
// the file on disk is at every moment a valid imager file. Its bytes are the
// ones EncodeImagerFormat3 gives for the same procedure.
//
// Every failure raises Exception with a message naming the file and the
// reason. POSIX only (open, pwrite, fdatasync), as the rest of the file
// writing.
//
// Thread: one thread at a time.

#include "imagerdata/EncodedFrameSink.h"
#include "imagerdata/FileDescriptor.h"
#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrava {

class TImagerRecordingFile final : public IEncodedFrameSink {
public:
  // Writes Procedure (its details, and its frames if it has any) as a new
  // format 3 file at FileName with the extension replaced by ".img" (as
  // SaveToFile does), flushed to the disk with its directory entry, and keeps
  // it open for Append. The file is written beside and renamed into place, so
  // a file of that name is replaced only by a complete one.
  static TImagerRecordingFile Create(const std::string& FileName,
                                     const TImagerProcedure& Procedure);

  TImagerRecordingFile(TImagerRecordingFile&&) noexcept = default;
  TImagerRecordingFile& operator=(TImagerRecordingFile&&) noexcept = default;
  ~TImagerRecordingFile() override = default;

  // Writes Frame's entry after the last frame, flushes it, then writes the new
  // frame count into the header and flushes that. After a failure the file
  // still holds every frame appended before (and perhaps this one); as the
  // state of a file whose flush failed is not known, every later Append fails
  // at once.
  void Append(const TImagerFrame& Frame);

  // As Append for Count frames at once, already encoded by
  // AppendImagerFormat3Frame with HasPainData() one after the other: two
  // flushes for the whole batch, so a disk that falls behind catches up.
  void AppendEncoded(std::span<const std::uint8_t> Entries, std::int32_t Count) override;

  // Whether the frames' entries carry a pain value (the procedure's setting).
  bool HasPainData() const override { return HasPainData_; }

  // Closes the file; raises when closing reports a write error. Nothing more
  // can be appended.
  void Close() override;

  // The path written, ending in ".img".
  const std::string& Path() const override { return Path_; }
  // Frames appended (and on the disk) so far.
  std::int32_t FrameCount() const { return FrameCount_; }
  bool IsOpen() const { return File_.Valid(); }

private:
  TImagerRecordingFile(std::string Path, TFileDescriptor File, const TImagerProcedure& Procedure,
                       std::uint64_t Size);
  [[noreturn]] void Fail(const char* Doing, int Error) const;
  void WriteAt(const std::uint8_t* Data, std::size_t Count, std::uint64_t Offset,
               const char* Doing) const;
  void Flush(const char* Doing) const;

  std::string Path_;
  TFileDescriptor File_;
  bool HasPainData_ = false;
  std::int32_t FrameCount_ = 0;
  // Bytes of the signature, the header and the frames appended.
  std::uint64_t Size_ = 0;
  bool Failed_ = false;
  // Reused for every frame, so that a long recording allocates nothing.
  std::vector<std::uint8_t> Entry_;
};

} // namespace kestrava
