#include "ui/desktop_services.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <thread>

#include "platform/power.h"

namespace sonvaro {

DesktopPowerControl::DesktopPowerControl()
    : DesktopPowerControl(QDBusConnection::systemBus(),
                          [] { std::thread([] { PowerOffWithSystemctl(); }).detach(); }) {}

void DesktopPowerControl::PowerOff() {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << true;  // interactive: logind may ask for the rights
    const std::function<void()> fallBack = fallBack_ ? fallBack_ : [] {};
    if (!bus_.isConnected()) {
        fallBack();
        return;
    }
    // The user may be typing a password for a while: five minutes, not the bus's 25 s.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5 * 60 * 1000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallBack](QDBusPendingCallWatcher* w) {
                         if (w->isError()) fallBack();
                         w->deleteLater();
                     });
}

bool DesktopScreenSaver::Running() {
    if (!bus_.isConnected()) return false;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetActive"));
    const QDBusMessage reply = bus_.call(call, QDBus::Block, 200);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().toBool();
}

}  // namespace sonvaro
