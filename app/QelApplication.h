#pragma once
// The program's application object: Qt's widget application with the four
// application-wide handlers the rest of the program expects (escaped
// exception, activate, deactivate, idle). TApplicationEvents installs itself
// here; a part that sets a handler directly takes that event over.
//
// Exactly one exists per run, created before any window. Thread: the
// user-interface thread only.

#include "app/ApplicationEvents.h"

#include <QApplication>
#include <QTimer>

namespace kestrava {

class TQelApplication : public QApplication {
public:
  // Argc must outlive the application (Qt keeps a reference to it).
  TQelApplication(int& Argc, char** Argv);
  ~TQelApplication() override;

  // An empty function removes the handler. Handlers receive this application
  // as Sender.
  void SetOnException(TExceptionEvent Handler) { OnException_ = std::move(Handler); }
  void SetOnActivate(TNotifyEvent Handler) { OnActivate_ = std::move(Handler); }
  void SetOnDeactivate(TNotifyEvent Handler) { OnDeactivate_ = std::move(Handler); }
  // Setting a handler also schedules an idle moment, so it runs without
  // waiting for some other event to arrive.
  void SetOnIdle(TIdleEvent Handler);

  // Delivers every event; an exception escaping the receiver's handler ends
  // that handler and goes to the exception handler instead of through Qt's
  // event loop, which cannot carry it.
  bool notify(QObject* Receiver, QEvent* Event) override;

private:
  void ReportException(const std::exception& Error);
  void RunIdle();
  void StateChanged(Qt::ApplicationState State);

  TExceptionEvent OnException_;
  TNotifyEvent OnActivate_;
  TNotifyEvent OnDeactivate_;
  TIdleEvent OnIdle_;
  // Zero interval: fires once the queued events have been handled.
  QTimer IdleTimer_;
  bool Active_ = false;
};

} // namespace kestrava
