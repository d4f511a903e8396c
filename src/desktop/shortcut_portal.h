#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <array>

#include "settings/settings.h"

namespace sonvaro {

// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts),
// where the keyboard cannot be read directly (Wayland). A session is asked
// for at once; the hotkeys are bound (the desktop may ask the user) whenever
// Bind is called, and an activated shortcut is reported by its record index.
// Every portal answer comes as a Response signal on a request object, so the
// whole exchange is asynchronous and never blocks the window.
class ShortcutPortal : public QObject {
    Q_OBJECT
  public:
    explicit ShortcutPortal(QDBusConnection bus, QObject* parent = nullptr);
    // True once the desktop granted a session: the hotkeys can work.
    bool Ready() const { return !session_.isEmpty(); }
    // Binds the enabled records that have a key; kept until the session is ready.
    void Bind(const std::array<HotkeyFields, kHotkeyCount>& hotkeys);

  signals:
    void ready();
    void activated(int record);

  private slots:
    void OnSessionResponse(uint response, const QVariantMap& results);
    void OnBindResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusMessage& message);

  private:
    QString RequestPath(const QString& token) const;
    void SendBind();

    QDBusConnection bus_;
    QString session_;
    std::array<HotkeyFields, kHotkeyCount> pending_{};
    bool bindWanted_ = false;
    int requests_ = 0;
};

}  // namespace sonvaro
