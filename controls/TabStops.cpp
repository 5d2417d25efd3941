#include "controls/TabStops.h"

#include <algorithm>

namespace kestrava {

namespace {

constexpr std::int32_t LineStartX = 2;

} // namespace

void TTabStops::Add(std::int32_t X) {
  const auto Place = std::lower_bound(Stops_.begin(), Stops_.end(), X);
  if ((Place != Stops_.end() && *Place == X) || Stops_.size() >= MaxStops)
    return;
  Stops_.insert(Place, X);
}

std::int32_t TTabStops::NextAfter(std::int32_t X) const {
  const auto Next = std::upper_bound(Stops_.begin(), Stops_.end(), X);
  return Next == Stops_.end() ? X : *Next;
}

TLineLayout LayOutLine(const std::string& Line, const TTabStops& Stops,
                       const std::function<std::int32_t(const std::string&)>& Width) {
  TLineLayout Layout;
  std::int32_t X = LineStartX;
  std::string Segment;
  const auto Flush = [&] {
    Layout.Segments.push_back({Segment, X});
    X += Width(Segment);
    Segment.clear();
  };
  for (const char C : Line) {
    if (C == '\t') {
      Flush();
      X = Stops.NextAfter(X);
    } else {
      Segment += C;
    }
  }
  Flush();
  Layout.EndX = X;
  return Layout;
}

} // namespace kestrava
