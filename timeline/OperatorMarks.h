#pragma once
// What the operator says about a procedure, over what the timeline finds:
// that the caecum was reached at a frame (or was not reached at all), and
// the lesions tagged, numbered 1, 2, 3... Kept beside the recording (see
// TimelineSideFile.h). Frames are numbered from 1. A plain value.

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrava {

struct TCaecumMark {
  bool Reached = true;
  std::int32_t Frame = 0; // the frame it was reached at; unused when not reached
  friend bool operator==(const TCaecumMark&, const TCaecumMark&) = default;
};

struct TLesionMark {
  std::int32_t Number = 0;
  std::int32_t Frame = 0;
  friend bool operator==(const TLesionMark&, const TLesionMark&) = default;
};

struct TOperatorMarks {
  std::optional<TCaecumMark> Caecum; // none: the timeline's own finding stands
  std::vector<TLesionMark> Lesions;  // in the order they were tagged

  // Tags Frame as the next lesion and returns its number (one more than
  // the highest so far).
  std::int32_t TagLesion(std::int32_t Frame);
  friend bool operator==(const TOperatorMarks&, const TOperatorMarks&) = default;
};

} // namespace kestrava
