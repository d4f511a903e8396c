#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sonvaro {

// The live status log: lines are kept only while the log window is open, and
// closing it discards them. LogStatus may be called from any thread; the ui
// thread picks new lines up with LinesSince and is poked through the waker.
class StatusLog {
  public:
    using Clock = std::function<int64_t()>;  // local seconds

    explicit StatusLog(Clock clock = {});

    void SetOpen(bool open);
    bool IsOpen() const;

    // Appends "HH:MM:SS - " + text; nothing when the log is closed or text is empty.
    void LogStatus(std::string_view text);

    // Lines recorded since the log was opened, from index `first` on.
    std::vector<std::string> LinesSince(size_t first) const;
    size_t LineCount() const;

    // Called (on the logging thread) after a line was added, so the ui can drain.
    void SetWaker(std::function<void()> waker);

  private:
    Clock clock_;
    mutable std::mutex mutex_;
    bool open_ = false;
    std::vector<std::string> lines_;
    std::function<void()> waker_;
};

}  // namespace sonvaro
