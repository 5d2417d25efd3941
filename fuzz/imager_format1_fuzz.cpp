// The format 1 reader works on a set of three files, so each input is split
// into them: two little-endian 16-bit lengths, then the header bytes, the
// frame bytes and (the rest) the marker bytes. A length of 0xFFFF leaves that
// file out, to reach the missing-file paths.

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileFormat1.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::uint16_t Absent = 0xFFFF;

// A private directory for the three files, removed when the run ends.
struct TWorkDirectory {
  TWorkDirectory()
      : Path(std::filesystem::temp_directory_path() /
             ("kestrava-format1-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(Path);
  }
  ~TWorkDirectory() {
    std::error_code Ignored;
    std::filesystem::remove_all(Path, Ignored);
  }
  std::filesystem::path Path;
};

const std::filesystem::path& WorkDirectory() {
  static const TWorkDirectory Dir;
  return Dir.Path;
}

void Place(const std::filesystem::path& Path, const std::uint8_t* Data, std::size_t Size,
           bool Present) {
  std::filesystem::remove(Path);
  if (Present) {
    std::ofstream(Path, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 4) {
    return 0;
  }
  const std::uint16_t HeaderLength = static_cast<std::uint16_t>(Data[0] | (Data[1] << 8));
  const std::uint16_t FramesLength = static_cast<std::uint16_t>(Data[2] | (Data[3] << 8));
  const std::uint8_t* Rest = Data + 4;
  std::size_t Left = Size - 4;
  const auto Slice = [&](std::uint16_t Length, bool& Present) {
    Present = Length != Absent;
    const std::size_t Taken = Present ? std::min<std::size_t>(Length, Left) : 0;
    const std::uint8_t* Start = Rest;
    Rest += Taken;
    Left -= Taken;
    return std::pair{Start, Taken};
  };
  bool HasHeader = false, HasFrames = false;
  const auto [HeaderData, HeaderSize] = Slice(HeaderLength, HasHeader);
  const auto [FramesData, FramesSize] = Slice(FramesLength, HasFrames);
  const auto& Dir = WorkDirectory();
  Place(Dir / "case.img", HeaderData, HeaderSize, HasHeader);
  Place(Dir / "case.end", FramesData, FramesSize, HasFrames);
  Place(Dir / "case.mar", Rest, Left, Left > 0);

  kestrava::TImagerProcedure Procedure;
  try {
    kestrava::ReadImagerFormat1((Dir / "case.img").string(), Procedure);
  } catch (const kestrava::Exception&) {
    // The reader's own failures are answers, not faults.
  }
  return 0;
}
