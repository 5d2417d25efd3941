#include "imagerdata/ImagerFileFormat1.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileBytes.h"
#include "imagerdata/ImagerFileDateTime.h"
#include "imagerdata/ImagerFileErrors.h"
#include "imagerdata/ImagerFileInput.h"
#include "imagerdata/ImagerFileLoadAttempt.h"
#include "imagerdata/ImagerFileText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace kestrava {

namespace {

constexpr std::size_t NameOffset = 4;
constexpr std::size_t NameMaxLength = 32;
constexpr std::size_t NumSensorsOffset = 37;
constexpr std::size_t SpacingOffset = 39;
constexpr std::size_t SensorEntrySize = 21;
constexpr std::size_t SensorEntriesOffset = 4;
constexpr std::size_t MarkerSetNumberOffset = 340;
constexpr std::size_t HandEntryOffset = 342;
constexpr std::size_t MarkerEntrySize = 41;

struct TLegacyHeader {
  std::string PatientName;
  int NumSensors = 0;
  std::array<double, Format1MaxSensors> Spacing{}; // h[0..17]
  std::int32_t ProcedureType = 0;
  bool HasTip() const { return Spacing[0] != 0; }
  int SlotsNeeded() const { return NumSensors + (HasTip() && NumSensors > 0 ? 1 : 0); }
};

struct TSensorEntry {
  TVector3 Position;
  double Theta = 0;
  double Phi = 0;
  bool Valid = false;
};

TSensorEntry LoadSensorEntry(const std::uint8_t* Data, std::size_t Offset) {
  return {LoadVectorF32(Data, Offset), LoadF32(Data, Offset + 12), LoadF32(Data, Offset + 16),
          LoadFlag(Data, Offset + 20)};
}

TSensorEntry LoadMarkerEntry(const std::uint8_t* Data, std::size_t Offset) {
  return {LoadVectorF64(Data, Offset), LoadF64(Data, Offset + 24), LoadF64(Data, Offset + 32),
          LoadFlag(Data, Offset + 40)};
}

bool HasImgExtension(const std::filesystem::path& Path) {
  const std::string Extension = Path.extension().string();
  return Extension.size() == 4 && Extension[0] == '.' &&
         std::tolower(static_cast<unsigned char>(Extension[1])) == 'i' &&
         std::tolower(static_cast<unsigned char>(Extension[2])) == 'm' &&
         std::tolower(static_cast<unsigned char>(Extension[3])) == 'g';
}

// A sibling of the header file. Sets copied from case-insensitive media keep
// their names in one case, so an upper-case ".IMG" looks for ".END" and ".MAR".
std::string SiblingName(const std::filesystem::path& HeaderPath, std::string Extension) {
  const std::string Own = HeaderPath.extension().string();
  if (std::all_of(Own.begin(), Own.end(),
                  [](char C) { return !std::islower(static_cast<unsigned char>(C)); })) {
    std::transform(Extension.begin(), Extension.end(), Extension.begin(), [](char C) {
      return static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    });
  }
  return std::filesystem::path(HeaderPath).replace_extension(Extension).string();
}

// Random access to the marker sets; a missing file or missing bytes read as zeros.
class TMarkerFile {
public:
  explicit TMarkerFile(const std::string& Name) {
    std::error_code Error;
    if (std::filesystem::is_regular_file(Name, Error)) {
      File_.reset(std::fopen(Name.c_str(), "rb"));
    }
  }

