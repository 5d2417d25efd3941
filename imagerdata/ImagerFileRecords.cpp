#include "imagerdata/ImagerFileRecords.h"

#include "imagerdata/ImagerFileBytes.h"
#include "imagerdata/ImagerFileText.h"

#include <algorithm>
#include <span>

namespace kestrava {

namespace {

constexpr std::size_t PatientNameOffset = 0;
constexpr std::size_t ProcedureTypeOffset = 64;
constexpr std::size_t StartTimeOffset = 68;
constexpr std::size_t HasPainDataOffset = 80;
constexpr std::size_t PainUnitsOffset = 81;

constexpr std::size_t VectorF32Size = 12;

void StoreText(std::uint8_t* Data, std::size_t Offset, std::size_t FieldSize,
               const std::string& Text) {
  // One byte stays for the terminator; the rest of the field is already zero.
  const std::string Ansi = Utf8ToAnsi(Text, FieldSize - 1);
  std::copy(Ansi.begin(), Ansi.end(), Data + Offset);
}

} // namespace

TProcedureHeader DecodeProcedureHeader(const std::uint8_t* Data) {
  TProcedureHeader Header;
  Header.PatientName = AnsiToUtf8({Data + PatientNameOffset, PatientNameFieldSize});
  Header.ProcedureType = LoadI32(Data, ProcedureTypeOffset);
  Header.StartTime = LoadF64(Data, StartTimeOffset);
  Header.FrameCount = LoadI32(Data, ProcedureHeaderFrameCountOffset);
  Header.HasPainData = LoadFlag(Data, HasPainDataOffset);
  Header.PainUnits = AnsiToUtf8({Data + PainUnitsOffset, PainUnitsFieldSize});
  return Header;
}

void EncodeProcedureHeader(const TImagerProcedure& Procedure, std::uint8_t* Data) {
  std::fill_n(Data, ProcedureHeaderSize, std::uint8_t{0});
  StoreText(Data, PatientNameOffset, PatientNameFieldSize, Procedure.PatientName);
  StoreI32(Data, ProcedureTypeOffset, Procedure.ProcedureType);
  StoreF64(Data, StartTimeOffset, Procedure.StartTime);
  StoreI32(Data, ProcedureHeaderFrameCountOffset, Procedure.FrameCount());
  // Unlike the frame flags, this one has always been written as 1.
  StoreU8(Data, HasPainDataOffset, Procedure.HasPainData ? 1 : 0);
  StoreText(Data, PainUnitsOffset, PainUnitsFieldSize, Procedure.PainUnits);
}

void ApplyProcedureHeader(const TProcedureHeader& Header, TImagerProcedure& Procedure) {
  Procedure.PatientName = Header.PatientName;
  Procedure.ProcedureType = Header.ProcedureType;
  Procedure.StartTime = Header.StartTime;
  Procedure.HasPainData = Header.HasPainData;
  Procedure.PainUnits = Header.PainUnits;
}

bool DecodeFrameFields(const std::uint8_t* Record, const TFrameRecordLayout& Layout,
                       bool DirectionsReversed, TImagerFrame& Frame) {
  const int Count = LoadU16(Record, Layout.SensorCount);
  if (Count > MaxSensors) {
    return false;
  }
  Frame.SensorCount = Count;
  for (int I = 0; I < Count; ++I) {
    const std::size_t Slot = static_cast<std::size_t>(I);
    Frame.SensorValid[Slot] = LoadFlag(Record, Layout.SensorValid + Slot);
    Frame.SensorPosition[Slot] =
        LoadVectorF32(Record, Layout.SensorPosition + Slot * VectorF32Size);
    const TVector3 Direction = LoadVectorF32(Record, Layout.SensorDirection + Slot * VectorF32Size);
    Frame.SensorDirection[Slot] = DirectionsReversed ? NegateVector(Direction) : Direction;
  }
  for (int I = 0; I + 1 < Count; ++I) {
    const std::size_t Segment = static_cast<std::size_t>(I);
    Frame.SegmentLength[Segment] = LoadF32(Record, Layout.SegmentLength + Segment * 4);
  }
  for (std::size_t M = 0; M < MarkerCount; ++M) {
    Frame.MarkerValid[M] = LoadFlag(Record, Layout.MarkerValid + M);
    Frame.MarkerPosition[M] = LoadVectorF32(Record, Layout.MarkerPosition + M * VectorF32Size);
    Frame.MarkerDirection[M] = LoadVectorF32(Record, Layout.MarkerDirection + M * VectorF32Size);
  }
  Frame.EndoscopeValid = LoadFlag(Record, Layout.EndoscopeValid);
  Frame.HandValid = LoadFlag(Record, Layout.HandValid);
  Frame.HandPosition = LoadVectorF32(Record, Layout.HandPosition);
  Frame.HandDirection = LoadVectorF32(Record, Layout.HandDirection);
  Frame.Time = LoadF64(Record, Layout.Time);
  return true;
}

void EncodeFrameFields(const TImagerFrame& Frame, const TFrameRecordLayout& Layout,
                       std::uint8_t* Record) {
  const int Count = std::clamp(Frame.SensorCount, 0, MaxSensors);
  StoreU16(Record, Layout.SensorCount, static_cast<std::uint16_t>(Count));
  for (int I = 0; I < Count; ++I) {
    const std::size_t Slot = static_cast<std::size_t>(I);
    StoreFlag(Record, Layout.SensorValid + Slot, Frame.SensorValid[Slot]);
    StoreVectorF32(Record, Layout.SensorPosition + Slot * VectorF32Size,
                   Frame.SensorPosition[Slot]);
    StoreVectorF32(Record, Layout.SensorDirection + Slot * VectorF32Size,
                   Frame.SensorDirection[Slot]);
  }
  for (int I = 0; I + 1 < Count; ++I) {
    const std::size_t Segment = static_cast<std::size_t>(I);
    StoreF32(Record, Layout.SegmentLength + Segment * 4,
             static_cast<float>(Frame.SegmentLength[Segment]));
  }
  for (std::size_t M = 0; M < MarkerCount; ++M) {
    StoreFlag(Record, Layout.MarkerValid + M, Frame.MarkerValid[M]);
    StoreVectorF32(Record, Layout.MarkerPosition + M * VectorF32Size, Frame.MarkerPosition[M]);
    StoreVectorF32(Record, Layout.MarkerDirection + M * VectorF32Size, Frame.MarkerDirection[M]);
  }
  StoreFlag(Record, Layout.EndoscopeValid, Frame.EndoscopeValid);
  StoreFlag(Record, Layout.HandValid, Frame.HandValid);
  StoreVectorF32(Record, Layout.HandPosition, Frame.HandPosition);
  StoreVectorF32(Record, Layout.HandDirection, Frame.HandDirection);
  StoreF64(Record, Layout.Time, Frame.Time);
}

bool ReportProblem(std::string* Problem, const std::string& Text) {
  if (Problem != nullptr) {
    *Problem = Text;
  }
  return false;
}

std::string FrameProblem(const TImagerFileInput& Input, std::int32_t Index,
                         std::int32_t FrameCount) {
  const std::string Where = std::to_string(Index + 1) + " of " + std::to_string(FrameCount);
  return Input.Spent() ? "truncated in frame " + Where : "frame " + Where + " holds invalid data";
}

} // namespace kestrava
