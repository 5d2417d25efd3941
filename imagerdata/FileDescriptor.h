#pragma once
// An owned POSIX file descriptor, closed when it goes out of scope.

#include <unistd.h>

namespace kestrava {

class TFileDescriptor {
public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int Descriptor) : Descriptor_(Descriptor) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  TFileDescriptor(TFileDescriptor&& Other) noexcept : Descriptor_(Other.Descriptor_) {
    Other.Descriptor_ = -1;
  }
  TFileDescriptor& operator=(TFileDescriptor&& Other) noexcept {
    if (this != &Other) {
      Reset();
      Descriptor_ = Other.Descriptor_;
      Other.Descriptor_ = -1;
    }
    return *this;
  }
  ~TFileDescriptor() { Reset(); }

  int Get() const { return Descriptor_; }
  bool Valid() const { return Descriptor_ >= 0; }
  // Closes now so that a failing close (a late write error) can be seen.
  bool Close() {
    const int Descriptor = Descriptor_;
    Descriptor_ = -1;
    return ::close(Descriptor) == 0;
  }

private:
  void Reset() {
    if (Descriptor_ >= 0) {
      ::close(Descriptor_);
      Descriptor_ = -1;
    }
  }

  int Descriptor_ = -1;
};

} // namespace kestrava
