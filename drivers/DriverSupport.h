#pragma once
// Small pieces both bundled drivers share: their result codes, the
// reference count of a component and the hand-over of texts and paths
// across the interface.

#include "foundation/QelObject.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

namespace kestrava {

inline constexpr HRESULT DRIVER_E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DRIVER_E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
// Asked for a sample or a reading before the driver was initialised.
inline constexpr HRESULT DRIVER_E_NOT_READY = static_cast<HRESULT>(0x80070015u);
// No sample (or reading) within the time limit.
inline constexpr HRESULT DRIVER_E_TIMEOUT = static_cast<HRESULT>(0x800705B4u);
// The channel has nothing wired to it, or its sensor is out of the field.
inline constexpr HRESULT DRIVER_E_NOT_MEASURED = static_cast<HRESULT>(0x80040001u);

// A component's reference count. It starts at one: the reference of whoever
// made the component.
class TDriverReferenceCount {
public:
  std::uint32_t Add() { return ++Count_; }
  // The count left; the component destroys itself when it reaches 0.
  std::uint32_t Drop() { return --Count_; }

private:
  std::atomic<std::uint32_t> Count_{1};
};

// QueryInterface's answer: Interface with one reference added for the caller.
template <class T> HRESULT HandOut(T* Interface, void** Object) {
  *Object = Interface;
  Interface->AddRef();
  return S_OK;
}

// The settings path handed to Initialise, or an empty path for null.
inline std::filesystem::path PathOfWideText(const char16_t* Text) {
  if (Text == nullptr) {
    return {};
  }
  return std::filesystem::path(std::u16string(Text));
}

// Copies Text into a caller's buffer of Capacity bytes, cut to fit and
// always terminated.
inline HRESULT CopyTextOut(const std::string& Text, char* Buffer, std::uint32_t Capacity) {
  if (Buffer == nullptr || Capacity == 0) {
    return DRIVER_E_INVALIDARG;
  }
  const std::size_t Length = std::min<std::size_t>(Text.size(), Capacity - 1);
  std::memcpy(Buffer, Text.data(), Length);
  Buffer[Length] = '\0';
  return S_OK;
}

} // namespace kestrava
