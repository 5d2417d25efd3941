#pragma once
// The "Driver ID" (class identifier) of the OpenIGTLink receiver, apart from
// the driver itself so that whoever registers or selects it needs nothing
// more. Its plugin metadata (igtlink.json) carries the same text.

namespace kestrava::igtlink {

inline constexpr const char* IGTLinkDriverId = "{6E0C5B2A-4F1D-4C8E-9A3B-2D7F1E5C8A03}";

} // namespace kestrava::igtlink
