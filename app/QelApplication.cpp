#include "app/QelApplication.h"

#include "foundation/QelExceptions.h"

namespace kestrava {

TQelApplication::TQelApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
  IdleTimer_.setInterval(0);
  QObject::connect(&IdleTimer_, &QTimer::timeout, &IdleTimer_, [this] { RunIdle(); });
  QObject::connect(this, &QGuiApplication::applicationStateChanged, this,
                   [this](Qt::ApplicationState State) { StateChanged(State); });
  Active_ = applicationState() == Qt::ApplicationActive;
}

TQelApplication::~TQelApplication() {
  // Handlers may refer to objects that are already gone by the time the base
  // class delivers its last events.
  IdleTimer_.stop();
  OnException_ = {};
  OnActivate_ = {};
  OnDeactivate_ = {};
  OnIdle_ = {};
}

void TQelApplication::SetOnIdle(TIdleEvent Handler) {
  OnIdle_ = std::move(Handler);
  if (OnIdle_) {
    IdleTimer_.start();
  } else {
    IdleTimer_.stop();
  }
}

bool TQelApplication::notify(QObject* Receiver, QEvent* Event) {
  // Any event other than the idle timer's own means there will be a new idle
  // moment once it and whatever it causes have been handled.
  if (OnIdle_ && Receiver != &IdleTimer_ && !IdleTimer_.isActive()) {
    IdleTimer_.start();
  }
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& Error) {
    ReportException(Error);
  } catch (...) {
    ReportException(Exception("Unknown exception"));
  }
  return false;
}

void TQelApplication::ReportException(const std::exception& Error) {
  // A copy: the handler may replace itself.
  const TExceptionEvent Handler = OnException_;
  if (!Handler) {
    // Nobody has asked to hear about it; failures the user must see are shown
    // where they are detected, so dropping it here loses no message.
    return;
  }
  try {
    Handler(this, Error);
  } catch (...) {
    // There is nowhere left to report a failure of the reporting itself, and
    // letting it into Qt's event loop would end the program.
  }
}

void TQelApplication::RunIdle() {
  const TIdleEvent Handler = OnIdle_;
  bool Done = true;
  if (Handler) {
    try {
      Handler(this, Done);
    } catch (const std::exception& Error) {
      // Done keeps whatever the handler had set before it failed, so a step
      // that asked to be repeated is repeated.
      ReportException(Error);
    } catch (...) {
      ReportException(Exception("Unknown exception"));
    }
  }
  if (Done || !OnIdle_) {
    IdleTimer_.stop();
  }
}

void TQelApplication::StateChanged(Qt::ApplicationState State) {
  // Qt reports several shades of inactive (inactive, hidden, suspended); the
  // handlers care only about crossing between active and not.
  const bool NowActive = State == Qt::ApplicationActive;
  if (NowActive == Active_) {
    return;
  }
  Active_ = NowActive;
  const TNotifyEvent Handler = NowActive ? OnActivate_ : OnDeactivate_;
  if (!Handler) {
    return;
  }
  // State changes come from the window system outside notify(), so nothing
  // further up would catch a failure.
  try {
    Handler(this);
  } catch (const std::exception& Error) {
    ReportException(Error);
  } catch (...) {
    ReportException(Exception("Unknown exception"));
  }
}

} // namespace kestrava
