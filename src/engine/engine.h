// The engine's process-wide state: initialisation, the output and its device,
// the table of channels, effect and sync handles, configuration, and the
// three engine threads (decoding ahead, mixing, and firing callbacks).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/bass.h"
#include "engine/channel.h"
#include "engine/output/output.h"

namespace sonvaro::audio {

class Engine {
  public:
    static Engine& Get();

    // Returns a BASS error code, BASS_OK on success. device: -1 default, 0 no sound, 1 default, 2.. SDL
    // devices; `offline` uses no device at all and mixes only in PullOffline.
    int Init(int device, unsigned rate, bool offline);
    void Free();
    bool Initialised() const { return initialised_.load(); }
    int Device() const;
    unsigned Rate() const;
    bool Offline() const;

    std::shared_ptr<Channel> Find(DWORD handle) const;
    DWORD NewHandle();
    void Add(std::shared_ptr<Channel> channel);
    // Removes the channel and fires its FREE syncs on the callback thread.
    bool FreeChannel(DWORD handle);
    HFX RegisterFx(DWORD channel);
    DWORD ChannelOfFx(HFX fx) const;
    void ForgetFx(HFX fx);
    HSYNC NewSyncHandle() { return nextSync_.fetch_add(1); }

    std::uint64_t MixClock() const { return mixClock_.load(std::memory_order_acquire); }
    // Output frames the listener has heard: taken by the output, minus what its device still buffers.
    std::uint64_t HeardClock() const {
        std::uint64_t taken = heard_.load(std::memory_order_acquire);
        std::uint64_t pending = latency_.load(std::memory_order_acquire);
        return taken > pending ? taken - pending : 0;
    }
    // Asks the decoding thread for a pass over the channels now.
    void WakeDecoder();
    // A change was made that the listener should hear now, not after the mix
    // lead: the mixing thread drops what the device has not taken and mixes
    // it again. Without a device (offline) there is nothing ahead to drop.
    void HearChangeNow();
    // HearChangeNow, then waits (at most a few device periods) until the mixing
    // thread has cut: what the listener hears last of the change is then settled,
    // so a paused channel's position no longer moves once the pause returns.
    void HearChangeNowAndSettle();

    std::size_t PullOffline(float* out, std::size_t frames);
    // The longest a block took the mixing thread since the last call, in
    // microseconds: what a device would wait for it (benchmarks read it).
    std::uint32_t TakeLongestMixMicros() { return longestMix_.exchange(0); }

    void SetMasterVolume(float v) { masterVolume_.store(v); }
    float MasterVolume() const { return masterVolume_.load(); }

    // Configuration values (numbers and texts) as last set.
    void SetConfig(DWORD option, DWORD value);
    DWORD Config(DWORD option) const;
    void SetConfigText(DWORD option, std::string value);
    std::string ConfigText(DWORD option) const;

    // Runs `fn` on the callback thread, never under an engine lock.
    void Post(std::function<void()> fn);

  private:
    Engine() = default;
    void MixBlock(float* out, std::size_t frames, bool decodeInline);
    void EndChannel(DWORD handle);
    void MixerLoop();
    void MixAgainFromDevice();
    void DecoderLoop();
    void CallbackLoop();
    std::vector<std::shared_ptr<Channel>> Snapshot() const;
    void StopThreads();
    // Lets the device sound what has been mixed (a fade's tail) before it is closed.
    void PlayOut();

    mutable std::mutex mutex_;  // state, channel table, handles
    std::atomic<bool> initialised_{false};
    int device_ = 0;
    unsigned rate_ = 44100;
    bool offline_ = false;
    std::unordered_map<DWORD, std::shared_ptr<Channel>> channels_;
    std::unordered_map<HFX, DWORD> fxOwners_;
    DWORD nextHandle_ = 0x10000;
    std::atomic<HSYNC> nextSync_{1};

    mutable std::mutex configMutex_;
    std::map<DWORD, DWORD> config_;
    std::map<DWORD, std::string> configText_;

    std::unique_ptr<FrameRing> ring_;
    std::unique_ptr<Output> output_;
    std::atomic<std::uint64_t> mixClock_{0};
    std::atomic<std::uint64_t> heard_{0};
    std::atomic<std::uint64_t> latency_{0};
    std::atomic<std::uint64_t> audibleUntil_{0};  // mix frame after the last block with any sound
    std::atomic<float> masterVolume_{1.0f};
    float appliedMaster_ = 1.0f;
    std::mutex mixMutex_;
    std::atomic<bool> offlineMode_{false};
    struct PendingEnd {
        DWORD handle;
        std::uint64_t frame;
    };
    std::vector<PendingEnd> pendingEnds_;  // under mixMutex_: mixed out, not heard yet

    std::atomic<bool> running_{false};
    std::atomic<bool> mixAgain_{false};
    std::mutex settleMutex_;
    std::condition_variable settled_;
    std::uint64_t cutsAsked_ = 0, cutsDone_ = 0;  // under settleMutex_
    std::atomic<std::uint32_t> longestMix_{0};    // HearChangeNow was called; the mixer clears it
    std::thread mixer_, decoder_;
    std::mutex decodeMutex_;
    std::condition_variable decodeWake_;
    std::uint64_t decodeRequests_ = 0;  // under decodeMutex_: bumped by WakeDecoder

    std::mutex callbackMutex_;
    std::condition_variable callbackWake_;
    std::deque<std::function<void()>> callbacks_;
    bool callbacksRunning_ = false;
    std::thread callbackThread_;
};

}  // namespace sonvaro::audio
