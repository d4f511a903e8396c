// The hotkeys and the update check as the windowed player runs them: the
// 25 ms poll on an injected keyboard, the window's hotkey commands, and the
// update check's thread against a loopback server.
#include <QCheckBox>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>

#include "companions/hotkeys.h"
#include "core/ports/desktop_ports.h"
#include "desktop/update_check_runner.h"
#include "support/loopback_server.h"
#include "support/ui_harness.h"
#include "ui/desktop_companions.h"
#include "ui/qt_messages.h"
#include "ui/settings/settings_window.h"

namespace sonvaro::test {
namespace {

class PressedKeys : public KeyState {
  public:
    bool Available() const override { return true; }
    void Refresh() override { ++refreshes; }
    bool Down(int32_t vk) const override { return down.count(vk) != 0; }
    std::set<int32_t> down;
    int refreshes = 0;
};

class RecordingBrowser : public WebBrowser {
  public:
    void OpenAddress(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

class NoPower : public PowerControl {
  public:
    void PowerOff() override {}
};
class NoScreenSaver : public ScreenSaver {
  public:
    bool Running() override { return false; }
};

std::string HttpOk(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class CompanionsTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        auto k = std::make_unique<PressedKeys>();
        auto b = std::make_unique<RecordingBrowser>();
        keys = k.get();
        browser = b.get();
        companions.Attach(
            *app, *window, [] {}, std::make_unique<NoPower>(), std::make_unique<NoScreenSaver>(),
            std::move(k), std::move(b));
    }
    DesktopCompanions companions;
    PressedKeys* keys = nullptr;
    RecordingBrowser* browser = nullptr;
};

TEST_F(CompanionsTest, ThePollTimerRunsHotkeysAndMediaKeys) {
    EXPECT_TRUE(companions.GlobalKeysAvailable());
    Settings& s = app->data.settings;
    s.HK_Global = 1;
    s.hotkeys[11] = {1, 1, 0, 1, 22};  // "Wiedergabeliste" on Strg + Shift + W
    window->SwitchLayout(0);
    keys->down = {17, 16, 87};
    ASSERT_TRUE(WaitFor([&] { return companions.Hotkeys()->Held(11); }));
    EXPECT_EQ(window->CurrentLayout(), Layout::InfoOnly);
    keys->down = {17, 16};
    ASSERT_TRUE(WaitFor([&] { return window->CurrentLayout() == Layout::Playlist; }));
    keys->down.clear();

    window->VolumeSlider()->setValue(40);
    keys->down = {175};  // volume up: on the press
    ASSERT_TRUE(WaitFor([&] { return s.Misc_Volume == 42; }));
    EXPECT_EQ(window->VolumeSlider()->value(), 42);
    keys->down = {173};  // mute: on the release
    const int seen = keys->refreshes;
    ASSERT_TRUE(WaitFor([&] { return keys->refreshes > seen; }));
    EXPECT_EQ(s.Misc_Volume, 42);
    keys->down.clear();
    ASSERT_TRUE(WaitFor([&] { return s.Misc_Volume == 0; }));
    EXPECT_EQ(window->VolumeSlider()->value(), 0);

    // Both switched off: the keys are not looked at.
    s.HK_Global = 0;
    s.HK_MediaKeys = 0;
    keys->down = {175};
    companions.Hotkeys()->Poll();
    keys->down.clear();
    companions.Hotkeys()->Poll();
    EXPECT_EQ(s.Misc_Volume, 0);
}

TEST_F(CompanionsTest, ListHotkeysActOnlyOnTheActiveMainWindowsFocusedList) {
    SetPlaylist({{"a", "x", 1}, {"b", "x", 2}, {"c", "x", 3}});
    window->SwitchLayout(1);
    window->PlaylistList()->setFocus();
    // Another program has the focus: nothing.
    if (window->isActiveWindow()) QApplication::setActiveWindow(nullptr);
    window->RunHotkeyCommand(HotkeyCommand::SelectAll);
    EXPECT_TRUE(window->SelectedRows().empty());
    Select({1});
    window->RunHotkeyCommand(HotkeyCommand::Remove);
    EXPECT_EQ(Titles().size(), 3u);

    window->activateWindow();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(WaitFor([&] { return window->isActiveWindow(); }));
    window->PlaylistList()->setFocus();
    window->RunHotkeyCommand(HotkeyCommand::SelectAll);
    EXPECT_EQ(window->SelectedRows().size(), 3u);
    Select({1});
    window->RunHotkeyCommand(HotkeyCommand::Remove);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "c"}));
    window->RunHotkeyCommand(HotkeyCommand::Library);
    EXPECT_EQ(window->CurrentLayout(), Layout::Library);
    window->RunHotkeyCommand(HotkeyCommand::Library);  // shows it, never toggles back
    EXPECT_EQ(window->CurrentLayout(), Layout::Library);
}

