#include "imagerdata/ImagerFileFormat3.h"

#include "imagerdata/ImagerFileBytes.h"
#include "imagerdata/ImagerFileLoadAttempt.h"
#include "imagerdata/ImagerFileRecords.h"

#include <algorithm>

namespace kestrava {

namespace {

constexpr TFrameRecordLayout Layout3{.SensorCount = 0,
                                     .SensorValid = 6,
                                     .SensorPosition = 22,
                                     .SensorDirection = 214,
                                     .SegmentLength = 406,
                                     .MarkerValid = 466,
                                     .MarkerPosition = 472,
                                     .MarkerDirection = 544,
                                     .EndoscopeValid = 616,
                                     .HandValid = 617,
                                     .HandPosition = 618,
                                     .HandDirection = 630,
                                     .Time = 642};
constexpr std::size_t TubeRadiusOffset = 2;
constexpr std::size_t OvertubeKindOffset = 650;

// Kinds outside 1..2 have no block of their own; they are written as 0.
std::uint8_t StoredOvertubeKind(const TImagerFrame& Frame) {
  return (Frame.OvertubeKind == 1 || Frame.OvertubeKind == 2)
             ? static_cast<std::uint8_t>(Frame.OvertubeKind)
             : 0;
}

} // namespace

void AppendImagerFormat3Frame(const TImagerFrame& Frame, bool HasPainData,
                              std::vector<std::uint8_t>& Out) {
  const std::uint8_t Kind = StoredOvertubeKind(Frame);
  const std::size_t Start = Out.size();
  std::size_t Size = Format3FrameRecordSize;
  Size += HasPainData ? Format3PainBlockSize : 0;
  Size += Kind == 1 ? Format3Overtube1Size : (Kind == 2 ? Format3Overtube2Size : 0);
  Out.resize(Start + Size, 0);

  std::uint8_t* Record = Out.data() + Start;
  EncodeFrameFields(Frame, Layout3, Record);
  StoreF32(Record, TubeRadiusOffset, Frame.TubeRadius);
  StoreU8(Record, OvertubeKindOffset, Kind);

  std::uint8_t* Block = Record + Format3FrameRecordSize;
  if (HasPainData) {
    StoreFlag(Block, 0, Frame.PainValid);
    StoreF64(Block, 1, Frame.Pain);
    Block += Format3PainBlockSize;
  }
  if (Kind == 1) {
    const TOvertubeData1& Data = Frame.OvertubeData1;
    StoreF32(Block, 0, Data.Length1);
    StoreF32(Block, 4, Data.Length3);
    StoreFlag(Block, 8, Data.Valid);
    StoreVectorSingle(Block, 9, Data.Position);
  } else if (Kind == 2) {
    const TOvertubeData2& Data = Frame.OvertubeData2;
    StoreF32(Block, 0, Data.Length1);
    StoreF32(Block, 4, Data.Length2);
    StoreF32(Block, 8, Data.Length3);
    StoreFlag(Block, 12, Data.Valid);
    StoreVectorSingle(Block, 13, Data.Position);
  }
}

namespace {

// Reads the blocks that follow a frame record. False on a short read or an
// overtube kind that has no block.
bool ReadFrameBlocks(TImagerFileInput& Input, bool HasPainData, TImagerFrame& Frame) {
  if (HasPainData) {
    const auto Pain = Input.Take(Format3PainBlockSize);
    if (Pain.empty()) {
      return false;
    }
    Frame.PainValid = LoadFlag(Pain.data(), 0);
    Frame.Pain = LoadF64(Pain.data(), 1);
  }
  Frame.OvertubeData1 = {};
  if (Frame.OvertubeKind == 0) {
    return true;
  }
  if (Frame.OvertubeKind == 1) {
    const auto Block = Input.Take(Format3Overtube1Size);
    if (Block.empty()) {
      return false;
    }
    Frame.OvertubeData1 = {LoadF32(Block.data(), 0), LoadF32(Block.data(), 4),
                           LoadFlag(Block.data(), 8), LoadVectorSingle(Block.data(), 9)};
    return true;
  }
  if (Frame.OvertubeKind == 2) {
    Frame.OvertubeData2 = {};
    const auto Block = Input.Take(Format3Overtube2Size);
    if (Block.empty()) {
      return false;
    }
    Frame.OvertubeData2 = {LoadF32(Block.data(), 0), LoadF32(Block.data(), 4),
                           LoadF32(Block.data(), 8), LoadFlag(Block.data(), 12),
                           LoadVectorSingle(Block.data(), 13)};
    return true;
  }
  return false;
}

bool ReadFrame(TImagerFileInput& Input, bool HasPainData, TImagerProcedure& Procedure) {
  const auto Record = Input.Take(Format3FrameRecordSize);
  if (Record.empty()) {
    return false;
  }
  TImagerFrame& Frame = Procedure.AddFrame();
  if (!DecodeFrameFields(Record.data(), Layout3, false, Frame)) {
    return false;
  }
  Frame.TubeRadius = LoadF32(Record.data(), TubeRadiusOffset);
  Frame.OvertubeKind = LoadU8(Record.data(), OvertubeKindOffset);
  return ReadFrameBlocks(Input, HasPainData, Frame);
}

} // namespace

std::vector<std::uint8_t> EncodeImagerFormat3(const TImagerProcedure& Procedure) {
  std::vector<std::uint8_t> Out(ImagerFormat3Signature.begin(), ImagerFormat3Signature.end());
  Out.resize(Out.size() + ProcedureHeaderSize);
  EncodeProcedureHeader(Procedure, Out.data() + ImagerFormat3Signature.size());
  // The largest frame entry, so that one reservation covers the file.
  const std::size_t MaxEntry = Format3FrameRecordSize + Format3PainBlockSize + Format3Overtube2Size;
  Out.reserve(Out.size() + static_cast<std::size_t>(Procedure.FrameCount()) * MaxEntry);
  for (std::int32_t I = 0; I < Procedure.FrameCount(); ++I) {
    AppendImagerFormat3Frame(Procedure.Frames().At(I), Procedure.HasPainData, Out);
  }
  return Out;
}

bool ReadImagerFormat3(TImagerFileInput& Input, TImagerProcedure& Procedure, std::string* Problem) {
  TImagerFileLoadAttempt Attempt(Procedure);
  const auto Signature = Input.Take(ImagerFormat3Signature.size());
  if (Signature.empty() ||
      !std::equal(Signature.begin(), Signature.end(), ImagerFormat3Signature.begin())) {
    return false;
  }
  const auto HeaderBytes = Input.Take(ProcedureHeaderSize);
  if (HeaderBytes.empty()) {
    return ReportProblem(Problem, "truncated in the procedure header");
  }
  const TProcedureHeader Header = DecodeProcedureHeader(HeaderBytes.data());
  for (std::int32_t I = 0; I < Header.FrameCount; ++I) {
    if (!ReadFrame(Input, Header.HasPainData, Procedure)) {
      return ReportProblem(Problem, FrameProblem(Input, I, Header.FrameCount));
    }
  }
  ApplyProcedureHeader(Header, Procedure);
  return Attempt.Accept();
}

} // namespace kestrava
