#pragma once
// What the replay driver plays: the frames of an imager file as live
// samples, and the settings that name the file.
//
// Settings ("Replay.dat", in the directory of the DSP.DAT path the driver is
// given): one setting per line, '#' starting a comment:
//   file PATH              the imager file (format 1, 2 or 3); a relative
//                          path is taken from the settings file's directory
//   sample_rate HZ         samples per second, 2 to 1000 [25]
//   pacing realtime|none   [realtime]
//   loop yes|no            [no] start again from the first frame at the end
//
// Playing: at procedure time T the sample shows the last frame whose time is
// at most T (the first frame before that). In the first second the remote's
// marker buttons are pressed, one after the other, for every marker of the
// first frame holding the most markers, with the remote lying on it, so
// that a re-recording gets the same body markers. After the last frame the
// last frame is held, or with loop the frames play again from the first, one
// frame interval (the file's mean) after the last.
//
// Thread: immutable after construction.

#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace kestrava::replay {

inline constexpr std::size_t MaxReplaySettingsBytes = std::size_t{16} * 1024;
// Each marker button is held this long, the next pressed this long after.
inline constexpr double MarkerPressSeconds = 0.1;
inline constexpr double MarkerPressInterval = 0.15;

struct TReplaySettings {
  std::filesystem::path File;
  double SampleRate = 25;
  bool RealTime = true;
  bool Loop = false;
};

// Reads the settings file at Path. False with Error naming the file and line.
bool LoadReplaySettings(const std::filesystem::path& Path, TReplaySettings& Settings,
                        std::string& Error);

// One sensor as the hardware reports it: Direction is the way the sensor
// points (towards the endoscope's tip for the endoscope's sensors).
struct TReplayReading {
  bool Measured = false;
  TVector3 Position;
  TVector3 Direction;
};

class TReplaySource {
public:
  // Loads the imager file; raises what TImagerProcedure::LoadFromFile
  // raises, and Exception("The imager file has no frames") for an empty one.
  explicit TReplaySource(const std::filesystem::path& File, bool Loop = false);

  std::int32_t FrameCount() const { return Procedure_.FrameCount(); }
  bool HasPain() const { return Procedure_.HasPainData; }

  // The frame shown at procedure time T (seconds).
  const TImagerFrame& FrameAt(double T) const;
  // The marker button held at T (bit 0..5), or 0.
  std::uint32_t ButtonsAt(double T) const;

  // The endoscope sensor DistanceFromTip metres from slot 0 along the
  // frame's segment lengths: a slot's own position and direction when it
  // lies on one, else between its two neighbours; not measured when a slot
  // it needs is not valid or it lies beyond the last slot.
  static TReplayReading EndoscopeSensor(const TImagerFrame& Frame, double DistanceFromTip);
  // The remote's sensor: on the marker being placed at T, else the frame's hand.
  TReplayReading Remote(double T) const;
  static TReplayReading Overtube(const TImagerFrame& Frame);

private:
  TImagerProcedure Procedure_;
  // The frame whose markers are placed at the start, or -1 for none.
  std::int32_t MarkedFrame_ = -1;
  // Seconds after which a looping replay starts again; 0 when it does not.
  double LoopPeriod_ = 0;
};

} // namespace kestrava::replay
