#include "imagerdata/FrameStorage.h"

#include "imagerdata/FrameBlockPool.h"

#include <new>

namespace kestrava {

namespace {

// Constant-initialised, so it exists before the first frame is made, and
// without a destructor of its own, so frames freed while the program exits
// still find it.
constinit TFrameBlockPool ThePool;

} // namespace

void* TFrameStorage::Allocate(std::size_t Size) {
  if (Size > SlotSize) {
    return ::operator new(Size);
  }
  return ThePool.Allocate();
}

void TFrameStorage::Release(void* Memory, std::size_t Size) noexcept {
  if (Memory == nullptr) {
    return;
  }
  if (Size > SlotSize) {
    ::operator delete(Memory);
    return;
  }
  ThePool.Release(Memory);
}

std::size_t TFrameStorage::BlockBytesHeld() {
  return ThePool.BytesHeld();
}

} // namespace kestrava
