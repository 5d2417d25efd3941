#pragma once
// The procedure details a recording starts with: what the dialog is given
// and gives back, the data-file lists it offers, which entries it preselects,
// and the checks OK makes. The dialog (window/GetProcedureDetailsDialog.h)
// only shows this.
//
// Texts and file names are UTF-8. Thread: user-interface thread.

#include "foundation/UserInteraction.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava {

// What the caller hands the dialog and gets back after OK. On the way in the
// file fields are presets (with or without extension); on the way out they
// are as the table below says.
struct TProcedureDetails {
  std::string StorageDirectory; // in only
  // In: the file name box's preset. Out: FullImagerFilePath of the choice.
  std::string FileName;
  std::string PatientName;
  std::int32_t ProcedureType = 0; // index into ProcedureTypeNames()
  std::string SensorFile;         // out: name + ".msd"
  std::string OvertubeFile;       // out: name + ".otb", or empty for none
  std::string GeneratorCoilsFile; // out: name + ".gen"
  bool UsePainSensor = false;

  friend bool operator==(const TProcedureDetails&, const TProcedureDetails&) = default;
};

inline constexpr const char* NoSensorFilesMessage =
    "No sensor catheter data files installed. Please install before starting procedure.";
inline constexpr const char* NoGeneratorCoilFilesMessage =
    "No generator coil data files installed. Please install before starting procedure.";

// "Colonoscopy / Sigmoidoscopy", "Top", "Peg": the procedure types by index.
const std::vector<std::string>& ProcedureTypeNames();

// The names, without their extension, of the files in Directory whose names
// end in Extension (".msd", say), hidden ones included. The extension
// matches as the file system compares names: ignoring case on Windows,
// exactly elsewhere, so that name + Extension always opens the file listed.
// A missing or unreadable directory gives no names.
//
// Sorted as a sorted list box sorts, ignoring letter case (Unicode case
// folding); names equal but for case keep a fixed order by their code points.
std::vector<std::string> ListDataFileNames(const std::string& Directory,
                                           const std::string& Extension);

// The entries of the dialog's three data-file lists.
struct TProcedureChoices {
  std::vector<std::string> Sensors;        // from "*.msd"
  std::vector<std::string> Overtubes;      // "" (no overtube), then "*.otb"
  std::vector<std::string> GeneratorCoils; // from "*.gen"
};

// The lists from the data files of ProgramDirectory.
TProcedureChoices ListProcedureChoices(const std::string& ProgramDirectory);

// NoSensorFilesMessage when there is no sensor file, else
// NoGeneratorCoilFilesMessage when there is no generator coils file, else
// nothing. A recording cannot start without both.
std::optional<std::string> MissingDataFilesMessage(const TProcedureChoices& Choices);

// The first entry of Names equal, letter case included, to Preset without its
// extension; nothing when none is.
std::optional<std::size_t> PresetIndex(const std::vector<std::string>& Names,
                                       const std::string& Preset);

// The state of the dialog's controls; an empty index is no selection.
struct TProcedureSelection {
  std::string FileName;
  std::string PatientName;
  std::optional<std::size_t> ProcedureType;
  std::optional<std::size_t> Sensor;
  std::optional<std::size_t> Overtube; // 0 is the empty entry: no overtube
  std::optional<std::size_t> GeneratorCoils;
  bool UsePainSensor = false;

  friend bool operator==(const TProcedureSelection&, const TProcedureSelection&) = default;
};

// The controls as the dialog opens: boxes and check box from the presets,
// the procedure type when the preset index is one, sensor and generator
// coils by PresetIndex, the overtube by PresetIndex or else the empty entry.
TProcedureSelection PresetSelection(const TProcedureDetails& Details,
                                    const TProcedureChoices& Choices);

// The controls a failed check puts the focus on.
enum class TProcedureDetailsControl {
  FileName,
  PatientName,
  ProcedureType,
  Sensor,
  GeneratorCoils,
};

struct TProcedureDetailsFailure {
  std::string Message;
  TProcedureDetailsControl Focus = TProcedureDetailsControl::FileName;
  friend bool operator==(const TProcedureDetailsFailure&,
                         const TProcedureDetailsFailure&) = default;
};

inline constexpr const char* EnterFileNameMessage = "Please enter a file name";
inline constexpr const char* InvalidFileNameMessage =
    "Invalid file name. File names must not '.' or '\\'.";
inline constexpr const char* EnterPatientNameMessage = "Please enter the patients name";
inline constexpr const char* SelectProcedureTypeMessage = "Please select procedure type";
inline constexpr const char* SelectSensorMessage = "Please select sensor";
inline constexpr const char* SelectGeneratorCoilsMessage = "Please select generator coils";
inline constexpr const char* OverwriteQuestion =
    "File name already exists.\nDo you wish to overwrite it?";

// StorageDirectory + the platform's separator + FileName + ".img".
std::string FullImagerFilePath(const std::string& StorageDirectory, const std::string& FileName);

// OK's checks, in order: file name empty; file name holding '.', '\' or '/'
// (either would let the file land outside the storage directory); patient
// name empty; no procedure type, sensor or generator coils selected; the
// file exists and User does not answer Yes (Question icon, Yes/No) to
// OverwriteQuestion. The first failure has been shown through User (the
// overwrite one as the question itself) when it is returned; nothing means
// the details may be taken. The overtube and the check box are not checked.
std::optional<TProcedureDetailsFailure>
ValidateProcedureDetails(const std::string& StorageDirectory, const TProcedureSelection& Selection,
                         IUserInteraction& User);

// The out fields of a validated Selection (StorageDirectory stays).
void TakeProcedureDetails(const TProcedureSelection& Selection, const TProcedureChoices& Choices,
                          TProcedureDetails& Details);

} // namespace kestrava
