#pragma once
// The pool behind TFrameStorage: slots of TFrameStorage::SlotSize bytes
// carved out of blocks of TFrameStorage::BlockSize bytes mapped from the
// system (see FrameStorage.h for why). A block goes back to the system as
// soon as its last slot is released, except one empty spare block kept to
// absorb a single slot being taken and released repeatedly.
//
// Each block knows which of its slots are in use, so a release of a slot that
// is not (released twice, or never handed out) stops the program before the
// pool's lists are corrupted. Under AddressSanitizer every slot not in use is
// poisoned, so a frame used after its release is reported where it happens.
//
// The program uses one pool, constant-initialised and never destroyed; tests
// make their own to start from a known state (their blocks are never unmapped).
// Thread: any; Allocate and Release are serialised by a lock.

#include <cstddef>
#include <mutex>

namespace kestrava {

struct TFrameBlock;

class TFrameBlockPool {
public:
  constexpr TFrameBlockPool() = default;
  TFrameBlockPool(const TFrameBlockPool&) = delete;
  TFrameBlockPool& operator=(const TFrameBlockPool&) = delete;

  // One slot; bad_alloc when the system refuses a block.
  void* Allocate();
  // A slot from this pool's Allocate that is in use; anything else aborts.
  void Release(void* Slot) noexcept;
  std::size_t BytesHeld();

  // Slots per block available to callers (the first holds the block's header).
  static std::size_t SlotsPerBlock();

private:
  TFrameBlock* NewBlock();
  void RetireEmpty(TFrameBlock* Block);
  void Link(TFrameBlock* Block);
  void Unlink(TFrameBlock* Block);

  std::mutex Mutex_;
  TFrameBlock* WithRoom_ = nullptr;
  TFrameBlock* Spare_ = nullptr;
  std::size_t BlocksHeld_ = 0;
};

} // namespace kestrava
