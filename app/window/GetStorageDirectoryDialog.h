#pragma once
// "Imager file storage directory": edits the directory new recordings go
// to. No check is made here; the directory is checked when a recording
// starts.
//
// Thread: user-interface thread.

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace kestrava {

class TGetStorageDirectoryDialog : public QDialog {
public:
  explicit TGetStorageDirectoryDialog(QWidget* Parent = nullptr);

  // Shows Path (UTF-8) in the box, modally; on OK Path becomes the box's
  // text and the result is true, on Cancel Path is unchanged.
  bool Edit(std::string& Path);

  QLineEdit* PathControl() const { return PathControl_; }
  QPushButton* OKButton() const { return OKButton_; }
  QPushButton* CancelButton() const { return CancelButton_; }

protected:
  void showEvent(QShowEvent* Event) override;

private:
  QLineEdit* PathControl_;
  QPushButton* OKButton_;
  QPushButton* CancelButton_;
};

} // namespace kestrava
