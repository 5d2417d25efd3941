#include "ScreenSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

namespace kestrava::test {

namespace {

constexpr int StartTimeoutMs = 30000;

} // namespace

bool ScreenToolsAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") &&
         !QStandardPaths::findExecutable("xdotool").isEmpty() &&
         !QStandardPaths::findExecutable("import").isEmpty();
}

TScreenSession::TScreenSession() = default;

TScreenSession::~TScreenSession() {
  for (QProcess* Process : {&Program_, &Other_}) {
    if (Process->state() != QProcess::NotRunning) {
      Process->kill();
      Process->waitForFinished(5000);
    }
  }
}

bool TScreenSession::RunTool(const QString& Tool, const QStringList& Arguments, QString* Output) {
  QProcess Process;
  Process.start(Tool, Arguments);
  if (!Process.waitForFinished(20000))
    return false;
  if (Output != nullptr)
    *Output = QString::fromUtf8(Process.readAllStandardOutput()).trimmed();
  return Process.exitStatus() == QProcess::NormalExit && Process.exitCode() == 0;
}

bool TScreenSession::Start(const QString& Program, const QStringList& Arguments) {
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  Environment.insert("XDG_CONFIG_HOME", Config_.path());
  Environment.insert("XDG_CONFIG_DIRS", Config_.filePath("system"));
  Environment.remove("QT_QPA_PLATFORM");
  Environment.insert(Extra_);
  Program_.setProcessEnvironment(Environment);
  Program_.setWorkingDirectory(Scratch_.path());
  Program_.setProcessChannelMode(QProcess::ForwardedChannels);
  Program_.start(Program, Arguments);
  if (!Program_.waitForStarted(StartTimeoutMs))
    return false;
  QElapsedTimer Clock;
  Clock.start();
  while (Clock.elapsed() < StartTimeoutMs) {
    QString Found;
    if (RunTool("xdotool", {"search", "--onlyvisible", "--name", "^Kestrava V4.5"}, &Found) &&
        !Found.isEmpty()) {
      WindowId_ = Found.split('\n').constFirst();
      FocusMainWindow();
      return true;
    }
    Pause(200);
  }
  return false;
}

QString TScreenSession::UserSettingsFile() const {
  return Config_.filePath("Qel Medical Systems/Kestrava V4.5.conf");
}

QString TScreenSession::PrepareRecording(const char* DriverId) {
  QString Storage = ScratchPath("recordings");
  QDir().mkpath(Storage);
  QDir().mkpath(Config_.filePath("system/Qel Medical Systems"));
  QSettings(Config_.filePath("system/Qel Medical Systems/Endoscope Imager Hardware.conf"),
            QSettings::IniFormat)
      .setValue("Driver ID", DriverId);
  QSettings Options(UserSettingsFile(), QSettings::IniFormat);
  Options.setValue("ImagerFileStorageDirectory", Storage);
  Options.setValue("SensorFilename", "Catheter16.msd");
  Options.setValue("GeneratorCoilsFilename", "Generator.gen");
  return Storage;
}

QString TScreenSession::InfoLine(const QString& Label) const {
  QFile File(ScratchPath("info.txt"));
  if (!File.open(QIODevice::ReadOnly))
    return {};
  for (const QByteArray& Line : File.readAll().split('\n'))
    if (Line.startsWith(Label.toUtf8()))
      return QString::fromUtf8(Line.mid(Line.indexOf('\t') + 1)).trimmed();
  return {};
}

bool TScreenSession::StartProcedure(const QString& FileName, const QString& PatientName) {
  Keys({"alt+s"});
  if (!FocusWindow("Procedure details"))
    return false;
  Type(FileName);
  Keys({"Tab"});
  Type(PatientName);
  Keys({"Return"});
  Pause(1000);
  FocusMainWindow();
  return true;
}

void TScreenSession::FocusMainWindow() {
  // No window manager runs on the test display: give the window the
  // keyboard directly.
  RunTool("xdotool", {"windowfocus", "--sync", WindowId_});
  Pause(500);
}

bool TScreenSession::FocusWindow(const QString& Title) {
  QElapsedTimer Clock;
  Clock.start();
  while (Clock.elapsed() < StartTimeoutMs) {
    QString Found;
    if (RunTool("xdotool", {"search", "--onlyvisible", "--name", "^" + Title}, &Found) &&
        !Found.isEmpty()) {
      RunTool("xdotool", {"windowfocus", "--sync", Found.split('\n').constFirst()});
      Pause(300);
      return true;
    }
    Pause(200);
  }
  return false;
}

bool TScreenSession::FocusOtherProgram(const QString& Title) {
  Other_.start("display", {"-title", Title, "-size", "200x100", "xc:gray"});
  return Other_.waitForStarted(StartTimeoutMs) && FocusWindow(Title);
}

QString TScreenSession::FocusedWindowName() {
  QString Name;
  RunTool("xdotool", {"getwindowfocus", "getwindowname"}, &Name);
  return Name;
}

bool TScreenSession::WaitForExit(int TimeoutMs) {
  return Program_.waitForFinished(TimeoutMs);
}

void TScreenSession::Keys(const QStringList& Keys) {
  QStringList Arguments{"key", "--delay", "80"};
  Arguments += Keys;
  RunTool("xdotool", Arguments);
}

void TScreenSession::HoldKeys(const QStringList& Keys, int Milliseconds) {
  RunTool("xdotool", QStringList{"keydown"} + Keys);
  Pause(Milliseconds);
  QStringList Reversed(Keys.rbegin(), Keys.rend());
  RunTool("xdotool", QStringList{"keyup"} + Reversed);
  Pause(300);
}

void TScreenSession::Type(const QString& Text) {
  RunTool("xdotool", {"type", "--delay", "20", Text});
}

void TScreenSession::Pause(int Milliseconds) {
  QThread::msleep(static_cast<unsigned long>(Milliseconds));
}

QImage TScreenSession::Screenshot() {
  const QString File = Scratch_.filePath("screen.png");
  if (!RunTool("import", {"-window", "root", File}))
    return {};
  return QImage(File).convertToFormat(QImage::Format_RGB32);
}

} // namespace kestrava::test
