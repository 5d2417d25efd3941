#include "imagerdata/ImagerRecordingFile.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileBytes.h"
#include "imagerdata/ImagerFileFormat3.h"
#include "imagerdata/ImagerFileRecords.h"
#include "imagerdata/ImagerFileReplace.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <system_error>
#include <unistd.h>

namespace kestrava {

namespace {

constexpr std::uint64_t FrameCountOffset =
    ImagerFormat3Signature.size() + ProcedureHeaderFrameCountOffset;

[[noreturn]] void Raise(const std::string& Path, const char* Doing, int Error) {
  throw Exception("Imager file " + Path + ": " + Doing +
                  " failed: " + std::generic_category().message(Error));
}

// errno of the failure, or 0 when every byte was written.
int WriteAllAt(int Descriptor, const std::uint8_t* Data, std::size_t Count, std::uint64_t Offset) {
  while (Count > 0) {
    const ssize_t Written = ::pwrite(Descriptor, Data, Count, static_cast<off_t>(Offset));
    if (Written < 0 && errno == EINTR) {
      continue;
    }
    if (Written < 0) {
      return errno;
    }
    if (Written == 0) {
      return ENOSPC; // pwrite that makes no progress: the device takes no more
    }
    Data += Written;
    Count -= static_cast<std::size_t>(Written);
    Offset += static_cast<std::uint64_t>(Written);
  }
  return 0;
}

// The file's data and what is needed to read it back (its size); the
// rest of its metadata (times) need not cost a journal commit per frame.
int SyncFile(int Descriptor) {
  return ::fdatasync(Descriptor) == 0 ? 0 : errno;
}

// Makes the new directory entry durable, so that after a power loss the file
// is found under its name and not only its data somewhere on the disk.
int SyncDirectory(const std::filesystem::path& Directory) {
  const TFileDescriptor Dir(
      ::open(Directory.empty() ? "." : Directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Dir.Valid()) {
    return errno;
  }
  // EINVAL: a file system that cannot sync a directory at all; its entries
  // are as durable as it makes them.
  return ::fsync(Dir.Get()) == 0 || errno == EINVAL ? 0 : errno;
}

// The temporary removed unless it was renamed into place.
class TTemporaryFile {
public:
  explicit TTemporaryFile(std::filesystem::path Path) : Path_(std::move(Path)) {}
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  ~TTemporaryFile() {
    if (!Path_.empty()) {
      ::unlink(Path_.c_str());
    }
  }
  int RenameTo(const std::filesystem::path& Target) {
    if (::rename(Path_.c_str(), Target.c_str()) != 0) {
      return errno;
    }
    Path_.clear();
    return 0;
  }

private:
  std::filesystem::path Path_;
};

} // namespace

TImagerRecordingFile TImagerRecordingFile::Create(const std::string& FileName,
                                                  const TImagerProcedure& Procedure) {
  std::filesystem::path Target(FileName);
  Target.replace_extension(".img");
  const std::string Name = Target.string();
  const std::vector<std::uint8_t> Bytes = EncodeImagerFormat3(Procedure);

  std::filesystem::path TemporaryPath;
  TFileDescriptor File = CreateFileBeside(Target, TemporaryPath);
  if (!File.Valid()) {
    Raise(Name, "creating the file", errno);
  }
  TTemporaryFile Temporary(TemporaryPath);
  if (const int Error = WriteAllAt(File.Get(), Bytes.data(), Bytes.size(), 0)) {
    Raise(Name, "writing the header", Error);
  }
  if (const int Error = SyncFile(File.Get())) {
    Raise(Name, "flushing the header to the disk", Error);
  }
  // The descriptor stays valid across the rename: it now writes Target.
  if (const int Error = Temporary.RenameTo(Target)) {
    Raise(Name, "moving the new file into place", Error);
  }
  if (const int Error = SyncDirectory(Target.parent_path())) {
    Raise(Name, "flushing the directory entry to the disk", Error);
  }
  return TImagerRecordingFile(Name, std::move(File), Procedure, Bytes.size());
}

TImagerRecordingFile::TImagerRecordingFile(std::string Path, TFileDescriptor File,
                                           const TImagerProcedure& Procedure, std::uint64_t Size)
    : Path_(std::move(Path)), File_(std::move(File)), HasPainData_(Procedure.HasPainData),
      FrameCount_(Procedure.FrameCount()), Size_(Size) {}

void TImagerRecordingFile::Fail(const char* Doing, int Error) const {
  Raise(Path_, Doing, Error);
}

void TImagerRecordingFile::WriteAt(const std::uint8_t* Data, std::size_t Count,
                                   std::uint64_t Offset, const char* Doing) const {
  if (const int Error = WriteAllAt(File_.Get(), Data, Count, Offset)) {
    Fail(Doing, Error);
  }
}

void TImagerRecordingFile::Flush(const char* Doing) const {
  if (const int Error = SyncFile(File_.Get())) {
    Fail(Doing, Error);
  }
}

void TImagerRecordingFile::Append(const TImagerFrame& Frame) {
  Entry_.clear();
  AppendImagerFormat3Frame(Frame, HasPainData_, Entry_);
  AppendEncoded(Entry_, 1);
}

void TImagerRecordingFile::AppendEncoded(std::span<const std::uint8_t> Entries,
                                         std::int32_t Count) {
  if (!File_.Valid()) {
    Fail("appending a frame", EBADF);
  }
  if (Failed_) {
    // After a failed flush the kernel may already have dropped the pages it
    // could not write, so a later flush that succeeds proves nothing.
    Fail("appending a frame after an earlier write", EIO);
  }
  if (Count < 0 || Count > std::numeric_limits<std::int32_t>::max() - FrameCount_) {
    Fail("appending a frame", EFBIG);
  }
  std::array<std::uint8_t, 4> NewCount{};
  StoreI32(NewCount.data(), 0, FrameCount_ + Count);

  Failed_ = true; // until both halves are on the disk
  // The frames' bytes reach the disk before the count that admits them: one
  // flush could write the header's page first, and a crash then would leave
  // a count that promises frames the file does not hold.
  WriteAt(Entries.data(), Entries.size(), Size_, "writing the frame");
  Flush("flushing the frame to the disk");
  WriteAt(NewCount.data(), NewCount.size(), FrameCountOffset, "writing the frame count");
  Flush("flushing the frame count to the disk");
  Failed_ = false;
  Size_ += Entries.size();
  FrameCount_ += Count;
}

void TImagerRecordingFile::Close() {
  if (File_.Valid() && !File_.Close()) {
    Fail("closing the file", errno);
  }
}

} // namespace kestrava
