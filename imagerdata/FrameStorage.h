#pragma once
// Where TImagerFrame objects live. A three-hour recording holds over ten
// thousand frames of about 1.4 KB each; allocated one by one, every one of
// them costs a first-touch page fault when a file is loaded, which made a
// load a hundred times slower than reading the file. Frames are therefore
// carved out of large blocks that the operating system may back with huge
// pages, so a whole procedure costs a handful of faults.
//
// A block is returned to the system as soon as its last frame goes, except one
// spare block kept to absorb a single frame being made and freed repeatedly.
// Sanitizer builds keep the blocks: the pool poisons every slot not in use
// (see FrameBlockPool.h), so misuse of a freed frame is still caught, and a
// frame released twice stops the program in every build.
//
// Thread: any; allocation and release are serialised by a lock.

#include <cstddef>

namespace kestrava {

class TFrameStorage {
public:
  // Memory for one object of SlotSize bytes or fewer; bad_alloc when the
  // system refuses a block.
  static void* Allocate(std::size_t Size);
  // Memory from Allocate with the same Size, not yet released (a second
  // release aborts the program).
  static void Release(void* Memory, std::size_t Size) noexcept;

  // Bytes of blocks currently held from the system, for tests and benchmarks.
  static std::size_t BlockBytesHeld();

  static constexpr std::size_t SlotSize = 1536;
  static constexpr std::size_t BlockSize = std::size_t{2} << 20;
};

} // namespace kestrava
