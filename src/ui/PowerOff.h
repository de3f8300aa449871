#pragma once
// Turning the computer off when a job has finished, as the options dialog's
// "下载任务完成后自动关机" asks: logind powers off on request, asking for the
// user's authorisation when its policy wants it.

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QString>
#include <functional>

class QWidget;

namespace pw {

struct JobResult;

// True when the job's end calls for the power-off the user asked for: its
// books were all delivered and it was neither stopped nor cut short.
bool JobEndCallsForPowerOff(const JobResult& result, bool autoShutdown);

// Asks logind (org.freedesktop.login1.Manager.PowerOff, interactive) on the
// given bus, the system bus in the program. The answer comes later: a failed
// or refused request ends in an error reply.
QDBusPendingCall RequestPowerOff(const QDBusConnection& bus);

// Shows the countdown over parent and, unless it is cancelled, asks bus for the
// power-off; a request that fails goes to tell. Returns the countdown window
// (deleted when closed).
class ShutdownCountdown;
ShutdownCountdown* StartPowerOffCountdown(QWidget* parent, const QDBusConnection& bus,
                                          std::function<void(const QString&)> tell);

}  // namespace pw