TEST_F(CompanionsTest, TheSettingsPagesPreviewShowsSamplesWhileNothingPlays) {
    app->data.settings.Tracker_Text = "%TITL|%arti - %YEAR";
    ASSERT_EQ(window->Tools().Companions(), &companions);
    window->Tools().Companions()->ShowTrackerPreview();
    ASSERT_NE(companions.TrackerPopupWindow().Label(), nullptr);
    EXPECT_EQ(companions.TrackerPopupWindow().Label()->text(),
              QStringLiteral("Beispieltitel\nBeispielartist - Jahr"));
    EXPECT_TRUE(companions.TrackerPopupWindow().IsPreview());
}

// The Shortcuts page edits pending copies: a row shows its keys, an edit
// changes only that row, OK stores it and the next poll uses it.
TEST_F(CompanionsTest, TheShortcutsPageBindsAKeyThatThePollThenUses) {
    Settings& s = app->data.settings;
    s.HK_Global = 0;
    s.hotkeys[6] = {1, 0, 1, 0, 66};  // "Lautstärke veringern" on Alt + Cursor Hoch, stored earlier
    window->RunCommand(Command::Settings);
    SettingsWindow* dialog = window->Tools().SettingsDialog();
    ASSERT_NE(dialog, nullptr);
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("hotkeys"));
    auto* global = dialog->findChild<QCheckBox*>(QStringLiteral("globalKeys"));
    auto* ctrl = dialog->findChild<QCheckBox*>(QStringLiteral("hotkeyCtrl"));
    auto* key = dialog->findChild<QComboBox*>(QStringLiteral("hotkeyKey"));
    auto* apply = dialog->findChild<QPushButton*>(QStringLiteral("apply"));
    EXPECT_TRUE(dialog->findChild<QLabel*>(QStringLiteral("shortcutsNote"))->isHidden());
    ASSERT_EQ(key->count(), 85);
    EXPECT_EQ(key->itemText(0), QString());
    EXPECT_EQ(key->itemText(16), QStringLiteral("P"));
    EXPECT_EQ(key->itemText(84), QStringLiteral("Tab"));
    EXPECT_EQ(list->topLevelItem(6)->text(1), QStringLiteral("Alt + Cursor Hoch"));
    EXPECT_FALSE(list->isEnabled());  // HK_Global 0
    EXPECT_FALSE(ctrl->isEnabled());

    global->setChecked(true);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_FALSE(ctrl->isEnabled());  // no row chosen yet
    list->setCurrentItem(list->topLevelItem(6));
    EXPECT_FALSE(ctrl->isChecked());
    EXPECT_EQ(key->currentIndex(), 67);           // Cursor Hoch
    list->setCurrentItem(list->topLevelItem(1));  // "Play"
    EXPECT_EQ(key->currentIndex(), 0);
    ctrl->setChecked(true);
    key->setCurrentIndex(16);
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("Strg + P"));
    EXPECT_EQ(list->topLevelItem(6)->text(1), QStringLiteral("Alt + Cursor Hoch"));
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_EQ(s.hotkeys[1].key, -1);  // pending until applied

    // Unchecking clears the selection and the edit controls, but keeps the edits.
    global->setChecked(false);
    EXPECT_EQ(list->currentItem(), nullptr);
    EXPECT_FALSE(ctrl->isChecked());
    EXPECT_FALSE(key->isEnabled());
    global->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("ok"))->click();
    EXPECT_EQ(s.HK_Global, 1);
    EXPECT_EQ(s.hotkeys[1], (HotkeyFields{1, 1, 0, 0, 15}));
    EXPECT_EQ(s.hotkeys[6], (HotkeyFields{1, 0, 1, 0, 66}));

    keys->down = {17, 80};
    EXPECT_TRUE(WaitFor([&] { return companions.Hotkeys()->Held(1); }));
    keys->down.clear();
}

