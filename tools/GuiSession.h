#pragma once
// The GUI application that drawing text and pictures needs (fonts, the PDF
// writer), made off screen for the length of one command when the tool's
// host has none: the command line and the tests alike. Qt's start-up chatter
// about the session it runs in ("XDG_RUNTIME_DIR not set") is kept off
// standard error while it lives; anything else still reaches it.
//
// Thread: the main thread, one session at a time.

#include <QtGlobal>
#include <memory>

class QGuiApplication;

namespace kestrava {

class TGuiSession {
public:
  TGuiSession();
  TGuiSession(const TGuiSession&) = delete;
  TGuiSession& operator=(const TGuiSession&) = delete;
  ~TGuiSession();

private:
  char Name_[16] = "kestrava-tool";
  char PlatformOption_[16] = "-platform";
  char Platform_[16] = "offscreen";
  char* Argv_[4] = {Name_, PlatformOption_, Platform_, nullptr};
  int Argc_ = 3;
  QtMessageHandler Previous_ = nullptr;
  std::unique_ptr<QGuiApplication> App_;
};

} // namespace kestrava
