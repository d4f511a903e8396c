#include "desktop/session_services.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <thread>

#include "platform/power.h"
#include "platform/x11_keyboard.h"
#include "platform/x11_screensaver.h"

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

namespace {

// The windows are on an X server of their own (not XWayland, whose
// screensaver state says nothing about the desktop's).
bool OnX11() {
    return QGuiApplication::platformName() == QStringLiteral("xcb") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

DesktopScreenSaver::DesktopScreenSaver(QDBusConnection bus) : bus_(std::move(bus)) {
    if (OnX11()) x11Display_ = std::string();  // $DISPLAY
}

DesktopScreenSaver::DesktopScreenSaver(QDBusConnection bus, std::string x11Display) : bus_(std::move(bus)) {
    if (!x11Display.empty()) x11Display_ = std::move(x11Display);
}

DesktopScreenSaver::~DesktopScreenSaver() = default;

bool DesktopScreenSaver::Running() {
    if (bus_.isConnected()) {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetActive"));
        const QDBusMessage reply = bus_.call(call, QDBus::Block, 200);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return !reply.arguments().isEmpty() && reply.arguments().constFirst().toBool();
        // A service that is there but slow or failing has answered for the desktop.
        const QString error = reply.errorName();
        if (error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") &&
            error != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return false;
    }
    if (!x11Display_) return false;
    if (!x11_) x11_ = std::make_unique<X11ScreenSaverState>(*x11Display_);
    return x11_->Active();
}

}  // namespace sonvaro

namespace sonvaro {
namespace {

class NoKeyboard : public KeyState {
  public:
    bool Available() const override { return false; }
    void Refresh() override {}
    bool Down(int32_t) const override { return false; }
};

}  // namespace

void DesktopWebBrowser::OpenAddress(const std::string& address) {
    QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size()))));
}

std::unique_ptr<KeyState> MakeDesktopKeyState() {
    if (QGuiApplication::platformName() == QStringLiteral("xcb") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return std::make_unique<X11KeyState>();
    return std::make_unique<NoKeyboard>();
}

}  // namespace sonvaro
