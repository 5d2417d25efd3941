#include "render/IndexLists.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kestrava {

std::uint16_t LargestIndex(std::span<const std::uint16_t> Indices) {
  std::uint16_t Largest = 0;
  std::size_t I = 0;
#if defined(__SSE2__)
  // SSE2 compares 16-bit lanes only as signed numbers; flipping the top bit
  // maps the unsigned order onto the signed one.
  const __m128i Flip = _mm_set1_epi16(static_cast<short>(0x8000));
  __m128i Most = _mm_set1_epi16(static_cast<short>(0x8000)); // 0 flipped
  for (; I + 8 <= Indices.size(); I += 8) {
    const __m128i Eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Indices.data() + I));
    Most = _mm_max_epi16(Most, _mm_xor_si128(Eight, Flip));
  }
  Most = _mm_max_epi16(Most, _mm_shuffle_epi32(Most, _MM_SHUFFLE(1, 0, 3, 2)));
  Most = _mm_max_epi16(Most, _mm_shuffle_epi32(Most, _MM_SHUFFLE(2, 3, 0, 1)));
  Most = _mm_max_epi16(Most, _mm_shufflelo_epi16(Most, _MM_SHUFFLE(2, 3, 0, 1)));
  Largest = static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_xor_si128(Most, Flip)));
#endif
  for (; I < Indices.size(); ++I) {
    Largest = std::max(Largest, Indices[I]);
  }
  return Largest;
}

void WidenIndices(std::span<const std::uint16_t> Indices, std::uint32_t Base, std::uint32_t* To) {
  std::size_t I = 0;
#if defined(__SSE2__)
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Offset = _mm_set1_epi32(static_cast<int>(Base));
  for (; I + 8 <= Indices.size(); I += 8) {
    const __m128i Eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Indices.data() + I));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(To + I),
                     _mm_add_epi32(_mm_unpacklo_epi16(Eight, Zero), Offset));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(To + I + 4),
                     _mm_add_epi32(_mm_unpackhi_epi16(Eight, Zero), Offset));
  }
#endif
  for (; I < Indices.size(); ++I) {
    To[I] = Base + Indices[I];
  }
}

} // namespace kestrava
