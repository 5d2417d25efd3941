#pragma once
// Repeatable measurement noise: every value is a pure function of the seed,
// the sample number and a stream number, so a run with the same seed and
// script gives the same samples whichever of them are asked for and in
// whatever order (paced runs skip samples the host was too slow to take).

#include <cmath>
#include <cstdint>
#include <numbers>

namespace kestrava::simulator {

inline std::uint64_t MixBits(std::uint64_t X) {
  X += 0x9E3779B97F4A7C15ull;
  X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
  X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
  return X ^ (X >> 31);
}

// Uniform in the open interval (0, 1).
inline double UniformNoise(std::uint64_t Seed, std::uint64_t Sample, std::uint64_t Stream) {
  const std::uint64_t Bits = MixBits(Seed ^ MixBits(Sample ^ MixBits(Stream)));
  return (static_cast<double>(Bits >> 11) + 0.5) * 0x1.0p-53;
}

// Standard normal (Box-Muller on two uniform draws of the stream pair).
inline double GaussianNoise(std::uint64_t Seed, std::uint64_t Sample, std::uint64_t Stream) {
  const double U1 = UniformNoise(Seed, Sample, 2 * Stream);
  const double U2 = UniformNoise(Seed, Sample, 2 * Stream + 1);
  return std::sqrt(-2 * std::log(U1)) * std::cos(2 * std::numbers::pi * U2);
}

} // namespace kestrava::simulator
