#include "desktop/mpris_service.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "core/text.h"
#include "library/cover_finder.h"
#include "playback/channel_player.h"
#include "playback/player_control.h"
#include "session/application.h"

namespace sonvaro {
namespace {

constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

// Several artists or genres are kept joined by "; ".
QStringList SplitList(const std::string& text) {
    QStringList out;
    for (const QString& part : QString::fromStdString(text).split(QStringLiteral("; "), Qt::SkipEmptyParts))
        out << part.trimmed();
    out.removeAll(QString());
    return out;
}

// The MIME types of the desktop file, for "Open with" from other programs.
QStringList DesktopMimeTypes() {
    return {QStringLiteral("audio/mpeg"),     QStringLiteral("audio/x-mpeg"),
            QStringLiteral("audio/mp3"),      QStringLiteral("audio/x-mp3"),
            QStringLiteral("audio/mp2"),      QStringLiteral("audio/x-mp2"),
            QStringLiteral("audio/x-wav"),    QStringLiteral("audio/wav"),
            QStringLiteral("audio/x-aiff"),   QStringLiteral("audio/aiff"),
            QStringLiteral("audio/flac"),     QStringLiteral("audio/x-flac"),
            QStringLiteral("audio/ogg"),      QStringLiteral("audio/x-vorbis+ogg"),
            QStringLiteral("audio/x-ms-wma"), QStringLiteral("audio/x-wavpack"),
            QStringLiteral("audio/mp4"),      QStringLiteral("audio/aac"),
            QStringLiteral("audio/x-m4a"),    QStringLiteral("audio/midi"),
            QStringLiteral("audio/x-midi"),   QStringLiteral("audio/x-mod"),
            QStringLiteral("audio/x-s3m"),    QStringLiteral("audio/x-xm"),
            QStringLiteral("audio/x-it"),     QStringLiteral("audio/x-mo3"),
            QStringLiteral("audio/x-umx"),    QStringLiteral("audio/x-mpegurl"),
            QStringLiteral("audio/x-scpls")};
}

}  // namespace

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

  public:
    explicit RootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return service_->CanRaise(); }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Sonvaro"); }
    QString DesktopEntry() const { return QStringLiteral("sonvaro"); }
    QStringList SupportedUriSchemes() const {
        return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
    }
    QStringList SupportedMimeTypes() const { return DesktopMimeTypes(); }

  public slots:
    void Raise() { service_->Raise(); }
    void Quit() { service_->Quit(); }

  private:
    MprisService* service_;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ StatusName)
    Q_PROPERTY(QString LoopStatus READ LoopStatus WRITE SetLoopStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(bool Shuffle READ Shuffle WRITE SetShuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

  public:
    explicit PlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service), control_(service->App().control) {}

    QString StatusName() const { return service_->StatusName(); }
    QString LoopStatus() const { return service_->LoopStatus(); }
    void SetLoopStatus(const QString& status) {
        // One repeat mode: the playlist starts again. "Track" is the nearest we have.
        if (status == QLatin1String("None"))
            control_.SetRepeat(false);
        else if (status == QLatin1String("Playlist") || status == QLatin1String("Track"))
            control_.SetRepeat(true);
        service_->Poll();
    }
    double Rate() const { return 1.0; }
    void SetRate(double) {}  // one rate only (MinimumRate = MaximumRate = 1)
    bool Shuffle() const { return control_.Random(); }
    void SetShuffle(bool on) {
        control_.SetRandom(on);
        service_->Poll();
    }
    QVariantMap Metadata() const { return service_->Metadata(); }
    double Volume() const { return control_.Volume() / 100.0; }
    void SetVolume(double volume) {
        if (!std::isfinite(volume)) return;
        control_.SetVolume(static_cast<int32_t>(std::lround(std::clamp(volume, 0.0, 1.0) * 100)));
        service_->Poll();
    }
    qlonglong Position() const { return service_->PositionMicroseconds(); }
    bool CanGoNext() const { return service_->CanGoNext(); }
    bool CanGoPrevious() const { return service_->CanGoPrevious(); }
    bool CanPlay() const { return service_->CanPlay(); }
    bool CanPause() const { return service_->CanPause(); }
    bool CanSeek() const { return service_->CanSeek(); }
    bool CanControl() const { return true; }

  public slots:
    void Play() {
        Then([this] { control_.Play(); });
    }
    void Pause() {
        Then([this] { control_.Pause(); });
    }
    void PlayPause() {
        Then([this] {
            if (control_.Status() == PlaybackStatus::Playing)
                control_.Pause();
            else
                control_.Play();
        });
    }
    void Stop() {
        Then([this] { control_.Stop(); });
    }
    void Next() {
        Then([this] { control_.Next(); });
    }
    void Previous() {
        Then([this] { control_.Previous(); });
    }
    void Seek(qlonglong offset) {
        const QString track =
            service_->Metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
        if (!control_.SeekBy(static_cast<double>(offset) / 1e6)) return;
        // Past the end the next track plays: that is a track change, not a seek.
        if (service_->Metadata().value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path() ==
            track)
            service_->Seeked();
        service_->Poll();
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        const QVariantMap now = service_->Metadata();
        // A stale track id, or a position outside the track, is ignored.
        if (now.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>() != track) return;
        if (position < 0 || position > now.value(QStringLiteral("mpris:length")).toLongLong()) return;
        if (control_.SeekTo(static_cast<double>(position) / 1e6)) service_->Seeked();
        service_->Poll();
    }
    void OpenUri(const QString& uri) {
        const QUrl url(uri);
        if (url.isLocalFile())
            control_.PlayFile(QFile::encodeName(url.toLocalFile()).toStdString());
        else if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            control_.PlayFile(uri.toStdString());
        else
            return;  // a scheme we do not list
        service_->Poll();
    }

  signals:
    void Seeked(qlonglong Position);

  private:
    template <typename F>
    void Then(F action) {
        action();
        service_->Poll();
    }

    MprisService* service_;
    PlayerControl& control_;
};

