#include "app/ApplicationEvents.h"
#include "app/QelApplication.h"
#include "foundation/QelExceptions.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

// --- Forwarding, without an event loop --------------------------------------

TEST(ApplicationEvents, OnlyTheLatestIdleHandlerRunsUntilItIsDeleted) {
  TApplicationEvents Events;
  std::vector<int> Calls;
  Events.AddIdleHandler([&](QObject*, bool&) { Calls.push_back(1); });
  TIdleEventListItem& Second = Events.AddIdleHandler([&](QObject*, bool&) { Calls.push_back(2); });

  bool Done = true;
  Events.DoIdle(nullptr, Done);
  EXPECT_EQ(Calls, std::vector<int>({2}));

  Events.IdleHandlers().Remove(&Second);
  Events.DoIdle(nullptr, Done);
  EXPECT_EQ(Calls, std::vector<int>({2, 1}));
}

TEST(ApplicationEvents, EachEventReachesItsOwnListWithItsArgumentsOrIsDropped) {
  TApplicationEvents Events;
  bool Done = true;
  EXPECT_NO_THROW(Events.DoException(nullptr, std::runtime_error("lost")));
  EXPECT_NO_THROW(Events.DoActivate(nullptr));
  Events.DoIdle(nullptr, Done);
  EXPECT_TRUE(Done);

  QObject Sender;
  std::vector<std::string> Calls;
  Events.AddExceptionHandler([&](QObject* From, const std::exception& Error) {
    EXPECT_EQ(From, &Sender);
    Calls.emplace_back(Error.what());
  });
  Events.AddActivateHandler([&](QObject*) { Calls.emplace_back("activate"); });
  Events.AddDeactivateHandler([&](QObject*) { Calls.emplace_back("deactivate"); });
  Events.AddIdleHandler([](QObject*, bool& Done) { Done = false; });
  Events.DoException(&Sender, Exception("Failed to create DirectDraw."));
  Events.DoDeactivate(nullptr);
  Events.DoActivate(nullptr);
  Events.DoIdle(&Sender, Done);
  EXPECT_FALSE(Done);
  EXPECT_EQ(Calls,
            std::vector<std::string>({"Failed to create DirectDraw.", "deactivate", "activate"}));
}

TEST(ApplicationEvents, HandlerMayRemoveItselfWhileRunning) {
  TApplicationEvents Events;
  std::string Captured = "kept alive by the running handler";
  int Runs = 0;
  Events.AddActivateHandler([&](QObject*) { ++Runs; });
  Events.AddActivateHandler([&Events, Captured, &Runs](QObject*) {
    Events.ActivateHandlers().Delete(Events.ActivateHandlers().Count() - 1);
    // Still usable: the running copy owns its captures.
    Runs += static_cast<int>(!Captured.empty()) * 10;
  });
  Events.DoActivate(nullptr);
  Events.DoActivate(nullptr);
  EXPECT_EQ(Runs, 11);
}

// --- The application object --------------------------------------------------

TQelApplication& Application() {
  return *static_cast<TQelApplication*>(qApp);
}

// Raises from its event handler, as any window's handler might.
class TThrowingObject : public QObject {
public:
  bool event(QEvent* Event) override {
    if (Event->type() == QEvent::User) {
      throw Exception("Attempting to copy from a non-existant back surface.");
    }
    return QObject::event(Event);
  }
};

class QelApplicationTest : public ::testing::Test {
protected:
  // The application starts each test inactive and without handlers.
  void SetUp() override { TearDown(); }
  void TearDown() override {
    Application().SetOnException({});
    Application().SetOnActivate({});
    Application().SetOnDeactivate({});
    Application().SetOnIdle({});
    // Leave the application's notion of "active" as the next test expects it.
    emit Application().applicationStateChanged(Qt::ApplicationInactive);
  }

  static bool SendUserEvent(QObject& Receiver) {
    QEvent Event(QEvent::User);
    return QCoreApplication::sendEvent(&Receiver, &Event);
  }
};

TEST_F(QelApplicationTest, ExceptionEscapingAnEventHandlerIsReportedOrDroppedButStaysInside) {
  TThrowingObject Receiver;
  EXPECT_FALSE(SendUserEvent(Receiver)); // no handler: dropped
  std::vector<std::string> Reported;
  Application().SetOnException([&](QObject* Sender, const std::exception& Error) {
    EXPECT_EQ(Sender, qApp);
    Reported.push_back(Error.what());
  });
  EXPECT_FALSE(SendUserEvent(Receiver));
  EXPECT_EQ(Reported,
            std::vector<std::string>({"Attempting to copy from a non-existant back surface."}));

  Application().SetOnException(
      [](QObject*, const std::exception&) { throw std::runtime_error("reporter failed"); });
  EXPECT_FALSE(SendUserEvent(Receiver));
}

TEST_F(QelApplicationTest, IdleRunsOnceWhenDoneAndRepeatsWhenNot) {
  int Runs = 0;
  Application().SetOnIdle([&](QObject*, bool&) { ++Runs; });
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(Runs, 1);

  Runs = 0;
  Application().SetOnIdle([&](QObject*, bool& Done) { Done = ++Runs >= 5; });
  for (int Round = 0; Round < 20 && Runs < 5; ++Round) {
    QCoreApplication::processEvents();
  }
  EXPECT_EQ(Runs, 5);
  QCoreApplication::processEvents();
  EXPECT_EQ(Runs, 5);
}

TEST_F(QelApplicationTest, FailingIdleHandlerIsReportedAndNotRepeated) {
  int Runs = 0;
  std::vector<std::string> Reported;
  Application().SetOnException(
      [&](QObject*, const std::exception& Error) { Reported.push_back(Error.what()); });
  Application().SetOnIdle([&](QObject*, bool&) {
    ++Runs;
    throw Exception("Failed to find a suitable Direct3D driver.");
  });
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(Runs, 1);
  EXPECT_EQ(Reported, std::vector<std::string>({"Failed to find a suitable Direct3D driver."}));
}

TEST_F(QelApplicationTest, ActivationIsReportedOncePerCrossing) {
  std::vector<std::string> Calls;
  Application().SetOnActivate([&](QObject*) { Calls.push_back("activate"); });
  Application().SetOnDeactivate([&](QObject*) { Calls.push_back("deactivate"); });
  emit Application().applicationStateChanged(Qt::ApplicationActive);
  emit Application().applicationStateChanged(Qt::ApplicationActive);
  emit Application().applicationStateChanged(Qt::ApplicationInactive);
  emit Application().applicationStateChanged(Qt::ApplicationHidden);
  emit Application().applicationStateChanged(Qt::ApplicationActive);
  EXPECT_EQ(Calls, std::vector<std::string>({"activate", "deactivate", "activate"}));
}

TEST_F(QelApplicationTest, InstalledEventsForwardUntilDestroyed) {
  int Runs = 0;
  auto Events = std::make_unique<TApplicationEvents>(Application());
  Events->AddIdleHandler([&](QObject*, bool&) { ++Runs; });
  bool Done = true;
  Events->DoIdle(nullptr, Done); // direct call works as well
  QCoreApplication::processEvents();
  EXPECT_EQ(Runs, 2);

  Events.reset();
  TThrowingObject Receiver;
  EXPECT_FALSE(SendUserEvent(Receiver)); // forwarding to a destroyed object must be inert
  QCoreApplication::processEvents();
  EXPECT_EQ(Runs, 2);
}

} // namespace
} // namespace kestrava
