#include "core/status_log.h"

#include "core/clock.h"

namespace sonvaro {

StatusLog::StatusLog(Clock clock) : clock_(clock ? std::move(clock) : Clock(&LocalSecondsNow)) {}

void StatusLog::SetOpen(bool open) {
    std::lock_guard lock(mutex_);
    open_ = open;
    if (!open) lines_.clear();
}

bool StatusLog::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

void StatusLog::LogStatus(std::string_view text) {
    if (text.empty()) return;
    std::function<void()> waker;
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        lines_.push_back(TimeOfDayText(clock_()) + " - " + std::string(text));
        waker = waker_;
    }
    if (waker) waker();
}

std::vector<std::string> StatusLog::LinesSince(size_t first) const {
    std::lock_guard lock(mutex_);
    if (first >= lines_.size()) return {};
    return {lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end()};
}

size_t StatusLog::LineCount() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

void StatusLog::SetWaker(std::function<void()> waker) {
    std::lock_guard lock(mutex_);
    waker_ = std::move(waker);
}

}  // namespace sonvaro