  // Set Number (1..65535); valid until the next call.
  const std::array<std::uint8_t, Format1MarkerSetSize>& Set(std::uint16_t Number) {
    if (Number != CachedNumber_) {
      CachedNumber_ = Number;
      Set_.fill(0);
      const long Offset = static_cast<long>(Number - 1) * static_cast<long>(Format1MarkerSetSize);
      if (File_ && std::fseek(File_.get(), Offset, SEEK_SET) == 0) {
        std::fread(Set_.data(), 1, Set_.size(), File_.get());
        std::clearerr(File_.get());
      }
    }
    return Set_;
  }

private:
  struct TFileCloser {
    void operator()(std::FILE* File) const { std::fclose(File); }
  };
  std::unique_ptr<std::FILE, TFileCloser> File_;
  std::array<std::uint8_t, Format1MarkerSetSize> Set_{};
  std::uint16_t CachedNumber_ = 0;
};

// Reads the header file, which must be 183 or 184 bytes long.
std::optional<std::array<std::uint8_t, Format1HeaderSize + 1>>
ReadHeaderBytes(TImagerFileInput& Input, bool& HasProcedureType) {
  std::array<std::uint8_t, Format1HeaderSize + 1> Bytes{};
  const auto Fixed = Input.Take(Format1HeaderSize);
  if (Fixed.empty()) {
    return std::nullopt;
  }
  std::copy(Fixed.begin(), Fixed.end(), Bytes.begin());
  const auto Type = Input.Take(1);
  HasProcedureType = !Type.empty();
  if (HasProcedureType) {
    Bytes[Format1HeaderSize] = Type[0];
    if (!Input.Take(1).empty()) {
      return std::nullopt;
    }
  }
  return Bytes;
}

TLegacyHeader DecodeHeader(const std::uint8_t* Data, bool HasProcedureType) {
  TLegacyHeader Header;
  const std::size_t NameLength = std::min<std::size_t>(Data[NameOffset], NameMaxLength);
  Header.PatientName = AnsiToUtf8({Data + NameOffset + 1, NameLength});
  Header.NumSensors = LoadU16(Data, NumSensorsOffset);
  if (Header.NumSensors > Format1MaxSensors) {
    throw Exception("File error: 'NumSensors' is invalid.");
  }
  for (std::size_t K = 0; K < Header.Spacing.size(); ++K) {
    Header.Spacing[K] = LoadF64(Data, SpacingOffset + 8 * K);
  }
  Header.ProcedureType = HasProcedureType ? Data[Format1HeaderSize] : 0;
  return Header;
}

void SetSegmentLengths(const TLegacyHeader& Header, TImagerFrame& Frame) {
  // With a tip point, h[0] is the first segment (tip to first sensor).
  const std::size_t First = Header.HasTip() ? 0 : 1;
  const int Segments = Header.SlotsNeeded() - 1;
  for (int I = 0; I < Segments; ++I) {
    const std::size_t Segment = static_cast<std::size_t>(I);
    Frame.SegmentLength[Segment] = Header.Spacing[Segment + First];
  }
}

void SetSlot(TImagerFrame& Frame, std::size_t Slot, const TVector3& Position,
             const TVector3& Direction) {
  Frame.SensorValid[Slot] = true;
  Frame.SensorPosition[Slot] = Position;
  Frame.SensorDirection[Slot] = Direction;
}

void DecodeSensors(const TLegacyHeader& Header, const std::uint8_t* Record, TImagerFrame& Frame) {
  std::size_t Slot = 0;
  for (int J = 0; J < Header.NumSensors; ++J) {
    const TSensorEntry Entry = LoadSensorEntry(
        Record, SensorEntriesOffset + static_cast<std::size_t>(J) * SensorEntrySize);
    const bool TipSlot = J == 0 && Header.HasTip();
    if (Entry.Valid) {
      // The legacy catheter's angles point away from the tip.
      const TVector3 Direction = NegateVector(SphericalToVector(Entry.Theta, Entry.Phi));
      if (TipSlot) {
        const TVector3 Tip =
            SubtractVectors(Entry.Position, ScaleVector(Direction, Header.Spacing[0]));
        SetSlot(Frame, Slot++, Tip, Direction);
      }
      SetSlot(Frame, Slot, Entry.Position, Direction);
      Frame.EndoscopeValid = true;
    } else {
      if (TipSlot) {
        Frame.SensorValid[Slot++] = false;
      }
      Frame.SensorValid[Slot] = false;
    }
    ++Slot;
  }
  Frame.SensorCount = static_cast<std::int32_t>(Slot);
}

void DecodeMarkers(const std::array<std::uint8_t, Format1MarkerSetSize>& Set, TImagerFrame& Frame) {
  for (std::size_t M = 0; M < MarkerCount; ++M) {
    const TSensorEntry Entry = LoadMarkerEntry(Set.data(), (M + 1) * MarkerEntrySize);
    Frame.MarkerValid[M] = Entry.Valid;
    Frame.MarkerPosition[M] = Entry.Valid ? Entry.Position : TVector3{};
    Frame.MarkerDirection[M] = Entry.Valid ? SphericalToVector(Entry.Theta, Entry.Phi) : TVector3{};
  }
}

void DecodeFrame(const TLegacyHeader& Header, const std::uint8_t* Record, double StartTime,
                 TMarkerFile& Markers, TImagerFrame& Frame) {
  Frame.Time = FatToDateTime(LoadU32(Record, 0)) - StartTime;
  Frame.TubeRadius = DefaultTubeRadius;
  SetSegmentLengths(Header, Frame);
  DecodeSensors(Header, Record, Frame);
  const std::uint16_t SetNumber = LoadU16(Record, MarkerSetNumberOffset);
  if (SetNumber != 0) {
    DecodeMarkers(Markers.Set(SetNumber), Frame);
  }
  const TSensorEntry Hand = LoadSensorEntry(Record, HandEntryOffset);
  Frame.HandValid = Hand.Valid;
  if (Hand.Valid) {
    Frame.HandPosition = Hand.Position;
    Frame.HandDirection = SphericalToVector(Hand.Theta, Hand.Phi);
  }
}

} // namespace

