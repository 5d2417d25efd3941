#include "imagerdata/FrameBlockPool.h"

#include "imagerdata/FrameStorage.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KESTRAVA_POOL_POISONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KESTRAVA_POOL_POISONS 1
#endif
#endif
#if defined(KESTRAVA_POOL_POISONS)
#include <sanitizer/asan_interface.h>
#endif

namespace kestrava {

namespace {

constexpr std::size_t SlotSize = TFrameStorage::SlotSize;
constexpr std::size_t BlockSize = TFrameStorage::BlockSize;
constexpr std::size_t SlotsInBlock = BlockSize / SlotSize;
constexpr std::size_t BitsPerWord = 64;
static_assert((BlockSize & (BlockSize - 1)) == 0);

// Memory the pool does not hand out is poisoned under AddressSanitizer, so
// that a stray access is reported instead of reading another frame.
void Poison([[maybe_unused]] void* Memory, [[maybe_unused]] std::size_t Size) {
#if defined(KESTRAVA_POOL_POISONS)
  ASAN_POISON_MEMORY_REGION(Memory, Size);
#endif
}

void Unpoison([[maybe_unused]] void* Memory, [[maybe_unused]] std::size_t Size) {
#if defined(KESTRAVA_POOL_POISONS)
  ASAN_UNPOISON_MEMORY_REGION(Memory, Size);
#endif
}

void* MapBlock() {
#if defined(__linux__)
  // Over-map by one block and trim, since mmap promises only page alignment.
  const std::size_t Span = 2 * BlockSize;
  void* Mapped = mmap(nullptr, Span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  // Pointer arithmetic on the mapping rather than integers turned back into
  // pointers, which would hide the block's origin from the optimiser.
  const auto Start = reinterpret_cast<std::uintptr_t>(Mapped);
  const std::size_t Lead = ((Start + BlockSize - 1) & ~(BlockSize - 1)) - Start;
  if (Lead > 0) {
    munmap(Mapped, Lead);
  }
  std::byte* Block = static_cast<std::byte*>(Mapped) + Lead;
  if (Span - Lead > BlockSize) {
    munmap(Block + BlockSize, Span - Lead - BlockSize);
  }
  // Advice only: without transparent huge pages the block still works.
  madvise(Block, BlockSize, MADV_HUGEPAGE);
  return Block;
#else
  void* Block = std::aligned_alloc(BlockSize, BlockSize);
  if (Block == nullptr) {
    throw std::bad_alloc();
  }
  return Block;
#endif
}

void UnmapBlock(void* Block) {
  // The shadow of unmapped memory would stay poisoned for the next mapping
  // placed at the same address.
  Unpoison(Block, BlockSize);
#if defined(__linux__)
  munmap(Block, BlockSize);
#else
  std::free(Block);
#endif
}

[[noreturn]] void ReleaseOfSlotNotInUse(const void* Slot) {
  // Going on would link the slot into the free list twice and hand it out
  // to two owners; stop here, where the fault is.
  std::fprintf(stderr, "TFrameStorage: release of a frame slot not in use (%p)\n", Slot);
  std::abort();
}

} // namespace

// The header sits in the first slot of each block, so a slot's block is found
// by masking its address with the (power-of-two) block size.
struct TFrameBlock {
  TFrameBlock* Previous = nullptr; // blocks with room, a doubly linked list
  TFrameBlock* Next = nullptr;
  void* FreeSlots = nullptr; // slots given back, linked through their first word
  std::size_t Carved = 1;    // slots handed out at least once (slot 0 is this header)
  std::size_t Live = 0;
  std::array<std::uint64_t, (SlotsInBlock + BitsPerWord - 1) / BitsPerWord> InUse{};