MprisService::MprisService(Application& app, std::function<void()> raise, std::function<void()> quit,
                           QDBusConnection bus, CoverFileCache covers)
    : app_(app),
      raise_(std::move(raise)),
      quit_(std::move(quit)),
      bus_(std::move(bus)),
      covers_(std::move(covers)) {
    coverJobs_.setMaxThreadCount(1);
    new RootAdaptor(this);
    player_ = new PlayerAdaptor(this);
    // `dbus-send` without --print-reply sends a signal, not a method call, and
    // the shell snippets people bind to keys are written that way: the
    // transport commands are taken in that form too.
    for (const char* command : {"Play", "Pause", "PlayPause", "Stop", "Next", "Previous"}) {
        const QByteArray slot = QByteArray("1") + command + "()";  // what SLOT() spells
        bus_.connect(QString(), QLatin1String(kObjectPath), QLatin1String(kPlayerInterface),
                     QLatin1String(command), player_, slot.constData());
    }
    FollowCover();
    published_ = PlayerProperties();
    lastTrack_ = published_.value(QStringLiteral("Metadata"))
                     .toMap()
                     .value(QStringLiteral("mpris:trackid"))
                     .value<QDBusObjectPath>()
                     .path();
    lastPosition_ = app_.control.PositionSeconds();
    sincePoll_.start();
    connect(&poll_, &QTimer::timeout, this, &MprisService::Poll);
    poll_.start(250);
}

MprisService::~MprisService() {
    poll_.stop();
    coverJobs_.clear();
    coverJobs_.waitForDone();
    bus_.unregisterService(QLatin1String(kServiceName));
    bus_.unregisterObject(QLatin1String(kObjectPath));
}

std::unique_ptr<MprisService> MprisService::Start(Application& app, std::function<void()> raise,
                                                  std::function<void()> quit, QDBusConnection bus,
                                                  CoverFileCache covers) {
    if (!bus.isConnected()) {
        app.log.LogStatus("MPRIS nicht verfügbar: kein Sitzungsbus");
        return nullptr;
    }
    std::unique_ptr<MprisService> service(
        new MprisService(app, std::move(raise), std::move(quit), bus, std::move(covers)));
    if (!bus.registerObject(QLatin1String(kObjectPath), service.get())) {
        app.log.LogStatus("MPRIS nicht verfügbar: " + bus.lastError().message().toStdString());
        return nullptr;
    }
    if (!bus.registerService(QLatin1String(kServiceName))) {
        app.log.LogStatus("MPRIS nicht verfügbar: " + bus.lastError().message().toStdString());
        bus.unregisterObject(QLatin1String(kObjectPath));
        return nullptr;
    }
    app.log.LogStatus(std::string("MPRIS: ") + kServiceName);
    return service;
}

QVariantMap MprisService::Metadata() const {
    const PlayerState& state = app_.player.State();
    QVariantMap map;
    if (state.currentPath.empty() || app_.control.Status() == PlaybackStatus::Stopped) return map;
    const TrackInfo& info = state.info;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(
                   QDBusObjectPath(QStringLiteral("/org/sonvaro/track/%1").arg(state.CurrentChannel()))));
    if (info.length > 0)
        map.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(info.length) * 1000000);
    const bool address = IsStreamAddress(state.currentPath);
    QString title = QString::fromStdString(info.title);
    if (title.isEmpty() && !address)
        title = QFileInfo(QFile::decodeName(QByteArray::fromStdString(state.currentPath))).completeBaseName();
    if (!title.isEmpty()) map.insert(QStringLiteral("xesam:title"), title);
    // A station's artist and song change while it plays.
    if (const QStringList artists = SplitList(info.artist); !artists.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), artists);
    if (!info.album.empty()) map.insert(QStringLiteral("xesam:album"), QString::fromStdString(info.album));
    if (const QStringList genres = SplitList(info.genre); !genres.isEmpty())
        map.insert(QStringLiteral("xesam:genre"), genres);
    if (info.trackNumber > 0)
        map.insert(QStringLiteral("xesam:trackNumber"), static_cast<int>(info.trackNumber));
    const QString url =
        address ? QString::fromStdString(state.currentPath)
                : QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(state.currentPath)))
                      .toString(QUrl::FullyEncoded);
    map.insert(QStringLiteral("xesam:url"), url);
    if (!coverUrl_.isEmpty() && coverTrack_ == state.currentPath)
        map.insert(QStringLiteral("mpris:artUrl"), coverUrl_);
    return map;
}

