#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/player_ports.h"
#include "playback/radio_log.h"
#include "playback/radio_recorder.h"

namespace sonvaro {

class ChannelPlayer;
class EffectChain;
class StatisticsCounter;
class StatusLog;
struct Library;
struct Settings;

struct RadioPlayerParts {
    ChannelPlayer& player;
    Settings& settings;
    Library& library;
    StatusLog& log;
    StatisticsCounter& statistics;
    EffectChain& effects;
    PlayerClock clock;
};

// Internet radio: opens stations on a connection thread each, cross-fades
// into them, follows their titles, counts their bytes and records them.
//
// Threads: the connection thread and the engine's download and sync threads
// never touch PlayerState or the settings. What they find out for the ui goes
// through a queue that Drain() empties on the ui thread; the recording works
// on a copy of its settings and names under its own lock.
class RadioPlayer : public RadioPort {
  public:
    explicit RadioPlayer(RadioPlayerParts parts);
    ~RadioPlayer() override;  // waits for the connection threads (the engine's time-outs bound them)

    // PlayChannel's hand-over: store the address and connect on a thread of its own.
    void OpenStation(const std::string& address) override;
    // On the ui thread, before each player tick: a station that connected takes
    // over the player, new titles reach the info lines, settings reach the recorder.
    void Drain();

    // Called from Drain, once per folder, when a recording could not be
    // written (the folder is missing or not writable); the text says which.
    void SetRecordingFailedHandler(std::function<void(const std::string&)> handler) {
        recordingFailed_ = std::move(handler);
    }

    // The "RadioLog" window's data.
    const RadioTrackLog& TrackLog() const { return trackLog_; }
    // The last radio channel opened; 0 before the first.
    uint32_t RadioChannel() const { return radioChannel_.load(); }
    // Connection threads still running.
    int Connecting() const override { return connecting_.load(); }

    // Engine callbacks; `user` is the stream's own record.
    static void RadioDownload(const void* buffer, uint32_t length, void* user);
    static void RadioMetaChanged(uint32_t sync, uint32_t channel, uint32_t data, void* user);

  private:
    struct Stream {
        RadioPlayer* radio = nullptr;
        uint64_t id = 0;
        int64_t bytes = 0;
        bool takenOver = false;  // its names are known; pieces go to the recording
        std::string early;       // pieces that came while the stream was still being opened
    };
    struct Event {
        bool opened;  // else a new title, or a failure when `failure` is set
        uint32_t channel;
        std::string address, station, genre, artist, title;
        std::string failure;  // why the station could not be reached
    };

    void OpenRadioStream(std::string address);
    void TakeOver(const Event& e);
    void Record(const void* data, size_t length);  // under recordMutex_
    void RefreshRecordingSettings();

    RadioPlayerParts parts_;
    RadioTrackLog trackLog_;
    std::atomic<uint32_t> radioChannel_{0};
    std::atomic<int> connecting_{0};

    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex threadsMutex_;
    std::vector<Connection> threads_;

    std::mutex eventsMutex_;
    std::vector<Event> events_;

    std::mutex recordMutex_;                       // everything below
    std::deque<std::unique_ptr<Stream>> streams_;  // kept: engine callbacks may still name them
    uint64_t nextId_ = 1;
    uint64_t currentId_ = 0;
    RecordingSettings recording_;
    RecordingNames names_;
    std::string failedFolder_;  // the folder a failure was reported for
    bool failurePending_ = false;

    std::function<void(const std::string&)> recordingFailed_;
};

}  // namespace sonvaro
