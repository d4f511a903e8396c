#include "core/read_ahead.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace sonvaro {

TrackReadAhead::TrackReadAhead(ReadFn read, unsigned threads, std::size_t window, std::function<bool()> stop)
    : read_(std::move(read)),
      threads_(threads),
      window_(std::max<std::size_t>(window, 1)),
      stop_(std::move(stop)) {}

TrackReadAhead::~TrackReadAhead() {
    Cancel();
    for (std::thread& worker : workers_) worker.join();
}

unsigned TrackReadAhead::DefaultThreads() {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
}

bool TrackReadAhead::Full() const {
    std::lock_guard lock(mutex_);
    return slots_.size() >= window_;
}

bool TrackReadAhead::Empty() const {
    std::lock_guard lock(mutex_);
    return slots_.empty();
}

void TrackReadAhead::Give(std::string path, bool read) {
    std::lock_guard lock(mutex_);
    Slot& slot = slots_.emplace_back();
    slot.item.info.path = std::move(path);
    slot.state = read ? State::Queued : State::Done;
    if (!read) return;
    if (workers_.empty()) StartWorkers();
    queued_.notify_one();
}

void TrackReadAhead::StartWorkers() {
    for (unsigned i = 0; i < threads_; ++i) {
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // fewer workers, or none: Take reads then
        }
    }
    threads_ = static_cast<unsigned>(workers_.size());
}

bool TrackReadAhead::NextQueued() {
    nextRead_ = std::max(nextRead_, taken_);
    while (nextRead_ - taken_ < slots_.size() && slots_[nextRead_ - taken_].state != State::Queued)
        ++nextRead_;
    return nextRead_ - taken_ < slots_.size();
}

void TrackReadAhead::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [this] { return cancelled_ || stopped_ || NextQueued(); });
        if (cancelled_ || stopped_) return;
        if (StopAsked()) {
            stopped_ = true;
            queued_.notify_all();
            done_.notify_all();
            return;
        }
        const uint64_t number = nextRead_++;
        Slot& slot = slots_[number - taken_];
        slot.state = State::Reading;
        TrackInfo info;
        info.path = slot.item.info.path;
        lock.unlock();
        const int result = read_(info);
        lock.lock();
        // The slot is still there: Take waits for it while it is read.
        Finish(slots_[number - taken_], std::move(info), result);
        done_.notify_all();
    }
}

void TrackReadAhead::Finish(Slot& slot, TrackInfo info, int result) {
    info.path = std::move(slot.item.info.path);  // as given, whatever the reader did with it
    slot.item.info = std::move(info);
    slot.item.result = result;
    slot.item.read = true;
    slot.state = State::Done;
}

TrackReadAhead::Item TrackReadAhead::Take() {
    std::unique_lock lock(mutex_);
    if (threads_ == 0 && slots_.front().state == State::Queued && !cancelled_ && !StopAsked()) {
        // No workers: this thread reads, one file at a time.
        Slot& slot = slots_.front();
        slot.state = State::Reading;
        TrackInfo info;
        info.path = slot.item.info.path;
        lock.unlock();
        const int result = read_(info);
        lock.lock();
        Finish(slots_.front(), std::move(info), result);
    }
    done_.wait(lock, [this] {
        const State state = slots_.front().state;
        return state == State::Done ||
               (state == State::Queued && (cancelled_ || stopped_ || threads_ == 0 || StopAsked()));
    });
    Item item = std::move(slots_.front().item);
    slots_.pop_front();
    ++taken_;
    return item;
}

void TrackReadAhead::Cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    queued_.notify_all();
    done_.notify_all();
}

}  // namespace sonvaro
