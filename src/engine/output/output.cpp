#include "engine/output/output.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace sonvaro::audio {

void FrameRing::Push(const float* frames, std::size_t n) {
    std::size_t w = write_.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t at = (w + i) % capacity_;
        data_[at * 2] = frames[i * 2];
        data_[at * 2 + 1] = frames[i * 2 + 1];
    }
    write_.store(w + n, std::memory_order_release);
}

std::size_t FrameRing::Pop(float* out, std::size_t n) {
    std::size_t r = read_.load(std::memory_order_relaxed);
    n = std::min(n, write_.load(std::memory_order_acquire) - r);
    if (out) {
        for (std::size_t i = 0; i < n; ++i) {
            std::size_t at = (r + i) % capacity_;
            out[i * 2] = data_[at * 2];
            out[i * 2 + 1] = data_[at * 2 + 1];
        }
    }
    read_.store(r + n, std::memory_order_release);
    bool cut = false;
    if (cut_.load(std::memory_order_acquire) == kCutWanted) {
        // The producer waits in Cut and pushes nothing meanwhile: the write end is ours to set.
        int wanted = kCutWanted;
        if (cut_.compare_exchange_strong(wanted, kCutTaking)) {
            write_.store(r + n, std::memory_order_release);
            cut_.store(kCutDone, std::memory_order_release);
            cut = true;
        }
    }
    if (n > 0 || cut) Wake();
    return n;
}

std::optional<std::size_t> FrameRing::Cut(std::chrono::milliseconds wait, const std::function<bool()>& goOn) {
    const auto until = std::chrono::steady_clock::now() + wait;
    cut_.store(kCutWanted);
    for (;;) {
        const std::uint32_t seen = pops_.load();
        if (cut_.load() == kCutDone) {
            cut_.store(kNoCut);
            return write_.load();
        }
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds::zero() || !goOn()) {
            int wanted = kCutWanted;
            if (cut_.compare_exchange_strong(wanted, kNoCut)) return std::nullopt;
            continue;  // the consumer is cutting right now: it is done in a moment
        }
        if (paced_.load())
            PacedWait(seen, left);
        else
            WaitForPopWithin(seen, left);
    }
}

// A card takes a period of 10 to 25 ms at a time. Nobody listens here, so 40 ms
// will do: finer than the player's 50 ms tick that reads the heard position.
constexpr std::chrono::milliseconds kPacePeriod{40};

void FrameRing::PaceByClock(unsigned rate, std::atomic<std::uint64_t>& heard) {
    paceRate_ = rate;
    paceHeard_ = &heard;
    paceStart_ = PaceClock::now();
    nextPace_ = paceStart_ + kPacePeriod;
    paceTaken_ = 0;
    paced_.store(true);
}

void FrameRing::PacedWait(std::uint32_t seen, std::chrono::steady_clock::duration wait) {
    const auto now = PaceClock::now();
    if (now < nextPace_) {
        WaitForPopWithin(seen, std::min(wait, nextPace_ - now));
        if (PaceClock::now() < nextPace_) return;
    }
    const double elapsed = std::chrono::duration<double>(PaceClock::now() - paceStart_).count();
    const auto due = static_cast<std::uint64_t>(elapsed * paceRate_);
    // What the mixer could not deliver in time is lost, as on a card.
    const std::size_t popped = Pop(nullptr, static_cast<std::size_t>(due - paceTaken_));
    paceHeard_->fetch_add(popped, std::memory_order_acq_rel);
    paceTaken_ = due;
    nextPace_ += kPacePeriod;
    if (nextPace_ < PaceClock::now()) nextPace_ = PaceClock::now() + kPacePeriod;  // after a long stall
}

void FrameRing::Kick() {
    Wake();
}

