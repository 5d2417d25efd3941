#include "tools/ToolErrors.h"

#include "foundation/QelExceptions.h"
#include "imagerdata/ImagerFileErrors.h"

#include <filesystem>
#include <new>
#include <ostream>

namespace kestrava {

void CheckOutputFileName(const std::string& Name, const std::string& Option) {
  if (Name.empty()) {
    throw EUsageError(Option + ": an output file name is needed");
  }
  const std::filesystem::path Path(Name);
  std::error_code Ignored;
  if (!Path.has_filename() || std::filesystem::is_directory(Path, Ignored)) {
    throw EUsageError(Option + " " + Name + ": names a directory, not a file");
  }
}

int RunReportingErrors(std::ostream& Err, const std::function<int()>& Body) {
  try {
    return Body();
  } catch (const EUsageError& Error) {
    Err << Error.what() << '\n';
    return ExitUsageError;
  } catch (const EHardwareFault& Error) {
    Err << Error.what() << '\n';
    return ExitHardwareError;
  } catch (const EImagerFileNotRecognised& Error) {
    Err << UnrecognisedFormatText << '\n' << Error.Detail() << '\n';
    return ExitFileError;
  } catch (const E_Qel_UnrecognisedDataFormat&) {
    // The E_Qel family carries only its class name; the user gets the text.
    Err << UnrecognisedFormatText << '\n';
    return ExitFileError;
  } catch (const EImagerFileSave& Error) {
    Err << SaveFailedText << '\n' << Error.Path() << ": " << Error.Reason() << '\n';
    return ExitFileError;
  } catch (const EImagerFileAccess& Error) {
    Err << Error.what() << " (" << Error.Reason() << ")\n";
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
