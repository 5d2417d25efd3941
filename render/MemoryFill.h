#pragma once
// Filling and copying 32-bit words fast: clears of colour and depth buffers
// and the copies of finished rows are a large part of every frame, and the
// compiler leaves a plain fill loop scalar.
//
// StreamWords writes around the caches (streaming stores), so that memory
// nobody reads soon is written once instead of being read first and
// evicting what is still being drawn; FinishStreamingStores must run before
// another thread reads what was streamed.

#include <cstddef>
#include <cstdint>

namespace kestrava {

// Count words from Destination on become Value.
void FillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value);
void FillFloats(float* Destination, std::size_t Count, float Value);

// Copies Count words (the ranges must not overlap) with streaming stores.
void StreamWords(std::uint32_t* Destination, const std::uint32_t* Source, std::size_t Count);
void StreamFloats(float* Destination, const float* Source, std::size_t Count);

// Count words from Destination on become Value, written with streaming stores.
void StreamFillWords(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value);
void StreamFillFloats(float* Destination, std::size_t Count, float Value);

// Where a run of stores goes: through the cache, for memory that is read
// again soon and stays there, or around it, with the Stream functions.
enum class TStores { ThroughCache, AroundCache };

// The copies and fills above, through or around the cache as Stores says.
void CopyRun(std::uint32_t* Destination, const std::uint32_t* Source, std::size_t Count,
             TStores Stores);
void CopyRun(float* Destination, const float* Source, std::size_t Count, TStores Stores);
void FillRun(std::uint32_t* Destination, std::size_t Count, std::uint32_t Value, TStores Stores);
void FillRun(float* Destination, std::size_t Count, float Value, TStores Stores);

// Orders streaming stores before later stores of this thread (a fence).
void FinishStreamingStores();

} // namespace kestrava