void MprisService::FollowCover() {
    const std::string& path = app_.player.State().currentPath;
    if (path == coverTrack_) return;
    coverTrack_ = path;
    coverUrl_.clear();
    coverJobs_.clear();  // a cover still waiting for an earlier track is not wanted any more
    if (path.empty() || IsStreamAddress(path)) return;
    // Reading the picture (up to 16 MB) and writing its copy stay off the window thread.
    QPointer<MprisService> self(this);
    coverJobs_.start([self, finder = &app_.covers, covers = covers_, path]() mutable {
        std::string file;
        if (const auto found = finder->Find(path)) file = covers.Store(found->picture.data);
        const QString url = file.empty()
                                ? QString()
                                : QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file)))
                                      .toString(QUrl::FullyEncoded);
        QMetaObject::invokeMethod(
            qApp,
            [self, path, url] {
                if (!self || self->coverTrack_ != path) return;
                self->coverUrl_ = url;
                self->Poll();
            },
            Qt::QueuedConnection);
    });
}

QString MprisService::StatusName() const {
    switch (app_.control.Status()) {
        case PlaybackStatus::Playing:
            return QStringLiteral("Playing");
        case PlaybackStatus::Paused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

QString MprisService::LoopStatus() const {
    return app_.control.Repeat() ? QStringLiteral("Playlist") : QStringLiteral("None");
}

qlonglong MprisService::PositionMicroseconds() const {
    return static_cast<qlonglong>(std::llround(app_.control.PositionSeconds() * 1e6));
}

bool MprisService::CanGoNext() const {
    return app_.player.State().playSource == kSourcePlaylist && !app_.data.playlist.empty();
}

bool MprisService::CanGoPrevious() const {
    return CanGoNext();
}

bool MprisService::CanPlay() const {
    return !app_.data.playlist.empty() || app_.control.Status() != PlaybackStatus::Stopped;
}

bool MprisService::CanPause() const {
    return app_.control.Status() != PlaybackStatus::Stopped;
}

bool MprisService::CanSeek() const {
    return app_.control.Status() != PlaybackStatus::Stopped && app_.player.State().info.length > 0;
}

QVariantMap MprisService::PlayerProperties() const {
    return {{QStringLiteral("PlaybackStatus"), StatusName()},
            {QStringLiteral("LoopStatus"), LoopStatus()},
            {QStringLiteral("Shuffle"), app_.control.Random()},
            {QStringLiteral("Metadata"), Metadata()},
            {QStringLiteral("Volume"), app_.control.Volume() / 100.0},
            {QStringLiteral("CanGoNext"), CanGoNext()},
            {QStringLiteral("CanGoPrevious"), CanGoPrevious()},
            {QStringLiteral("CanPlay"), CanPlay()},
            {QStringLiteral("CanPause"), CanPause()},
            {QStringLiteral("CanSeek"), CanSeek()}};
}

void MprisService::Seeked() {
    lastPosition_ = app_.control.PositionSeconds();
    sincePoll_.restart();
    emit player_->Seeked(PositionMicroseconds());
}

void MprisService::Poll() {
    FollowCover();
    const QVariantMap now = PlayerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (published_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    published_ = now;

    const QString track = now.value(QStringLiteral("Metadata"))
                              .toMap()
                              .value(QStringLiteral("mpris:trackid"))
                              .value<QDBusObjectPath>()
                              .path();
    const double position = app_.control.PositionSeconds();
    const bool playing = app_.control.Status() == PlaybackStatus::Playing;
    const double elapsed = static_cast<double>(sincePoll_.restart()) / 1000.0;
    const double expected = lastPosition_ + (playing ? elapsed : 0.0);
    const bool jumped = track == lastTrack_ && !track.isEmpty() && std::fabs(position - expected) > 1.0;
    lastTrack_ = track;
    lastPosition_ = position;

    if (!changed.isEmpty()) {
        QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
        bus_.send(signal);
    }
    if (jumped) emit player_->Seeked(PositionMicroseconds());
}

}  // namespace sonvaro

#include "mpris_service.moc"
