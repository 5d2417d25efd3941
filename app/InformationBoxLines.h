#pragma once
// The text of the main window's information box: procedure details, the
// frame on show, scope length, curvature at the selected point and the
// patient pain statistics, rebuilt on every refresh.
//
// Numbers are fixed-point with a "." decimal point whatever the locale.
// Times and dates use the locale's date and time separators in fixed
// patterns: "hh:mm" and "dd/mm/yyyy" for the procedure's start, "hh:nn:ss"
// for the elapsed time, which is a time of day and wraps at 24 hours.
//
// Thread: user-interface thread.

#include "imagerdata/ImagerProcedure.h"
#include "scene/DrawableFrame.h"

#include <QtCore/QLocale>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

inline constexpr std::int32_t InformationBoxTabStop = 100; // pixels

// What the window knows beyond the procedure and the frame on show.
struct TInformationBoxState {
  std::int32_t Mode = 0; // 0 idle (empty box), 1 replay, 2 recording
  std::string CurrentFileName;
  // 1-based frame on show; while recording, the frames stored so far.
  std::int32_t CurrentFrame = 0;
  double ScopeLength = 0;                   // metres, from the shape model
  std::int32_t SelectedCurvaturePoint = -1; // -1: no point selected
  double Curvature = 0;                     // per metre, at the selected point
  std::string SensorFileName;               // option "SensorFilename"
};

struct TInformationBoxText {
  std::vector<std::string> Lines; // "\t" jumps to the tab stop
  std::int32_t TabStop = InformationBoxTabStop;
};

// Procedure is not const: its statistic getters bring the statistics up to
// date. Frame is the window's copy of the frame on show.
TInformationBoxText InformationBoxLines(const TInformationBoxState& State,
                                        TImagerProcedure& Procedure, const TImagerFrame& Frame,
                                        const QLocale& Locale = QLocale());

// The separators the box puts between date and between time fields.
struct TDateTimeSeparators {
  std::string Date = "/";
  std::string Time = ":";
};
// Taken from the locale's short date and time formats: the first character
// other than a space between the first two fields ("dd.MM.yy" gives ".",
// "H.mm" gives "."), a space when only spaces part them, and "/" or ":" when
// the format has no second field or quotes its separator.
TDateTimeSeparators DateTimeSeparatorsOf(const QLocale& Locale);

// Fixed-point with Decimals digits after a ".", the nearest to the exact
// value; never "-0.00".
std::string FormatFixed(double Value, int Decimals);
// Date-times count days since 30 December 1899; a value that is not finite
// or lies outside years 1 to 9999 is shown as that day's midnight.
std::string FormatClockTime(double DateTime, const TDateTimeSeparators& Separators); // hh:mm
std::string FormatDate(double DateTime, const TDateTimeSeparators& Separators);      // dd/mm/yyyy
// Days since the start as a time of day: 1.5 days read 12:00:00.
std::string FormatElapsedTime(double Days, const TDateTimeSeparators& Separators); // hh:nn:ss

// A frame the model could not be built from whole: the box's line
// ("Model:\tnot a number") and the status bar's ("Model incomplete: sensor
// 3 position: not a number"). Both empty for a sound frame.
std::string ModelInformationLine(const TFrameCheck& Check);
std::string FrameProblemLine(const TFrameCheck& Check);

// "Colon", "Top", "Peg" or "Unknown".
std::string ProcedureTypeShortText(std::int32_t ProcedureType);

} // namespace kestrava
