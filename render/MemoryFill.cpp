#include "render/MemoryFill.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace kestrava {

namespace {

bool Aligned16(const void* Pointer) {
  return (reinterpret_cast<std::uintptr_t>(Pointer) & 15u) == 0;
}

} // namespace

namespace {

// Words up to a 16-byte boundary one by one, then four at a time, stored
// through the cache or, Streaming, around it.
template <bool Streaming>
void FillWordsBy(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value) {
#if defined(__SSE2__)
  while (Count > 0 && !Aligned16(Destination)) {
    *Destination++ = Value;
    --Count;
  }
  const __m128i Four = _mm_set1_epi32(static_cast<int>(Value));
  auto* Wide = reinterpret_cast<__m128i*>(Destination);
  const std::size_t Blocks = Count / 4;
  for (std::size_t I = 0; I < Blocks; ++I) {
    if constexpr (Streaming) {
      _mm_stream_si128(Wide + I, Four);
    } else {
      _mm_store_si128(Wide + I, Four);
    }
  }
  Destination += Blocks * 4;
  Count -= Blocks * 4;
#endif
  std::fill(Destination, Destination + Count, Value);
}

template <bool Streaming> void FillFloatsBy(float* Destination, std::size_t Count, float Value) {
#if defined(__SSE2__)
  while (Count > 0 && !Aligned16(Destination)) {
    *Destination++ = Value;
    --Count;
  }
  const __m128 Four = _mm_set1_ps(Value);
  const std::size_t Blocks = Count / 4;
  for (std::size_t I = 0; I < Blocks; ++I) {
    if constexpr (Streaming) {
      _mm_stream_ps(Destination + 4 * I, Four);
    } else {
      _mm_store_ps(Destination + 4 * I, Four);
    }
  }
  Destination += Blocks * 4;
  Count -= Blocks * 4;
#endif
  std::fill(Destination, Destination + Count, Value);
}

} // namespace

void FillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value) {
  FillWordsBy<false>(Destination, Count, Value);
}

void FillFloats(float* Destination, std::size_t Count, float Value) {
  FillFloatsBy<false>(Destination, Count, Value);
}

void StreamFillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value) {
  FillWordsBy<true>(Destination, Count, Value);
}

void StreamFillFloats(float* Destination, std::size_t Count, float Value) {
  FillFloatsBy<true>(Destination, Count, Value);
}

void StreamWords(std::uint32_t* Destination, const std::uint32_t* Source, std::size_t Count) {
#if defined(__SSE2__)
  while (Count > 0 && !Aligned16(Destination)) {
    *Destination++ = *Source++;
    --Count;
  }
  auto* Wide = reinterpret_cast<__m128i*>(Destination);
  const auto* From = reinterpret_cast<const __m128i*>(Source);
  const std::size_t Blocks = Count / 4;
  for (std::size_t I = 0; I < Blocks; ++I) {
    _mm_stream_si128(Wide + I, _mm_loadu_si128(From + I));
  }
  Destination += Blocks * 4;
  Source += Blocks * 4;
  Count -= Blocks * 4;
#endif
  std::copy(Source, Source + Count, Destination);
}

void StreamFloats(float* Destination, const float* Source, std::size_t Count) {
#if defined(__SSE2__)
  while (Count > 0 && !Aligned16(Destination)) {
    *Destination++ = *Source++;
    --Count;
  }
  const std::size_t Blocks = Count / 4;
  for (std::size_t I = 0; I < Blocks; ++I) {
    _mm_stream_ps(Destination + 4 * I, _mm_loadu_ps(Source + 4 * I));
  }
  Destination += Blocks * 4;
  Source += Blocks * 4;
  Count -= Blocks * 4;
#endif
  std::copy(Source, Source + Count, Destination);
}

void CopyRun(std::uint32_t* Destination, const std::uint32_t* Source, std::size_t Count,
             TStores Stores) {
  if (Stores == TStores::AroundCache) {
    StreamWords(Destination, Source, Count);
  } else {
    std::copy(Source, Source + Count, Destination);
  }
}

void CopyRun(float* Destination, const float* Source, std::size_t Count, TStores Stores) {
  if (Stores == TStores::AroundCache) {
    StreamFloats(Destination, Source, Count);
  } else {
    std::copy(Source, Source + Count, Destination);
  }
}

void FillRun(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value, TStores Stores) {
  if (Stores == TStores::AroundCache) {
    StreamFillWords(Destination, Count, Value);
  } else {
    FillWords(Destination, Count, Value);
  }
}

void FillRun(float* Destination, std::size_t Count, float Value, TStores Stores) {
  if (Stores == TStores::AroundCache) {
    StreamFillFloats(Destination, Count, Value);
  } else {
    FillFloats(Destination, Count, Value);
  }
}

void FinishStreamingStores() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

} // namespace kestrava
