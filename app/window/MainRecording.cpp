// TMain's recording: "Start Procedure" with its checks and the sampler's
// set-up, the acquisition step run whenever the application is idle, and
// Stop, which saves the procedure and reopens it for replay.

#include "acquisition/ImagerSampler.h"
#include "app/QelApplication.h"
#include "app/StorageDirectoryCheck.h"
#include "app/window/GenCoilsDisconnectedDialog.h"
#include "app/window/GetProcedureDetailsDialog.h"
#include "app/window/Main.h"
#include "controls/ECGGraph.h"
#include "foundation/UserInteraction.h"

#include <QFileDialog>
#include <QGuiApplication>
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

IRecordingClock& TMain::Clock() {
  return Env_.Clock != nullptr ? *Env_.Clock : SteadyClock_;
}

std::string TMain::CalibrationPath(const std::string& FileName) const {
  return Env_.ProgramDirectory + "/" + FileName;
}

void TMain::StartProcedure() {
  if (Sampler_->Ready())
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
  if (!SetUpSampler() || !BeginRecording(Details))
    return;
  EnterRecordingMode();
}

bool TMain::RunProcedureDetails(TProcedureDetails& Details) {
  if (Env_.AskProcedureDetails)
    return Env_.AskProcedureDetails(Details);
  return DetailsDialog_->Run(Details, Env_.ProgramDirectory, Env_.User);
}

bool TMain::SetUpSampler() {
  const bool UseOvertube = !Options_.OvertubeFilename.empty();
  bool Ready = false;
  try {
    Ready = Sampler_->Setup(
        Options_.ProcedureType, CalibrationPath("Sampler.dat"), CalibrationPath("Pain Sensor.dat"),
        Options_.UsePainSensor, UseOvertube ? CalibrationPath(Options_.OvertubeFilename) : "",
        UseOvertube, CalibrationPath("Remote.dat"), CalibrationPath(Options_.SensorFilename),
        CalibrationPath(Options_.GeneratorCoilsFilename));
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

bool TMain::BeginRecording(const TProcedureDetails& Details) {
  Recorder_ =
      std::make_unique<TProcedureRecorder>(Display_.Procedure(), Display_.CurrentFrameData());
  Recorder_->Begin({Details.PatientName, Details.ProcedureType, Sampler_->UsePainSensor()},
                   Clock().Now(), Sampler_->PainUnits(), Sampler_->PainFullScale());
  try {
    Display_.CurrentFileName = Recorder_->StartFile(Details.FileName);
  } catch (const std::exception&) {
    ShowNotice(Env_.User, SaveProblemMessage);
    Sampler_->Stop();
    Recorder_.reset();
    return false;
  }
  return true;
}

void TMain::EnterRecordingMode() {
  Display_.MaxPain = Recorder_->MaxPain();
  Display_.CurrentFrame = 0;
  Display_.ResetLoops();
  TimeLine_->ClearPoints();
  TimeLine_->SetFollowLatest(true);
  TimeLine_->SetCursorPosition(-1);
  TimeLine_->SetYScale(static_cast<float>(TimeLineScaleForPain(Display_.MaxPain)));
  if (Options_.ViewMode == ViewModeLateral) {
    Options_.ViewMode = ViewModeAP;
    Display_.Changes.ViewMode = true;
    LayOut();
  }
  Options_.AutoAlign = true;
  Options_.UseAutoCutoff = true;
  Display_.ProcedureShown = false;
  Timer_.stop();
  StartButton_->setEnabled(false);
  StopButton_->setEnabled(true);
  Display_.SetMode(ModeRecording, *this);
  if (TQelApplication* Application = QelApplication())
    Application->SetOnIdle([this](QObject*, bool& Done) { AcquisitionStep(Done); });
}

void TMain::AcquisitionStep(bool& Done) {
  // In the background nothing is acquired, and the step does not ask to be
  // called again: the next event (the activation among them) brings it back,
  // so an inactive workstation burns no processor time.
  if (!Sampler_->Ready() || QGuiApplication::applicationState() != Qt::ApplicationActive)
    return;
  Done = false;
  PollKeysAndRemote();
  const TAcquisitionStep Step = Recorder_->Step(
      [this](TImagerFrame& Frame) { Sampler_->Sample(Frame, Options_.UsePhaseCorrection); },
      Clock());
  if (Step.Stop) {
    ShowNotice(Env_.User, Step.Message);
    StopProcedure();
    Done = true;
    return;
  }
  if (Step.Outcome == TAcquisitionOutcome::GenCoilsDisconnected) {
    GenCoilsNotice_->show();
    GenCoilsNotice_->raise();
    return;
  }
  GenCoilsNotice_->hide();
  if (!Step.FileFailure.empty())
    ShowNotice(Env_.User,
               Step.FileFailure + "\nThe recording goes on in memory and is saved when it stops.");
  ShowAcquisition(Step);
}

void TMain::ShowAcquisition(const TAcquisitionStep& Step) {
  if (Step.MaxPainRaised) {
    Display_.MaxPain = Recorder_->MaxPain();
    TimeLine_->SetYScale(static_cast<float>(TimeLineScaleForPain(Display_.MaxPain)));
    TimeLine_->update();
  }
  Display_.TrackLiveLoop();
  if (Step.FrameStored) {
    Display_.CurrentFrame = Recorder_->StoredFrames();
    TimeLine_->AddPoint(Display_.CurrentFrameData().Pain);
    TimeLine_->update();
  }
  Display_.Changes.Frame = true;
  Update();
}

void TMain::StopProcedure() {
  if (!Sampler_->Ready())
    return;
  if (TQelApplication* Application = QelApplication())
    Application->SetOnIdle({});
  GenCoilsNotice_->hide();
  Sampler_->Stop();
  StartButton_->setEnabled(HardwareReady_);
  StopButton_->setEnabled(false);
  Timer_.start();
  Recorder_->CloseFile();
  SaveRecording();
  TimeLine_->SetFollowLatest(false);
}

// The whole procedure replaces the live file at once, then is read back from
// the disk. A save that fails must not pass in silence: the recording stays
// in memory and on show, and the operator may save it elsewhere.
void TMain::SaveRecording() {
  std::string FileName = Display_.CurrentFileName;
  for (;;) {
    try {
      FileName = Display_.Procedure().SaveToFile(FileName);
      Display_.OpenImagerFile(FileName, Env_.User, *this);
      return;
    } catch (const std::exception& Failure) {
      const TMessageAnswer Answer =
          Env_.User.ShowMessage({SaveFailureQuestion(FileName, Failure.what()), "",
                                 TMessageIcon::Error, TMessageButtons::YesNo});
      std::string Elsewhere;
      if (Answer == TMessageAnswer::Yes)
        Elsewhere = Env_.AskSaveFileName ? Env_.AskSaveFileName()
                                         : QFileDialog::getSaveFileName(this, QString(), QString(),
                                                                        "Imager files (*.img)")
                                               .toStdString();
      if (Elsewhere.empty()) {
        Display_.ShowProcedure(FileName, *this);
        return;
      }
      FileName = Elsewhere;
    }
  }
}

} // namespace kestrava
