#include "desktop/mpris_service.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QTimer>

#include "support/loopback_server.h"
#include "support/tag_fixtures.h"
#include "support/ui_harness.h"
#include "tags/tag_writer.h"

namespace sonvaro::test {

// What the player sends on the bus, as a client sees it.
class BusSignals : public QObject {
    Q_OBJECT
  public slots:
    void Changed(const QString& interface, const QVariantMap& changed, const QStringList&) {
        if (interface == QLatin1String("org.mpris.MediaPlayer2.Player")) this->changed.push_back(changed);
    }
    void Seeked(qlonglong position) { seeks.push_back(position); }

  public:
    std::vector<QVariantMap> changed;
    std::vector<qlonglong> seeks;
    // The last value sent for a property, or an invalid QVariant.
    QVariant Last(const QString& name) const {
        for (auto it = changed.rbegin(); it != changed.rend(); ++it)
            if (it->contains(name)) return it->value(name);
        return {};
    }
};

namespace {

constexpr const char* kService = "org.mpris.MediaPlayer2.sonvaro";
constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
constexpr const char* kRoot = "org.mpris.MediaPlayer2";

// A variant from the bus: maps arrive still marshalled.
QVariant Plain(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument arg = value.value<QDBusArgument>();
        if (arg.currentSignature() == QLatin1String("a{sv}")) return qdbus_cast<QVariantMap>(arg);
        if (arg.currentSignature() == QLatin1String("as")) return qdbus_cast<QStringList>(arg);
    }
    return value;
}

// The real window and player on a private bus daemon: the service on one
// connection, the test as a client on another.
class MprisTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                     QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon";
        ASSERT_TRUE(WaitFor([&] { return daemon.canReadLine(); }, 5000));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        playerBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("mpris-player")));
        clientBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("mpris-client")));
        ASSERT_TRUE(playerBus->isConnected());
        ASSERT_TRUE(clientBus->isConnected());
        service = MprisService::Start(
            *app, [this] { ++raises; }, [this] { ++quits; }, *playerBus);
        ASSERT_NE(service, nullptr);
        ASSERT_TRUE(clientBus->connect(QString(), kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"), &seen,
                                       SLOT(Changed(QString, QVariantMap, QStringList))));
        ASSERT_TRUE(clientBus->connect(QString(), kPath, kPlayer, QStringLiteral("Seeked"), &seen,
                                       SLOT(Seeked(qlonglong))));
        QObject::connect(&tick, &QTimer::timeout, [this] { app->PlayerTick(); });
        tick.start(50);
    }
    void TearDown() override {
        tick.stop();
        service.reset();
        clientBus.reset();
        playerBus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-player"));
        daemon.kill();
        daemon.waitForFinished(5000);
        MainWindowTest::TearDown();
    }

    // Asynchronous, so that the service in this thread can answer.
    QDBusMessage Call(const char* interface, const QString& method, const QVariantList& args = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        call.setArguments(args);
        QDBusPendingCall pending = clientBus->asyncCall(call, 5000);
        EXPECT_TRUE(WaitFor([&] { return pending.isFinished(); }, 6000)) << method.toStdString();
        return pending.reply();
    }
    QDBusMessage Player(const QString& method, const QVariantList& args = {}) {
        return Call(kPlayer, method, args);
    }
    QVariant Get(const QString& name, const char* interface = kPlayer) {
        const QDBusMessage reply = Call("org.freedesktop.DBus.Properties", QStringLiteral("Get"),
                                        {QString::fromLatin1(interface), name});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << name.toStdString() << reply.errorMessage().toStdString();
        if (reply.arguments().isEmpty()) return {};
        return Plain(reply.arguments().constFirst().value<QDBusVariant>().variant());
    }
    QDBusMessage Set(const QString& name, const QVariant& value) {
        return Call("org.freedesktop.DBus.Properties", QStringLiteral("Set"),
                    {QString::fromLatin1(kPlayer), name, QVariant::fromValue(QDBusVariant(value))});
    }
    QVariantMap Metadata() { return Get(QStringLiteral("Metadata")).toMap(); }
    QString Status() { return Get(QStringLiteral("PlaybackStatus")).toString(); }
    // The player's own playlist, read from the files like an added file.
    void AddFiles(const std::vector<std::string>& paths) {
        for (const auto& p : paths) app->editor.AddToPlaylist(p);
    }
    std::string TaggedSong() {
        const std::string path = home / "lied.wav";
        std::filesystem::copy_file(ToneFile(4), path);
        TagEdits edits;
        edits.path = path;
        edits.title = "Erstes Lied";
        edits.artist = "Anna; Ben";
        edits.album = "Probe";
        edits.genre = "Jazz";
        edits.track = "7";
        EXPECT_TRUE(WriteTags(app->tags, edits));
        return path;
    }

    // What a key binding in the desktop runs: `dbus-send` with `extra` options.
    void DbusSend(const QString& member, const QStringList& extra) {
        QProcess send;
        send.start(QStringLiteral("dbus-send"),
                   QStringList{QStringLiteral("--bus=") + address, QStringLiteral("--dest=") + kService}
                       << extra << QString::fromLatin1(kPath) << QString::fromLatin1(kPlayer) + "." + member);
        ASSERT_TRUE(send.waitForFinished(5000));
        ASSERT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
    }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> playerBus, clientBus;
    std::unique_ptr<MprisService> service;
    BusSignals seen;
    QTimer tick;
    int raises = 0, quits = 0;
};

