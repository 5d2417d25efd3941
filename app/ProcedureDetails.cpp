#include "app/ProcedureDetails.h"

#include "foundation/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace kestrava {

namespace {

QString FromUtf8(const std::string& Text) {
  return QString::fromStdString(Text);
}

bool LessAsSortedListBox(const QString& Left, const QString& Right) {
  const int Order = QString::compare(Left, Right, Qt::CaseInsensitive);
  return Order != 0 ? Order < 0 : QString::compare(Left, Right, Qt::CaseSensitive) < 0;
}

constexpr char NativeSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// '\' separates directories on Windows, '/' everywhere; a name holding
// either could write outside the storage directory, and a '.' could add its
// own extension or climb with "..".
bool IsInvalidFileName(const std::string& FileName) {
  return FileName.find_first_of(".\\/") != std::string::npos;
}

std::optional<std::size_t> IndexWithin(std::int32_t Index, std::size_t Count) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= Count) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(Index);
}

// The chosen entry + Extension, or empty for no choice or the empty entry.
std::string ChosenFile(const std::vector<std::string>& Names,
                       const std::optional<std::size_t>& Index, const char* Extension) {
  if (!Index || *Index >= Names.size() || Names[*Index].empty()) {
    return {};
  }
  return Names[*Index] + Extension;
}

} // namespace

const std::vector<std::string>& ProcedureTypeNames() {
  static const std::vector<std::string> Names{"Colonoscopy / Sigmoidoscopy", "Top", "Peg"};
  return Names;
}

std::vector<std::string> ListDataFileNames(const std::string& Directory,
                                           const std::string& Extension) {
  // Windows' "any attributes" includes its system files; on other systems
  // the "system" entries are pipes, sockets and devices, which must never be
  // opened as a data file (reading a pipe can block for ever).
  QDir::Filters Filters = QDir::Files | QDir::Hidden;
#ifdef _WIN32
  Filters |= QDir::System;
#else
  Filters |= QDir::CaseSensitive;
#endif
  const QString Suffix = FromUtf8(Extension);
  QStringList Entries =
      QDir(FromUtf8(Directory)).entryList(QStringList{"*" + Suffix}, Filters, QDir::NoSort);
  QStringList Names;
  for (const QString& Entry : Entries) {
    const QString Name = Entry.chopped(Suffix.size());
    // A file called just ".msd" would make an empty entry, which the lists
    // reserve for "none".
    if (!Name.isEmpty()) {
      Names.append(Name);
    }
  }
  std::sort(Names.begin(), Names.end(), LessAsSortedListBox);
  std::vector<std::string> Result;
  Result.reserve(static_cast<std::size_t>(Names.size()));
  for (const QString& Name : Names) {
    Result.push_back(Name.toStdString());
  }
  return Result;
}

TProcedureChoices ListProcedureChoices(const std::string& ProgramDirectory) {
  TProcedureChoices Choices;
  Choices.Sensors = ListDataFileNames(ProgramDirectory, ".msd");
  Choices.Overtubes = ListDataFileNames(ProgramDirectory, ".otb");
  Choices.Overtubes.insert(Choices.Overtubes.begin(), std::string());
  Choices.GeneratorCoils = ListDataFileNames(ProgramDirectory, ".gen");
  return Choices;
}

std::optional<std::string> MissingDataFilesMessage(const TProcedureChoices& Choices) {
  if (Choices.Sensors.empty()) {
    return NoSensorFilesMessage;
  }
  if (Choices.GeneratorCoils.empty()) {
    return NoGeneratorCoilFilesMessage;
  }
  return std::nullopt;
}

std::optional<std::size_t> PresetIndex(const std::vector<std::string>& Names,
                                       const std::string& Preset) {
  const std::string Wanted = FileNameWithoutExtension(Preset);
  const auto Found = std::find(Names.begin(), Names.end(), Wanted);
  if (Found == Names.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(Found - Names.begin());
}

TProcedureSelection PresetSelection(const TProcedureDetails& Details,
                                    const TProcedureChoices& Choices) {
  TProcedureSelection Selection;
  Selection.FileName = Details.FileName;
  Selection.PatientName = Details.PatientName;
  Selection.ProcedureType = IndexWithin(Details.ProcedureType, ProcedureTypeNames().size());
  Selection.Sensor = PresetIndex(Choices.Sensors, Details.SensorFile);
  Selection.Overtube = PresetIndex(Choices.Overtubes, Details.OvertubeFile);
  if (!Selection.Overtube && !Choices.Overtubes.empty()) {
    Selection.Overtube = 0;
  }
  Selection.GeneratorCoils = PresetIndex(Choices.GeneratorCoils, Details.GeneratorCoilsFile);
  Selection.UsePainSensor = Details.UsePainSensor;
  return Selection;
}

std::string FullImagerFilePath(const std::string& StorageDirectory, const std::string& FileName) {
  return StorageDirectory + NativeSeparator + FileName + ".img";
}

std::optional<TProcedureDetailsFailure>
ValidateProcedureDetails(const std::string& StorageDirectory, const TProcedureSelection& Selection,
                         IUserInteraction& User) {
  auto Fail = [&User](const char* Message, TProcedureDetailsControl Focus) {
    ShowNotice(User, Message);
    return TProcedureDetailsFailure{Message, Focus};
  };
  using enum TProcedureDetailsControl;
  if (Selection.FileName.empty()) {
    return Fail(EnterFileNameMessage, FileName);
  }
  if (IsInvalidFileName(Selection.FileName)) {
    return Fail(InvalidFileNameMessage, FileName);
  }
  if (Selection.PatientName.empty()) {
    return Fail(EnterPatientNameMessage, PatientName);
  }
  if (!Selection.ProcedureType) {
    return Fail(SelectProcedureTypeMessage, ProcedureType);
  }
  if (!Selection.Sensor) {
    return Fail(SelectSensorMessage, Sensor);
  }
  if (!Selection.GeneratorCoils) {
    return Fail(SelectGeneratorCoilsMessage, GeneratorCoils);
  }
  const std::string Path = FullImagerFilePath(StorageDirectory, Selection.FileName);
  if (QFileInfo::exists(FromUtf8(Path))) {
    const TMessageAnswer Answer =
        User.ShowMessage({OverwriteQuestion, {}, TMessageIcon::Question, TMessageButtons::YesNo});
    if (Answer != TMessageAnswer::Yes) {
      return TProcedureDetailsFailure{OverwriteQuestion, FileName};
    }
  }
  return std::nullopt;
}

void TakeProcedureDetails(const TProcedureSelection& Selection, const TProcedureChoices& Choices,
                          TProcedureDetails& Details) {
  Details.FileName = FullImagerFilePath(Details.StorageDirectory, Selection.FileName);
  Details.PatientName = Selection.PatientName;
  Details.ProcedureType = static_cast<std::int32_t>(Selection.ProcedureType.value_or(0));
  Details.SensorFile = ChosenFile(Choices.Sensors, Selection.Sensor, ".msd");
  Details.OvertubeFile = ChosenFile(Choices.Overtubes, Selection.Overtube, ".otb");
  Details.GeneratorCoilsFile = ChosenFile(Choices.GeneratorCoils, Selection.GeneratorCoils, ".gen");
  Details.UsePainSensor = Selection.UsePainSensor;
}

} // namespace kestrava
