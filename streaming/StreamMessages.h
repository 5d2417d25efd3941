#pragma once
// The OpenIGTLink messages the server sends, packed into bytes ready for the
// sockets (protocol version 2 with header version 1, which every client
// reads: newer clients accept the older header).
//
// Device names:
//  - TDATA "ScopeSensors": one element per pose of SensorPoses ("Sensor00"
//    is the tip), 5D elements for sensors with a direction, 3D for the
//    overtube sensor.
//  - TRANSFORM "<Name>ToTracker" for each of those poses, and
//    "TrackerToPatient" when the body markers give the patient's axes.
//  - STRING "PatientPain" ("<value> <units>") when the procedure has pain
//    data and the frame's reading is valid; STRING "LoopState" when the
//    context carries one.
//  - POLYDATA "ScopeModel": the endoscope tube as triangles.
//  - STATUS "Kestrava" (code OK): the keep-alive.
// Lengths in millimetres; time stamps in seconds since 1970 UTC.
//
// Thread: any (pure functions).

#include "imagerdata/ImagerFrame.h"
#include "streaming/StreamContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

using TMessageBytes = std::vector<std::uint8_t>;

inline constexpr const char* ScopeSensorsDevice = "ScopeSensors";
inline constexpr const char* TrackerToPatientDevice = "TrackerToPatient";
inline constexpr const char* PatientPainDevice = "PatientPain";
inline constexpr const char* LoopStateDevice = "LoopState";
inline constexpr const char* ScopeModelDevice = "ScopeModel";
inline constexpr const char* KeepAliveDevice = "Kestrava";

// The endoscope tube in tracker coordinates.
struct TScopeModelGeometry {
  std::vector<float> Points;            // x, y, z of each point, millimetres
  std::vector<std::uint32_t> Triangles; // three point indexes per triangle
  friend bool operator==(const TScopeModelGeometry&, const TScopeModelGeometry&) = default;
};

// Every message of one frame, in the order listed above.
TMessageBytes EncodeFrameMessages(const TImagerFrame& Frame, const TStreamContext& Context,
                                  double UtcSeconds);
TMessageBytes EncodeScopeModel(const TScopeModelGeometry& Model, double UtcSeconds);
TMessageBytes EncodeKeepAlive(double UtcSeconds);

// "<value> <units>" with the value at full precision; characters outside
// printable ASCII in the units become '?', since the message says US-ASCII.
std::string PainText(double Pain, const std::string& Units);

} // namespace kestrava
