#include "tools/ToolErrors.h"

#include "foundation/QelExceptions.h"

#include <new>
#include <ostream>

namespace kestrava {

int RunReportingErrors(std::ostream& Err, const std::function<int()>& Body) {
  try {
    return Body();
  } catch (const EUsageError& Error) {
    Err << Error.what() << '\n';
    return ExitUsageError;
  } catch (const E_Qel_UnrecognisedDataFormat&) {
    // The E_Qel family carries only its class name; the user gets the text.
    Err << UnrecognisedFormatText << '\n';
    return ExitFileError;
  } catch (const Exception& Error) {
    // The loader and the writer say which file failed and how.
    Err << Error.what() << '\n';
    return ExitFileError;
  } catch (const std::bad_alloc&) {
    Err << "Not enough memory to load the file\n";
    return ExitFileError;
  } catch (const std::exception& Error) {
    Err << Error.what() << '\n';
    return ExitFileError;
  }
}

} // namespace kestrava
