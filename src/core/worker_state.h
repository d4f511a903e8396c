#pragma once
#include <atomic>
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
    std::atomic<int32_t> backgroundIndex{0};

    void SetStatusText(std::string text) {
        std::lock_guard lock(statusMutex_);
        statusText_ = std::move(text);
    }
    std::string StatusText() const {
        std::lock_guard lock(statusMutex_);
        return statusText_;
    }

    // Asks a running scan to stop and waits for it, without a time limit.
    void StopScanAndWait() {
        if (!scanThread.joinable()) return;
        stopRequested = 1;
        scanThread.join();
    }

private:
    mutable std::mutex statusMutex_;
    std::string statusText_;
};

}  // namespace sonvaro