// The desktop's shortcut portal as the tests see it: every request is
// answered at once with success, and the bound triggers are kept.
class FakeShortcutPortal : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.portal.GlobalShortcuts")) return false;
        const QList<QVariant> args = message.arguments();
        QVariantMap options;
        QVariantMap results;
        if (message.member() == QLatin1String("CreateSession")) {
            options = qdbus_cast<QVariantMap>(args.value(0));
            results[QStringLiteral("session_handle")] = session;
        } else if (message.member() == QLatin1String("BindShortcuts")) {
            options = qdbus_cast<QVariantMap>(args.value(3));
            triggers.clear();
            const QDBusArgument list = args.value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                QString id;
                QVariantMap properties;
                list.beginStructure();
                list >> id >> properties;
                list.endStructure();
                triggers[id] = properties.value(QStringLiteral("preferred_trigger")).toString();
            }
            list.endArray();
            ++binds;
        } else {
            return false;
        }
        QString sender = message.service();
        sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + "/" +
                                options.value(QStringLiteral("handle_token")).toString();
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response =
            QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), "Response");
        response << 0u << results;
        connection.send(response);
        return true;
    }
    void Activate(const QDBusConnection& connection, const QString& id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong{0} << QVariantMap{};
        connection.send(signal);
    }
    const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/1_1/sonvaro");
    QMap<QString, QString> triggers;
    int binds = 0;
};

// Where the keyboard cannot be read, the hotkeys are bound at the desktop's
// portal and its activations run them.
TEST_F(CompanionsTest, TheShortcutPortalBindsTheHotkeysAndRunsWhatItReports) {
    PrivateSessionBus bus;
    ASSERT_TRUE(bus.Start());
    {
        QDBusConnection desktop = QDBusConnection::connectToBus(bus.address, QStringLiteral("portal-side"));
        QDBusConnection player = QDBusConnection::connectToBus(bus.address, QStringLiteral("keys-side"));
        ASSERT_TRUE(desktop.isConnected() && player.isConnected());
        FakeShortcutPortal portal;
        ASSERT_TRUE(desktop.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        ASSERT_TRUE(
            desktop.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal));
        Settings& s = app->data.settings;
        s.HK_Global = 1;
        s.hotkeys[11] = {1, 1, 0, 1, 22};  // "Wiedergabeliste" on Strg + Shift + W
        s.hotkeys[12] = {1, 1, 1, 0, -1};  // modifiers alone: no portal trigger
        companions.UseShortcutPortal(player);
        ASSERT_TRUE(WaitFor([&] { return portal.binds == 1; }, 5000));
        EXPECT_EQ(portal.triggers, (QMap<QString, QString>{{"hotkey-11", "CTRL+SHIFT+w"}}));

        window->SwitchLayout(0);
        portal.Activate(desktop, QStringLiteral("hotkey-11"));
        EXPECT_TRUE(WaitFor([&] { return window->CurrentLayout() == Layout::Playlist; }, 5000));

        s.hotkeys[4] = {1, 0, 0, 0, 45};  // "Nächster Titel" on F10, stored by the dialog
        companions.HotkeysChanged();
        ASSERT_TRUE(WaitFor([&] { return portal.binds == 2; }, 5000));
        EXPECT_EQ(portal.triggers.value("hotkey-4"), QStringLiteral("F10"));

        desktop.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("portal-side"));
    QDBusConnection::disconnectFromBus(QStringLiteral("keys-side"));
}

TEST_F(CompanionsTest, NewVersionFromTheMenuAndTheWebPages) {
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) {
        c.Send(HttpOk("[version]\nversion=110\ninfo=x\ndownload=https://example.org/get\n"));
    });
    companions.Updates()->SetAddresses(
        {server.Url("/"), "https://example.org/sonvaro/", "https://example.org/sonvaro/feedback"});
    ASSERT_TRUE(window->Action(Command::UpdateCheck)->isEnabled());
    messages.answer = false;
    window->RunCommand(Command::UpdateCheck);
    ASSERT_TRUE(WaitFor([&] { return !messages.boxes.empty(); }, 10000));
    EXPECT_TRUE(messages.boxes[0].question);
    EXPECT_EQ(messages.boxes[0].text.rfind("Aktuellste Version: 1.10\n", 0), 0u);
    EXPECT_TRUE(browser->opened.empty());  // "Nein"
    EXPECT_EQ(server.Requests().size(), 1u);

    window->RunCommand(Command::Website);
    window->RunCommand(Command::Feedback);
    EXPECT_EQ(browser->opened, (std::vector<std::string>{"https://example.org/sonvaro/",
                                                         "https://example.org/sonvaro/feedback"}));
    EXPECT_EQ(messages.boxes.size(), 1u);
}

