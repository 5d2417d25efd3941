// The workstation program: the main window on the program's own application
// object, with the options in the platform's settings store. A file named on
// the command line opens in replay at start, as File > Open would.
#include "app/window/Main.h"

#include "app/ApplicationEvents.h"
#include "app/OptionStore.h"
#include "app/QelApplication.h"
#include "app/window/EscapedExceptions.h"
#include "app/window/MessageBoxUserInteraction.h"
#include "app/window/QtPlatformServices.h"
#include "app/window/SessionPowerOff.h"
#include "foundation/ProgramDirectory.h"

#include <QDir>
#include <QScreen>
#include <iostream>

int main(int argc, char** argv) {
  using namespace kestrava;
  TQelApplication Application(argc, argv);
  // The application-wide events, taken in turns by whoever registers.
  TApplicationEvents Events(Application);
  Application.setApplicationDisplayName(ProgramTitle);
  const std::unique_ptr<TSettingsOptionStore> UserOptions = TSettingsOptionStore::User();
  const std::unique_ptr<const TSettingsOptionStore> MachineOptions =
      TSettingsOptionStore::Machine();
  TMessageBoxUserInteraction User;
  TQtPlatformServices Platform;
  const QScreen* Screen = QGuiApplication::primaryScreen();
  TMainEnvironment Environment{*UserOptions,
                               *MachineOptions,
                               User,
                               Platform,
                               ProgramDirectory(),
                               QDir::currentPath().toStdString(),
                               Screen != nullptr ? Screen->depth() : 0,
                               [] { QApplication::beep(); },
                               [] { return RequestPowerOff(); },
                               nullptr,
                               {},
                               {}};
  TMain Main(Environment);
  if (Main.StartupFailed())
    return 1;
  User.SetParent(&Main);
  ReportEscapedExceptions(Events, Main, std::cerr);
  // Maximised covers the desktop's work area; setting it first also holds
  // where no window manager maximises (a virtual display).
  if (Screen != nullptr)
    Main.setGeometry(Screen->availableGeometry());
  Main.showMaximized();
  const QStringList Arguments = QCoreApplication::arguments();
  if (Arguments.size() > 1)
    Main.OpenImagerFile(Arguments.at(1).toStdString());
  return QApplication::exec();
}
