#include "app/ReportContent.h"

#include "app/InformationBoxLines.h"
#include "imagerdata/ImagerProcedure.h"
#include "timeline/TimelineTexts.h"
#include "timeline/TimelineTracker.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace kestrava {

namespace {

std::string Centimetres(double Metres) {
  return FormatFixed(Metres * 100, 1) + " cm";
}

std::string At(const TTimelineEvent& Event) {
  return MinutesAndSeconds(Event.Seconds) + " (frame " + std::to_string(Event.Frame) + ")";
}

std::string Segment(TColonSegment Part) {
  return std::string(ColonSegmentText(Part));
}

// Both ends set: that range, in order; otherwise every frame.
std::optional<TFrameSpan> RangeOf(std::int32_t Start, std::int32_t End, std::int32_t Count) {
  if (Count < 1) {
    return std::nullopt;
  }
  if (Start < 0 || End < 0) {
    return TFrameSpan{1, Count};
  }
  return TFrameSpan{std::min(Start, End) + 1, std::min(std::max(Start, End), Count - 1) + 1};
}

std::string SpanText(const std::optional<TFrameSpan>& Span) {
  return Span ? std::to_string(Span->First) + " to " + std::to_string(Span->Last) : "-";
}

// Without a segment anywhere, the timeline had nothing to place the tip by
// (no body markers, another procedure): the caecum was not looked for.
bool TimelineAssessed(const TTimelineAnalysis& Timeline) {
  return std::any_of(Timeline.Frames.begin(), Timeline.Frames.end(),
                     [](const TTimelineFrame& F) { return F.Segment != TColonSegment::Unknown; });
}

std::string CaecumSentence(const TTimelineAnalysis& Timeline) {
  const TTimelineSummary& S = Timeline.Summary;
  if (S.Caecum) {
    return "Caecum reached at " + At(*S.Caecum) +
           (S.CaecumConfirmedByOperator ? ", confirmed by the operator." : ".");
  }
  return (TimelineAssessed(Timeline) ? "Caecum not reached: " : "Caecum not assessed: ") +
         S.Reason + ".";
}

std::string WithdrawalText(const TTimelineSummary& S) {
  const std::string Standard =
      std::to_string(static_cast<int>(MinimumWithdrawalSeconds / 60)) + "-minute standard";
  if (!S.Caecum) {
    return "- (no caecum)";
  }
  if (!S.WithdrawalSeconds) {
    return "- (the scope is not out at the end of the recording)";
  }
  return MinutesAndSeconds(*S.WithdrawalSeconds) +
         (*S.WithdrawalSeconds < MinimumWithdrawalSeconds ? ", under the " : ", meets the ") +
         Standard;
}

std::string LoopedText(const TLoopSummary& S) {
  std::string Text = MinutesAndSeconds(S.SecondsLooped) + " in " +
                     std::to_string(S.Episodes.size()) +
                     (S.Episodes.size() == 1 ? " episode" : " episodes");
  if (S.UnclassifiedFrames > 0) {
    Text += "; " + std::to_string(S.UnclassifiedFrames) + " frames not classified";
  }
  return Text;
}

TReportSection QualitySection(const TProcedureFigures& F) {
  const TTimelineSummary& S = F.Timeline.Summary;
  TReportSection Section{"Quality", CaecumSentence(F.Timeline), {}, {}};
  if (!S.Caecum && S.Deepest) {
    Section.Lines.push_back({"Deepest point:", Segment(S.DeepestSegment) + ", " +
                                                   Centimetres(S.DeepestDepth.value_or(0)) +
                                                   " from the anal verge, at " + At(*S.Deepest)});
  }
  Section.Lines.push_back(
      {"Insertion time:", S.InsertionSeconds ? MinutesAndSeconds(*S.InsertionSeconds) : "-"});
  Section.Lines.push_back({"Withdrawal time:", WithdrawalText(S)});
  Section.Lines.push_back({"Time looped:", LoopedText(F.Loops.Summary)});
  Section.Lines.push_back(
      {"Largest inserted length:", FormatFixed(F.Loops.Summary.LargestInsertedLength, 2) + " m"});
  return Section;
}

std::string LoopPainText(const TLoopPain& Pain, double Threshold, const std::string& Units) {
  if (Pain.Seconds <= 0) {
    return "-";
  }
  return "mean " + FormatFixed(Pain.Mean, 2) + " " + Units + " over " +
         MinutesAndSeconds(Pain.Seconds) + ", " + FormatFixed(100 * Pain.ShareAboveThreshold, 0) +
         " % of it above " + FormatFixed(Threshold, 2) + " " + Units;
}

TReportSection PainSection(const TReportDetails& D, const TProcedureFigures& F) {
  TReportSection Section{"Pain", {}, {}, {}};
  if (!D.HasPainData) {
    Section.Lead = "No pain data in this recording.";
    return Section;
  }
  const TPainStatistics& P = F.Pain;
  const std::string Units = D.PainUnits.empty() ? std::string() : " " + D.PainUnits;
  Section.Lines = {{"Analysis frames:", SpanText(D.Analysis)},
                   {"Reference frames:", SpanText(D.Reference)},
                   {"Reference:", FormatFixed(P.ReferencePain, 2) + Units},
                   {"Analysis interval:", FormatFixed(P.AnalysisDuration, 2) + " secs"}};
  if (P.HasReference) {
    Section.Lines.insert(
        Section.Lines.end(),
        {{"Max:", FormatFixed(P.MaxPain, 3)},
         {"Integral:", FormatFixed(P.PainIntegral, 3)},
         {"Average:", FormatFixed(P.MeanPain, 3)},
         {"Standard dev:", FormatFixed(P.PainStdDev, 3)},
         {"Above threshold:", FormatFixed(P.TimeAboveThreshold, 2) + " secs (threshold " +
                                  FormatFixed(D.PainThreshold, 3) + ")"}});
  } else {
    Section.Lead = "No reference pain above 0.1: the statistics are not available.";
  }
  const TLoopSummary& L = F.Loops.Summary;
  Section.Lines.push_back(
      {"Inside loops:", LoopPainText(L.PainInsideLoops, F.LoopPainThreshold, D.PainUnits)});
  Section.Lines.push_back(
      {"Outside loops:", LoopPainText(L.PainOutsideLoops, F.LoopPainThreshold, D.PainUnits)});
  return Section;
}

TReportSection EpisodesSection(const TLoopSummary& L) {
  TReportSection Section{"Loop episodes", {}, {}, {}};
  Section.Table = {
      {"No.", "Class", "Start", "Duration", "Largest excess"}, {}, "No loop episodes."};
  for (std::size_t I = 0; I < L.Episodes.size(); ++I) {
    const TLoopEpisode& E = L.Episodes[I];
    Section.Table.Rows.push_back({std::to_string(I + 1), std::string(LoopClassText(E.Class)),
                                  MinutesAndSeconds(E.StartSeconds),
                                  MinutesAndSeconds(E.EndSeconds - E.StartSeconds),
                                  Centimetres(E.LargestExcess)});
  }
  return Section;
}

TReportSection LesionsSection(const std::vector<TLesionTag>& Lesions) {
  TReportSection Section{"Lesions", {}, {}, {}};
  Section.Table = {
      {"No.", "Frame", "Time", "Depth from the anal verge", "Segment"}, {}, "No lesions tagged."};
  for (const TLesionTag& Tag : Lesions) {
    Section.Table.Rows.push_back({std::to_string(Tag.Number), std::to_string(Tag.Frame),
                                  MinutesAndSeconds(Tag.Seconds),
                                  Tag.Depth ? Centimetres(*Tag.Depth) : "-", Segment(Tag.Segment)});
  }
  return Section;
}

std::string FrameAt(std::int32_t Frame, double Seconds) {
  return "frame " + std::to_string(Frame) + " at " + MinutesAndSeconds(Seconds);
}

TReportPicture TurnPicture(const TReportDetails& D, const TProcedureFigures& F) {
  const TTimelineSummary& S = F.Timeline.Summary;
  if (S.Caecum) {
    return {S.Caecum->Frame - 1,
            "Twin view at the caecum, " + FrameAt(S.Caecum->Frame, S.Caecum->Seconds)};
  }
  if (S.Deepest) {
    return {S.Deepest->Frame - 1, "Twin view at the deepest point (" + Segment(S.DeepestSegment) +
                                      "), " + FrameAt(S.Deepest->Frame, S.Deepest->Seconds)};
  }
  if (D.FrameCount < 1) {
    return {std::nullopt, "No frames"};
  }
  return {
      D.FrameCount - 1,
      "Twin view of the last frame, " +
          FrameAt(D.FrameCount, F.Timeline.Frames.empty() ? 0 : F.Timeline.Frames.back().Seconds) +
          " (no deepest point)"};
}

// The frame of the episode with the largest excess length where it was largest.
TReportPicture LoopPicture(const TLoopAnalysis& Loops) {
  const std::vector<TLoopEpisode>& Episodes = Loops.Summary.Episodes;
  const auto Largest =
      std::max_element(Episodes.begin(), Episodes.end(), [](const auto& A, const auto& B) {
        return A.LargestExcess < B.LargestExcess;
      });
  if (Largest == Episodes.end() || Loops.Frames.empty()) {
    return {std::nullopt, "No loop episodes"};
  }
  const auto Count = static_cast<std::int32_t>(Loops.Frames.size());
  const std::int32_t First = std::clamp(Largest->FirstFrame - 1, 0, Count - 1);
  const std::int32_t Last = std::clamp(Largest->LastFrame - 1, First, Count - 1);
  std::int32_t Index = First;
  for (std::int32_t I = First; I <= Last; ++I) {
    const auto Slot = static_cast<std::size_t>(I);
    if (Loops.Frames[Slot].State.ExcessLength >
        Loops.Frames[static_cast<std::size_t>(Index)].State.ExcessLength) {
      Index = I;
    }
  }
  const TLoopFrame& Frame = Loops.Frames[static_cast<std::size_t>(Index)];
  return {Index, "Twin view at the largest loop (" + std::string(LoopClassText(Largest->Class)) +
                     "), " + FrameAt(Index + 1, Frame.TimeSeconds) + ", excess " +
                     Centimetres(Frame.State.ExcessLength)};
}

} // namespace

