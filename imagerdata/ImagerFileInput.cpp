#include "imagerdata/ImagerFileInput.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace kestrava {

TImagerFileInput::TImagerFileInput(std::span<const std::uint8_t> Memory) : Unread_(Memory) {}

TImagerFileInput::TImagerFileInput(std::unique_ptr<std::FILE, TFileCloser> File)
    : File_(std::move(File)) {}

std::optional<TImagerFileInput> TImagerFileInput::OpenFile(const std::filesystem::path& Path) {
  // Devices and pipes could block or never end; only plain files are imager files.
  std::error_code Error;
  if (!std::filesystem::is_regular_file(Path, Error)) {
    return std::nullopt;
  }
  std::unique_ptr<std::FILE, TFileCloser> File(std::fopen(Path.c_str(), "rb"));
  if (!File) {
    return std::nullopt;
  }
  // Our own blocks are the buffer; a second one in stdio would only copy.
  std::setvbuf(File.get(), nullptr, _IONBF, 0);
  // The size only sizes the block: a small file needs no large one. Reading
  // still ends where the data ends, should the file change meanwhile.
  const std::uintmax_t Size = std::filesystem::file_size(Path, Error);
  TImagerFileInput Input(std::move(File));
  Input.BlockCapacity_ = Error ? BlockSize
                               : static_cast<std::size_t>(std::clamp<std::uintmax_t>(
                                     Size + 1, MinimumBlockSize, BlockSize));
  return Input;
}

std::span<const std::uint8_t> TImagerFileInput::Take(std::size_t Count) {
  if (Unread_.size() < Count && File_) {
    Refill();
  }
  if (Unread_.size() < Count) {
    Unread_ = {};
    File_.reset();
    Spent_ = true;
    return {};
  }
  const auto Result = Unread_.first(Count);
  Unread_ = Unread_.subspan(Count);
  return Result;
}

void TImagerFileInput::Refill() {
  if (Block_.empty()) {
    Block_.resize(BlockCapacity_);
  }
  const std::size_t Kept = Unread_.size();
  if (Kept > 0 && Unread_.data() != Block_.data()) {
    std::memmove(Block_.data(), Unread_.data(), Kept);
  }
  std::size_t Filled = Kept;
  while (Filled < Block_.size()) {
    const std::size_t Got =
        std::fread(Block_.data() + Filled, 1, Block_.size() - Filled, File_.get());
    if (Got == 0) {
      // End of file or a read error: what is there is all there will be.
      File_.reset();
      break;
    }
    Filled += Got;
  }
  Unread_ = std::span<const std::uint8_t>(Block_.data(), Filled);
}

} // namespace kestrava
