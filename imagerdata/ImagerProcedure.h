#pragma once
// One recorded examination: patient and procedure details, the time-ordered
// frames, and the pain statistics over the analysis and reference ranges.
//
// Statistics are recomputed lazily: any change of frames, ranges or
// threshold marks them invalid and the next getter brings them up to date.
// Thread: user-interface thread only.

#include "imagerdata/ImagerFrame.h"

#include <string>

namespace kestrava {

enum TProcedureType : std::int32_t {
  ProcedureColonoscopy = 0, // "Colonoscopy / Sigmoidoscopy"
  ProcedureTop = 1,         // "Top"
  ProcedurePeg = 2,         // "Peg"
};

// The operator's name of a procedure type; "" for an unknown value.
const char* ProcedureTypeText(std::int32_t ProcedureType);

class TImagerProcedure {
public:
  TImagerProcedure() = default;
  TImagerProcedure(const TImagerProcedure&) = delete;
  TImagerProcedure& operator=(const TImagerProcedure&) = delete;

  std::int32_t ProcedureType = ProcedureColonoscopy;
  std::string PatientName; // at most 63 characters in files
  double StartTime = 0;    // date-time: days since 30 Dec 1899
  bool HasPainData = false;
  std::string PainUnits; // at most 15 characters in files

  // Frees the frames, clears the four range ends to -1 and invalidates the
  // statistics; the details above and the threshold are kept.
  void Clear();
  // A zero-filled frame appended to the procedure, for the caller to fill.
  TImagerFrame& AddFrame();
  std::int32_t FrameCount() const { return Frames_.Count(); }
  // Index is clamped into 0 .. FrameCount - 1; E_Qel_InvalidListItemIndex when empty.
  TImagerFrame& GetFrame(std::int32_t Index) const;
  const TImagerFrames& Frames() const { return Frames_; }

  // Frame indexes or -1 (not set; any negative value is stored as -1). When
  // both ends of a range are set and start > end they are swapped. A range
  // with an end unset covers every frame; the part of a range beyond the last
  // frame is ignored by the statistics.
  void SetAnalysisStart(std::int32_t Index);
  void SetAnalysisEnd(std::int32_t Index);
  void SetReferenceStart(std::int32_t Index);
  void SetReferenceEnd(std::int32_t Index);
  std::int32_t AnalysisStart() const { return AnalysisStart_; }
  std::int32_t AnalysisEnd() const { return AnalysisEnd_; }
  std::int32_t ReferenceStart() const { return ReferenceStart_; }
  std::int32_t ReferenceEnd() const { return ReferenceEnd_; }

  // Normalised pain (fraction of the reference pain) above which time counts.
  void SetPainThreshold(double Value);
  double PainThreshold() const { return PainThreshold_; }

  // Each brings the statistics up to date first. Pain values are normalised
  // by ReferencePain; durations are in seconds. Readers check
  // GetHasReference first: without a reference the others keep stale values.
  double GetMaxPain();
  double GetMeanPain();
  double GetPainStdDev();
  double GetTimeAboveThreshold();
  double GetReferencePain();
  bool GetHasReference();
  double GetPainIntegral();
  double GetAnalysisDuration();
  bool StatisticsValid() const { return StatisticsValid_; }
  void InvalidateStatistics() { StatisticsValid_ = false; }

  // Writes format 3 to FileName with its extension replaced by ".img", and
  // returns the path written. Raises Exception("Cannot open file: " + name)
  // when the file cannot be created; an earlier file of that name survives
  // any failure.
  std::string SaveToFile(const std::string& FileName) const;
  // Loads format 3, 2 or 1; E_Qel_UnrecognisedDataFormat when none accepts
  // the file, Exception with the system's texts for the failures it names.
  // Returns the generation that was read (1, 2 or 3).
  int LoadFromFile(const std::string& FileName);

private:
  void UpdateStatistics();

  TImagerFrames Frames_;
  double PainThreshold_ = 0;
  std::int32_t AnalysisStart_ = -1, AnalysisEnd_ = -1;
  std::int32_t ReferenceStart_ = -1, ReferenceEnd_ = -1;
  bool StatisticsValid_ = false;
  double MaxPain_ = 0, MeanPain_ = 0, PainStdDev_ = 0, TimeAboveThreshold_ = 0;
  double ReferencePain_ = 0, PainIntegral_ = 0, AnalysisDuration_ = 0;
  bool HasReference_ = false;
};

} // namespace kestrava
