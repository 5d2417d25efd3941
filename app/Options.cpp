#include "app/Options.h"

#include <QDir>
#include <utility>

namespace kestrava {

std::string DefaultStorageDirectory() {
#ifdef _WIN32
  return "C:\\Images";
#else
  return QDir::homePath().toStdString() + "/Images";
#endif
}

TOptions DefaultOptions(const std::string& WorkingDirectory) {
  TOptions Options;
  Options.ImagerFilesDirectory = WorkingDirectory;
  Options.ImagerFileStorageDirectory = DefaultStorageDirectory();
  return Options;
}

void SetDefaultOptions(TOptions& Options) {
  TOptions Defaults = DefaultOptions(Options.ImagerFilesDirectory);
  Defaults.UsePainSensor = Options.UsePainSensor;
  Defaults.ProcedureType = Options.ProcedureType;
  Defaults.SensorFilename = std::move(Options.SensorFilename);
  Defaults.OvertubeFilename = std::move(Options.OvertubeFilename);
  Defaults.GeneratorCoilsFilename = std::move(Options.GeneratorCoilsFilename);
  Options = std::move(Defaults);
}

} // namespace kestrava