bool ReadImagerFormat1(const std::string& FileName, TImagerProcedure& Procedure) {
  TImagerFileLoadAttempt Attempt(Procedure);
  const std::filesystem::path HeaderPath(FileName);
  if (!HasImgExtension(HeaderPath)) {
    return false;
  }
  auto HeaderInput = TImagerFileInput::OpenFile(HeaderPath);
  if (!HeaderInput) {
    ThrowCannotOpenForReading(FileName);
  }
  bool HasProcedureType = false;
  const auto HeaderBytes = ReadHeaderBytes(*HeaderInput, HasProcedureType);
  if (!HeaderBytes) {
    return false;
  }
  const std::string FramesName = SiblingName(HeaderPath, ".end");
  auto Frames = TImagerFileInput::OpenFile(FramesName);
  if (!Frames) {
    ThrowCannotOpenForReading(FramesName);
  }
  TMarkerFile Markers(SiblingName(HeaderPath, ".mar"));

  if (LoadU32(HeaderBytes->data(), 0) != ImagerFormat1Magic) {
    return false;
  }
  const TLegacyHeader Header = DecodeHeader(HeaderBytes->data(), HasProcedureType);
  if (Header.SlotsNeeded() > MaxSensors) {
    return false;
  }

  auto Record = Frames->Take(Format1FrameRecordSize);
  if (Record.empty()) {
    throw Exception("Imager file " + FileName + " is empty");
  }
  const double StartTime = FatToDateTime(LoadU32(Record.data(), 0));
  // The frame count is what the file holds; a trailing partial record is ignored.
  for (; !Record.empty(); Record = Frames->Take(Format1FrameRecordSize)) {
    DecodeFrame(Header, Record.data(), StartTime, Markers, Procedure.AddFrame());
  }
  Procedure.PatientName = Header.PatientName;
  Procedure.ProcedureType = Header.ProcedureType;
  Procedure.StartTime = StartTime;
  return Attempt.Accept();
}

} // namespace kestrava
