#pragma once
// The component the working fake plugin makes: a remote control only, whose
// buttons answer a mask no real remote has, so that the loader test can tell
// it reached this very object. It frees itself on its last Release.

#include "acquisition/ImagerDriver.h"

namespace kestrava::testing {

inline constexpr std::uint32_t FakeComponentButtons = 0xC0FFEE;

class TFakeComponent final : public IImagerRemoteControl {
public:
  HRESULT QueryInterface(const TGuid& Iid, void** Object) override {
    const bool Known = Iid == IID_IUnknown || Iid == IID_IImagerRemoteControl;
    *Object = Known ? this : nullptr;
    return Known ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return ++References_; }
  std::uint32_t Release() override {
    const std::uint32_t Left = --References_;
    if (Left == 0) {
      delete this;
    }
    return Left;
  }
  HRESULT Reserved3() override { return 0; }
  HRESULT SetIndicators(std::uint32_t) override { return 0; }
  HRESULT GetButtons(std::uint32_t* Mask) override {
    *Mask = FakeComponentButtons;
    return 0;
  }

protected:
  ~TFakeComponent() = default; // only the last Release deletes it

private:
  std::uint32_t References_ = 1; // the one CreateDriver hands over
};

} // namespace kestrava::testing
