#pragma once
// Reference-counted interfaces shared with components outside the program
// (the hardware driver) and an owning holder for them.
//
// Thread: whichever thread uses the component; the holder itself is not
// synchronised.

#include "foundation/QelObject.h"

#include <cstdint>
#include <utility>

namespace kestrava {

// The root of every reference-counted interface, slots 0-2. A component hands
// out pointers with one reference added; the receiver releases it.
class IUnknown {
public:
  virtual HRESULT QueryInterface(const TGuid& Iid, void** Object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

protected:
  // Components are destroyed by their last Release, never through the interface.
  ~IUnknown() = default;
};

inline bool Succeeded(HRESULT Result) {
  return Result >= 0;
}
inline bool Failed(HRESULT Result) {
  return Result < 0;
}

// Holds one reference to an interface and releases it when it goes.
template <class T> class TComPtr {
public:
  TComPtr() = default;
  TComPtr(std::nullptr_t) {}
  // Takes over a reference the caller already owns (as QueryInterface gives).
  static TComPtr Adopt(T* Pointer) {
    TComPtr Result;
    Result.Pointer_ = Pointer;
    return Result;
  }
  // Adds a reference of its own.
  static TComPtr Share(T* Pointer) {
    if (Pointer != nullptr) {
      Pointer->AddRef();
    }
    return Adopt(Pointer);
  }
  TComPtr(const TComPtr& Other) : Pointer_(Other.Pointer_) {
    if (Pointer_ != nullptr) {
      Pointer_->AddRef();
    }
  }
  TComPtr(TComPtr&& Other) noexcept : Pointer_(std::exchange(Other.Pointer_, nullptr)) {}
  TComPtr& operator=(TComPtr Other) noexcept {
    std::swap(Pointer_, Other.Pointer_);
    return *this;
  }
  ~TComPtr() { Reset(); }

  void Reset() {
    if (T* Old = std::exchange(Pointer_, nullptr)) {
      Old->Release();
    }
  }
  T* Get() const { return Pointer_; }
  T* operator->() const { return Pointer_; }
  explicit operator bool() const { return Pointer_ != nullptr; }

  // Asks the held component for another of its interfaces; empty when it
  // lacks it (or when nothing is held).
  template <class U> TComPtr<U> Query(const TGuid& Iid) const {
    if (Pointer_ == nullptr) {
      return {};
    }
    void* Found = nullptr;
    if (Failed(Pointer_->QueryInterface(Iid, &Found)) || Found == nullptr) {
      return {};
    }
    return TComPtr<U>::Adopt(static_cast<U*>(Found));
  }

private:
  T* Pointer_ = nullptr;
};

} // namespace kestrava
