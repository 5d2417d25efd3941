#pragma once
// The simulated hardware's settings, read from its "DSP.DAT" (the file the
// program hands to Initialise). The layout is the simulator's own and is
// described in README.md next to this file and in the bundled file itself:
// one setting per line, a keyword and its values separated by blanks, '#'
// starting a comment. Times are seconds of procedure time from the first
// sample, lengths metres.
//
// Reading is bounded (a file larger than MaxSettingsFileBytes or with more
// than MaxScriptedEvents events is refused) and never raises: the readers
// return false with a one-line reason that names the line.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava::simulator {

inline constexpr std::size_t MaxSettingsFileBytes = std::size_t{64} * 1024;
inline constexpr std::size_t MaxScriptedEvents = 256;
// Bits 0-5 are the six action buttons, bits 6-9 the four mode buttons.
inline constexpr std::uint32_t AllRemoteButtons = 0x3FF;

// Remote buttons held down from At for Duration seconds.
struct TButtonPress {
  double At = 0;
  double Duration = 0;
  std::uint32_t Mask = 0;
};

// The generator coils unplugged from From until (not including) Until.
struct TTimeInterval {
  double From = 0;
  double Until = 0;
};

// The loops a script can make the endoscope form. Those of the sigmoid
// (alpha, reverse alpha, N) form once the tip is in the descending colon,
// those of the transverse colon (gamma, reverse gamma, deep transverse) once
// it has passed the hepatic flexure.
enum class TLoopKind { Alpha, ReverseAlpha, N, Gamma, ReverseGamma, DeepTransverse };

// The kind's text in scripts and in the ground truth: "alpha",
// "reverse-alpha", "n", "gamma", "reverse-gamma", "deep-transverse".
const char* LoopKindText(TLoopKind Kind);

// One scripted loop: with the tip held where the loop forms, the loop grows
// over Form seconds, stays Hold seconds and is reduced over Release seconds;
// insertion then goes on.
struct TScriptedLoop {
  TLoopKind Kind = TLoopKind::Alpha;
  double Form = 0;
  double Hold = 0;
  double Release = 0;
};

// A time that is never reached: the fault it stands for is not scripted.
inline constexpr double Never = 1e300;

// Where the tip waits before insertion and comes to rest after withdrawal
// unless the script says otherwise: just inside the anus (colon metres).
inline constexpr double DefaultStartDepth = 0.05;

// An inspection during withdrawal: when the tip is back at Depth (colon
// metres from the anus) it is pushed Distance further in again, held there
// Hold seconds, and withdrawal goes on. Distance 0 is a pause.
struct TReadvance {
  double Depth = 0;
  double Distance = 0;
  double Hold = 0;
};

struct TSimulatorSettings {
  std::uint64_t Seed = 1;
  double SampleRate = 25;         // samples per second, 2 to 1000
  bool RealTime = true;           // each sample waits for its time on the wall clock
  double InsertionStart = 0;      // seconds the tip waits just inside the anus
  double InsertionSpeed = 0.01;   // metres per second the tip advances along the colon
  double LoopAmplitude = 0.15;    // metres the sigmoid is pushed out at the loop's largest
  double StraightenDuration = 12; // seconds the loop takes to be straightened
  double CaecumHold = 10;         // seconds at the caecum before withdrawal starts
  // Colon metres from the anus (negative: outside it) where the tip waits
  // before insertion, and where withdrawal leaves it.
  double StartDepth = DefaultStartDepth;
  double EndDepth = DefaultStartDepth;
  // The tip turns back here (colon metres) instead of at the caecum; Never:
  // it reaches the caecum.
  double TurnBackDepth = Never;
  double PositionNoise = 0.0005; // standard deviation, metres per component
  double DirectionNoise = 0.002; // standard deviation, radians per angle
  double PainBaseline = 5;       // mmHg with the colon at rest
  double PainLoop = 55;          // mmHg added at the loop's largest
  double PainNoise = 1;          // standard deviation, mmHg

  // Scripted faults and events.
  double SampleTimeoutAt = Never; // from this time on no sample arrives
  double PainTimeoutAt = Never;   // from this time on the pain sensor does not answer
  double ClockStopsAt = Never;    // from this time on the reported sample time stands still
  std::vector<TTimeInterval> CoilsDisconnected;
  bool FailInitialise = false;         // the position locator's Initialise fails
  std::int32_t FailPainInitialise = 0; // the pain sensor's Initialise fails this many times
  std::vector<TButtonPress> Presses;
  std::vector<TScriptedLoop> Loops; // in the order they form
  std::vector<TReadvance> Readvances;

  // The buttons held at time T (seconds).
  std::uint32_t ButtonsAt(double T) const;
  bool CoilsDisconnectedAt(double T) const;
};

// Reads settings from Text over the defaults. False with Error ("line N: ...")
// at the first line that cannot be used; Settings is then unchanged.
bool ParseSimulatorSettings(std::string_view Text, TSimulatorSettings& Settings,
                            std::string& Error);

// Reads the file at Path. False with Error naming the file when it is
// missing, unreadable, too large or not valid settings.
bool LoadSimulatorSettings(const std::filesystem::path& Path, TSimulatorSettings& Settings,
                           std::string& Error);

} // namespace kestrava::simulator
