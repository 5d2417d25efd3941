// The imager file entry points of TImagerProcedure: which generation reads a
// file, and how the current one is saved.

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileErrors.h"
#include "imagerdata/ImagerFileFormat1.h"
#include "imagerdata/ImagerFileFormat2.h"
#include "imagerdata/ImagerFileFormat3.h"
#include "imagerdata/ImagerFileInput.h"
#include "imagerdata/ImagerFileReplace.h"
#include "imagerdata/ImagerProcedure.h"

#include <filesystem>

namespace kestrava {

namespace {

TImagerFileInput OpenForReading(const std::string& FileName) {
  auto Input = TImagerFileInput::OpenFile(FileName);
  if (!Input) {
    ThrowCannotOpenForReading(FileName);
  }
  return std::move(*Input);
}

} // namespace

int TImagerProcedure::LoadFromFile(const std::string& FileName) {
  InvalidateStatistics();
  // Only the reader whose signature the file carries reports a problem.
  std::string Problem;
  {
    TImagerFileInput Input = OpenForReading(FileName);
    if (ReadImagerFormat3(Input, *this, &Problem)) {
      return 3;
    }
  }
  {
    TImagerFileInput Input = OpenForReading(FileName);
    if (ReadImagerFormat2(Input, *this, Problem.empty() ? &Problem : nullptr)) {
      return 2;
    }
  }
  if (ReadImagerFormat1(FileName, *this)) {
    return 1;
  }
  throw EImagerFileNotRecognised(Problem.empty() ? "unknown signature" : Problem);
}

std::string TImagerProcedure::SaveToFile(const std::string& FileName) const {
  std::filesystem::path Target(FileName);
  Target.replace_extension(".img");
  std::string Name = Target.string();
  const std::vector<std::uint8_t> Bytes = EncodeImagerFormat3(*this);
  std::error_code Failure;
  if (!ReplaceFileContents(Target, Bytes, &Failure)) {
    throw EImagerFileSave(Name, FileFailureReason(Target, Failure));
  }
  return Name;
}

} // namespace kestrava
