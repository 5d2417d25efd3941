#pragma once
// Turns what a server sends into updates of the configured names: which
// message feeds which sensor slot, the hand, the overtube or the pain
// reading, in Kestrava's units.
//
// A pose's position is its translation in metres (millimetres on the wire);
// its direction is the unit +Z axis of its rotation. A pose whose numbers
// are not finite, or whose rotation has no +Z axis to speak of, leaves its
// name not measured until the next good one; so does a pain text that does
// not start with a number. A TDATA message lists what its tracker measures
// now: a name it gave before and leaves out is not measured from then on.
//
// Thread: the connection's, one at a time.

#include "drivers/igtlink/IGTLinkSettings.h"
#include "drivers/igtlink/TrackerMessages.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kestrava::igtlink {

struct TNameUpdate {
  std::size_t Index = 0; // as in TIGTLinkSettings::Names
  bool Measured = false;
  TVector3 Position;  // metres
  TVector3 Direction; // unit length
  double Pain = 0;    // at PainIndex
};

class TTrackedNames {
public:
  explicit TTrackedNames(const TIGTLinkSettings& Settings) : Names_(Settings.Names) {}

  // Appends to Updates what Message changes; names nobody configured change
  // nothing.
  void Translate(const TTrackerMessage& Message, std::vector<TNameUpdate>& Updates);

private:
  std::size_t IndexOf(const std::string& Name) const;
  void TranslateTrackingData(const TTrackerMessage& Message, std::vector<TNameUpdate>& Updates);

  std::array<std::string, TrackedCount> Names_;
  // The TDATA device that last gave each name, while the name comes by TDATA.
  std::array<std::optional<std::string>, TrackedCount> TrackingDataDevice_;
};

} // namespace kestrava::igtlink
