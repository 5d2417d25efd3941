#pragma once
// Drives the real workstation program on the X display of the test (started
// by xvfb-run): launches it with a private settings scope, types keys into it
// with xdotool, and takes screenshots with ImageMagick's import.

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace kestrava::test {

class TScreenSession {
public:
  TScreenSession();
  ~TScreenSession();

  // The private settings directory (XDG_CONFIG_HOME of the program).
  QString ConfigHome() const { return Config_.path(); }
  QString ScratchPath(const QString& Name) const { return Scratch_.filePath(Name); }

  // The program's own options file in the private settings directory.
  QString UserSettingsFile() const;
  // Adds a variable to the program's environment (before Start).
  void SetEnvironment(const QString& Name, const QString& Value) { Extra_.insert(Name, Value); }
  // Before Start: installs the driver DriverId for the machine and makes
  // "recordings" in the scratch directory the storage directory, with the
  // calibration set's sensor and generator coils preset; returns its path.
  QString PrepareRecording(const char* DriverId);
  // Before Start: has the program mirror its information box to a file, for
  // InfoLine to read.
  void MirrorInfoBox() { SetEnvironment("KESTRAVA_INFO_BOX_FILE", ScratchPath("info.txt")); }
  // The value (after the tab) of the mirrored box's line starting with Label;
  // empty when there is none.
  QString InfoLine(const QString& Label) const;
  // Holds Keys down for Milliseconds, then lets them go in reverse order.
  void HoldKeys(const QStringList& Keys, int Milliseconds);

  // Starts the program with Arguments and waits until its main window
  // exists and has the keyboard focus. False after a time-out.
  bool Start(const QString& Program, const QStringList& Arguments = {});
  // Start Procedure from the keyboard, with the file and patient names typed
  // into the details dialog; false when no dialog came up.
  bool StartProcedure(const QString& FileName, const QString& PatientName);
  // Waits up to TimeoutMs for the program to end; true when it did.
  bool WaitForExit(int TimeoutMs);
  int ExitCode() const { return Program_.exitCode(); }

  // Gives the main window the keyboard again: with no window manager, a
  // closed dialog leaves the focus nowhere.
  void FocusMainWindow();
  // Waits for a window whose title starts with Title and gives it the
  // keyboard; false after a time-out.
  bool FocusWindow(const QString& Title);
  // Starts another X client (ImageMagick's display) with a window called
  // Title and gives it the keyboard, as an operator looking at another
  // program would; false when it did not come up.
  bool FocusOtherProgram(const QString& Title);
  // The name of the window that has the keyboard.
  QString FocusedWindowName();
  // xdotool key / type into the window with the focus.
  void Keys(const QStringList& Keys);
  void Type(const QString& Text);
  // Waits for the display to settle after input.
  static void Pause(int Milliseconds);

  QImage Screenshot();

private:
  static bool RunTool(const QString& Tool, const QStringList& Arguments, QString* Output = nullptr);

  QTemporaryDir Config_;
  QTemporaryDir Scratch_;
  QProcess Program_;
  QProcess Other_;
  QString WindowId_;
  QProcessEnvironment Extra_;
};

// Whether a screenshot can be taken here (a display and the tools).
bool ScreenToolsAvailable();

} // namespace kestrava::test
