#pragma once
// The program's exception families.
//
// `Exception` is the common class: it carries a message meant for the user.
// `E_Qel` and its descendants name a fault by their class alone; what()
// returns the class name so that a log or a test failure still says which.

#include <stdexcept>
#include <string>

namespace kestrava {

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
};

class E_Qel : public Exception {
public:
  E_Qel() : Exception("E_Qel") {}
  // Only the few places that the design gives a text use this.
  explicit E_Qel(const std::string& Message) : Exception(Message) {}
};

// Each class keeps a protected constructor taking the name so that its own
// descendants report their own name. (The macro's arguments are class names,
// which cannot be parenthesised.)
#define KESTRAVA_QEL_EXCEPTION(Name, Base)                                                         \
  class Name : public Base { /* NOLINT(bugprone-macro-parentheses) */                              \
  public:                                                                                          \
    Name() : Base(#Name) {}                                                                        \
                                                                                                   \
  protected:                                                                                       \
    explicit Name(const std::string& ClassName) : Base(ClassName) {}                               \
  };

KESTRAVA_QEL_EXCEPTION(E_Qel_UnknownError, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidArg, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidData, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_NotImplemented, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ObjectFailedToCreate, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_FileDoesNotExist, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_UnrecognisedDataFormat, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidReferenceCount, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_LoadingError, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_SavingError, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidFilename, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidFileMode, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ErrorOpeningFile, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ErrorOpeningFileForReading, E_Qel_ErrorOpeningFile)
KESTRAVA_QEL_EXCEPTION(E_Qel_ErrorOpeningFileForWriting, E_Qel_ErrorOpeningFile)
KESTRAVA_QEL_EXCEPTION(E_Qel_UnrecognisedFileExtension, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ErrorCreatingFile, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_DataHasEssentialInformationMissing, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ListItemHasNoParent, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidListItemIndex, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ListNeedsToOwnItemsForThisOperation, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ListItemIsAlreadyOwned, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_ObjectPointerIsNil, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidObjectType, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_AlreadyEnabled, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_DataNotAvailable, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_DeviceInUse, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_FailedToEnableDevice, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_DeviceIsNotEnabled, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_InvalidCalibrationData, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_Maths, E_Qel)
KESTRAVA_QEL_EXCEPTION(E_Qel_Maths_AttemptingToNormalizeAZeroLengthVector, E_Qel_Maths)

#undef KESTRAVA_QEL_EXCEPTION

} // namespace kestrava
