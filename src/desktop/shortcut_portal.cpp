#include "desktop/shortcut_portal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QList>

#include "companions/hotkeys.h"

namespace sonvaro {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kIdPrefix = QStringLiteral("hotkey-");

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& s) {
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

}  // namespace
}  // namespace sonvaro

Q_DECLARE_METATYPE(sonvaro::PortalShortcut)

namespace sonvaro {

ShortcutPortal::ShortcutPortal(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!bus_.isConnected()) return;
    bus_.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                 SLOT(OnActivated(QDBusMessage)));
    const QString token = QStringLiteral("sonvaro_session%1").arg(++requests_);
    // The answer may come before the call returns: listen first.
    bus_.connect(kService, RequestPath(token), kRequest, QStringLiteral("Response"), this,
                 SLOT(OnSessionResponse(uint, QVariantMap)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), QStringLiteral("sonvaro")}};
    // No portal, or one without global shortcuts: an error answer, and nothing more happens.
    bus_.asyncCall(call);
}

// The portal names each request object after the caller's unique bus name.
QString ShortcutPortal::RequestPath(const QString& token) const {
    QString sender = bus_.baseService();
    sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
    return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

void ShortcutPortal::OnSessionResponse(uint response, const QVariantMap& results) {
    if (response != 0 || !session_.isEmpty()) return;
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    session_ = handle.userType() == qMetaTypeId<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                   : handle.toString();
    if (session_.isEmpty()) return;
    emit ready();
    if (bindWanted_) SendBind();
}

void ShortcutPortal::Bind(const std::array<HotkeyFields, kHotkeyCount>& hotkeys) {
    pending_ = hotkeys;
    bindWanted_ = true;
    if (Ready()) SendBind();
}

void ShortcutPortal::SendBind() {
    QList<PortalShortcut> shortcuts;
    for (int i = 0; i < kHotkeyCount; ++i) {
        const std::string trigger = PortalTrigger(pending_[static_cast<size_t>(i)]);
        if (trigger.empty()) continue;
        shortcuts.push_back({kIdPrefix + QString::number(i),
                             {{QStringLiteral("description"), QString::fromUtf8(kHotkeyNames[i])},
                              {QStringLiteral("preferred_trigger"), QString::fromStdString(trigger)}}});
    }
    const QString token = QStringLiteral("sonvaro_bind%1").arg(++requests_);
    bus_.connect(kService, RequestPath(token), kRequest, QStringLiteral("Response"), this,
                 SLOT(OnBindResponse(uint, QVariantMap)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts) << QString()
         << QVariantMap{{QStringLiteral("handle_token"), token}};
    bus_.asyncCall(call);
}

void ShortcutPortal::OnBindResponse(uint, const QVariantMap&) {
    // Refused or changed by the user: the desktop's own settings say what is bound.
}

// Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options).
void ShortcutPortal::OnActivated(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2) return;
    const QString session = args[0].value<QDBusObjectPath>().path();
    const QString id = args[1].toString();
    if (session != session_ || !id.startsWith(kIdPrefix)) return;
    bool ok = false;
    const int record = id.mid(kIdPrefix.size()).toInt(&ok);
    if (ok && record >= 0 && record < kHotkeyCount) emit activated(record);
}

}  // namespace sonvaro