TReportDetails ReportDetailsOf(const TImagerProcedure& Procedure, const std::string& RecordingPath,
                               const std::string& ProgramVersion) {
  TReportDetails D;
  D.PatientName = Procedure.PatientName;
  D.ProcedureType = Procedure.ProcedureType;
  D.StartTime = Procedure.StartTime;
  D.FrameCount = Procedure.FrameCount();
  if (D.FrameCount > 0) {
    const double Days = Procedure.GetFrame(D.FrameCount - 1).Time - Procedure.GetFrame(0).Time;
    D.DurationSeconds = std::isfinite(Days) ? std::max(0.0, Days * SecondsPerDay) : 0;
  }
  D.RecordingName = std::filesystem::path(RecordingPath).filename().string();
  D.ProgramVersion = ProgramVersion;
  D.HasPainData = Procedure.HasPainData;
  D.PainUnits = Procedure.PainUnits;
  D.PainThreshold = Procedure.PainThreshold();
  D.Analysis = RangeOf(Procedure.AnalysisStart(), Procedure.AnalysisEnd(), D.FrameCount);
  D.Reference = RangeOf(Procedure.ReferenceStart(), Procedure.ReferenceEnd(), D.FrameCount);
  return D;
}

TReportContent ReportContentOf(const TReportDetails& D, const TProcedureFigures& F) {
  TReportContent Content;
  Content.Title = "Procedure report";
  Content.Program = "Kestrava " + D.ProgramVersion;
  // The report reads the same wherever it is written: the information box's
  // own patterns with their plain separators, not the locale's.
  const TDateTimeSeparators PlainSeparators;
  const char* Type = ProcedureTypeText(D.ProcedureType);
  Content.Header = {
      {"Patient:", D.PatientName.empty() ? "-" : D.PatientName},
      {"Procedure:", *Type != '\0' ? Type : "Unknown"},
      {"Date:", FormatDate(D.StartTime, PlainSeparators)},
      {"Start time:", FormatClockTime(D.StartTime, PlainSeparators)},
      {"Duration:", FormatElapsedTime(D.DurationSeconds / SecondsPerDay, PlainSeparators) + " (" +
                        std::to_string(D.FrameCount) + " frames)"},
      {"Recording:", D.RecordingName}};
  Content.Quality = QualitySection(F);
  Content.Pain = PainSection(D, F);
  Content.Episodes = EpisodesSection(F.Loops.Summary);
  Content.Lesions = LesionsSection(F.Timeline.Lesions);
  Content.Turn = TurnPicture(D, F);
  Content.Loop = LoopPicture(F.Loops);
  return Content;
}

} // namespace kestrava
