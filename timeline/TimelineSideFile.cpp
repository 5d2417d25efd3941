#include "timeline/TimelineSideFile.h"

#include "foundation/FileNames.h"
#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileReplace.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <system_error>

namespace kestrava {

namespace {

using TJson = nlohmann::ordered_json;

constexpr const char* FormatName = "kestrava-timeline";
constexpr int FormatVersion = 1;
// Our files nest three deep; anything much deeper is not ours, and the
// parser would build it all before we could tell.
constexpr int DeepestNesting = 8;
constexpr double LargestFrame = 1e9;

// Thrown inside the reader only; LoadTimelineSideFile names the file.
struct TSideFileError {
  std::string Why;
};

// Refuses deep nesting before parsing, by counting brackets outside strings.
void CheckNesting(std::string_view Text) {
  int Depth = 0;
  bool InString = false, Escaped = false;
  for (const char C : Text) {
    if (InString) {
      if (Escaped) {
        Escaped = false;
      } else if (C == '\\') {
        Escaped = true;
      } else if (C == '"') {
        InString = false;
      }
      continue;
    }
    if (C == '"') {
      InString = true;
    } else if (C == '[' || C == '{') {
      if (++Depth > DeepestNesting) {
        throw TSideFileError{"nested too deeply"};
      }
    } else if (C == ']' || C == '}') {
      --Depth;
    }
  }
}

std::int32_t WholeNumber(const TJson& Object, const char* Key, double Lowest) {
  const auto Found = Object.find(Key);
  if (Found == Object.end() || !Found->is_number()) {
    throw TSideFileError{std::string("\"") + Key + "\" must be a number"};
  }
  const double Value = Found->get<double>();
  if (!(Value >= Lowest && Value <= LargestFrame) || Value != std::floor(Value)) {
    throw TSideFileError{std::string("\"") + Key + "\" must be a whole number from " +
                         std::to_string(static_cast<int>(Lowest))};
  }
  return static_cast<std::int32_t>(Value);
}

std::optional<TCaecumMark> ReadCaecum(const TJson& Document) {
  const auto Found = Document.find("caecum");
  if (Found == Document.end() || Found->is_null()) {
    return std::nullopt;
  }
  if (!Found->is_object() || !Found->contains("reached") || !Found->at("reached").is_boolean()) {
    throw TSideFileError{"\"caecum\" must say whether it was \"reached\""};
  }
  TCaecumMark Mark;
  Mark.Reached = Found->at("reached").get<bool>();
  if (Mark.Reached) {
    Mark.Frame = WholeNumber(*Found, "frame", 1);
  }
  return Mark;
}

std::vector<TLesionMark> ReadLesions(const TJson& Document) {
  std::vector<TLesionMark> Lesions;
  const auto Found = Document.find("lesions");
  if (Found == Document.end()) {
    return Lesions;
  }
  if (!Found->is_array()) {
    throw TSideFileError{"\"lesions\" must be a list"};
  }
  if (Found->size() > MaxLesionTags) {
    throw TSideFileError{"more than " + std::to_string(MaxLesionTags) + " lesions"};
  }
  std::set<std::int32_t> Numbers;
  for (const TJson& Entry : *Found) {
    if (!Entry.is_object()) {
      throw TSideFileError{"a lesion must be an object"};
    }
    const TLesionMark Mark{WholeNumber(Entry, "number", 1), WholeNumber(Entry, "frame", 1)};
    if (!Numbers.insert(Mark.Number).second) {
      throw TSideFileError{"lesion " + std::to_string(Mark.Number) + " is given twice"};
    }
    Lesions.push_back(Mark);
  }
  return Lesions;
}

TOperatorMarks ParseMarks(std::string_view Text) {
  CheckNesting(Text);
  const TJson Document = TJson::parse(Text, nullptr, false);
  if (Document.is_discarded()) {
    throw TSideFileError{"not valid JSON"};
  }
  const auto Format = Document.is_object() ? Document.find("format") : Document.end();
  if (Format == Document.end() || !Format->is_string() || *Format != FormatName) {
    throw TSideFileError{std::string("not a timeline file (\"format\" is not \"") + FormatName +
                         "\")"};
  }
  const auto Version = Document.find("version");
  if (Version == Document.end() || !Version->is_number_integer() || *Version != FormatVersion) {
    throw TSideFileError{"version " + std::to_string(FormatVersion) + " is the only one known"};
  }
  return {ReadCaecum(Document), ReadLesions(Document)};
}

std::string ReadBounded(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) {
    throw TSideFileError{"it cannot be opened"};
  }
  // One byte more than allowed tells a file at the limit from a larger one.
  std::string Text(MaxSideFileBytes + 1, '\0');
  In.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  if (In.bad()) {
    throw TSideFileError{"it cannot be read"};
  }
  Text.resize(static_cast<std::size_t>(In.gcount()));
  if (Text.size() > MaxSideFileBytes) {
    throw TSideFileError{"larger than " + std::to_string(MaxSideFileBytes) + " bytes"};
  }
  return Text;
}

TJson Number(double Value) {
  return std::isfinite(Value) ? TJson(Value) : TJson(nullptr);
}

} // namespace

