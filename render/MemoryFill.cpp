#include "render/MemoryFill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace kestrava {

void FillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value, bool Streaming) {
#if defined(__SSE2__)
  // Words up to a 16-byte boundary one by one, then four at a time.
  while (Count > 0 && (reinterpret_cast<std::uintptr_t>(Destination) & 15u) != 0) {
    *Destination++ = Value;
    --Count;
  }
  const __m128i Four = _mm_set1_epi32(static_cast<int>(Value));
  auto* Wide = reinterpret_cast<__m128i*>(Destination);
  const std::size_t Blocks = Count / 4;
  if (Streaming) {
    for (std::size_t I = 0; I < Blocks; ++I) {
      _mm_stream_si128(Wide + I, Four);
    }
  } else {
    for (std::size_t I = 0; I < Blocks; ++I) {
      _mm_store_si128(Wide + I, Four);
    }
  }
  Destination += Blocks * 4;
  Count -= Blocks * 4;
#else
  (void)Streaming;
#endif
  std::fill(Destination, Destination + Count, Value);
}

void FillFloats(float* Destination, std::size_t Count, float Value, bool Streaming) {
#if defined(__SSE2__)
  while (Count > 0 && (reinterpret_cast<std::uintptr_t>(Destination) & 15u) != 0) {
    *Destination++ = Value;
    --Count;
  }
  const __m128 Four = _mm_set1_ps(Value);
  const std::size_t Blocks = Count / 4;
  if (Streaming) {
    for (std::size_t I = 0; I < Blocks; ++I) {
      _mm_stream_ps(Destination + 4 * I, Four);
    }
  } else {
    for (std::size_t I = 0; I < Blocks; ++I) {
      _mm_store_ps(Destination + 4 * I, Four);
    }
  }
  Destination += Blocks * 4;
  Count -= Blocks * 4;
#else
  (void)Streaming;
#endif
  std::fill(Destination, Destination + Count, Value);
}

void FinishStreamingFills() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

} // namespace kestrava
