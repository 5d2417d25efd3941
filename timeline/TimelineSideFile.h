#pragma once
// The operator's marks kept beside a recording: NAME.timeline.json next to
// NAME.img, so that the imager file itself is never touched. JSON:
//   {"format": "kestrava-timeline", "version": 1, "recording": "NAME.img",
//    "caecum": {"reached": true, "frame": 459},
//    "lesions": [{"number": 1, "frame": 700, "time_s": 699.0,
//                 "depth_m": 0.62, "segment": "transverse",
//                 "tip_m": [0.01, 0.12, -0.05]}]}
// "caecum" is null (or left out) when the operator has not spoken, and
// {"reached": false} when they say it was not reached. Frames are numbered
// from 1. A lesion's time, depth, segment and tip (generator axes) are
// written for other readers of the file; reading takes only its number and
// frame, and works the rest out again from the recording.
//
// Writing replaces the file in one step (a temporary file renamed over it),
// so a crash leaves the old marks or the new, never a mixture. Reading is
// bounded: a file larger than MaxSideFileBytes, nested deeper than a few
// levels, with more than MaxLesionTags lesions or with anything that is not
// as above is refused with a reason. Thread: any.

#include "timeline/OperatorMarks.h"
#include "timeline/TimelineResult.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava {

inline constexpr std::size_t MaxSideFileBytes = std::size_t{256} * 1024;
inline constexpr std::size_t MaxLesionTags = 1000;

// NAME.timeline.json for the recording NAME.img (any extension).
std::string TimelineSideFilePath(const std::string& RecordingPath);

// The marks in Text, a side file's content. Raises Exception with the
// reason when it is not such a file.
TOperatorMarks ParseTimelineSideFile(std::string_view Text);

// The marks kept beside the recording at RecordingPath; none when there is
// no side file. Raises Exception("The timeline file PATH cannot be used: why")
// when there is one that cannot be read or is not such a file.
TOperatorMarks LoadTimelineSideFile(const std::string& RecordingPath);

// The text of a side file holding Marks, the lesions described by Tags (the
// tags of the same marks, as TTimelineTracker::Lesions gives them).
std::string TimelineSideFileText(const std::string& RecordingPath, const TOperatorMarks& Marks,
                                 const std::vector<TLesionTag>& Tags);
// Writes that text beside the recording. Raises Exception("Cannot write
// file: PATH (why)") on failure, leaving any earlier side file as it was.
void SaveTimelineSideFile(const std::string& RecordingPath, const TOperatorMarks& Marks,
                          const std::vector<TLesionTag>& Tags);

} // namespace kestrava
