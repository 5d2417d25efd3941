#pragma once
// The workstation's picture of one stored frame, drawn off screen by its own
// viewer code on the software device (reproducible): the views set up as
// the main window sets them up, the model built as it builds it (auto
// cut-off on), the camera aligned to the patient and fitted so that the
// whole endoscope, the markers and the hand fill the views. The report's
// pictures; kestrava-tool render draws the same way.
//
// Needs a GUI application (the marker labels' font). Thread: user-interface
// thread.

#include <QImage>
#include <cstdint>

namespace kestrava {

class TImagerFrame;

// The program's green, behind the endoscope.
inline constexpr std::uint32_t ProgramBackground = 32768; // 0x00BBGGRR

// Frame as the workstation shows it (without what no model can be built
// from) in ViewMode (TViewMode), Width x Height pixels (each at least 1).
QImage DrawFittedViews(const TImagerFrame& Frame, std::int32_t ProcedureType, std::int32_t ViewMode,
                       std::int32_t Width, std::int32_t Height);

} // namespace kestrava
