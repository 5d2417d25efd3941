#pragma once
// "About": the program's name, the company's and the software time stamp of
// the running program file, then our line with the program's version and
// build, with an OK button that both confirms and cancels. Centred on the
// screen each time it is shown.
//
// Thread: user-interface thread.

#include <QDialog>
#include <filesystem>

class QLabel;
class QPushButton;

namespace kestrava {

inline constexpr const char* ApplicationName = "Kestrava V4.5";
inline constexpr const char* CompanyName = "Qel Medical Systems";

class TAboutDialog : public QDialog {
public:
  // ProgramFile gives the time stamp; empty means the running executable.
  explicit TAboutDialog(QWidget* Parent = nullptr, std::filesystem::path ProgramFile = {});

  QLabel* ApplicationNameLabel() const { return ApplicationNameLabel_; }
  QLabel* CompanyNameLabel() const { return CompanyNameLabel_; }
  QLabel* TimeStampLabel() const { return TimeStampLabel_; }
  QLabel* VersionLabel() const { return VersionLabel_; }
  QPushButton* OKButton() const { return OKButton_; }

protected:
  // Fills the lines (the program file may have changed since the last time)
  // and centres the window.
  void showEvent(QShowEvent* Event) override;

private:
  std::filesystem::path ProgramFile_;
  QLabel* ApplicationNameLabel_;
  QLabel* CompanyNameLabel_;
  QLabel* TimeStampLabel_;
  QLabel* VersionLabel_;
  QPushButton* OKButton_;
};

} // namespace kestrava
