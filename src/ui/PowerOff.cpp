#include "ui/PowerOff.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "job/JobResult.h"
#include "ui/ShutdownCountdown.h"
#include "ui/UiText.h"

namespace pw {

bool JobEndCallsForPowerOff(const JobResult& result, bool autoShutdown) {
    // A stop marks the listing incomplete; a failed job delivers nothing.
    return autoShutdown && result.end == JobResult::End::Delivered && !result.listingIncomplete &&
           result.booksFailed.empty();
}

QDBusPendingCall RequestPowerOff(const QDBusConnection& bus) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << true;  // interactive: polkit may ask the user to authorise
    call.setInteractiveAuthorizationAllowed(true);
    return bus.asyncCall(call);
}

ShutdownCountdown* StartPowerOffCountdown(QWidget* parent, const QDBusConnection& bus,
                                          std::function<void(const QString&)> tell) {
    auto* countdown = new ShutdownCountdown(parent);
    countdown->setAttribute(Qt::WA_DeleteOnClose);
    // The answer may come after the window is gone: the watcher belongs to the
    // parent, which outlives it.
    QObject::connect(countdown, &ShutdownCountdown::expired, parent, [parent, bus, tell] {
        auto* watcher = new QDBusPendingCallWatcher(RequestPowerOff(bus), parent);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, parent,
                         [tell](QDBusPendingCallWatcher* done) {
                             const QDBusPendingReply<> reply = *done;
                             if (reply.isError() && tell) {
                                 tell(U8("自动关机失败：") + reply.error().message());
                             }
                             done->deleteLater();
                         });
    });
    countdown->show();
    return countdown;
}

}  // namespace pw
