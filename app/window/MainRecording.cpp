// TMain's recording: "Start Procedure" with its checks, the acquisition step
// run whenever the application is idle (the recording session does the
// work; the window shows what it reports), and Stop, which saves the
// procedure and reopens it for replay.

#include "acquisition/ImagerSampler.h"
#include "app/PainDisplay.h"
#include "app/QelApplication.h"
#include "app/StorageDirectoryCheck.h"
#include "app/window/GenCoilsDisconnectedDialog.h"
#include "app/window/GetProcedureDetailsDialog.h"
#include "app/window/Main.h"
#include "controls/ECGGraph.h"
#include "foundation/UserInteraction.h"
#include "timeline/TimelineSideFile.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kestrava {

namespace {

// The idle notification belongs to the program's application object; a
// window made under a plain QApplication (a tool) records nothing.
TQelApplication* QelApplication() {
  return dynamic_cast<TQelApplication*>(qApp);
}

std::string SaveFailureQuestion(const std::string& FileName, const std::string& Reason) {
  return std::string(SaveProblemMessage) + "\n" + FileName + "\n" + Reason +
         "\nThe recording is kept in memory. Do you wish to save it elsewhere?";
}

} // namespace

std::string UnsavedRecordingQuestion(const std::string& FileName) {
  return "The recording " + FileName +
         " has not been saved: its save failed and was not made elsewhere.\n"
         "Do you wish to save it now?";
}

IRecordingClock& TMain::Clock() {
  return Env_.Clock != nullptr ? *Env_.Clock : SteadyClock_;
}

void TMain::StartProcedure() {
  if (Session_->Recording() || !KeepOrSaveUnsavedRecording())
    return;
  if (!EnsureStorageDirectory(Options_.ImagerFileStorageDirectory, Env_.User))
    return;
  TProcedureDetails Details;
  Details.StorageDirectory = Options_.ImagerFileStorageDirectory;
  Details.ProcedureType = Options_.ProcedureType;
  Details.SensorFile = Options_.SensorFilename;
  Details.OvertubeFile = Options_.OvertubeFilename;
  Details.GeneratorCoilsFile = Options_.GeneratorCoilsFilename;
  Details.UsePainSensor = Options_.UsePainSensor;
  if (!RunProcedureDetails(Details))
    return;
  Options_.ProcedureType = Details.ProcedureType;
  Options_.SensorFilename = Details.SensorFile;
  Options_.UsePainSensor = Details.UsePainSensor;
  Options_.OvertubeFilename = Details.OvertubeFile;
  Options_.GeneratorCoilsFilename = Details.GeneratorCoilsFile;
  if (!SetUpSampler())
    return;
  if (const std::optional<std::string> FileName = BeginRecording(Details))
    EnterRecordingMode(*FileName);
}

bool TMain::RunProcedureDetails(TProcedureDetails& Details) {
  if (Env_.AskProcedureDetails)
    return Env_.AskProcedureDetails(Details);
  return DetailsDialog_->Run(Details, Env_.ProgramDirectory, Env_.User);
}

bool TMain::SetUpSampler() {
  bool Ready = false;
  try {
    Ready = Session_->SetUp(ProgramDirectorySetup(
        Env_.ProgramDirectory, Options_.ProcedureType, Options_.SensorFilename,
        Options_.OvertubeFilename, Options_.GeneratorCoilsFilename, Options_.UsePainSensor));
  } catch (const std::exception& Failure) {
    // A calibration file that does not load ends the start; the operator
    // must hear which one, or the button seems to do nothing.
    ShowNotice(Env_.User, Failure.what());
    return false;
  }
  if (!Ready)
    ShowNotice(Env_.User, DspFailedMessage);
  return Ready;
}

std::optional<std::string> TMain::BeginRecording(const TProcedureDetails& Details) {
  try {
    return Session_->Start({Details.PatientName, Details.ProcedureType, Sampler_->UsePainSensor()},
                           Details.FileName);
  } catch (const std::exception&) {
    // The session has stopped the sampler and left the procedure on show.
    ShowNotice(Env_.User, SaveProblemMessage);
    return std::nullopt;
  }
}

void TMain::EnterRecordingMode(const std::string& FileName) {
  Display_.BeginRecording(FileName, Session_->MaxPain());
  TimeLine_->ClearPoints();
  TimeLine_->SetFollowLatest(true);
  TimeLine_->SetCursorPosition(-1);
  TimeLine_->SetYScale(static_cast<float>(TimeLineScaleForPain(Session_->MaxPain())));
  if (Options_.ViewMode == ViewModeLateral) {
    Options_.ViewMode = ViewModeAP;
    Display_.Change(&TDisplayChanges::ViewMode);
  }
  Options_.AutoAlign = true;
  Options_.UseAutoCutoff = true;
  Timer_.stop();
  StartButton_->setEnabled(false);
  StopButton_->setEnabled(true);
  SetRemoteMode(RemoteModeMarkers);
  Update();
  if (TQelApplication* Application = QelApplication())
    Application->SetOnIdle([this](QObject*, bool& Done) { AcquisitionStep(Done); });
}

