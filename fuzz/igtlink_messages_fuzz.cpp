// Feeds arbitrary bytes to the OpenIGTLink receiver as a server would send
// them: the first byte picks the size of the pieces the rest arrives in, and
// every decoded message goes on to the translation into sensor updates.
// Besides crashes, a name longer than its field, or a measured update whose
// numbers are not finite or whose direction is not of unit length, is a fault.

#include "drivers/igtlink/TrackedNames.h"
#include "drivers/igtlink/TrackerMessages.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace kestrava::igtlink;

class TCheckingSink final : public ITrackerMessageSink {
public:
  TCheckingSink() : Names_(Settings()) {}
  void OnMessageRead() override {}
  void OnMessage(const TTrackerMessage& Message) override {
    for (const TWirePose& Pose : Message.Poses) {
      if (Pose.Name.size() > MaxTrackedNameLength) {
        std::abort();
      }
    }
    Updates_.clear();
    Names_.Translate(Message, Updates_);
    for (const TNameUpdate& Update : Updates_) {
      const double Length = kestrava::VectorLength(Update.Direction);
      if (Update.Index >= TrackedCount || !std::isfinite(Update.Pain) ||
          (Update.Measured && Update.Index != PainIndex &&
           (!std::isfinite(Update.Position.X + Update.Position.Y + Update.Position.Z) ||
            std::abs(Length - 1) > 1e-9))) {
        std::abort();
      }
    }
  }

private:
  static TIGTLinkSettings Settings() {
    TIGTLinkSettings Settings;
    Settings.Names[0] = "Probe0";
    Settings.Names[HandIndex] = "Stylus";
    Settings.Names[OvertubeIndex] = "TwentyCharacterName1";
    Settings.Names[PainIndex] = "PatientPain";
    return Settings;
  }

  TTrackedNames Names_;
  std::vector<TNameUpdate> Updates_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) {
    return 0;
  }
  const std::size_t Piece = 1 + Data[0] % 64;
  const std::span<const std::uint8_t> Stream(Data + 1, Size - 1);
  TTrackerMessageReader Reader;
  TCheckingSink Sink;
  for (std::size_t At = 0; At < Stream.size(); At += Piece) {
    if (!Reader.Consume(Stream.subspan(At, std::min(Piece, Stream.size() - At)), Sink)) {
      break;
    }
  }
  return 0;
}
