#pragma once
// Lets several parts of the program take turns handling the application-wide
// events: an exception that escaped an event handler, the application being
// activated or deactivated, and the idle moment after the queued events have
// been handled.
//
// Each event has a list of handlers, and only the most recently added handler
// runs; deleting it from its list brings the previous one back. With an empty
// list the event is dropped; an escaped exception then goes unreported, which
// is intended: every failure the user must hear about is shown where it is
// detected.
//
// The dispatching is plain C++ and runs without an event loop; Install hooks
// it up to the running TQelApplication.
//
// Thread: user-interface thread only.

#include "foundation/QelList.h"
#include "foundation/QelObject.h"

#include <exception>
#include <functional>
#include <memory>

class QObject;

namespace kestrava {

class TQelApplication;

// Sender is the object reporting the event (the application), may be null.
using TExceptionEvent = std::function<void(QObject* Sender, const std::exception& Error)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;
// Done arrives true; a handler that leaves it false asks to be called again
// as soon as no events are waiting.
using TIdleEvent = std::function<void(QObject* Sender, bool& Done)>;

class TExceptionEventListItem : public TQelObject {
public:
  TExceptionEventListItem() = default;
  explicit TExceptionEventListItem(TExceptionEvent Handler) : Handler(std::move(Handler)) {}
  std::unique_ptr<TQelObject> CreateNew() const override;
  TExceptionEvent Handler;
};

class TNotifyEventListItem : public TQelObject {
public:
  TNotifyEventListItem() = default;
  explicit TNotifyEventListItem(TNotifyEvent Handler) : Handler(std::move(Handler)) {}
  std::unique_ptr<TQelObject> CreateNew() const override;
  TNotifyEvent Handler;
};

class TIdleEventListItem : public TQelObject {
public:
  TIdleEventListItem() = default;
  explicit TIdleEventListItem(TIdleEvent Handler) : Handler(std::move(Handler)) {}
  std::unique_ptr<TQelObject> CreateNew() const override;
  TIdleEvent Handler;
};

// Owning lists of the handler items.
class TExceptionEventList : public TQelListOf<TExceptionEventListItem> {};
class TNotifyEventList : public TQelListOf<TNotifyEventListItem> {};
class TIdleEventList : public TQelListOf<TIdleEventListItem> {};

class TApplicationEvents : public TQelObject {
public:
  TApplicationEvents();
  // Installs itself as the application's four handlers (see Install).
  explicit TApplicationEvents(TQelApplication& Application);
  // The application may outlive this object: the handlers installed on it
  // then do nothing.
  ~TApplicationEvents() override;

  // Replaces the application's exception, activate, deactivate and idle
  // handlers with forwarding to the lists below. A part of the program that
  // later sets one of them directly on the application takes that event over.
  void Install(TQelApplication& Application);

  TExceptionEventList& ExceptionHandlers() { return ExceptionHandlers_; }
  TNotifyEventList& ActivateHandlers() { return ActivateHandlers_; }
  TNotifyEventList& DeactivateHandlers() { return DeactivateHandlers_; }
  TIdleEventList& IdleHandlers() { return IdleHandlers_; }

  // Appends a handler; the returned item stays owned by its list and is the
  // thing to Remove from that list to withdraw the handler.
  TExceptionEventListItem& AddExceptionHandler(TExceptionEvent Handler);
  TNotifyEventListItem& AddActivateHandler(TNotifyEvent Handler);
  TNotifyEventListItem& AddDeactivateHandler(TNotifyEvent Handler);
  TIdleEventListItem& AddIdleHandler(TIdleEvent Handler);

  // Forward one event to the last handler of its list, if any. A handler may
  // add or remove handlers, itself included, while it runs.
  void DoException(QObject* Sender, const std::exception& Error);
  void DoActivate(QObject* Sender);
  void DoDeactivate(QObject* Sender);
  void DoIdle(QObject* Sender, bool& Done);

private:
  TExceptionEventList ExceptionHandlers_;
  TNotifyEventList ActivateHandlers_;
  TNotifyEventList DeactivateHandlers_;
  TIdleEventList IdleHandlers_;
  // The handlers installed on the application hold a weak reference to this,
  // so that they turn into no-ops once this object is gone.
  std::shared_ptr<TApplicationEvents*> Self_;
};

} // namespace kestrava
