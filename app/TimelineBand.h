#pragma once
// What the time line shows of the procedure timeline: a thin band of the
// phases along its foot and a tick at every lesion tag, which a click
// near it goes to. Colours are 0x00BBGGRR.
//
// Thread: user-interface thread.

#include "timeline/TimelineResult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kestrava {

inline constexpr std::int32_t PhaseBandHeight = 3;          // pixels
inline constexpr std::uint32_t LesionTickColour = 0xFF40FF; // magenta
// A click this close to a tag's tick goes to the tag's frame.
inline constexpr std::int32_t LesionClickTolerance = 4; // pixels

// Outside dark grey, insertion blue, caecum green, withdrawal amber.
std::uint32_t PhaseColour(TProcedurePhase Phase);

// The frame index (from 0) of the tag whose tick lies nearest X within
// Tolerance pixels; XOfIndex gives a frame index's x on the time line.
std::optional<std::int32_t>
LesionIndexNear(const std::vector<TLesionTag>& Tags, std::int32_t X,
                const std::function<std::int32_t(std::int32_t)>& XOfIndex,
                std::int32_t Tolerance = LesionClickTolerance);

} // namespace kestrava
