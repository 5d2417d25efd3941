#pragma once
// Turning DirectDraw and Direct3D result codes into exceptions the user can read.
//
// Every checked platform call of the rendering subsystem hands its result to
// CheckDirectXResult. Thread: any; nothing here holds state.

#include "foundation/QelExceptions.h"
#include "foundation/QelObject.h"

#include <span>
#include <string>
#include <string_view>

namespace kestrava {

// A DirectX failure; what() is the whole message for the user.
class EDirectX : public Exception {
public:
  explicit EDirectX(const std::string& Message) : Exception(Message) {}
};

// The installed DirectX lacks the version 6 interfaces.
class EDirectX_NeedVersion6 : public EDirectX {
public:
  EDirectX_NeedVersion6() : EDirectX("DirectX V6 or higher must be installed.") {}
  explicit EDirectX_NeedVersion6(const std::string& Message) : EDirectX(Message) {}
};

// One row of the result-text table.
struct TDirectXResultRow {
  HRESULT Code;
  std::string_view Name; // the platform's published constant name
  std::string_view Text; // what the message shows
};

// Every code that has a text, in ascending order of the code taken as an
// unsigned 32-bit value; no code appears twice.
std::span<const TDirectXResultRow> DirectXResultTable();

// The table row of Result, or null when the code has no text.
const TDirectXResultRow* FindDirectXResult(HRESULT Result);

// The published name of Result; empty when the code has no row.
std::string_view DirectXResultName(HRESULT Result);

// The text of Result; "Unrecognized error value" when the code has no row.
std::string_view DirectXResultText(HRESULT Result);

// DirectX error - "<text>" (error code: <8 upper-case hex digits>H)
std::string DirectXErrorMessage(HRESULT Result);

// Returns when Result is 0; any other value, success codes above 0 included,
// raises EDirectX with DirectXErrorMessage(Result).
void CheckDirectXResult(HRESULT Result);

} // namespace kestrava
