#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace sonvaro {

// What the library's worker threads share with the ui thread.
struct WorkerState {
    std::atomic<int8_t> stopRequested{0};
    std::atomic<int8_t> progress{0};
    std::thread scanThread;        // a running scan or validation
    std::thread backgroundThread;  // the background refresh
    std::thread watchThread;       // the library watch
    std::atomic<int32_t> backgroundIndex{0};
    // Set while a scan thread works (cleared by the thread itself when it ends)
    // and while a library search runs: the status bar animates its busy icon.
    std::atomic<bool> scanRunning{false};
    std::atomic<bool> busy{false};
    std::atomic<bool> backgroundOn{true};
    std::atomic<bool> backgroundRunning{false};
    std::atomic<bool> watchRunning{false};
    // Set while the library watch has the library folder's tree watched.
    std::atomic<bool> watching{false};

    void SetStatusText(std::string text) {
        std::lock_guard lock(statusMutex_);
        statusText_ = std::move(text);
    }
    std::string StatusText() const {
        std::lock_guard lock(statusMutex_);
        return statusText_;
    }
    // The file name the background refresh checks.
    void SetBackgroundText(std::string text) {
        std::lock_guard lock(statusMutex_);
        backgroundText_ = std::move(text);
    }
    std::string BackgroundText() const {
        std::lock_guard lock(statusMutex_);
        return backgroundText_;
    }
    // MediaLib_Path as the ui thread last handed it over, for the background
    // refresh (the settings themselves belong to the ui thread).
    void SetLibraryFolder(std::string folder) {
        std::lock_guard lock(statusMutex_);
        libraryFolder_ = std::move(folder);
    }
    std::string LibraryFolder() const {
        std::lock_guard lock(statusMutex_);
        return libraryFolder_;
    }
    // Set once "Medienbibliothek nicht erreichbar" has been said, until the
    // folder is seen again: the line is written once per absence.
    std::atomic<bool> libraryFolderMissing{false};
    // Set once the refresh kept a vanished file because no file of the
    // library could be reached, until a file is read again.
    std::atomic<bool> noFileReachable{false};

    // Asks a running scan to stop and waits for it at most `limit` (see
    // JoinWithin). False when it was let go.
    bool StopScanWithin(std::chrono::milliseconds limit) {
        if (!scanRunning && !scanThread.joinable()) return true;
        stopRequested = 1;
        NotifyStop();
        return JoinWithin(scanThread, scanRunning, limit);
    }

    // Wakes threads that sleep in WaitForStop.
    void NotifyStop() {
        std::lock_guard lock(wakeMutex_);
        wake_.notify_all();
    }
    // Sleeps up to `time`; returns early (true) once `stop` is set and NotifyStop called.
    bool WaitForStop(std::chrono::milliseconds time, const std::atomic<bool>& stop) {
        std::unique_lock lock(wakeMutex_);
        return wake_.wait_for(lock, time, [&] { return stop.load(); });
    }
    // A worker thread's last touch of this state: its `running` flag is
    // cleared under the lock, so a waiter that sees it cleared under that lock
    // (JoinWithin) may then free this state. A lock-free look at the flag is
    // not enough for that.
    void ThreadEnded(std::atomic<bool>& running) {
        std::lock_guard lock(wakeMutex_);
        running = false;
        ended_.notify_all();
    }
    // Joins `thread` once `running` is false, waiting at most `limit`. A thread
    // still busy after that is let go (detached): shut-down never waits longer.
    // One let go earlier is waited for by its `running` flag alone. False while
    // a thread still runs.
    bool JoinWithin(std::thread& thread, const std::atomic<bool>& running, std::chrono::milliseconds limit) {
        bool done;
        {
            std::unique_lock lock(wakeMutex_);
            done = ended_.wait_for(lock, limit, [&] { return !running.load(); });
        }
        if (thread.joinable()) {
            if (done)
                thread.join();
            else
                thread.detach();
        }
        return done;
    }

    std::atomic<bool> shuttingDown{false};

    // Counts the engine's resets, odd while one runs. A read that failed
    // across a reset says nothing about the file.
    std::atomic<uint32_t> engineResets{0};
    void BeginEngineReset() { ++engineResets; }
    void EndEngineReset() { ++engineResets; }
    bool EngineResetDuring(uint32_t before) const {
        return (before & 1) != 0 || engineResets.load() != before;
    }

  private:
    mutable std::mutex statusMutex_;
    std::string statusText_;
    std::string backgroundText_;
    std::string libraryFolder_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    std::condition_variable ended_;
};

}  // namespace sonvaro