// Unlike the first workstations, acquisition goes on while another program
// has the focus (the navigation software fed by our stream, say): a
// procedure must not keep a hole for every glance away. The sample waits
// for the hardware, so a step in the background runs no faster than the
// hardware delivers.
void TMain::AcquisitionStep(bool& Done) {
  if (!Session_->Recording())
    return;
  Done = false;
  for (const TControlAction& Action : Keys_.PollKeys())
    ApplyControlAction(Action, false);
  const TSessionStep Step =
      Session_->Step({Options_.UsePhaseCorrection, Options_.ViewLoops, Options_.UseAutoCutoff});
  RemoteMode_ = Session_->RemoteMode();
  for (const TControlAction& Action : Step.Remote.Actions)
    ApplyControlAction(Action, false);
  const TAcquisitionStep& Acquisition = Step.Acquisition;
  if (Acquisition.Stop) {
    ShowNotice(Env_.User, Acquisition.Message);
    StopProcedure();
    Done = true;
    return;
  }
  if (Acquisition.Outcome == TAcquisitionOutcome::GenCoilsDisconnected) {
    GenCoilsNotice_->show();
    GenCoilsNotice_->raise();
    return;
  }
  GenCoilsNotice_->hide();
  if (!Acquisition.FileFailure.empty())
    ShowLiveFileFailure(Acquisition.FileFailure);
  if (!Step.TimelineAlert.empty())
    ShowNoticeInStatusBar(Step.TimelineAlert);
  ShowAcquisition(Step);
}

// Not a message box that waits for OK: the recording goes on behind it.
void TMain::ShowLiveFileFailure(const std::string& Failure) {
  const QString Text = QString::fromStdString(
      Failure + "\nThe recording goes on in memory and is saved when it stops.");
  if (LiveFileNotice_ == nullptr) {
    LiveFileNotice_ =
        new QMessageBox(QMessageBox::Warning, ProgramTitle, Text, QMessageBox::Ok, this);
    LiveFileNotice_->setObjectName("LiveFileNotice");
    LiveFileNotice_->setWindowModality(Qt::NonModal);
  }
  LiveFileNotice_->setText(Text);
  LiveFileNotice_->show();
  LiveFileNotice_->raise();
  ShowNoticeInStatusBar(Failure);
}

void TMain::ShowAcquisition(const TSessionStep& Step) {
  if (Step.Acquisition.MaxPainRaised) {
    TimeLine_->SetYScale(static_cast<float>(TimeLineScaleForPain(Session_->MaxPain())));
    TimeLine_->update();
  }
  Display_.ShowSample({Session_->StoredFrames(), Session_->MaxPain(), Step.Loop});
  if (Step.Acquisition.FrameStored) {
    TimeLine_->AddPoint(Display_.CurrentFrameData().Pain);
    TimeLine_->update();
  }
  Update();
}

void TMain::StopProcedure() {
  if (!Session_->Recording())
    return;
  if (TQelApplication* Application = QelApplication())
    Application->SetOnIdle({});
  GenCoilsNotice_->hide();
  Session_->Stop();
  StartButton_->setEnabled(HardwareReady_);
  StopButton_->setEnabled(false);
  Timer_.start();
  SaveRecording(Display_.CurrentFileName());
  TimeLine_->SetFollowLatest(false);
}

// The whole procedure replaces the live file at once, then is read back from
// the disk. A save that fails must not pass in silence: the recording stays
// in memory and on show, and the operator may save it elsewhere; until it
// is saved, nothing may drop it without asking.
bool TMain::SaveRecording(std::string FileName) {
  for (;;) {
    try {
      FileName = Display_.Procedure().SaveToFile(FileName);
      UnsavedRecording_ = false;
      KeepTimelineMarksBeside(FileName);
      OpenImagerFile(FileName);
      return true;
    } catch (const std::exception& Failure) {
      const TMessageAnswer Answer =
          Env_.User.ShowMessage({SaveFailureQuestion(FileName, Failure.what()), "",
                                 TMessageIcon::Error, TMessageButtons::YesNo});
      std::string Elsewhere;
      if (Answer == TMessageAnswer::Yes)
        Elsewhere = AskSaveFileName();
      if (Elsewhere.empty()) {
        UnsavedRecording_ = true;
        Display_.ShowProcedure(FileName);
        SetTimeLine(TimeLinePointsOf(Display_.Procedure()));
        Update();
        return false;
      }
      FileName = Elsewhere;
    }
  }
}

// The marks were written beside the live file as they were made; a
// recording saved elsewhere takes them along.
void TMain::KeepTimelineMarksBeside(const std::string& FileName) {
  const TTimelineTracker& Timeline = Session_->Timeline();
  if (Timeline.Marks() == TOperatorMarks{})
    return;
  try {
    SaveTimelineSideFile(FileName, Timeline.Marks(), Timeline.Lesions());
  } catch (const std::exception& Failure) {
    ShowNoticeInStatusBar(std::string("Timeline marks not saved: ") + Failure.what());
  }
}

std::string TMain::AskSaveFileName() {
  if (Env_.AskSaveFileName)
    return Env_.AskSaveFileName();
  return QFileDialog::getSaveFileName(this, QString(), QString(), "Imager files (*.img)")
      .toStdString();
}

bool TMain::KeepOrSaveUnsavedRecording() {
  if (!UnsavedRecording_)
    return true;
  const TMessageAnswer Answer =
      Env_.User.ShowMessage({UnsavedRecordingQuestion(Display_.CurrentFileName()), "",
                             TMessageIcon::Warning, TMessageButtons::YesNoCancel});
  if (Answer == TMessageAnswer::Cancel)
    return false;
  if (Answer == TMessageAnswer::No) {
    UnsavedRecording_ = false;
    return true;
  }
  const std::string Elsewhere = AskSaveFileName();
  if (Elsewhere.empty())
    return false;
  return SaveRecording(Elsewhere);
}

} // namespace kestrava
