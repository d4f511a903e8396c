#include "desktop/session_services.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include "support/private_x_server.h"
#include "support/ui_harness.h"
#include "x11_screensaver_switch.h"

namespace sonvaro::test {
namespace {

class Login1Manager : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("PowerOff")) return false;
        calls << message.arguments();
        connection.send(message.createReply());
        return true;
    }
    QList<QVariantList> calls;
};

TEST(DesktopPowerControl, AsksLogindToPowerOffInteractively) {
    QtApp();
    PrivateSessionBus daemon;
    ASSERT_TRUE(daemon.Start());
    const QString address = daemon.address;
    {
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("login1-side"));
        QDBusConnection player = QDBusConnection::connectToBus(address, QStringLiteral("player-side"));
        ASSERT_TRUE(service.isConnected() && player.isConnected());
        Login1Manager manager;
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &manager));
        int fallBacks = 0;
        DesktopPowerControl(player, [&] { ++fallBacks; }).PowerOff();
        ASSERT_TRUE(WaitFor([&] { return !manager.calls.isEmpty(); }, 5000));
        EXPECT_EQ(fallBacks, 0);
        EXPECT_EQ(manager.calls.size(), 1);
        EXPECT_EQ(manager.calls.front(), QVariantList{true});
        service.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        // Nobody there: the fall-back runs.
        service.unregisterService(QStringLiteral("org.freedesktop.login1"));
        DesktopPowerControl(player, [&] { ++fallBacks; }).PowerOff();
        EXPECT_TRUE(WaitFor([&] { return fallBacks == 1; }, 5000));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("login1-side"));
    QDBusConnection::disconnectFromBus(QStringLiteral("player-side"));
}

TEST(DesktopScreenSaver, NoServiceMeansNotRunning) {
    QtApp();
    PrivateSessionBus daemon;
    ASSERT_TRUE(daemon.Start());
    const QString address = daemon.address;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("saver-side"));
        ASSERT_TRUE(bus.isConnected());
        EXPECT_FALSE(DesktopScreenSaver(bus).Running());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("saver-side"));
}

// A desktop without the service on the bus: the X server's own screensaver answers.
TEST(DesktopScreenSaver, WithoutTheServiceTheXServerAnswers) {
    QtApp();
    PrivateXServer server;
    ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
    PrivateSessionBus daemon;
    ASSERT_TRUE(daemon.Start());
    const QString address = daemon.address;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("x11-saver-side"));
        ASSERT_TRUE(bus.isConnected());
        DesktopScreenSaver saver(bus, server.Name());
        EXPECT_FALSE(saver.Running());
        ASSERT_TRUE(SwitchXScreenSaver(server.Name(), true));
        EXPECT_TRUE(saver.Running());
        ASSERT_TRUE(SwitchXScreenSaver(server.Name(), false));
        EXPECT_FALSE(saver.Running());
        // Without an X server to fall back on, it is never running.
        ASSERT_TRUE(SwitchXScreenSaver(server.Name(), true));
        EXPECT_FALSE(DesktopScreenSaver(bus).Running());  // offscreen: no X11 windows
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("x11-saver-side"));
}

}  // namespace
}  // namespace sonvaro::test