TEST_F(MprisTest, RootNamesThePlayerAndRaisesAndQuitsThroughTheWindow) {
    EXPECT_EQ(Get(QStringLiteral("Identity"), kRoot).toString(), QStringLiteral("Sonvaro"));
    EXPECT_EQ(Get(QStringLiteral("DesktopEntry"), kRoot).toString(), QStringLiteral("sonvaro"));
    EXPECT_EQ(Get(QStringLiteral("SupportedUriSchemes"), kRoot).toStringList(),
              (QStringList{QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")}));
    const QStringList mime = Get(QStringLiteral("SupportedMimeTypes"), kRoot).toStringList();
    EXPECT_EQ(mime.size(), 29);
    EXPECT_TRUE(mime.contains(QStringLiteral("audio/flac")));
    EXPECT_TRUE(mime.contains(QStringLiteral("audio/x-scpls")));
    EXPECT_TRUE(Get(QStringLiteral("CanQuit"), kRoot).toBool());
    EXPECT_TRUE(Get(QStringLiteral("CanRaise"), kRoot).toBool());
    EXPECT_FALSE(Get(QStringLiteral("HasTrackList"), kRoot).toBool());

    EXPECT_EQ(Call(kRoot, QStringLiteral("Raise")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(raises, 1);
    EXPECT_EQ(Call(kRoot, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(quits, 1);
}

TEST_F(MprisTest, TransportCallsReachThePlayer) {
    AddFiles({ToneFile(4), ToneFile(3)});
    EXPECT_EQ(Status(), QStringLiteral("Stopped"));
    EXPECT_TRUE(Metadata().isEmpty());
    EXPECT_TRUE(Get(QStringLiteral("CanPlay")).toBool());
    EXPECT_FALSE(Get(QStringLiteral("CanPause")).toBool());

    Player(QStringLiteral("Play"));
    EXPECT_EQ(Status(), QStringLiteral("Playing"));
    EXPECT_EQ(app->player.State().markedRow, 0);
    EXPECT_TRUE(Get(QStringLiteral("CanGoNext")).toBool());
    EXPECT_TRUE(Get(QStringLiteral("CanSeek")).toBool());
    Player(QStringLiteral("Pause"));
    EXPECT_EQ(Status(), QStringLiteral("Paused"));
    Player(QStringLiteral("Pause"));  // pause never resumes
    EXPECT_EQ(Status(), QStringLiteral("Paused"));
    Player(QStringLiteral("PlayPause"));
    EXPECT_EQ(Status(), QStringLiteral("Playing"));
    Player(QStringLiteral("PlayPause"));
    EXPECT_EQ(Status(), QStringLiteral("Paused"));
    Player(QStringLiteral("Play"));
    EXPECT_EQ(Status(), QStringLiteral("Playing"));

    Player(QStringLiteral("Next"));
    EXPECT_EQ(app->player.State().markedRow, 1);
    EXPECT_EQ(Metadata().value(QStringLiteral("mpris:length")).toLongLong(), 3000000);
    Player(QStringLiteral("Previous"));
    EXPECT_EQ(app->player.State().markedRow, 0);
    EXPECT_EQ(Metadata().value(QStringLiteral("mpris:length")).toLongLong(), 4000000);

    Player(QStringLiteral("Stop"));
    EXPECT_TRUE(WaitFor([&] { return Status() == QStringLiteral("Stopped"); }));
    EXPECT_TRUE(Metadata().isEmpty());
    EXPECT_FALSE(Get(QStringLiteral("CanSeek")).toBool());
}

TEST_F(MprisTest, CommandsSentWithoutWaitingForAnAnswerAct) {
    AddFiles({ToneFile(4), ToneFile(3)});
    Player(QStringLiteral("Play"));
    ASSERT_EQ(Status(), QStringLiteral("Playing"));

    DbusSend(QStringLiteral("Pause"), {});  // dbus-send's default: a signal
    EXPECT_TRUE(WaitFor([&] { return Status() == QStringLiteral("Paused"); }));
    DbusSend(QStringLiteral("PlayPause"), {QStringLiteral("--type=method_call")});  // no reply asked
    EXPECT_TRUE(WaitFor([&] { return Status() == QStringLiteral("Playing"); }));
    DbusSend(QStringLiteral("Next"), {});
    EXPECT_TRUE(WaitFor([&] { return app->player.State().markedRow == 1; }));
    DbusSend(QStringLiteral("Stop"), {QStringLiteral("--type=method_call")});
    EXPECT_TRUE(WaitFor([&] { return Status() == QStringLiteral("Stopped"); }));
}

TEST_F(MprisTest, SeekAndSetPositionMoveThePositionAndSaySo) {
    AddFiles({ToneFile(4)});
    Player(QStringLiteral("Play"));
    Player(QStringLiteral("Pause"));  // the position stays where it is put
    const QDBusObjectPath track = Metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    ASSERT_TRUE(track.path().startsWith(QStringLiteral("/org/sonvaro/track/"))) << track.path().toStdString();

    Player(QStringLiteral("SetPosition"), {QVariant::fromValue(track), qlonglong(2500000)});
    EXPECT_NEAR(Get(QStringLiteral("Position")).toLongLong(), 2500000, 1000);
    ASSERT_TRUE(WaitFor([&] { return seen.seeks.size() == 1; }));
    EXPECT_NEAR(seen.seeks[0], 2500000, 1000);

    Player(QStringLiteral("Seek"), {qlonglong(-1000000)});
    EXPECT_NEAR(Get(QStringLiteral("Position")).toLongLong(), 1500000, 1000);
    ASSERT_TRUE(WaitFor([&] { return seen.seeks.size() == 2; }));
    EXPECT_NEAR(seen.seeks[1], 1500000, 1000);

    // A stale track id, a negative position or one past the end: nothing moves.
    Player(QStringLiteral("SetPosition"),
           {QVariant::fromValue(QDBusObjectPath("/org/sonvaro/track/0")), qlonglong(100000)});
    Player(QStringLiteral("SetPosition"), {QVariant::fromValue(track), qlonglong(-5)});
    Player(QStringLiteral("SetPosition"), {QVariant::fromValue(track), qlonglong(4000001)});
    EXPECT_NEAR(Get(QStringLiteral("Position")).toLongLong(), 1500000, 1000);

    // The slider moved in the window: a jump the playing does not explain.
    app->control.SeekTo(3.0);
    ASSERT_TRUE(WaitFor([&] { return seen.seeks.size() == 3; }));
    EXPECT_NEAR(seen.seeks[2], 3000000, 1000);
}

TEST_F(MprisTest, MetadataCarriesTheTagsAndFollowsStationTitles) {
    const std::string song = TaggedSong();
    AddFiles({song, ToneFile(3)});
    Player(QStringLiteral("Play"));
    QVariantMap m = Metadata();
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Erstes Lied"));
    EXPECT_EQ(Plain(m.value(QStringLiteral("xesam:artist"))).toStringList(),
              (QStringList{QStringLiteral("Anna"), QStringLiteral("Ben")}));
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Probe"));
    EXPECT_EQ(Plain(m.value(QStringLiteral("xesam:genre"))).toStringList(),
              QStringList{QStringLiteral("Jazz")});
    EXPECT_EQ(m.value(QStringLiteral("xesam:trackNumber")).toInt(), 7);
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 4000000);
    EXPECT_EQ(m.value(QStringLiteral("xesam:url")).toString(), QString::fromStdString("file://" + song));
    const QString firstTrack = m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();

    // A track change goes out as PropertiesChanged with the new metadata.
    seen.changed.clear();
    Player(QStringLiteral("Next"));
    ASSERT_TRUE(WaitFor([&] { return seen.Last(QStringLiteral("Metadata")).isValid(); }));
    m = Plain(seen.Last(QStringLiteral("Metadata"))).toMap();
    EXPECT_EQ(m.value(QStringLiteral("mpris:length")).toLongLong(), 3000000);
    EXPECT_EQ(m.value(QStringLiteral("xesam:title")).toString(),
              QStringLiteral("tone3s"));  // untagged: the file name
    EXPECT_NE(m.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(), firstTrack);

    // A station's song changes under the same channel, as the radio player writes it.
    seen.changed.clear();
    app->player.State().info.artist = "Chor";
    app->player.State().info.album = "Abendlied";
    ASSERT_TRUE(WaitFor([&] { return seen.Last(QStringLiteral("Metadata")).isValid(); }));
    m = Plain(seen.Last(QStringLiteral("Metadata"))).toMap();
    EXPECT_EQ(Plain(m.value(QStringLiteral("xesam:artist"))).toStringList(),
              QStringList{QStringLiteral("Chor")});
    EXPECT_EQ(m.value(QStringLiteral("xesam:album")).toString(), QStringLiteral("Abendlied"));
    EXPECT_FALSE(seen.Last(QStringLiteral("Volume")).isValid());  // only what changed
}

// A station's address goes out as it is, whatever case its scheme is written in.
TEST_F(MprisTest, AStationIsNamedByItsAddressInAnyCase) {
    const std::string mp3 = ReadFile(TagFixture("untagged.mp3"));
    support::LoopbackServer server([&](support::LoopbackServer::Connection& c) {
        c.Send("ICY 200 OK\r\n\r\n" + mp3);
        c.Hold();
    });
    const std::string address = "HTTP" + server.Url("/live").substr(4);
    app->player.PlayChannel(address, kSourcePlaylist);
    ASSERT_TRUE(WaitFor([&] { return app->player.State().playSource == kSourceRadio; }, 10000));
    EXPECT_EQ(Metadata().value(QStringLiteral("xesam:url")).toString().toStdString(), address);
    app->player.Stop();
}

TEST_F(MprisTest, VolumeLoopAndShuffleMapToTheWindowControls) {
    EXPECT_EQ(Set(QStringLiteral("Volume"), 0.42).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(app->data.settings.Misc_Volume, 42);
    EXPECT_EQ(window->VolumeSlider()->value(), 42);
    EXPECT_DOUBLE_EQ(Get(QStringLiteral("Volume")).toDouble(), 0.42);
    ASSERT_TRUE(WaitFor([&] { return seen.Last(QStringLiteral("Volume")).isValid(); }));
    EXPECT_DOUBLE_EQ(seen.Last(QStringLiteral("Volume")).toDouble(), 0.42);
    Set(QStringLiteral("Volume"), 1.7);  // no amplification
    EXPECT_EQ(app->data.settings.Misc_Volume, 100);
    Set(QStringLiteral("Volume"), -0.3);
    EXPECT_EQ(app->data.settings.Misc_Volume, 0);
    window->VolumeSlider()->setValue(65);  // and the other way
    EXPECT_DOUBLE_EQ(Get(QStringLiteral("Volume")).toDouble(), 0.65);

    EXPECT_EQ(Get(QStringLiteral("LoopStatus")).toString(), QStringLiteral("None"));
    Set(QStringLiteral("LoopStatus"), QStringLiteral("Playlist"));
    EXPECT_EQ(app->data.settings.Misc_Repeat, 1);
    EXPECT_TRUE(window->Action(Command::Repeat)->isChecked());
    Set(QStringLiteral("LoopStatus"), QStringLiteral("None"));
    EXPECT_EQ(app->data.settings.Misc_Repeat, 0);
    Set(QStringLiteral("LoopStatus"), QStringLiteral("Track"));  // the one repeat there is
    EXPECT_EQ(Get(QStringLiteral("LoopStatus")).toString(), QStringLiteral("Playlist"));
    Set(QStringLiteral("LoopStatus"), QStringLiteral("Sometimes"));
    EXPECT_EQ(app->data.settings.Misc_Repeat, 1);

    EXPECT_FALSE(Get(QStringLiteral("Shuffle")).toBool());
    Set(QStringLiteral("Shuffle"), true);
    EXPECT_EQ(app->data.settings.Misc_Random, 1);
    EXPECT_TRUE(window->Action(Command::Random)->isChecked());
    window->Action(Command::Random)->trigger();
    EXPECT_FALSE(Get(QStringLiteral("Shuffle")).toBool());
    ASSERT_TRUE(WaitFor([&] { return seen.Last(QStringLiteral("Shuffle")) == QVariant(false); }));
}

// Other programs get the cover as a file of its own in the cache folder, named by its content.
TEST_F(MprisTest, ArtUrlIsACopyOfTheCoverNamedByItsContent) {
    const std::string cache = home / "cache/sonvaro/covers/";
    service.reset();
    service = MprisService::Start(
        *app, [] {}, [] {}, *playerBus, CoverFileCache(cache));
    ASSERT_NE(service, nullptr);
    std::filesystem::create_directories(home / "album");
    std::filesystem::create_directories(home / "plain");
    const std::string withCover = home / "album/01.wav", without = home / "plain/01.wav";
    std::filesystem::copy_file(ToneFile(4), withCover);
    std::filesystem::copy_file(ToneFile(3), without);
    const std::string png("\x89PNG\r\n\x1A\n-not-decoded-here", 26);
    WriteFile(home / "album/folder.png", png);
    AddFiles({withCover, without, withCover});

    Player(QStringLiteral("Play"));
    ASSERT_TRUE(WaitFor([&] { return Metadata().contains(QStringLiteral("mpris:artUrl")); }));
    const QString url = Metadata().value(QStringLiteral("mpris:artUrl")).toString();
    const std::string file = cache + ContentHash(png) + ".png";
    EXPECT_EQ(url, QString::fromStdString("file://" + file));
    EXPECT_EQ(ReadFile(file), png);
    EXPECT_EQ(ContentHash(png).size(), 64u);

    // A track without a picture has none; the next with the same picture shares the file.
    Player(QStringLiteral("Next"));
    ASSERT_TRUE(
        WaitFor([&] { return Metadata().value(QStringLiteral("mpris:length")).toLongLong() == 3000000; }));
    EXPECT_FALSE(Metadata().contains(QStringLiteral("mpris:artUrl")));
    seen.changed.clear();
    Player(QStringLiteral("Next"));
    ASSERT_TRUE(WaitFor([&] {
        return Plain(seen.Last(QStringLiteral("Metadata"))).toMap().contains(QStringLiteral("mpris:artUrl"));
    }));
    EXPECT_EQ(
        Plain(seen.Last(QStringLiteral("Metadata"))).toMap().value(QStringLiteral("mpris:artUrl")).toString(),
        url);
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(cache), std::filesystem::directory_iterator()), 1);
}

TEST(CoverFileCache, KeepsWithinItsSizeDroppingTheOldest) {
    TempDir dir;
    const std::string folder = dir / "covers/";
    const auto picture = [](char mark) { return std::string("\xFF\xD8\xFF", 3) + std::string(1000, mark); };
    CoverFileCache cache(folder, 2500);
    const std::string a = cache.Store(picture('a'));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, folder + ContentHash(picture('a')) + ".jpg");
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    WriteFile(folder + "notes.txt", std::string(5000, 'x'));  // not ours: never removed, not counted
    // The same picture again is the same file.
    EXPECT_EQ(cache.Store(picture('a')), a);
    const std::string b = cache.Store(picture('b'));
    ASSERT_FALSE(b.empty());
    // Make a the older one, then a third picture pushes the total over the limit.
    std::filesystem::last_write_time(a, std::filesystem::last_write_time(b) - std::chrono::hours(1));
    const std::string c = cache.Store(picture('c'));
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
    EXPECT_TRUE(std::filesystem::exists(c));
    EXPECT_TRUE(std::filesystem::exists(folder + "notes.txt"));
    // A picture larger than the limit alone still stays while it is the one shown.
    const std::string big = cache.Store(std::string("\xFF\xD8\xFF", 3) + std::string(4000, 'z'));
    EXPECT_TRUE(std::filesystem::exists(big));
    // Not a picture: nothing written.
    EXPECT_EQ(cache.Store("plain text"), "");
    EXPECT_EQ(cache.Store(""), "");
    // A folder that cannot be made: nothing, and no crash.
    WriteFile(dir / "file", "x");
    EXPECT_EQ(CoverFileCache(dir / "file/covers/").Store(picture('a')), "");
}

TEST_F(MprisTest, OpenUriPlaysAFile) {
    const std::string song = TaggedSong();
    Player(QStringLiteral("OpenUri"), {QString::fromStdString("file://" + song)});
    EXPECT_EQ(app->player.State().currentPath, song);
    EXPECT_EQ(Status(), QStringLiteral("Playing"));
    Player(QStringLiteral("OpenUri"), {QStringLiteral("gopher://example.org/x")});  // not a scheme we list
    EXPECT_EQ(app->player.State().currentPath, song);
}

TEST_F(MainWindowTest, WithoutASessionBusThePlayerRunsAndSaysSoOnce) {
    app->log.SetOpen(true);
    const size_t before = app->log.LineCount();
    QDBusConnection dead =
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("dead"));
    EXPECT_EQ(MprisService::Start(
                  *app, [] {}, [] {}, dead),
              nullptr);
    QDBusConnection::disconnectFromBus(QStringLiteral("dead"));
    const auto lines = app->log.LinesSince(before);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("MPRIS nicht verfügbar"), std::string::npos) << lines[0];
}

}  // namespace
}  // namespace sonvaro::test

#include "mpris_service_test.moc"
