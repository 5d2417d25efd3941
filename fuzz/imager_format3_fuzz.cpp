// Feeds arbitrary bytes to the format 3 reader straight from memory.

#include "imagerdata/ImagerFileFormat3.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  kestrava::TImagerProcedure Procedure;
  kestrava::TImagerFileInput Input({Data, Size});
  kestrava::ReadImagerFormat3(Input, Procedure);
  return 0;
}
