#pragma once
// The two passes the device makes over every index list it records: finding
// the largest index, to refuse a list that reaches past its vertices, and
// widening the list to the queue's 32-bit indices. They run on the
// caller's thread while the render threads wait, over some 50 000 indices a
// view, so they go eight at a time.

#include <cstdint>
#include <span>

namespace kestrava {

// The largest of Indices; 0 for an empty list.
std::uint16_t LargestIndex(std::span<const std::uint16_t> Indices);

// To[i] = Base + Indices[i]; To holds Indices.size() entries. Base +
// LargestIndex(Indices) must not exceed 2^32 - 1.
void WidenIndices(std::span<const std::uint16_t> Indices, std::uint32_t Base, std::uint32_t* To);

} // namespace kestrava
