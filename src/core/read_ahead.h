#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/track_info.h"

namespace sonvaro {

// Reads tracks on worker threads ahead of one consumer, which takes them in
// the order they were given, so a folder's rows keep their name order however
// the reads overlap. At most `window` paths are held (given and not yet taken):
// the caller takes one before giving another once Full(), so memory stays
// bounded however many files a walk finds. Not itself shared: one thread gives
// and takes.
class TrackReadAhead {
  public:
    // Reads info.path into `info`; returns a ReadResult. Called on the workers,
    // several at once.
    using ReadFn = std::function<int(TrackInfo& info)>;

    struct Item {
        TrackInfo info;  // info.path as given
        int result = 0;
        bool read = false;  // false: given with read = false, passed through unread
    };

    // `threads` workers start with the first path to read; with 0 (or when no
    // thread can be started) Take reads on the caller's thread, one file at a
    // time. `stop`, when given, is asked before each read (it must be safe on
    // any thread): once it says so no further read starts.
    TrackReadAhead(ReadFn read, unsigned threads, std::size_t window, std::function<bool()> stop = {});
    ~TrackReadAhead();  // Cancel, then waits for the reads in progress (each ends on its own)
    TrackReadAhead(const TrackReadAhead&) = delete;
    TrackReadAhead& operator=(const TrackReadAhead&) = delete;

    bool Full() const;
    bool Empty() const;
    // Queues `path`; with read = false it is handed back in its turn unread
    // (a playlist or sheet that the consumer opens itself). Never when Full().
    void Give(std::string path, bool read = true);
    // The oldest path given, once read; waits for it. Never when Empty(). After
    // Cancel (or a stop) a path that was not read comes back with read = false
    // and result 0.
    Item Take();
    // The workers start no further reads; queued paths are not read.
    void Cancel();

    // How many workers a folder add or a full-speed scan uses: two where two
    // cores are, else one.
    static unsigned DefaultThreads();

  private:
    enum class State : uint8_t { Queued, Reading, Done };
    struct Slot {
        Item item;
        State state = State::Queued;
    };
    void Work();
    void StartWorkers();
    static void Finish(Slot& slot, TrackInfo info, int result);
    bool StopAsked() const { return stop_ && stop_(); }
    // True when a queued slot is at or after nextRead_ (which it moves past the others).
    bool NextQueued();

    ReadFn read_;
    unsigned threads_;
    std::size_t window_;
    std::function<bool()> stop_;
    std::vector<std::thread> workers_;

    mutable std::mutex mutex_;
    std::condition_variable queued_;  // a path to read, or cancelled
    std::condition_variable done_;    // a read ended
    std::deque<Slot> slots_;          // given and not taken, oldest first
    uint64_t taken_ = 0;              // slots taken so far: the number of slots_.front()
    uint64_t nextRead_ = 0;           // the number of the next slot a worker looks at
    bool cancelled_ = false;
    bool stopped_ = false;  // a worker found `stop` set
};

}  // namespace sonvaro
