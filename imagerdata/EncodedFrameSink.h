#pragma once
// Where frames already encoded as format 3 entries go to be kept: the live
// recording file, or a stand-in that tests and benchmarks slow down or fail.

#include <cstdint>
#include <span>
#include <string>

namespace kestrava {

class IEncodedFrameSink {
public:
  virtual ~IEncodedFrameSink() = default;
  // What the entries must be encoded with (AppendImagerFormat3Frame).
  virtual bool HasPainData() const = 0;
  // Keeps Count entries laid end to end in Entries, or raises Exception
  // naming the place and the reason.
  virtual void AppendEncoded(std::span<const std::uint8_t> Entries, std::int32_t Count) = 0;
  // Nothing more follows; raises Exception when closing reports a failure.
  virtual void Close() = 0;
  // The file the frames reach, for messages.
  virtual const std::string& Path() const = 0;
};

} // namespace kestrava
