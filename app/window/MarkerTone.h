#pragma once
// The marker tones through the computer's audio output: a sine of the asked
// frequency for the asked time, played in the background so that it never
// holds up the acquisition. Without an audio output (or a build without Qt
// Multimedia) nothing sounds.
//
// Thread: user-interface thread.

#include <cstdint>
#include <memory>

namespace kestrava {

class TMarkerTone {
public:
  TMarkerTone();
  ~TMarkerTone();
  TMarkerTone(const TMarkerTone&) = delete;
  TMarkerTone& operator=(const TMarkerTone&) = delete;

  // Starts the tone and returns at once; a tone still sounding is replaced.
  // Non-positive frequencies or durations sound nothing.
  void Play(std::int32_t FrequencyHz, std::int32_t Milliseconds);

  // Whether there is an output to play on.
  bool Available() const;

private:
  struct TOutput;
  std::unique_ptr<TOutput> Output_;
};

} // namespace kestrava
