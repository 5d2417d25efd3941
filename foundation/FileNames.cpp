#include "foundation/FileNames.h"

namespace kestrava {

namespace {

bool IsSeparator(char C) {
  return C == '\\' || C == '/';
}
bool IsDelimiter(char C) {
  return IsSeparator(C) || C == ':';
}

// Position of the last separator or drive delimiter, or npos.
std::string::size_type LastDelimiter(const std::string& FileName) {
  for (auto I = FileName.size(); I > 0; --I) {
    if (IsDelimiter(FileName[I - 1])) {
      return I - 1;
    }
  }
  return std::string::npos;
}

} // namespace

std::string FileNameWithoutExtension(const std::string& FileName) {
  const auto Dot = FileName.rfind('.');
  const auto Delimiter = LastDelimiter(FileName);
  if (Dot == std::string::npos || (Delimiter != std::string::npos && Dot < Delimiter)) {
    return FileName;
  }
  return FileName.substr(0, Dot);
}

std::string DirectoryWithoutSeparator(const std::string& FileName) {
  const auto Delimiter = LastDelimiter(FileName);
  if (Delimiter == std::string::npos) {
    return {};
  }
  auto Length = Delimiter + 1;
  // Drop the separator unless it is the root's own ("\", "C:\").
  if (IsSeparator(FileName[Delimiter]) && Delimiter > 0 && !IsDelimiter(FileName[Delimiter - 1])) {
    --Length;
  }
  return FileName.substr(0, Length);
}

} // namespace kestrava