// Every variable by which curl could be sent through a proxy, pointed at one
// address for the life of this, then restored.
class ProxyEnvironment {
  public:
    explicit ProxyEnvironment(const std::string& proxy) {
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
            Set(name, proxy);
        for (const char* name : {"no_proxy", "NO_PROXY", "SONVARO_UPDATE_BASE"}) Set(name, {});
    }
    ~ProxyEnvironment() {
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

  private:
    void Set(const char* name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A build made without addresses (the default): the check at start-up and
// "Neue Version" ask no server, which a proxy every request would go through
// sees, and the three menu items say that no address is set up.
TEST_F(CompanionsTest, WithoutAddressesNoServerIsAskedAndTheMenuSaysSo) {
    support::LoopbackServer proxy(
        [](support::LoopbackServer::Connection& c) { c.Send("HTTP/1.0 502 Bad Gateway\r\n\r\n"); });
    ProxyEnvironment environment(proxy.Url(""));
    UpdateCheckRunner& updates = *companions.Updates();
    updates.Start(false);  // as at start-up
    ASSERT_TRUE(WaitFor([&] { return updates.Running() == 0; }, 10000));
    EXPECT_TRUE(messages.boxes.empty());

    window->RunCommand(Command::UpdateCheck);
    ASSERT_TRUE(WaitFor([&] { return updates.Running() == 0 && !messages.boxes.empty(); }, 10000));
    window->RunCommand(Command::Website);
    window->RunCommand(Command::Feedback);
    ASSERT_EQ(messages.boxes.size(), 3u);
    const char* titles[] = {"Neue Version", "Webseite", "Feedback"};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(messages.boxes[i].text, "Keine Adresse eingerichtet.");
        EXPECT_EQ(messages.boxes[i].title, titles[i]);
        EXPECT_FALSE(messages.boxes[i].question);
    }
    EXPECT_TRUE(browser->opened.empty());
    EXPECT_EQ(proxy.Requests(), std::vector<std::string>{});
}

TEST(UpdateCheckRunner, AStallingServerNeverHoldsUpTheWindowThread) {
    QtApp();
    support::LoopbackServer server([](support::LoopbackServer::Connection& c) { c.Hold(); });
    RecordingMessages messages;
    RecordingBrowser browser;
    {
        UpdateCheckRunner checker(messages, browser, {server.Url("/"), "", ""});
        checker.SetTimeout(300);
        checker.Start(true);
        // Start has returned although the server has not answered.
        EXPECT_EQ(checker.Running(), 1);
        ASSERT_TRUE(WaitFor([&] { return checker.Running() == 0; }, 10000));
        ASSERT_EQ(messages.boxes.size(), 1u);
        EXPECT_EQ(
            messages.boxes[0].text.rfind("Versionsinformationen konnten nicht heruntergeladen werden\n'", 0),
            0u);

        // The program ends during a check: it is cancelled, not waited out.
        checker.SetTimeout(60000);
        checker.Start(false);
        ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 2; }, 10000));
    }
    EXPECT_EQ(messages.boxes.size(), 1u);
    server.Stop();
}

// The check at start-up: an outcome that arrives before the main window is up
// waits for Release.
TEST(UpdateCheckRunner, HeldOutcomesAreShownOnRelease) {
    QtApp();
    support::LoopbackServer server(
        [](support::LoopbackServer::Connection& c) { c.Send(HttpOk("[version]\nversion=110\n")); });
    RecordingMessages messages;
    RecordingBrowser browser;
    UpdateCheckRunner checker(messages, browser, {server.Url("/"), "", ""});
    checker.Hold();
    checker.Start(false);
    ASSERT_TRUE(WaitFor([&] { return checker.Waiting() == 1; }, 10000));
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(checker.Running(), 1);
    checker.Release();
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text.rfind("Aktuellste Version: 1.10\n", 0), 0u);
    EXPECT_EQ(checker.Running(), 0);
    EXPECT_EQ(checker.Waiting(), 0);
}

