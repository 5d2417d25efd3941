// An exception escaping an event handler of the workstation ends that
// handler only: the program goes on, and the failure is written to the
// error stream and shown in the status bar.

#include "WindowTestSupport.h"
#include "app/ApplicationEvents.h"
#include "app/QelApplication.h"
#include "app/window/EscapedExceptions.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace kestrava {
namespace {

TEST(EscapedExceptions, AreWrittenOutAndShownInTheStatusBarAndTheProgramGoesOn) {
  auto* Application = dynamic_cast<TQelApplication*>(qApp);
  ASSERT_NE(Application, nullptr);
  test::TWindowTestWorld World;
  TApplicationEvents Events(*Application);
  TMain Main(World.Environment());
  std::ostringstream Err;
  ReportEscapedExceptions(Events, Main, Err);

  bool After = false;
  QTimer::singleShot(0, &Main, [] { throw std::runtime_error("the disk went away"); });
  QTimer::singleShot(0, &Main, [&After] { After = true; });
  QApplication::processEvents();
  QApplication::processEvents();

  EXPECT_TRUE(After) << "the next event is still handled";
  EXPECT_NE(Err.str().find("the disk went away"), std::string::npos) << Err.str();
  const auto* Panel = Main.findChild<QLabel*>("Panel_Notice");
  ASSERT_NE(Panel, nullptr);
  EXPECT_EQ(Panel->text().toStdString(), EscapedExceptionLine("the disk went away"));
}

} // namespace
} // namespace kestrava
