#include "app/ApplicationEvents.h"

#include "app/QelApplication.h"

namespace kestrava {

namespace {

// A copy, because the handler may remove its own item (and so destroy the
// stored function) while it runs.
template <class TList> auto LastHandler(const TList& List) {
  using THandler = decltype(List.At(0).Handler);
  if (List.Count() == 0) {
    return THandler{};
  }
  return List.At(List.Count() - 1).Handler;
}

template <class TItem, class TList, class THandler>
TItem& AddHandler(TList& List, THandler Handler) {
  auto Item = std::make_unique<TItem>(std::move(Handler));
  TItem& Added = *Item;
  List.Add(std::move(Item));
  return Added;
}

} // namespace

std::unique_ptr<TQelObject> TExceptionEventListItem::CreateNew() const {
  return std::make_unique<TExceptionEventListItem>();
}

std::unique_ptr<TQelObject> TNotifyEventListItem::CreateNew() const {
  return std::make_unique<TNotifyEventListItem>();
}

std::unique_ptr<TQelObject> TIdleEventListItem::CreateNew() const {
  return std::make_unique<TIdleEventListItem>();
}

TApplicationEvents::TApplicationEvents() : Self_(std::make_shared<TApplicationEvents*>(this)) {}

TApplicationEvents::TApplicationEvents(TQelApplication& Application) : TApplicationEvents() {
  Install(Application);
}

TApplicationEvents::~TApplicationEvents() = default;

void TApplicationEvents::Install(TQelApplication& Application) {
  const std::weak_ptr<TApplicationEvents*> Events = Self_;
  Application.SetOnException([Events](QObject* Sender, const std::exception& Error) {
    if (const auto Alive = Events.lock()) {
      (*Alive)->DoException(Sender, Error);
    }
  });
  Application.SetOnActivate([Events](QObject* Sender) {
    if (const auto Alive = Events.lock()) {
      (*Alive)->DoActivate(Sender);
    }
  });
  Application.SetOnDeactivate([Events](QObject* Sender) {
    if (const auto Alive = Events.lock()) {
      (*Alive)->DoDeactivate(Sender);
    }
  });
  Application.SetOnIdle([Events](QObject* Sender, bool& Done) {
    if (const auto Alive = Events.lock()) {
      (*Alive)->DoIdle(Sender, Done);
    }
  });
}

TExceptionEventListItem& TApplicationEvents::AddExceptionHandler(TExceptionEvent Handler) {
  return AddHandler<TExceptionEventListItem>(ExceptionHandlers_, std::move(Handler));
}

TNotifyEventListItem& TApplicationEvents::AddActivateHandler(TNotifyEvent Handler) {
  return AddHandler<TNotifyEventListItem>(ActivateHandlers_, std::move(Handler));
}

TNotifyEventListItem& TApplicationEvents::AddDeactivateHandler(TNotifyEvent Handler) {
  return AddHandler<TNotifyEventListItem>(DeactivateHandlers_, std::move(Handler));
}

TIdleEventListItem& TApplicationEvents::AddIdleHandler(TIdleEvent Handler) {
  return AddHandler<TIdleEventListItem>(IdleHandlers_, std::move(Handler));
}

void TApplicationEvents::DoException(QObject* Sender, const std::exception& Error) {
  if (const auto Handler = LastHandler(ExceptionHandlers_)) {
    Handler(Sender, Error);
  }
}

void TApplicationEvents::DoActivate(QObject* Sender) {
  if (const auto Handler = LastHandler(ActivateHandlers_)) {
    Handler(Sender);
  }
}

void TApplicationEvents::DoDeactivate(QObject* Sender) {
  if (const auto Handler = LastHandler(DeactivateHandlers_)) {
    Handler(Sender);
  }
}

void TApplicationEvents::DoIdle(QObject* Sender, bool& Done) {
  if (const auto Handler = LastHandler(IdleHandlers_)) {
    Handler(Sender, Done);
  }
}

} // namespace kestrava
