#pragma once
// Filling 32-bit words fast: clears of colour and depth buffers are a large
// part of every frame, and the compiler leaves a plain fill loop scalar.
//
// Large fills bypass the caches (streaming stores) so that memory is written
// once instead of being read first; FinishStreamingFills must run before
// another thread reads what was filled.

#include <cstddef>
#include <cstdint>

namespace kestrava {

// Count words from Destination on become Value. Streaming is only a hint.
void FillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value, bool Streaming);

void FillFloats(float* Destination, std::size_t Count, float Value, bool Streaming);

// Orders streaming stores before later stores of this thread (a fence).
void FinishStreamingFills();

} // namespace kestrava
