#pragma once
// The records that formats 2 and 3 share: the 97-byte procedure header and
// the sensor/marker/hand part of a frame record, which sits at different
// offsets in the two generations.

#include "imagerdata/ImagerFileInput.h"
#include "imagerdata/ImagerProcedure.h"

#include <cstdint>
#include <string>

namespace kestrava {

inline constexpr std::size_t ProcedureHeaderSize = 97;
inline constexpr std::size_t PatientNameFieldSize = 64;
inline constexpr std::size_t PainUnitsFieldSize = 16;
// Where the header keeps FrameCount (signed 32-bit), from the header's start.
inline constexpr std::size_t ProcedureHeaderFrameCountOffset = 76;

// The decoded procedure header; FrameCount is only a claim about the file.
struct TProcedureHeader {
  std::string PatientName; // UTF-8
  std::int32_t ProcedureType = 0;
  double StartTime = 0;
  std::int32_t FrameCount = 0;
  bool HasPainData = false;
  std::string PainUnits; // UTF-8
};

// Data must hold ProcedureHeaderSize bytes.
TProcedureHeader DecodeProcedureHeader(const std::uint8_t* Data);
// Fills ProcedureHeaderSize bytes at Data from the procedure; texts are cut
// to 63 and 15 ANSI bytes.
void EncodeProcedureHeader(const TImagerProcedure& Procedure, std::uint8_t* Data);
// Sets the procedure's details from a header (not its frames).
void ApplyProcedureHeader(const TProcedureHeader& Header, TImagerProcedure& Procedure);

// Offsets of the shared frame fields within one generation's frame record.
struct TFrameRecordLayout {
  std::size_t SensorCount = 0;
  std::size_t SensorValid = 0;
  std::size_t SensorPosition = 0;
  std::size_t SensorDirection = 0;
  std::size_t SegmentLength = 0;
  std::size_t MarkerValid = 0;
  std::size_t MarkerPosition = 0;
  std::size_t MarkerDirection = 0;
  std::size_t EndoscopeValid = 0;
  std::size_t HandValid = 0;
  std::size_t HandPosition = 0;
  std::size_t HandDirection = 0;
  std::size_t Time = 0;
};

// Decodes the shared fields of a whole record into Frame: SensorCount, the
// first SensorCount sensor slots and SensorCount - 1 segment lengths, all
// markers, EndoscopeValid, the hand and Time. Directions are negated when
// the generation stored them reversed. False, with Frame untouched, when the
// stored SensorCount exceeds the 16 slots a frame holds.
bool DecodeFrameFields(const std::uint8_t* Record, const TFrameRecordLayout& Layout,
                       bool DirectionsReversed, TImagerFrame& Frame);

// Stores the shared fields of Frame into a zeroed record: only the slots in
// use (SensorCount clamped to 0..16), all six markers, flags as 0xFF/0x00.
void EncodeFrameFields(const TImagerFrame& Frame, const TFrameRecordLayout& Layout,
                       std::uint8_t* Record);

// Stores Text in *Problem when a caller asked for it; returns false so that a
// reader can end with `return ReportProblem(Problem, "...");`.
bool ReportProblem(std::string* Problem, const std::string& Text);

// What stopped the reading of frame Index (from 0) of FrameCount: the data
// ended, or the record holds values no frame can have.
std::string FrameProblem(const TImagerFileInput& Input, std::int32_t Index,
                         std::int32_t FrameCount);

} // namespace kestrava
