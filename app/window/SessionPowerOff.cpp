#include "app/window/SessionPowerOff.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#endif

namespace kestrava {

#ifdef _WIN32

bool RequestPowerOff() {
  return ExitWindowsEx(EWX_SHUTDOWN, 0) != 0;
}

#else

bool RequestPowerOff() {
  QDBusConnection Bus = QDBusConnection::systemBus();
  if (!Bus.isConnected())
    return false;
  QDBusInterface Manager("org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", Bus);
  if (!Manager.isValid())
    return false;
  // Not interactive: a policy that wants a password refuses instead of
  // waiting for an agent the workstation does not run.
  const QDBusMessage Reply = Manager.call("PowerOff", false);
  return Reply.type() == QDBusMessage::ReplyMessage;
}

#endif

} // namespace kestrava
