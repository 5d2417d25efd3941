#include "imagerdata/FrameStorage.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KESTRAVA_FRAME_STORAGE_USES_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRAVA_FRAME_STORAGE_USES_HEAP 1
#endif
#endif

namespace kestrava {

namespace {

// The header sits in the first slot of each block, so a slot's block is found
// by masking its address with the (power-of-two) block size.
struct TBlock {
  TBlock* Previous = nullptr; // blocks with room, a doubly linked list
  TBlock* Next = nullptr;
  void* FreeSlots = nullptr; // slots given back, linked through their first word
  std::size_t Carved = 1;    // slots handed out at least once (slot 0 is this header)
  std::size_t Live = 0;
};

constexpr std::size_t SlotsPerBlock = TFrameStorage::BlockSize / TFrameStorage::SlotSize;
static_assert(sizeof(TBlock) <= TFrameStorage::SlotSize);
static_assert((TFrameStorage::BlockSize & (TFrameStorage::BlockSize - 1)) == 0);

void* MapBlock() {
#if defined(__linux__)
  // Over-map by one block and trim, since mmap promises only page alignment.
  const std::size_t Span = 2 * TFrameStorage::BlockSize;
  void* Mapped = mmap(nullptr, Span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  const auto Start = reinterpret_cast<std::uintptr_t>(Mapped);
  const std::uintptr_t Aligned =
      (Start + TFrameStorage::BlockSize - 1) & ~(TFrameStorage::BlockSize - 1);
  if (Aligned > Start) {
    munmap(Mapped, Aligned - Start);
  }
  const std::uintptr_t End = Aligned + TFrameStorage::BlockSize;
  if (Start + Span > End) {
    munmap(reinterpret_cast<void*>(End), Start + Span - End);
  }
  void* Block = reinterpret_cast<void*>(Aligned);
  // Advice only: without transparent huge pages the block still works.
  madvise(Block, TFrameStorage::BlockSize, MADV_HUGEPAGE);
  return Block;
#else
  void* Block = std::aligned_alloc(TFrameStorage::BlockSize, TFrameStorage::BlockSize);
  if (Block == nullptr) {
    throw std::bad_alloc();
  }
  return Block;
#endif
}

void UnmapBlock(void* Block) {
#if defined(__linux__)
  munmap(Block, TFrameStorage::BlockSize);
#else
  std::free(Block);
#endif
}

class TBlockPool {
public:
  constexpr TBlockPool() = default;

  void* Allocate() {
    const std::lock_guard Lock(Mutex_);
    if (WithRoom_ == nullptr) {
      Link(NewBlock());
    }
    TBlock* Block = WithRoom_;
    void* Slot = TakeSlot(*Block);
    if (Block->FreeSlots == nullptr && Block->Carved == SlotsPerBlock) {
      Unlink(Block);
    }
    return Slot;
  }

  void Release(void* Slot) {
    const std::lock_guard Lock(Mutex_);
    TBlock* Block = BlockOf(Slot);
    const bool WasFull = Block->FreeSlots == nullptr && Block->Carved == SlotsPerBlock;
    *static_cast<void**>(Slot) = Block->FreeSlots;
    Block->FreeSlots = Slot;
    --Block->Live;
    if (WasFull) {
      Link(Block);
    }
    if (Block->Live == 0) {
      RetireEmpty(Block);
    }
  }

  std::size_t BytesHeld() {
    const std::lock_guard Lock(Mutex_);
    return BlocksHeld_ * TFrameStorage::BlockSize;
  }

private:
  static TBlock* BlockOf(void* Slot) {
    return reinterpret_cast<TBlock*>(reinterpret_cast<std::uintptr_t>(Slot) &
                                     ~(TFrameStorage::BlockSize - 1));
  }

  TBlock* NewBlock() {
    TBlock* Block = ::new (MapBlock()) TBlock();
    ++BlocksHeld_;
    return Block;
  }

  static void* TakeSlot(TBlock& Block) {
    ++Block.Live;
    if (Block.FreeSlots != nullptr) {
      void* Slot = Block.FreeSlots;
      Block.FreeSlots = *static_cast<void**>(Slot);
      return Slot;
    }
    // Carving in address order touches the block's pages only as they are needed.
    auto* Base = reinterpret_cast<std::byte*>(&Block);
    return Base + TFrameStorage::SlotSize * Block.Carved++;
  }

  // One empty block is kept, so a frame made and freed over and over (a
  // recording's copy of the current frame) does not map and unmap each time.
  void RetireEmpty(TBlock* Block) {
    if (Spare_ == nullptr) {
      Spare_ = Block;
      return;
    }
    if (Spare_ == Block) {
      return;
    }
    Unlink(Block);
    UnmapBlock(Block);
    --BlocksHeld_;
  }

  void Link(TBlock* Block) {
    Block->Previous = nullptr;
    Block->Next = WithRoom_;
    if (WithRoom_ != nullptr) {
      WithRoom_->Previous = Block;
    }
    WithRoom_ = Block;
  }

  void Unlink(TBlock* Block) {
    if (Block->Previous != nullptr) {
      Block->Previous->Next = Block->Next;
    } else if (WithRoom_ == Block) {
      WithRoom_ = Block->Next;
    }
    if (Block->Next != nullptr) {
      Block->Next->Previous = Block->Previous;
    }
    Block->Previous = Block->Next = nullptr;
  }

  std::mutex Mutex_;
  TBlock* WithRoom_ = nullptr;
  TBlock* Spare_ = nullptr;
  std::size_t BlocksHeld_ = 0;
};

// Constant-initialised, so it exists before the first frame is made, and
// without a destructor of its own, so frames freed while the program exits
// still find it.
constinit TBlockPool ThePool;

[[maybe_unused]] TBlockPool& Pool() {
  return ThePool;
}

} // namespace

void* TFrameStorage::Allocate(std::size_t Size) {
#if defined(KESTRAVA_FRAME_STORAGE_USES_HEAP)
  return ::operator new(Size);
#else
  if (Size > SlotSize) {
    return ::operator new(Size);
  }
  return Pool().Allocate();
#endif
}

void TFrameStorage::Release(void* Memory, std::size_t Size) noexcept {
  if (Memory == nullptr) {
    return;
  }
#if defined(KESTRAVA_FRAME_STORAGE_USES_HEAP)
  static_cast<void>(Size);
  ::operator delete(Memory);
#else
  if (Size > SlotSize) {
    ::operator delete(Memory);
    return;
  }
  Pool().Release(Memory);
#endif
}

bool TFrameStorage::UsesBlocks() {
#if defined(KESTRAVA_FRAME_STORAGE_USES_HEAP)
  return false;
#else
  return true;
#endif
}

std::size_t TFrameStorage::BlockBytesHeld() {
#if defined(KESTRAVA_FRAME_STORAGE_USES_HEAP)
  return 0;
#else
  return Pool().BytesHeld();
#endif
}

} // namespace kestrava