TOperatorMarks ParseTimelineSideFile(std::string_view Text) {
  try {
    return ParseMarks(Text);
  } catch (const TSideFileError& Failure) {
    throw Exception(Failure.Why);
  }
}

std::string TimelineSideFilePath(const std::string& RecordingPath) {
  return FileNameWithoutExtension(RecordingPath) + ".timeline.json";
}

TOperatorMarks LoadTimelineSideFile(const std::string& RecordingPath) {
  const std::string Path = TimelineSideFilePath(RecordingPath);
  std::error_code Error;
  if (!std::filesystem::exists(Path, Error)) {
    return {};
  }
  try {
    return ParseMarks(ReadBounded(Path));
  } catch (const TSideFileError& Failure) {
    throw Exception("The timeline file " + Path + " cannot be used: " + Failure.Why);
  }
}

std::string TimelineSideFileText(const std::string& RecordingPath, const TOperatorMarks& Marks,
                                 const std::vector<TLesionTag>& Tags) {
  TJson Document;
  Document["format"] = FormatName;
  Document["version"] = FormatVersion;
  // The file's own name, not the folder: the pair may be moved together.
  Document["recording"] = std::filesystem::path(RecordingPath).filename().string();
  if (!Marks.Caecum) {
    Document["caecum"] = nullptr;
  } else if (Marks.Caecum->Reached) {
    Document["caecum"] = {{"reached", true}, {"frame", Marks.Caecum->Frame}};
  } else {
    Document["caecum"] = {{"reached", false}};
  }
  TJson Lesions = TJson::array();
  for (const TLesionMark& Mark : Marks.Lesions) {
    TJson Entry = {{"number", Mark.Number}, {"frame", Mark.Frame}};
    for (const TLesionTag& Tag : Tags) {
      if (Tag.Number != Mark.Number) {
        continue;
      }
      Entry["time_s"] = Number(Tag.Seconds);
      Entry["depth_m"] = Tag.Depth ? Number(*Tag.Depth) : TJson(nullptr);
      Entry["segment"] = std::string(ColonSegmentText(Tag.Segment));
      Entry["tip_m"] =
          Tag.Tip ? TJson::array({Number(Tag.Tip->X), Number(Tag.Tip->Y), Number(Tag.Tip->Z)})
                  : TJson(nullptr);
    }
    Lesions.push_back(Entry);
  }
  Document["lesions"] = Lesions;
  // File names are bytes; one that is not UTF-8 must not make the file unwritable.
  return Document.dump(2, ' ', false, TJson::error_handler_t::replace) + "\n";
}

void SaveTimelineSideFile(const std::string& RecordingPath, const TOperatorMarks& Marks,
                          const std::vector<TLesionTag>& Tags) {
  const std::string Path = TimelineSideFilePath(RecordingPath);
  const std::string Text = TimelineSideFileText(RecordingPath, Marks, Tags);
  std::error_code Failure;
  const auto* Bytes = reinterpret_cast<const std::uint8_t*>(Text.data());
  if (!ReplaceFileContents(Path, std::span(Bytes, Text.size()), &Failure)) {
    throw Exception("Cannot write file: " + Path + " (" + Failure.message() + ")");
  }
}

} // namespace kestrava