  static TFrameBlock* Of(void* Slot) {
    const std::size_t Offset = reinterpret_cast<std::uintptr_t>(Slot) & (BlockSize - 1);
    return reinterpret_cast<TFrameBlock*>(static_cast<std::byte*>(Slot) - Offset);
  }
  // The slot's index, or 0 (the header's) for an address that is no slot.
  std::size_t IndexOf(const void* Slot) const {
    const std::uintptr_t Offset =
        reinterpret_cast<std::uintptr_t>(Slot) - reinterpret_cast<std::uintptr_t>(this);
    return Offset % SlotSize == 0 ? Offset / SlotSize : 0;
  }
  bool IsInUse(std::size_t Index) const {
    return (InUse[Index / BitsPerWord] >> (Index % BitsPerWord) & 1u) != 0;
  }
  void MarkInUse(std::size_t Index, bool Used) {
    const std::uint64_t Bit = std::uint64_t{1} << (Index % BitsPerWord);
    InUse[Index / BitsPerWord] =
        Used ? InUse[Index / BitsPerWord] | Bit : InUse[Index / BitsPerWord] & ~Bit;
  }
  bool IsFull() const { return FreeSlots == nullptr && Carved == SlotsInBlock; }

  void* TakeSlot() {
    ++Live;
    void* Slot = nullptr;
    if (FreeSlots != nullptr) {
      Slot = FreeSlots;
      Unpoison(Slot, SlotSize);
      FreeSlots = *static_cast<void**>(Slot);
    } else {
      // Carving in address order touches the block's pages only as they are needed.
      Slot = reinterpret_cast<std::byte*>(this) + SlotSize * Carved++;
      Unpoison(Slot, SlotSize);
    }
    MarkInUse(IndexOf(Slot), true);
    return Slot;
  }

  void GiveBack(void* Slot) {
    MarkInUse(IndexOf(Slot), false);
    *static_cast<void**>(Slot) = FreeSlots;
    FreeSlots = Slot;
    --Live;
    Poison(Slot, SlotSize);
  }
};
static_assert(sizeof(TFrameBlock) <= SlotSize);

void* TFrameBlockPool::Allocate() {
  const std::lock_guard Lock(Mutex_);
  if (WithRoom_ == nullptr) {
    Link(NewBlock());
  }
  TFrameBlock* Block = WithRoom_;
  // A spare block that is being used again is no longer the spare: the next
  // block to empty takes its place.
  if (Block == Spare_) {
    Spare_ = nullptr;
  }
  void* Slot = Block->TakeSlot();
  if (Block->IsFull()) {
    Unlink(Block);
  }
  return Slot;
}

void TFrameBlockPool::Release(void* Slot) noexcept {
  const std::lock_guard Lock(Mutex_);
  TFrameBlock* Block = TFrameBlock::Of(Slot);
  const std::size_t Index = Block->IndexOf(Slot);
  if (Index == 0 || Index >= Block->Carved || !Block->IsInUse(Index)) {
    ReleaseOfSlotNotInUse(Slot);
  }
  const bool WasFull = Block->IsFull();
  Block->GiveBack(Slot);
  if (WasFull) {
    Link(Block);
  }
  if (Block->Live == 0) {
    RetireEmpty(Block);
  }
}

std::size_t TFrameBlockPool::BytesHeld() {
  const std::lock_guard Lock(Mutex_);
  return BlocksHeld_ * BlockSize;
}

std::size_t TFrameBlockPool::SlotsPerBlock() {
  return SlotsInBlock - 1;
}

TFrameBlock* TFrameBlockPool::NewBlock() {
  void* Memory = MapBlock();
  auto* Block = ::new (Memory) TFrameBlock();
  Poison(static_cast<std::byte*>(Memory) + SlotSize, BlockSize - SlotSize);
  ++BlocksHeld_;
  return Block;
}

// One empty block is kept, so a frame made and freed over and over (a
// recording's copy of the current frame) does not map and unmap each time.
void TFrameBlockPool::RetireEmpty(TFrameBlock* Block) {
  if (Spare_ == nullptr || Spare_ == Block) {
    Spare_ = Block;
    return;
  }
  Unlink(Block);
  UnmapBlock(Block);
  --BlocksHeld_;
}

void TFrameBlockPool::Link(TFrameBlock* Block) {
  Block->Previous = nullptr;
  Block->Next = WithRoom_;
  if (WithRoom_ != nullptr) {
    WithRoom_->Previous = Block;
  }
  WithRoom_ = Block;
}

void TFrameBlockPool::Unlink(TFrameBlock* Block) {
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

} // namespace kestrava
