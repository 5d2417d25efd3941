// Feeds arbitrary text to the reader of the timeline's side file (the
// operator's caecum mark and lesion tags beside a recording). Besides
// crashes and unbounded memory, marks that no good file can give (a frame
// before the first, a lesion number twice, more lesions than allowed) are a
// fault, and so are accepted marks that do not read back the same once written.

#include "foundation/QelExceptions.h"
#include "timeline/TimelineSideFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

namespace {

bool Sane(const kestrava::TOperatorMarks& Marks) {
  if (Marks.Caecum && Marks.Caecum->Reached && Marks.Caecum->Frame < 1) {
    return false;
  }
  std::set<std::int32_t> Numbers;
  for (const kestrava::TLesionMark& Lesion : Marks.Lesions) {
    if (Lesion.Frame < 1 || Lesion.Number < 1 || !Numbers.insert(Lesion.Number).second) {
      return false;
    }
  }
  return Marks.Lesions.size() <= kestrava::MaxLesionTags;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  kestrava::TOperatorMarks Marks;
  try {
    Marks = kestrava::ParseTimelineSideFile(Text);
  } catch (const kestrava::Exception&) {
    return 0; // refused with a reason: as it should be
  }
  if (!Sane(Marks) || kestrava::ParseTimelineSideFile(
                          kestrava::TimelineSideFileText("x.img", Marks, {})) != Marks) {
    std::abort();
  }
  return 0;
}
