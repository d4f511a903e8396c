// A channel: one source plus what the player can change on it (attributes,
// effects, syncs, state), a decode-ahead buffer filled by the decoding thread,
// and the record of what it has put into the mix (for positions and analysis).
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/bass.h"
#include "engine/effect/effect.h"
#include "engine/slide.h"
#include "engine/source/source.h"
#include "engine/stereo_ring.h"

struct SRC_STATE_tag;

namespace sonvaro::audio {

struct Sync {
    HSYNC handle;
    DWORD type;
    QWORD param;
    SYNCPROC* proc;
    void* user;
};

constexpr std::size_t kFxFade = 1024;  // frames over which an effect is faded in or out

struct FxSlot {
    HFX handle;
    DWORD type;
    int priority;
    std::unique_ptr<Effect> effect;
    std::size_t fade = 0;   // frames of fade-in done; the effect is faded in over kFxFade
    bool removing = false;  // fading out, then dropped
};

// Queued: set to follow another channel; it decodes ahead but is not mixed
// until that one's last frame.
enum class ChannelState { Stopped, Playing, Paused, Queued };

// What the mixer tells the engine after a block.
struct MixOutcome {
    bool ended = false;                // the source ran out and everything was mixed
    std::uint64_t endFrame = 0;        // output frame after the channel's last one
    bool slideStop = false;            // a volume slide to -1 finished
    bool lowOnData = false;            // the decode-ahead buffer fell below half its target
    DWORD next = 0;                    // with `ended`: the channel queued to start at endFrame
    SRC_STATE_tag* carried = nullptr;  // with `next`: the rate converter it goes on with (owned)
};

class Channel {
  public:
    Channel(DWORD handle, std::unique_ptr<Source> source, DWORD flags, unsigned outRate);
    ~Channel();

    const DWORD handle;
    const DWORD flags;
    const unsigned outRate;
    const SourceFormat format;

    // --- control (any thread) ---
    bool Prepare();  // lazy decoder set-up; false when the data is unusable
    void Play(bool restart, std::uint64_t now);
    bool Pause();
    // True when the channel was sounding at `now` (not faded to silence).
    bool Stop(std::uint64_t now);
    // Becomes the one that follows another channel: prepared and decoding
    // ahead, silent until StartAfter. False unless stopped and never played.
    bool Queue();
    // `next` (0: none) starts where this channel ends; `carry` hands it the
    // rate converter (same source rate). False when the end is mixed already.
    bool Link(DWORD next, bool carry);
    // A queued channel starts at output frame `frame`, going on with `carried`
    // (taken, may be null). False (nothing taken) when it is no longer queued.
    bool StartAfter(std::uint64_t frame, SRC_STATE_tag* carried);
    DWORD Active() const;
    bool SetPosition(std::int64_t frame, std::uint64_t now);  // false when the source cannot seek
    std::int64_t Position(std::uint64_t heard) const;         // frames of what is heard now
    std::int64_t Length() const;
    bool IsDecodeOnly() const { return flags & BASS_STREAM_DECODE; }

    bool SetAttribute(DWORD attrib, float value, std::uint64_t now);
    bool GetAttribute(DWORD attrib, float& value, std::uint64_t now) const;
    bool SlideAttribute(DWORD attrib, float value, DWORD ms, std::uint64_t now);
    bool IsSliding(DWORD attrib, std::uint64_t now) const;

    HFX AddEffect(HFX handle, DWORD type, int priority);
    bool RemoveEffect(HFX handle);
    bool EffectParameters(HFX handle, const void* in, void* out);
    bool ResetEffect(HFX handle);

    void AddSync(const Sync& sync);
    bool RemoveSync(HSYNC handle);
    std::vector<Sync> SyncsOfType(DWORD type) const;

    // 128 FFT magnitudes or the packed level of the audio heard at `heard`.
    bool Spectrum(float* out, std::uint64_t heard) const;
    DWORD Level(std::uint64_t heard) const;

