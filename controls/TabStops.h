#pragma once
// Column layout of the information list: ascending tab stops and the
// placement of a line's tab-separated segments.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrava {

class TTabStops {
public:
  static constexpr std::size_t MaxStops = 32;

  // Inserts X keeping the stops ascending; a stop already present, or one
  // beyond the 32 the list holds, is ignored.
  void Add(std::int32_t X);
  void Clear() { Stops_.clear(); }
  const std::vector<std::int32_t>& Stops() const { return Stops_; }
  // The first stop greater than X, or X itself when there is none.
  std::int32_t NextAfter(std::int32_t X) const;

private:
  std::vector<std::int32_t> Stops_;
};

struct TTextSegment {
  std::string Text;
  std::int32_t X = 0; // before the horizontal scroll offset
};

struct TLineLayout {
  std::vector<TTextSegment> Segments;
  std::int32_t EndX = 0; // right end of the last segment: the line's extent
};

// Lays Line out from x = 2: each tab ends a segment and moves x past the
// segment to the next stop. Width gives a text's width in pixels.
TLineLayout LayOutLine(const std::string& Line, const TTabStops& Stops,
                       const std::function<std::int32_t(const std::string&)>& Width);

} // namespace kestrava
