#include "engine/engine.h"

#include <pthread.h>
#include <samplerate.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#include <xmmintrin.h>

#include <algorithm>
#include <chrono>

#include "engine/error.h"
#include "engine/net/url_opening.h"

namespace sonvaro::audio {
namespace {

constexpr std::size_t kBlock = 512;

void FlushDenormals() {
    _mm_setcsr(_mm_getcsr() | 0x8040);
}  // FTZ | DAZ: feedback tails stay cheap

}  // namespace

Engine& Engine::Get() {
    static Engine* engine = new Engine();  // never destroyed: callbacks may outlive static destructors
    return *engine;
}

int Engine::Init(int device, unsigned rate, bool offline) {
    std::lock_guard lock(mutex_);
    if (initialised_) return BASS_ERROR_ALREADY;
    if (device < -1) return BASS_ERROR_DEVICE;
    if (rate < 1000 || rate > 384000) return BASS_ERROR_FORMAT;
    if (device == -1) device = 1;
    auto ring = std::make_unique<FrameRing>(
        std::max<std::size_t>(1024, static_cast<std::size_t>(rate * kMixLeadSeconds)));
    std::unique_ptr<Output> output;
    if (!offline) {
        if (device == 0)
            output = CreateNullOutput(*ring, rate, heard_);
        else {
            std::string name;
            if (device >= 2) {
                auto names = SdlDeviceNames();
                if (static_cast<std::size_t>(device - 2) >= names.size()) return BASS_ERROR_DEVICE;
                name = names[static_cast<std::size_t>(device - 2)];
            }
            output = CreateSdlOutput(name, *ring, rate, heard_);
        }
    }
    // The output may start pulling before the mixer runs: it then plays silence.
    // Starting it first means a refusal leaves no threads to undo.
    mixClock_ = 0;
    heard_ = 0;
    audibleUntil_ = 0;
    mixAgain_ = false;
    if (output && !output->Start()) return BASS_ERROR_DRIVER;
    latency_ = output ? output->Latency() : 0;
    ring_ = std::move(ring);
    output_ = std::move(output);
    device_ = offline ? 0 : device;
    rate_ = rate;
    offline_ = offline;
    offlineMode_ = offline;
    appliedMaster_ = masterVolume_.load();
    {
        std::lock_guard cb(callbackMutex_);
        callbacksRunning_ = true;
    }
    callbackThread_ = std::thread([this] { CallbackLoop(); });
    running_ = true;
    if (!offline) {
        mixer_ = std::thread([this] { MixerLoop(); });
        decoder_ = std::thread([this] { DecoderLoop(); });
    }
    initialised_ = true;
    return BASS_OK;
}

void Engine::StopThreads() {
    running_ = false;
    if (ring_) ring_->Kick();
    WakeDecoder();
    if (mixer_.joinable()) mixer_.join();
    if (decoder_.joinable()) decoder_.join();
    {
        std::lock_guard cb(callbackMutex_);
        callbacksRunning_ = false;
    }
    callbackWake_.notify_all();
    if (callbackThread_.joinable()) {
        // A callback that frees the engine cannot wait for its own thread.
        if (callbackThread_.get_id() == std::this_thread::get_id())
            callbackThread_.detach();
        else
            callbackThread_.join();
    }
}

void Engine::Free() {
    CancelOpeningUrlStreams();
    std::unordered_map<DWORD, std::shared_ptr<Channel>> channels;
    std::unique_ptr<Output> output;
    {
        std::lock_guard lock(mutex_);
        if (!initialised_) return;
        initialised_ = false;
        output = std::move(output_);
        channels.swap(channels_);
        fxOwners_.clear();
    }
    if (output) {
        PlayOut();
        output->Stop();
    }
    running_ = false;
    if (ring_) ring_->Kick();
    WakeDecoder();
    if (mixer_.joinable()) mixer_.join();
    if (decoder_.joinable()) decoder_.join();
    {
        std::lock_guard mix(mixMutex_);  // never under mutex_: the mixer takes them the other way round
        pendingEnds_.clear();
    }
    // Every channel ends here; tell whoever waits for their end.
    for (auto& [handle, ch] : channels)
        for (const Sync& s : ch->SyncsOfType(BASS_SYNC_FREE))
            Post([s, h = handle] { s.proc(s.handle, h, 0, s.user); });
    StopThreads();
}

void Engine::PlayOut() {
    // The mixer goes on with silence (the channels are gone), so the device
    // moves on until the last sound mixed is heard. Bounded: a device that
    // takes nothing (a stuck sound server) must not hold the program.
    const std::uint64_t until = audibleUntil_.load(std::memory_order_acquire);
    const std::uint64_t rate = rate_;
    const std::uint64_t pending = until > HeardClock() ? until - HeardClock() : 0;
    if (pending == 0) return;
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(200 + std::min<std::uint64_t>(pending, rate) * 1000 / rate);
    while (HeardClock() < until && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

int Engine::Device() const {
    std::lock_guard lock(mutex_);
    return device_;
}

unsigned Engine::Rate() const {
    std::lock_guard lock(mutex_);
    return rate_;
}

bool Engine::Offline() const {
    std::lock_guard lock(mutex_);
    return offline_;
}

std::shared_ptr<Channel> Engine::Find(DWORD handle) const {
    std::lock_guard lock(mutex_);
    auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : it->second;
}

DWORD Engine::NewHandle() {
    std::lock_guard lock(mutex_);
    return nextHandle_++;
}

void Engine::Add(std::shared_ptr<Channel> channel) {
    std::lock_guard lock(mutex_);
    channels_[channel->handle] = std::move(channel);
}

bool Engine::FreeChannel(DWORD handle) {
    std::shared_ptr<Channel> ch;
    {
        std::lock_guard lock(mutex_);
        auto it = channels_.find(handle);
        if (it == channels_.end()) return false;
        ch = std::move(it->second);
        channels_.erase(it);
        for (auto f = fxOwners_.begin(); f != fxOwners_.end();) {
            if (f->second == handle)
                f = fxOwners_.erase(f);
            else
                ++f;
        }
    }
    // Freed when faded out (or never heard): what the device still has of it plays out.
    ch->Stop(MixClock());
    for (const Sync& s : ch->SyncsOfType(BASS_SYNC_FREE))
        Post([s, handle] { s.proc(s.handle, handle, 0, s.user); });
    // The last reference may be the mixer's snapshot; the channel dies when that is dropped.
    return true;
}

HFX Engine::RegisterFx(DWORD channel) {
    std::lock_guard lock(mutex_);
    HFX fx = nextHandle_++;
    fxOwners_[fx] = channel;
    return fx;
}

DWORD Engine::ChannelOfFx(HFX fx) const {
    std::lock_guard lock(mutex_);
    auto it = fxOwners_.find(fx);
    return it == fxOwners_.end() ? 0 : it->second;
}

void Engine::ForgetFx(HFX fx) {
    std::lock_guard lock(mutex_);
    fxOwners_.erase(fx);
}

std::vector<std::shared_ptr<Channel>> Engine::Snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Channel>> out;
    out.reserve(channels_.size());
    for (const auto& [h, ch] : channels_) out.push_back(ch);
    return out;
}

void Engine::MixBlock(float* out, std::size_t frames, bool decodeInline) {
    std::vector<DWORD> ended, stopped;
    bool low = false;
    {
        std::lock_guard lock(mixMutex_);
        std::fill(out, out + frames * 2, 0.0f);
        std::uint64_t t = mixClock_.load();
        std::vector<DWORD> startedHere;  // successors mixed from their first frame in this block
        for (const auto& ch : Snapshot()) {
            if (std::find(startedHere.begin(), startedHere.end(), ch->handle) != startedHere.end()) continue;
            DWORD handle = ch->handle;
            MixOutcome r = ch->MixInto(out, frames, t, decodeInline);
            // A successor takes over at the frame after its predecessor's last
            // one, in this very block, and may itself end in it.
            for (;;) {
                low = low || r.lowOnData;
                if (!r.ended) {
                    if (r.slideStop) stopped.push_back(handle);
                    break;
                }
                pendingEnds_.push_back({handle, r.endFrame});
                auto next = r.next ? Find(r.next) : nullptr;
                if (!next || !next->StartAfter(r.endFrame, r.carried)) {
                    if (r.carried) src_delete(r.carried);
                    break;
                }
                handle = next->handle;
                startedHere.push_back(handle);
                const auto skip = static_cast<std::size_t>(r.endFrame - t);
                r = next->MixInto(out + skip * 2, frames - skip, r.endFrame, decodeInline);
            }
        }
        float target = masterVolume_.load();
        float start = appliedMaster_;
        if (start != 1.0f || target != 1.0f) {
            for (std::size_t i = 0; i < frames; ++i) {
                float g = start + (target - start) * static_cast<float>(i + 1) / frames;
                out[2 * i] *= g;
                out[2 * i + 1] *= g;
            }
        }
        appliedMaster_ = target;
        const bool audible = std::any_of(out, out + frames * 2, [](float v) { return v != 0.0f; });
        const std::uint64_t mixed = mixClock_.fetch_add(frames, std::memory_order_acq_rel) + frames;
        if (audible) audibleUntil_.store(mixed, std::memory_order_release);
        // A channel ends when its last frame has been heard, not when it was mixed.
        std::uint64_t heard = offlineMode_ ? mixClock_.load() : HeardClock();
        for (auto it = pendingEnds_.begin(); it != pendingEnds_.end();) {
            if (it->frame <= heard) {
                ended.push_back(it->handle);
                it = pendingEnds_.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (low && !decodeInline) WakeDecoder();
    for (DWORD h : ended) EndChannel(h);
    for (DWORD h : stopped) {
        auto ch = Find(h);
        if (ch && (ch->flags & BASS_STREAM_AUTOFREE)) FreeChannel(h);
    }
}

void Engine::EndChannel(DWORD h) {
    auto ch = Find(h);
    if (!ch || !ch->FinishEnd()) return;
    for (const Sync& s : ch->SyncsOfType(BASS_SYNC_END)) Post([s, h] { s.proc(s.handle, h, 0, s.user); });
    if (ch->flags & BASS_STREAM_AUTOFREE) FreeChannel(h);
}

std::size_t Engine::PullOffline(float* out, std::size_t frames) {
    if (!initialised_ || !Offline()) return 0;
    FlushDenormals();
    for (std::size_t done = 0; done < frames;) {
        std::size_t n = std::min(kBlock, frames - done);
        MixBlock(out + done * 2, n, true);
        heard_.fetch_add(n, std::memory_order_acq_rel);
        done += n;
    }
    return frames;
}

void Engine::HearChangeNow() {
    if (!running_ || offlineMode_) return;
    {
        std::lock_guard lock(settleMutex_);
        ++cutsAsked_;
    }
    mixAgain_.store(true);
    if (ring_) ring_->Kick();
}

void Engine::HearChangeNowAndSettle() {
    if (!running_ || offlineMode_) return;
    HearChangeNow();
    std::unique_lock lock(settleMutex_);
    const std::uint64_t mine = cutsAsked_;
    // The cut waits for the device's next period at most 100 ms; a stalled device is not waited for longer.
    settled_.wait_for(lock, std::chrono::milliseconds(300), [&] { return cutsDone_ >= mine || !running_; });
}

void Engine::MixAgainFromDevice() {
    // The device takes its next period first: it never meets an empty ring mid-period.
    const auto cut = ring_->Cut(std::chrono::milliseconds(100), [this] { return running_.load(); });
    if (!cut) return;
    const std::uint64_t from = *cut;
    std::lock_guard mix(mixMutex_);
    // A channel whose end was mixed before the cut has nothing more to give;
    // one whose end was dropped mixes it again.
    std::vector<DWORD> over, later;
    for (auto it = pendingEnds_.begin(); it != pendingEnds_.end();) {
        if (it->frame <= from) {
            over.push_back(it->handle);
            ++it;
        } else {
            later.push_back(it->handle);
            it = pendingEnds_.erase(it);
        }
    }
    for (const auto& ch : Snapshot()) {
        if (std::find(over.begin(), over.end(), ch->handle) != over.end()) continue;
        ch->RewindTo(from);
        // Nothing could be taken back: it still ends where the cut is.
        if (std::find(later.begin(), later.end(), ch->handle) != later.end() && ch->Ending())
            pendingEnds_.push_back({ch->handle, from});
    }
    mixClock_.store(from, std::memory_order_release);
    if (audibleUntil_.load() > from) audibleUntil_.store(from, std::memory_order_release);
}

void Engine::MixerLoop() {
    FlushDenormals();
    RaiseAudioThreadPriority();
    std::vector<float> block(kBlock * 2);
    for (;;) {
        // Read before the checks, so a pop or a Kick after them ends the wait.
        std::uint32_t seen = ring_->Pops();
        if (!running_) break;
        if (mixAgain_.exchange(false)) {
            // Every change asked for before this point was made before the cut below.
            std::uint64_t asked;
            {
                std::lock_guard lock(settleMutex_);
                asked = cutsAsked_;
            }
            MixAgainFromDevice();
            {
                std::lock_guard lock(settleMutex_);
                cutsDone_ = asked;
            }
            settled_.notify_all();
            continue;
        }
        if (ring_->Free() >= kBlock) {
            const auto start = std::chrono::steady_clock::now();
            MixBlock(block.data(), kBlock, false);
            const auto took =
                static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                               std::chrono::steady_clock::now() - start)
                                               .count());
            if (took > longestMix_.load(std::memory_order_relaxed))
                longestMix_.store(took, std::memory_order_relaxed);
            ring_->Push(block.data(), kBlock);
            continue;
        }
        // Outputs take the mix in bursts (a device period): sleeping until
        // the next one, not polling on a timer, keeps an idle player idle.
        ring_->WaitForPop(seen);
    }
}

void Engine::WakeDecoder() {
    {
        std::lock_guard lock(decodeMutex_);
        ++decodeRequests_;
    }
    decodeWake_.notify_all();
}

void Engine::DecoderLoop() {
    while (running_) {
        std::uint64_t seen;
        {
            std::lock_guard lock(decodeMutex_);
            seen = decodeRequests_;
        }
        bool worked = false, starved = false;
        for (const auto& ch : Snapshot()) {
            if (!running_) break;
            if (!ch->WantsData()) continue;
            if (ch->DecodeAhead())
                worked = true;
            else
                starved = true;  // a network stream with nothing new: no work, look again soon
        }
        if (worked) continue;
        // Buffers hold about half a second. A pass every quarter second tops
        // them up in bursts; the mixer asks for one sooner when a buffer falls
        // below half its target (a raised speed, a seek), and play and seek ask
        // at once. Short polls only while a stream waits for the network.
        std::unique_lock lock(decodeMutex_);
        decodeWake_.wait_for(lock, starved ? std::chrono::milliseconds(10) : std::chrono::milliseconds(250),
                             [&] { return decodeRequests_ != seen || !running_; });
    }
}

void Engine::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(callbackMutex_);
        callbacks_.push_back(std::move(fn));
    }
    callbackWake_.notify_one();
}

void Engine::CallbackLoop() {
    std::unique_lock lock(callbackMutex_);
    for (;;) {
        callbackWake_.wait(lock, [this] { return !callbacks_.empty() || !callbacksRunning_; });
        if (callbacks_.empty() && !callbacksRunning_) return;
        auto fn = std::move(callbacks_.front());
        callbacks_.pop_front();
        lock.unlock();
        fn();
        lock.lock();
    }
}

void Engine::SetConfig(DWORD option, DWORD value) {
    std::lock_guard lock(configMutex_);
    config_[option] = value;
}

DWORD Engine::Config(DWORD option) const {
    std::lock_guard lock(configMutex_);
    auto it = config_.find(option);
    return it == config_.end() ? 0 : it->second;
}

void Engine::SetConfigText(DWORD option, std::string value) {
    std::lock_guard lock(configMutex_);
    configText_[option] = std::move(value);
}

std::string Engine::ConfigText(DWORD option) const {
    std::lock_guard lock(configMutex_);
    auto it = configText_.find(option);
    return it == configText_.end() ? std::string() : it->second;
}

}  // namespace sonvaro::audio
