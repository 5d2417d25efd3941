#pragma once
// The few services that only the operating system can give: held-key state,
// the marker tone and long path names. The user-interface layer supplies the
// real implementation; everything below it takes an IPlatformServices& so
// that it can run (and be tested) without one.
//
// Thread: user-interface thread.

#include <cstdint>
#include <string>

namespace kestrava {

class IPlatformServices {
public:
  virtual ~IPlatformServices() = default;

  // True while the virtual key (platform key code) is held down right now,
  // read asynchronously rather than from the message queue.
  virtual bool IsKeyDown(std::int32_t VirtualKey) const = 0;
  virtual bool IsShiftDown() const = 0;
  // Sounds FrequencyHz for Milliseconds and returns afterwards; does nothing
  // for a non-positive frequency or duration, or where no speaker is reachable.
  virtual void Tone(std::int32_t FrequencyHz, std::int32_t Milliseconds) = 0;
  // The long form of a possibly shortened path (at most 260 characters);
  // Path itself when it has none.
  virtual std::string LongPathName(const std::string& Path) const = 0;
};

// No keys held, silent, paths unchanged.
class TNullPlatformServices final : public IPlatformServices {
public:
  bool IsKeyDown(std::int32_t VirtualKey) const override;
  bool IsShiftDown() const override;
  void Tone(std::int32_t FrequencyHz, std::int32_t Milliseconds) override;
  std::string LongPathName(const std::string& Path) const override;
};

} // namespace kestrava
