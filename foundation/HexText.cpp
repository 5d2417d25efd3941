#include "foundation/HexText.h"

namespace kestrava {

std::string HexText(std::uint32_t Value) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Text(8, '0');
  for (auto Position = Text.rbegin(); Position != Text.rend(); ++Position) {
    *Position = Digits[Value & 0xFu];
    Value >>= 4;
  }
  return Text;
}

} // namespace kestrava
