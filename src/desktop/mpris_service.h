#pragma once
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <string>

#include "desktop/cover_file_cache.h"

namespace sonvaro {

class Application;

// The player on the session bus as org.mpris.MediaPlayer2.sonvaro, for media
// keys, desktop widgets and playerctl. Every action goes through the
// application's PlayerControl; what it publishes is read from the player's
// state every 250 ms and after each call, and only changes are signalled.
class MprisService : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.sonvaro";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // Null when the bus cannot be reached or the name is taken; the status log
    // says why, once. `raise` shows the main window (none without a window),
    // `quit` takes the player's exit road.
    // `covers`: where the pictures for mpris:artUrl are kept.
    static std::unique_ptr<MprisService> Start(Application& app, std::function<void()> raise,
                                               std::function<void()> quit,
                                               QDBusConnection bus = QDBusConnection::sessionBus(),
                                               CoverFileCache covers = CoverFileCache());
    ~MprisService() override;

    // Compares what is published with the player now and signals the changes.
    void Poll();

    // What the adaptors read and do.
    Application& App() { return app_; }
    bool CanRaise() const { return static_cast<bool>(raise_); }
    void Raise() {
        if (raise_) raise_();
    }
    void Quit() { quit_(); }
    QVariantMap Metadata() const;
    QString StatusName() const;  // Playing, Paused or Stopped
    QString LoopStatus() const;
    qlonglong PositionMicroseconds() const;
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    // After a seek of ours: the new position goes out as Seeked.
    void Seeked();

  private:
    MprisService(Application& app, std::function<void()> raise, std::function<void()> quit,
                 QDBusConnection bus, CoverFileCache covers);
    QVariantMap PlayerProperties() const;
    // Starts finding the playing track's cover when the track changed; the
    // picture's file goes out with the next poll.
    void FollowCover();

    Application& app_;
    std::function<void()> raise_, quit_;
    QDBusConnection bus_;
    class PlayerAdaptor* player_ = nullptr;
    QTimer poll_;
    QVariantMap published_;
    // A jump of the position that playing does not explain is a seek (the slider).
    QElapsedTimer sincePoll_;
    double lastPosition_ = 0;
    QString lastTrack_;
    CoverFileCache covers_;
    QThreadPool coverJobs_;   // one thread; waited for before the service goes
    std::string coverTrack_;  // the path the cover below belongs to
    QString coverUrl_;
};

}  // namespace sonvaro
