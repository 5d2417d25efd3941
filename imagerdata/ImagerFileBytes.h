#pragma once
// Little-endian loads and stores at byte offsets of a packed record.
//
// Imager files are decoded field by field from their byte tables, never by
// copying structures, so the result is the same on any host whatever its
// byte order or padding. Callers guarantee that offset + field size lies
// inside the buffer: records are always bounds-checked as a whole first.

#include "geometry/Vectors.h"

#include <bit>
#include <cstdint>

namespace kestrava {

inline std::uint8_t LoadU8(const std::uint8_t* Data, std::size_t Offset) {
  return Data[Offset];
}

inline std::uint16_t LoadU16(const std::uint8_t* Data, std::size_t Offset) {
  const std::uint8_t* P = Data + Offset;
  return static_cast<std::uint16_t>(P[0] | (P[1] << 8));
}

inline std::uint32_t LoadU32(const std::uint8_t* Data, std::size_t Offset) {
  const std::uint8_t* P = Data + Offset;
  return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
         (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}

inline std::uint64_t LoadU64(const std::uint8_t* Data, std::size_t Offset) {
  return static_cast<std::uint64_t>(LoadU32(Data, Offset)) |
         (static_cast<std::uint64_t>(LoadU32(Data, Offset + 4)) << 32);
}

inline std::int32_t LoadI32(const std::uint8_t* Data, std::size_t Offset) {
  return static_cast<std::int32_t>(LoadU32(Data, Offset));
}

inline float LoadF32(const std::uint8_t* Data, std::size_t Offset) {
  return std::bit_cast<float>(LoadU32(Data, Offset));
}

inline double LoadF64(const std::uint8_t* Data, std::size_t Offset) {
  return std::bit_cast<double>(LoadU64(Data, Offset));
}

// Any non-zero byte is true: older writers used 1, ours uses 0xFF.
inline bool LoadFlag(const std::uint8_t* Data, std::size_t Offset) {
  return Data[Offset] != 0;
}

// Three consecutive singles (x, y, z), widened to doubles.
inline TVector3 LoadVectorF32(const std::uint8_t* Data, std::size_t Offset) {
  return {LoadF32(Data, Offset), LoadF32(Data, Offset + 4), LoadF32(Data, Offset + 8)};
}

// Three consecutive doubles (x, y, z).
inline TVector3 LoadVectorF64(const std::uint8_t* Data, std::size_t Offset) {
  return {LoadF64(Data, Offset), LoadF64(Data, Offset + 8), LoadF64(Data, Offset + 16)};
}

inline void StoreU8(std::uint8_t* Data, std::size_t Offset, std::uint8_t Value) {
  Data[Offset] = Value;
}

inline void StoreU16(std::uint8_t* Data, std::size_t Offset, std::uint16_t Value) {
  Data[Offset] = static_cast<std::uint8_t>(Value);
  Data[Offset + 1] = static_cast<std::uint8_t>(Value >> 8);
}

inline void StoreU32(std::uint8_t* Data, std::size_t Offset, std::uint32_t Value) {
  for (std::size_t I = 0; I < 4; ++I) {
    Data[Offset + I] = static_cast<std::uint8_t>(Value >> (8 * I));
  }
}

inline void StoreU64(std::uint8_t* Data, std::size_t Offset, std::uint64_t Value) {
  StoreU32(Data, Offset, static_cast<std::uint32_t>(Value));
  StoreU32(Data, Offset + 4, static_cast<std::uint32_t>(Value >> 32));
}

inline void StoreI32(std::uint8_t* Data, std::size_t Offset, std::int32_t Value) {
  StoreU32(Data, Offset, static_cast<std::uint32_t>(Value));
}

inline void StoreF32(std::uint8_t* Data, std::size_t Offset, float Value) {
  StoreU32(Data, Offset, std::bit_cast<std::uint32_t>(Value));
}

inline void StoreF64(std::uint8_t* Data, std::size_t Offset, double Value) {
  StoreU64(Data, Offset, std::bit_cast<std::uint64_t>(Value));
}

// True is written as 0xFF, the value the recording workstation always used.
inline void StoreFlag(std::uint8_t* Data, std::size_t Offset, bool Value) {
  Data[Offset] = Value ? 0xFF : 0x00;
}

// Narrowed to three singles.
inline void StoreVectorF32(std::uint8_t* Data, std::size_t Offset, const TVector3& Value) {
  StoreF32(Data, Offset, static_cast<float>(Value.X));
  StoreF32(Data, Offset + 4, static_cast<float>(Value.Y));
  StoreF32(Data, Offset + 8, static_cast<float>(Value.Z));
}

inline void StoreVectorSingle(std::uint8_t* Data, std::size_t Offset, const TVector3Single& Value) {
  StoreF32(Data, Offset, Value.X);
  StoreF32(Data, Offset + 4, Value.Y);
  StoreF32(Data, Offset + 8, Value.Z);
}

inline TVector3Single LoadVectorSingle(const std::uint8_t* Data, std::size_t Offset) {
  return {LoadF32(Data, Offset), LoadF32(Data, Offset + 4), LoadF32(Data, Offset + 8)};
}

} // namespace kestrava
