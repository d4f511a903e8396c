// Where the mix goes. The mixing thread writes into a ring; an output takes
// frames from it in its own rhythm: a sound card through SDL, or the
// "No sound" device that consumes on a real-time clock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonvaro::audio {

// How far the mix runs ahead of the device. Changes do not wait for it (the
// engine drops what is not heard yet and mixes again), so it only has to
// cover how long a busy machine may keep the mixing thread from a core.
inline constexpr double kMixLeadSeconds = 0.1;

// On a fully loaded machine an ordinary thread can wait longer than the mix
// lead (or a device period) for a core, and the device plays a gap. So the
// mixing thread and the device's thread ask for the lowest real-time priority
// (they sleep between blocks and use little CPU), else for a raised nice value;
// where the system allows neither they stay as they are. Call on the thread.
void RaiseAudioThreadPriority();

// Single producer (mixer), single consumer (output) ring of stereo frames.
class FrameRing {
  public:
    explicit FrameRing(std::size_t frames) : data_(frames * 2), capacity_(frames) {}
    std::size_t Free() const { return capacity_ - Count(); }
    std::size_t Count() const {
        return write_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
    }
    void Push(const float* frames, std::size_t n);
    // Pops up to n frames into `out` (nullptr drops them); returns the count.
    // Wakes a producer waiting in WaitForPop; never blocks (safe in an audio callback).
    std::size_t Pop(float* out, std::size_t n);

    // Producer side: blocks until the consumer has popped since `seen` was
    // read from Pops(), or Kick() was called. Waking on pops, not on a timer,
    // keeps the mixer from polling a ring the output empties in bursts.
    std::uint32_t Pops() const { return pops_.load(std::memory_order_acquire); }
    void WaitForPop(std::uint32_t seen);
    // Releases a waiting producer (at shutdown, or with work for it).
    void Kick();

    // Producer side: drops every frame the consumer has not taken yet. The
    // consumer does it at its next pop, after taking that pop's frames, so a
    // device never plays a hole. Returns the count of frames ever pushed that
    // now stand (where the mix goes on), or nothing when no pop came within
    // `wait` or `goOn` turned false; then the ring is as it was.
    std::optional<std::size_t> Cut(std::chrono::milliseconds wait, const std::function<bool()>& goOn);

    // "No sound": nobody listens, so the producer itself takes the mix at the
    // pace of the wall clock while it waits (WaitForPop, Cut), adding what is
    // taken to `heard`. A consumer thread of its own would double the wake-ups,
    // most of what playing costs. Call before the producer starts; StopPacing
    // may come from any thread.
    void PaceByClock(unsigned rate, std::atomic<std::uint64_t>& heard);
    void StopPacing() { paced_.store(false); }

  private:
    std::vector<float> data_;
    std::size_t capacity_;
    std::atomic<std::size_t> write_{0}, read_{0};
    // A futex word: std::atomic::wait spins with sched_yield calls first,
    // hundreds a second on an idle player.
    std::atomic<std::uint32_t> pops_{0};
    std::atomic<bool> waiting_{false};  // the producer sleeps, or is about to: Pop must wake it
    enum : int { kNoCut, kCutWanted, kCutTaking, kCutDone };
    std::atomic<int> cut_{kNoCut};
    void Wake();
    void WaitForPopWithin(std::uint32_t seen, std::chrono::nanoseconds wait);
    // Paced: waits until the next period is due (at most `wait`; a pop or Kick
    // ends it early), then takes what the clock says was heard.
    void PacedWait(std::uint32_t seen, std::chrono::steady_clock::duration wait);

    using PaceClock = std::chrono::steady_clock;
    std::atomic<bool> paced_{false};
    // The producer's own, once pacing started.
    unsigned paceRate_ = 0;
    std::atomic<std::uint64_t>* paceHeard_ = nullptr;
    PaceClock::time_point paceStart_, nextPace_;
    std::uint64_t paceTaken_ = 0;
};

class Output {
  public:
    virtual ~Output() = default;
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    // Frames taken from the ring that the listener has not heard yet (the device's own buffer).
    virtual std::size_t Latency() const { return 0; }
};

// Device 0: discards the mix at the pace of the wall clock.
std::unique_ptr<Output> CreateNullOutput(FrameRing& ring, unsigned rate, std::atomic<std::uint64_t>& heard);
// An SDL playback device by name; an empty name is the system default.
std::unique_ptr<Output> CreateSdlOutput(const std::string& device, FrameRing& ring, unsigned rate,
                                        std::atomic<std::uint64_t>& heard);

// The stream name the sound server shows (the playing title; empty: "Sonvaro").
// It is read when a device opens, so it shows from the next BASS_Init on.
void SetOutputStreamName(const std::string& title);

// Names of the SDL playback devices (may be empty without a sound system).
std::vector<std::string> SdlDeviceNames();

}  // namespace sonvaro::audio
