#pragma once
// Sequential reading of an imager file in large blocks.
//
// Readers ask for one record at a time and get either all of its bytes or
// nothing, so a header's claimed frame count is never trusted: reading stops
// at the first short record, and memory stays bounded by the block size
// whatever the file says. A source reads either a file (in blocks of
// BlockSize bytes) or a caller's memory buffer, which must outlive it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace kestrava {

class TImagerFileInput {
public:
  static constexpr std::size_t BlockSize = 1 << 20;
  // No record is larger than this, whatever the file's size.
  static constexpr std::size_t MinimumBlockSize = 4096;

  // Reads Memory without copying it.
  explicit TImagerFileInput(std::span<const std::uint8_t> Memory);
  // Nothing when Path is not a regular file or cannot be opened for reading.
  static std::optional<TImagerFileInput> OpenFile(const std::filesystem::path& Path);

  // The next Count bytes (Count <= MinimumBlockSize), valid until the next call, or
  // an empty span when fewer remain; after a short read the source is spent.
  std::span<const std::uint8_t> Take(std::size_t Count);

  // True once a Take came up short: the data ended before the record did.
  bool Spent() const { return Spent_; }

private:
  struct TFileCloser {
    void operator()(std::FILE* File) const { std::fclose(File); }
  };
  explicit TImagerFileInput(std::unique_ptr<std::FILE, TFileCloser> File);
  // Moves the unread rest to the front of the block and reads more after it.
  void Refill();

  std::unique_ptr<std::FILE, TFileCloser> File_;
  std::vector<std::uint8_t> Block_;
  std::span<const std::uint8_t> Unread_;
  std::size_t BlockCapacity_ = BlockSize;
  bool Spent_ = false;
};

} // namespace kestrava
