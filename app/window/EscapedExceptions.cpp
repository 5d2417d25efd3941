#include "app/window/EscapedExceptions.h"

#include "app/ApplicationEvents.h"
#include "app/window/Main.h"

#include <ostream>

namespace kestrava {

std::string EscapedExceptionLine(const std::string& What) {
  return "An action failed and was abandoned: " + What;
}

void ReportEscapedExceptions(TApplicationEvents& Events, TMain& Main, std::ostream& Err) {
  Events.AddExceptionHandler([&Main, &Err](QObject*, const std::exception& Error) {
    Err << "kestrava: " << EscapedExceptionLine(Error.what()) << std::endl;
    Main.ShowNoticeInStatusBar(EscapedExceptionLine(Error.what()));
  });
}

} // namespace kestrava