// Sequentially consistent on both sides: either the waiter sees the new count
// and does not sleep, or the waker sees `waiting_` and wakes it.
void FrameRing::Wake() {
    pops_.fetch_add(1);
    if (waiting_.load()) syscall(SYS_futex, &pops_, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

void FrameRing::WaitForPop(std::uint32_t seen) {
    static_assert(sizeof(pops_) == sizeof(std::uint32_t) && std::atomic<std::uint32_t>::is_always_lock_free);
    if (paced_.load()) {
        PacedWait(seen, kPacePeriod);
        return;
    }
    waiting_.store(true);
    // The kernel compares the word with `seen` before it sleeps: a pop in between is not missed.
    if (pops_.load() == seen) syscall(SYS_futex, &pops_, FUTEX_WAIT_PRIVATE, seen, nullptr, nullptr, 0);
    waiting_.store(false, std::memory_order_relaxed);
}

void FrameRing::WaitForPopWithin(std::uint32_t seen, std::chrono::nanoseconds wait) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    timespec timeout{static_cast<time_t>(seconds.count()), static_cast<long>((wait - seconds).count())};
    waiting_.store(true);
    if (pops_.load() == seen) syscall(SYS_futex, &pops_, FUTEX_WAIT_PRIVATE, seen, &timeout, nullptr, 0);
    waiting_.store(false, std::memory_order_relaxed);
}

namespace {

// Device 0: the mixing thread takes its own mix at the clock's pace (see
// FrameRing::PaceByClock); no thread here.
class NullOutput final : public Output {
  public:
    NullOutput(FrameRing& ring, unsigned rate, std::atomic<std::uint64_t>& heard)
        : ring_(ring), rate_(rate), heard_(heard) {}
    ~NullOutput() override { Stop(); }

    bool Start() override {
        ring_.PaceByClock(rate_, heard_);
        return true;
    }
    void Stop() override { ring_.StopPacing(); }

  private:
    FrameRing& ring_;
    unsigned rate_;
    std::atomic<std::uint64_t>& heard_;
};

// ALSA prints to stderr about every card it probes and cannot open (a
// machine without sound prints a page of it). Failures reach us as SDL
// results and our own error codes; the library's commentary is dropped.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// SDL's audio subsystem runs only while a device is open or the devices are
// being listed: once up it keeps a hot-plug thread waking ten times a second,
// a cost a player on "No sound" should not pay for having listed the devices.
// SDL counts the inits; the mutex is ours because SDL's init is not thread-safe.
std::mutex sdlMutex;

bool AcquireSdlAudio() {
    std::lock_guard lock(sdlMutex);
    static bool configured = false;
    if (!configured) {
        snd_lib_error_set_handler(&QuietAlsa);
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // How the sound server lists us.
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Sonvaro");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "music");
        if (!SDL_GetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME))
            SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sonvaro");
        configured = true;
    }
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void ReleaseSdlAudio() {
    std::lock_guard lock(sdlMutex);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

class SdlOutput final : public Output {
  public:
    SdlOutput(std::string device, FrameRing& ring, unsigned rate, std::atomic<std::uint64_t>& heard)
        : device_(std::move(device)), ring_(ring), rate_(rate), heard_(heard) {}
    ~SdlOutput() override { Stop(); }

    bool Start() override {
        if (!AcquireSdlAudio()) return false;
        SDL_AudioSpec want{}, have{};
        want.freq = static_cast<int>(rate_);
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = 1024;
        want.callback = &SdlOutput::Callback;
        want.userdata = this;
        {
            std::lock_guard lock(sdlMutex);
            id_ = SDL_OpenAudioDevice(device_.empty() ? nullptr : device_.c_str(), 0, &want, &have, 0);
        }
        if (id_ == 0) {
            ReleaseSdlAudio();
            return false;
        }
        latency_ = have.samples;
        SDL_PauseAudioDevice(id_, 0);
        return true;
    }

    std::size_t Latency() const override { return latency_; }

    void Stop() override {
        if (id_ != 0) {
            {
                std::lock_guard lock(sdlMutex);
                SDL_CloseAudioDevice(id_);
            }
            id_ = 0;
            ReleaseSdlAudio();
        }
    }

  private:
    // Runs on SDL's audio thread: copies only, never waits.
    static void Callback(void* user, Uint8* stream, int len) {
        // SDL's own request for its thread is granted only through RealtimeKit.
        thread_local bool raised = false;
        if (!raised) {
            raised = true;
            RaiseAudioThreadPriority();
        }
        auto* self = static_cast<SdlOutput*>(user);
        auto* out = reinterpret_cast<float*>(stream);
        std::size_t frames = static_cast<std::size_t>(len) / (2 * sizeof(float));
        std::size_t got = self->ring_.Pop(out, frames);
        std::memset(out + got * 2, 0, (frames - got) * 2 * sizeof(float));
        self->heard_.fetch_add(got, std::memory_order_acq_rel);
    }

    std::string device_;
    FrameRing& ring_;
    unsigned rate_;
    std::atomic<std::uint64_t>& heard_;
    SDL_AudioDeviceID id_ = 0;
    std::size_t latency_ = 0;
};

}  // namespace

void RaiseAudioThreadPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &param) == 0) return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
}

std::unique_ptr<Output> CreateNullOutput(FrameRing& ring, unsigned rate, std::atomic<std::uint64_t>& heard) {
    return std::make_unique<NullOutput>(ring, rate, heard);
}

std::unique_ptr<Output> CreateSdlOutput(const std::string& device, FrameRing& ring, unsigned rate,
                                        std::atomic<std::uint64_t>& heard) {
    return std::make_unique<SdlOutput>(device, ring, rate, heard);
}

void SetOutputStreamName(const std::string& title) {
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, title.empty() ? "Sonvaro" : title.c_str());
}

std::vector<std::string> SdlDeviceNames() {
    std::vector<std::string> names;
    if (!AcquireSdlAudio()) return names;
    {
        std::lock_guard lock(sdlMutex);
        int n = SDL_GetNumAudioDevices(0);
        for (int i = 0; i < n; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 0);
            if (name) names.emplace_back(name);
        }
    }
    ReleaseSdlAudio();
    return names;
}

}  // namespace sonvaro::audio