    // Pulls decoded source data for decoding channels (BASS_ChannelGetData); frames of stereo float.
    std::size_t ReadDecoded(float* out, std::size_t frames);

    const char* Tags(DWORD type);
    std::int64_t FilePosition(DWORD mode) const;
    template <class F>
    auto WithSource(F&& f) {
        std::lock_guard lock(sourceMutex_);
        return f(*source_);
    }

    // --- engine threads ---
    bool WantsData() const;  // playing and the decode-ahead buffer is below its target
    bool DecodeAhead();      // decodes one chunk into the buffer; false when nothing was added
    void Prebuffer();        // decodes on the caller's thread until the mix's lead is well covered
    MixOutcome MixInto(float* mix, std::size_t frames, std::uint64_t outFrame, bool decodeInline);
    // The listener has heard the last frame: the channel stops now. False when
    // it was restarted or moved in the meantime.
    bool FinishEnd();
    // Takes back what was mixed from output frame `outFrame` on (the output
    // dropped it unheard): the channel goes on from the source frame heard
    // there, with the gain it had there, so a change made now is mixed from
    // that frame on. Effects keep their state.
    void RewindTo(std::uint64_t outFrame);
    bool Ending() const;  // everything is mixed; it ends when the device has sounded it

  private:
    std::size_t FifoTarget() const;
    std::size_t RetainTarget() const;
    std::int64_t PositionAt(std::uint64_t heard) const;  // under mutex_
    void ClearFifo();
    void FillFrom(float* dst, std::size_t frames, std::size_t& got, bool& drained, std::size_t want);
    std::size_t PullResampled(float* out, std::size_t frames, double ratioEnd, bool& drained);
    std::size_t PullDirect(float* out, std::size_t frames, bool& drained);
    void RunEffects(float* block, std::size_t frames);
    void RecordHistory(const float* block, std::size_t frames, std::uint64_t outFrame);
    float FrequencyAt(std::uint64_t t) const;

    mutable std::mutex sourceMutex_;  // decoding and seeking
    std::unique_ptr<Source> source_;
    std::atomic<std::int64_t> length_;  // copy of the source's, readable while it decodes
    bool prepared_ = false;
    bool prepareFailed_ = false;

    mutable std::mutex mutex_;  // everything below
    ChannelState state_ = ChannelState::Stopped;
    bool stalled_ = false;
    bool sourceEnded_ = false;
    bool ended_ = false;
    bool ending_ = false;  // everything mixed; playing until the device has sounded it
    DWORD next_ = 0;       // starts where this one ends
    bool carry_ = false;   // next_ goes on with this channel's rate converter
    bool queued_ = false;  // was queued: it started at startedAt_, and a cut before that queues it again
    std::uint64_t startedAt_ = 0;

    StereoRing fifo_;               // decoded frames at the source rate
    std::size_t retained_ = 0;      // frames before the read end already mixed and still in the buffer
    std::uint64_t mixedUntil_ = 0;  // output frame after the last block this channel took part in
    std::int64_t consumed_ = 0;     // source frame at the buffer's read end
    double played_ = 0;             // source frame of the next output frame (the resampler reads ahead)

    SlidingValue volume_, pan_, freq_;
    bool volumeStopAtEnd_ = false;
    float lastGain_[2] = {-1, -1};

    SRC_STATE_tag* resampler_ = nullptr;
    bool resampling_ = false;
    double lastRatio_ = 1.0;

    std::vector<FxSlot> effects_;
    std::vector<Sync> syncs_;

    struct Mark {
        std::uint64_t out;
        std::int64_t src;
        double perFrame;
        float gain[2];  // left and right gain at `out`; negative: not known
    };
    std::deque<Mark> marks_;

    std::vector<float> history_;  // post-effect, pre-volume stereo, indexed by output frame
    std::uint64_t historyEnd_ = 0;
    std::vector<float> block_;
};

}  // namespace sonvaro::audio