TEST(MessageText, LongTextsAreCutToRowsAndTheLastLineStays) {
    EXPECT_EQ(FitMessageText(QStringLiteral("a\nb\n\nc"), 10, 20), QStringLiteral("a\nb\n\nc"));
    QString lines;
    for (int i = 0; i < 10; ++i) lines += QStringLiteral("l%1\n").arg(i);
    EXPECT_EQ(FitMessageText(lines + QStringLiteral("Frage?"), 5, 20),
              QString::fromUtf8("l0\nl1\nl2\n…\nFrage?"));
    // A line of 50 wraps onto 5 rows of 10; it is cut to two rows.
    EXPECT_EQ(FitMessageText(QString(50, QLatin1Char('x')), 5, 10),
              QString(19, QLatin1Char('x')) + QString::fromUtf8("…"));
    EXPECT_EQ(FitMessageText(QStringLiteral("%1\n%1\nFrage?").arg(QString(15, QLatin1Char('y'))), 4, 10),
              QStringLiteral("%1\n…\nFrage?").arg(QString(15, QLatin1Char('y'))));
}

// A box asked while a tool window of the main window is active goes over that
// window, which has the focus again once the box is closed.
TEST(QtMessagesTest, ABoxFromAToolWindowSitsOnItAndHandsTheFocusBack) {
    QtApp();
    QWidget main;
    main.show();
    QWidget tool(&main, Qt::Window);
    tool.show();
    tool.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &tool; }));
    QtMessages messages;
    messages.SetParent(&main);
    QWidget* owner = nullptr;
    const auto answer = [&] {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            owner = box->parentWidget();
            box->done(0);
        });
    };
    answer();
    messages.Show("Bitte geben Sie die Gesamtdauer der Wiedergabeliste ein.", "Ungültige Eingabe",
                  MessageIcon::Warning);
    EXPECT_EQ(owner, &tool);
    EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &tool; }));
    owner = nullptr;
    answer();
    messages.Ask("Frage?", "Frage", MessageIcon::Question);
    EXPECT_EQ(owner, &tool);
    // Asked while the main window itself is active, the box goes over it.
    main.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == &main; }));
    owner = nullptr;
    answer();
    messages.Show("Text", "Hinweis", MessageIcon::Warning);
    EXPECT_EQ(owner, &main);
}

// A question that does not wait: AskLater returns at once, the box fits on
// the screen however long the text, and the answer arrives with the click.
TEST(QtMessagesTest, AskLaterReturnsAtOnceAndTheBoxFitsTheScreen) {
    QtApp();
    QtMessages messages;
    std::string text = "Aktuellste Version: 1.10\nInformation: " + std::string(3000, 'x') + "\n";
    for (int i = 0; i < 5000; ++i) text += "Zeile " + std::to_string(i) + "\n";
    text += "\nEine neue Version ist verfügbar, Updateseite öffnen?";
    std::vector<bool> answers;
    messages.AskLater(text, "Update", MessageIcon::Question, [&](bool yes) { answers.push_back(yes); });
    ASSERT_EQ(messages.OpenQuestions().size(), 1u);
    QMessageBox* box = messages.OpenQuestions()[0];
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Update"));
    const QRect screen = box->screen()->availableGeometry();
    EXPECT_LE(box->frameGeometry().width(), screen.width());
    EXPECT_LE(box->frameGeometry().height(), screen.height());
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("Aktuellste Version: 1.10\nInformation: xxx")));
    EXPECT_TRUE(
        box->text().endsWith(QString::fromUtf8("…\nEine neue Version ist verfügbar, Updateseite öffnen?")));
    EXPECT_TRUE(answers.empty());

    QPushButton* no = nullptr;
    for (QAbstractButton* b : box->buttons())
        if (b->text() == QStringLiteral("Nein")) no = qobject_cast<QPushButton*>(b);
    ASSERT_NE(no, nullptr);
    no->click();
    ASSERT_TRUE(WaitFor([&] { return messages.OpenQuestions().empty(); }));
    EXPECT_EQ(answers, std::vector<bool>{false});

    // The program ends with a question open: it goes unanswered.
    messages.AskLater("Frage?", "Update", MessageIcon::Question, [&](bool yes) { answers.push_back(yes); });
    ASSERT_EQ(messages.OpenQuestions().size(), 1u);
    messages.CloseQuestions();
    EXPECT_TRUE(messages.OpenQuestions().empty());
    EXPECT_EQ(answers.size(), 1u);
}

}  // namespace
}  // namespace sonvaro::test
